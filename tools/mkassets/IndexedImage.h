// An 8-bit palette-index picture (index 0 transparent), the canvas the sheets are painted on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct TIndexedImage {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Pixels;  // row-major, top row first

  TIndexedImage(int w, int h) : Width(w), Height(h), Pixels(static_cast<size_t>(w) * static_cast<size_t>(h), 0) {}

  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < Width && y < Height; }
  uint8_t At(int x, int y) const { return Inside(x, y) ? Pixels[static_cast<size_t>(y * Width + x)] : 0; }
  // Writes outside the picture are dropped, so a figure may run past the sheet's edge.
  void Set(int x, int y, uint8_t index) {
    if (Inside(x, y)) Pixels[static_cast<size_t>(y * Width + x)] = index;
  }
};

// A deterministic 32-bit hash of a position and a seed, the generator's only source of noise.
inline uint32_t Hash(int x, int y, uint32_t seed) {
  uint32_t h = seed * 0x9E3779B9u ^ static_cast<uint32_t>(x) * 0x85EBCA6Bu ^ static_cast<uint32_t>(y) * 0xC2B2AE35u;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}
