// Little-endian encoding of the 8-bit bitmap and its file header.
#include "tools/mkassets/BmpWriter.h"

#include <stdexcept>

namespace {

void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> EncodeDib(const TIndexedImage& image, const Palette& palette) {
  if (image.Width % 4 != 0) throw std::invalid_argument("bitmap width must be a multiple of 4");
  const uint32_t pixelBytes = static_cast<uint32_t>(image.Width * image.Height);
  std::vector<uint8_t> dib;
  dib.reserve(DibHeaderBytes + ColourTableBytes + pixelBytes);
  Put32(dib, 40);
  Put32(dib, static_cast<uint32_t>(image.Width));
  Put32(dib, static_cast<uint32_t>(image.Height));  // positive: bottom row first
  Put16(dib, 1);                                    // planes
  Put16(dib, 8);                                    // bits per pixel
  Put32(dib, 0);                                    // no compression
  Put32(dib, pixelBytes);
  Put32(dib, 0);  // horizontal resolution
  Put32(dib, 0);  // vertical resolution
  Put32(dib, 0);  // colours used: all 256
  Put32(dib, 0);  // important colours
  for (const TRgb& c : palette) dib.insert(dib.end(), {c.B, c.G, c.R, 0});
  for (int y = image.Height - 1; y >= 0; --y) {
    const auto row = image.Pixels.begin() + y * image.Width;
    dib.insert(dib.end(), row, row + image.Width);
  }
  return dib;
}

std::vector<uint8_t> EncodeBmpFile(const std::vector<uint8_t>& dib) {
  std::vector<uint8_t> file = {'B', 'M'};
  Put32(file, static_cast<uint32_t>(BmpFileHeaderBytes + dib.size()));
  Put32(file, 0);  // reserved
  Put32(file, static_cast<uint32_t>(BmpFileHeaderBytes + DibHeaderBytes + ColourTableBytes));
  file.insert(file.end(), dib.begin(), dib.end());
  return file;
}
