// PNG encoding with uncompressed ("stored") deflate blocks inside a zlib stream.
#include "util/PngWriter.h"

#include <algorithm>
#include <fstream>

#include "util/Crc32.h"

namespace {

void PutBe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
  PutBe32(out, static_cast<uint32_t>(body.size()));
  const size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), body.begin(), body.end());
  PutBe32(out, Crc32(out.data() + typeAt, body.size() + 4));
}

uint32_t Adler32(const std::vector<uint8_t>& data) {
  uint32_t a = 1, b = 0;
  for (uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

// A zlib stream of stored blocks (at most 65535 bytes each) carrying `raw`.
std::vector<uint8_t> StoredZlib(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> z = {0x78, 0x01};
  size_t at = 0;
  do {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    const bool last = at + n == raw.size();
    z.push_back(last ? 1 : 0);
    z.push_back(static_cast<uint8_t>(n));
    z.push_back(static_cast<uint8_t>(n >> 8));
    z.push_back(static_cast<uint8_t>(~n));
    z.push_back(static_cast<uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + n));
    at += n;
  } while (at < raw.size());
  PutBe32(z, Adler32(raw));
  return z;
}

// `channels` bytes per pixel: 3 for truecolour (colour type 2), 4 with alpha (type 6).
std::vector<uint8_t> EncodePngChannels(int w, int h, const std::vector<uint8_t>& pixels, int channels) {
  if (w <= 0 || h <= 0) return {};
  const size_t rowBytes = static_cast<size_t>(w) * static_cast<size_t>(channels);
  if (pixels.size() != rowBytes * static_cast<size_t>(h)) return {};
  std::vector<uint8_t> raw;
  raw.reserve((rowBytes + 1) * static_cast<size_t>(h));
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);  // filter type None
    const auto row = pixels.begin() + static_cast<long>(rowBytes * static_cast<size_t>(y));
    raw.insert(raw.end(), row, row + static_cast<long>(rowBytes));
  }
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBe32(header, static_cast<uint32_t>(w));
  PutBe32(header, static_cast<uint32_t>(h));
  // 8 bits, the colour type, deflate, no filter, no interlace
  header.insert(header.end(), {8, static_cast<uint8_t>(channels == 4 ? 6 : 2), 0, 0, 0});
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", StoredZlib(raw));
  PutChunk(png, "IEND", {});
  return png;
}

}  // namespace

std::vector<uint8_t> EncodePng(int w, int h, const std::vector<uint8_t>& rgb) {
  return EncodePngChannels(w, h, rgb, 3);
}

std::vector<uint8_t> EncodePngRgba(int w, int h, const std::vector<uint8_t>& rgba) {
  return EncodePngChannels(w, h, rgba, 4);
}

bool WritePng(const std::string& path, int w, int h, const std::vector<uint8_t>& rgb, std::string* error) {
  const std::vector<uint8_t> png = EncodePng(w, h, rgb);
  if (png.empty()) {
    if (error) *error = path + ": image size " + std::to_string(w) + " x " + std::to_string(h) +
                        " does not match " + std::to_string(rgb.size()) + " bytes of pixels";
    return false;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  out.close();
  if (!out) {
    if (error) *error = path + ": cannot write the file";
    return false;
  }
  return true;
}

std::vector<uint8_t> Rgb565ToRgb24(int w, int h, const uint16_t* pixels, int pitch) {
  if (w <= 0 || h <= 0 || pixels == nullptr) return {};
  if (pitch == 0) pitch = w;
  std::vector<uint8_t> rgb;
  rgb.reserve(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint16_t p = pixels[static_cast<size_t>(y) * static_cast<size_t>(pitch) + static_cast<size_t>(x)];
      const uint8_t r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
      rgb.push_back(static_cast<uint8_t>((r << 3) | (r >> 2)));
      rgb.push_back(static_cast<uint8_t>((g << 2) | (g >> 4)));
      rgb.push_back(static_cast<uint8_t>((b << 3) | (b >> 2)));
    }
  }
  return rgb;
}

bool WritePng565(const std::string& path, int w, int h, const uint16_t* pixels, int pitch, std::string* error) {
  return WritePng(path, w, h, Rgb565ToRgb24(w, h, pixels, pitch), error);
}
