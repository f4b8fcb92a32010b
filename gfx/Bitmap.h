// Our own decoder of uncompressed BMP images (4, 8 and 24 bits per pixel), with the 14-byte
// file header or without it (as the program's bitmap resources are stored). Every input is
// treated as hostile: anything that does not add up is refused with a message.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct TBmpColour {
  uint8_t Blue = 0, Green = 0, Red = 0, Reserved = 0;
};

struct TBitmap {
  int Width = 0;                    // pixels, 1..MaxBitmapSide
  int Height = 0;                   // pixels, 1..MaxBitmapSide
  int BitsPerPixel = 0;             // 4, 8 or 24
  std::vector<TBmpColour> Colours;  // the colour table (empty for 24 bits)
  // Top row first. Indexed images: one index per pixel; 24-bit: red, green, blue per pixel.
  std::vector<uint8_t> Pixels;
};

constexpr int MaxBitmapSide = 16384;
constexpr int64_t MaxBitmapPixels = int64_t{64} << 20;

constexpr size_t BmpFileHeaderSize = 14;
constexpr size_t BmpInfoHeaderSize = 40;

// The fields of a BMP info header that say what follows it, as stored (nothing checked).
struct TBmpInfo {
  uint32_t HeaderSize = 0;
  int32_t Width = 0;
  int32_t Height = 0;  // negative: top row first
  uint16_t Bits = 0;   // per pixel
  uint32_t Compression = 0;
  uint32_t ColoursUsed = 0;
};

// The info header at `at`; nothing when the bytes end before its 40 bytes do.
std::optional<TBmpInfo> ReadBmpInfo(std::span<const uint8_t> data, size_t at);
// The entries of the colour table after the header: the colours used, or up to 8 bits per
// pixel, when that is 0, every colour the bits can index.
uint64_t BmpTableEntries(const TBmpInfo& info);

// Decodes `data`; false with a message in `error` when the image is refused.
bool DecodeBitmapFile(std::span<const uint8_t> data, TBitmap& out, std::string& error);
bool DecodeBitmapResource(std::span<const uint8_t> data, TBitmap& out, std::string& error);
