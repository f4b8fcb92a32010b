// BMP decoding: bounds are checked before every read; a refused image says why.
#include "gfx/Bitmap.h"

#include <cstdlib>
#include <optional>

#include "core/LittleEndian.h"

namespace {

bool Refuse(std::string& error, std::string message) {
  error = std::move(message);
  return false;
}

bool CheckHeader(const TBmpInfo& h, std::string& error) {
  if (h.HeaderSize < BmpInfoHeaderSize) {
    return Refuse(error, "unsupported bitmap header of " + std::to_string(h.HeaderSize) + " bytes");
  }
  const int64_t height = std::llabs(h.Height);
  if (h.Width <= 0 || h.Width > MaxBitmapSide || height == 0 || height > MaxBitmapSide ||
      h.Width * height > MaxBitmapPixels) {
    return Refuse(error, "absurd bitmap size " + std::to_string(h.Width) + " x " + std::to_string(h.Height));
  }
  if (h.Bits != 4 && h.Bits != 8 && h.Bits != 24) {
    return Refuse(error, "unsupported " + std::to_string(h.Bits) + " bits per pixel");
  }
  if (h.Compression != 0) return Refuse(error, "compressed bitmaps are not supported");
  if (h.Bits <= 8 && h.ColoursUsed > (uint64_t{1} << h.Bits)) {
    return Refuse(error, "colour table of " + std::to_string(h.ColoursUsed) + " entries for a " +
                             std::to_string(h.Bits) + "-bit image");
  }
  return true;
}

bool DecodePixels(std::span<const uint8_t> d, uint64_t at, const TBmpInfo& h, TBitmap& out, std::string& error) {
  const auto width = static_cast<int>(h.Width);
  const auto height = static_cast<int>(std::llabs(h.Height));
  const uint64_t stride = ((static_cast<uint64_t>(width) * h.Bits + 31) / 32) * 4;
  if (at > d.size() || stride * height > d.size() - at) {
    return Refuse(error, "truncated bitmap: " + std::to_string(stride * height) + " bytes of pixels needed, " +
                             std::to_string(at > d.size() ? 0 : d.size() - at) + " present");
  }
  const size_t perPixel = h.Bits == 24 ? 3 : 1;
  out.Pixels.assign(static_cast<size_t>(width) * height * perPixel, 0);
  const size_t colours = out.Colours.size();
  for (int y = 0; y < height; ++y) {
    const int stored = h.Height > 0 ? height - 1 - y : y;
    const uint8_t* row = d.data() + at + stride * stored;
    uint8_t* dst = out.Pixels.data() + static_cast<size_t>(y) * width * perPixel;
    for (int x = 0; x < width; ++x) {
      if (h.Bits == 24) {
        dst[3 * x] = row[3 * x + 2];
        dst[3 * x + 1] = row[3 * x + 1];
        dst[3 * x + 2] = row[3 * x];
        continue;
      }
      const uint8_t index = h.Bits == 8 ? row[x] : ((x & 1) ? row[x / 2] & 15 : row[x / 2] >> 4);
      if (index >= colours) {
        return Refuse(error, "pixel index " + std::to_string(index) + " at (" + std::to_string(x) + ", " +
                                 std::to_string(y) + ") lies past the colour table of " + std::to_string(colours) +
                                 " entries");
      }
      dst[x] = index;
    }
  }
  return true;
}

// The info header at `base`, its colour table and the pixels at `pixelOffset` (when not given:
// right after the colour table).
bool DecodeDib(std::span<const uint8_t> d, size_t base, std::optional<uint64_t> pixelOffset, TBitmap& out,
               std::string& error) {
  const std::optional<TBmpInfo> info = ReadBmpInfo(d, base);
  if (!info) return Refuse(error, "truncated bitmap header");
  const TBmpInfo& h = *info;
  if (!CheckHeader(h, error)) return false;
  const uint64_t tableAt = base + h.HeaderSize;
  const uint64_t entries = BmpTableEntries(h);
  if (tableAt > d.size() || entries * 4 > d.size() - tableAt) return Refuse(error, "truncated colour table");
  out = TBitmap{};
  out.Width = static_cast<int>(h.Width);
  out.Height = static_cast<int>(std::llabs(h.Height));
  out.BitsPerPixel = h.Bits;
  if (h.Bits <= 8) {
    out.Colours.resize(entries);
    for (uint64_t i = 0; i < entries; ++i) {
      const uint8_t* e = d.data() + tableAt + 4 * i;
      out.Colours[i] = {e[0], e[1], e[2], e[3]};
    }
  }
  return DecodePixels(d, pixelOffset.value_or(tableAt + entries * 4), h, out, error);
}

}  // namespace

std::optional<TBmpInfo> ReadBmpInfo(std::span<const uint8_t> d, size_t at) {
  if (at > d.size() || d.size() - at < BmpInfoHeaderSize) return std::nullopt;
  TBmpInfo info;
  info.HeaderSize = ReadLe32(d, at);
  info.Width = static_cast<int32_t>(ReadLe32(d, at + 4));
  info.Height = static_cast<int32_t>(ReadLe32(d, at + 8));
  info.Bits = ReadLe16(d, at + 14);
  info.Compression = ReadLe32(d, at + 16);
  info.ColoursUsed = ReadLe32(d, at + 32);
  return info;
}

uint64_t BmpTableEntries(const TBmpInfo& info) {
  if (info.Bits <= 8 && info.ColoursUsed == 0) return uint64_t{1} << info.Bits;
  return info.ColoursUsed;
}

bool DecodeBitmapFile(std::span<const uint8_t> data, TBitmap& out, std::string& error) {
  if (data.size() < BmpFileHeaderSize) return Refuse(error, "truncated bitmap file header");
  if (data[0] != 'B' || data[1] != 'M') return Refuse(error, "not a bitmap file (no BM signature)");
  const uint64_t pixelOffset = ReadLe32(data, 10);
  if (pixelOffset < BmpFileHeaderSize + BmpInfoHeaderSize || pixelOffset > data.size()) {
    return Refuse(error, "pixel data offset " + std::to_string(pixelOffset) + " lies outside the file");
  }
  return DecodeDib(data, BmpFileHeaderSize, pixelOffset, out, error);
}

bool DecodeBitmapResource(std::span<const uint8_t> data, TBitmap& out, std::string& error) {
  return DecodeDib(data, 0, std::nullopt, out, error);
}
