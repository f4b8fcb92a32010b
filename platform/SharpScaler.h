// The "sharp" scaling done on the processor, for presenting without a GPU: the picture as if
// enlarged by a whole factor with nearest neighbour and then filtered linearly down to the
// destination. The enlarged picture is never made: each destination pixel blends at most two
// source columns and two source rows, with weights worked out once per size.
#pragma once

#include <cstdint>
#include <vector>

class TSharpScaler {
 public:
  // For a source of srcWidth x srcHeight drawn into destWidth x destHeight (all positive).
  void Prepare(int srcWidth, int srcHeight, int destWidth, int destHeight);
  // How the 32-bit pixels are laid out: 0x00RRGGBB words, or the bytes R, G, B, 255 in memory
  // (a canvas's ImageData) on a little-endian machine.
  enum class TLayout { Xrgb, RgbaBytes };
  // 16-bit source pixels (5-6-5, or 5-5-5 when rgb555) into 32-bit pixels; pitches in pixels.
  void Scale(const uint16_t* src, int srcPitch, bool rgb555, uint32_t* dest, int destPitch,
             TLayout layout = TLayout::Xrgb);

  int DestWidth() const { return static_cast<int>(FCols.size()); }
  int DestHeight() const { return static_cast<int>(FRows.size()); }

 private:
  // A destination column (or row) from source columns A and B, B weighing W of 256.
  struct TTap {
    uint16_t A = 0;
    uint16_t B = 0;
    uint16_t W = 0;
  };
  static std::vector<TTap> Taps(int src, int dest, int factor);
  // Source row `row` converted and scaled across into the cache line `slot`.
  const uint32_t* ScaledRow(const uint16_t* src, int srcPitch, int row, int slot);

  int FSrcWidth = 0;
  int FSrcHeight = 0;
  std::vector<TTap> FCols;
  std::vector<TTap> FRows;
  std::vector<uint32_t> FLine[2];
  int FLineRow[2] = {-1, -1};
  std::vector<uint32_t> FColour;  // 16-bit pixel -> output pixel
  bool FColourRgb555 = false;
  TLayout FColourLayout = TLayout::Xrgb;
};
