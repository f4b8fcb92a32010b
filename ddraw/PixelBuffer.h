// The pixels of a surface: 16-bit values in rows of a stride, with an optional guard of slack
// before the first row and right of every row, in memory of its own or shared with whoever
// shows it. It knows nothing of changes, locks or keys.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

class TPixelBuffer {
 public:
  // pitchPixels: row length in pixels (0: the width); guardPixels: the slack; memory:
  // StoragePixels of them (null: a buffer of its own).
  TPixelBuffer(int width, int height, int pitchPixels, int guardPixels, std::shared_ptr<uint16_t[]> memory)
      : FWidth(std::max(width, 0)),
        FHeight(std::max(height, 0)),
        FGuard(std::max(guardPixels, 0)),
        FStride(std::max(FWidth + FGuard, pitchPixels)),
        FStorage(StoragePixels(width, height, pitchPixels, guardPixels)),
        FPixels(memory != nullptr ? std::move(memory)
                                  : std::shared_ptr<uint16_t[]>(std::make_unique<uint16_t[]>(FStorage))) {}

  // The pixels a buffer of these measures keeps, guard and padding included.
  static size_t StoragePixels(int width, int height, int pitchPixels, int guardPixels) {
    const int guard = std::max(guardPixels, 0);
    return guard + static_cast<size_t>(std::max(std::max(width, 0) + guard, pitchPixels)) * std::max(height, 0);
  }

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  int Guard() const { return FGuard; }
  int Stride() const { return FStride; }  // pixels
  // Pixel (0, 0).
  uint16_t* Origin() { return FPixels.get() + FGuard; }
  const uint16_t* Origin() const { return FPixels.get() + FGuard; }
  // Pixel (x, y).
  uint16_t* At(int x, int y) { return Origin() + static_cast<size_t>(y) * FStride + x; }
  const uint16_t* At(int x, int y) const { return Origin() + static_cast<size_t>(y) * FStride + x; }
  // Every pixel kept, guard and padding included.
  uint16_t* Storage() { return FPixels.get(); }
  const uint16_t* Storage() const { return FPixels.get(); }
  size_t StorageSize() const { return FStorage; }

 private:
  int FWidth;
  int FHeight;
  int FGuard;       // slack pixels before the first row and at least as many right of each row
  int FStride;      // pixels per row
  size_t FStorage;  // pixels kept: FGuard pixels, then the rows
  std::shared_ptr<uint16_t[]> FPixels;
};
