// PNG encoding through libpng (compressed).
#include "util/PngWriter.h"

#include <png.h>

#include "util/AtomicFile.h"
#include "util/Printable.h"

namespace {

// `channels` bytes per pixel: 3 for truecolour, 4 with straight alpha.
std::vector<uint8_t> EncodePngChannels(int w, int h, const std::vector<uint8_t>& pixels, int channels) {
  if (w <= 0 || h <= 0 || pixels.size() != static_cast<size_t>(w) * static_cast<size_t>(h) * channels) return {};
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(w);
  image.height = static_cast<png_uint_32>(h);
  image.format = channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  // Asked once for the size, then written into a buffer of that size.
  png_alloc_size_t size = 0;
  if (!png_image_write_get_memory_size(image, size, 0, pixels.data(), 0, nullptr)) return {};
  std::vector<uint8_t> png(size);
  if (!png_image_write_to_memory(&image, png.data(), &size, 0, pixels.data(), 0, nullptr)) return {};
  png.resize(size);
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
    if (error)
      *error = PrintablePath(path) + ": image size " + std::to_string(w) + " x " + std::to_string(h) +
               " does not match " + std::to_string(rgb.size()) + " bytes of pixels";
    return false;
  }
  return WriteFileAtomically(path, png, error);
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
