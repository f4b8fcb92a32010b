// Loading the image sheets and a palette from the program's resources or BMP files.
#include "gfx/DDUtils.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "core/Log.h"
#include "gfx/PixelFormat.h"
#include "gfx/SurfaceRetry.h"
#include "res/Resources.h"
#include "util/Printable.h"

namespace {

// A refusal is told once per source, however often the sheets are reloaded.
void ReportRefusal(const std::string& source, const std::string& why) {
  LogWarningOnce("bitmap " + source + " refused: " + why);
}

std::optional<TBitmap> FromResource(const std::string& name) {
  auto data = FindResource(name, RT_BITMAP);
  if (!data) return std::nullopt;
  TBitmap bitmap;
  std::string error;
  if (DecodeBitmapResource(*data, bitmap, error)) return bitmap;
  ReportRefusal("resource " + name, error);
  return std::nullopt;
}

std::optional<TBitmap> FromFile(const std::string& fileName) {
  auto path = FindLooseFile("", fileName);
  if (!path) return std::nullopt;
  std::string error;
  try {
    const TFileRead file = ReadWholeFile(*path, MaxBitmapFileBytes);
    TBitmap bitmap;
    if (!file.Bytes) {
      error = file.Why;
    } else if (DecodeBitmapFile(*file.Bytes, bitmap, error)) {
      return bitmap;
    }
  } catch (const std::exception& e) {
    error = e.what();
  }
  ReportRefusal(PrintablePath(*path), error);
  return std::nullopt;
}

// Resource, then name.BMP, then (when allowed) name.DAT.
std::optional<TBitmap> FindBitmap(const std::string& name, bool tryDat) {
  if (auto b = FromResource(name)) return b;
  if (auto b = FromFile(name + ".BMP")) return b;
  if (tryDat) return FromFile(name + ".DAT");
  return std::nullopt;
}

// The palette entries a header describes: none above 8 bits per pixel; at most 256.
size_t PaletteColours(const TBmpInfo& info) {
  return info.Bits > 8 ? 0 : static_cast<size_t>(std::min<uint64_t>(BmpTableEntries(info), 256));
}

TPalette Ramp() {
  TPalette p;
  for (int i = 0; i < 256; ++i) {
    p[i] = {static_cast<uint8_t>(((i >> 5) & 7) * 255 / 7), static_cast<uint8_t>(((i >> 2) & 7) * 255 / 7),
            static_cast<uint8_t>((i & 3) * 255 / 3), 0};
  }
  return p;
}

}  // namespace

uint16_t OpaquePixel(int pixelKind, uint8_t red, uint8_t green, uint8_t blue) {
  const uint16_t p = PackRgb(pixelKind, red, green, blue);
  if (p != 0) return p;
  // The smallest step of each component, and the colour it stands for.
  struct TStep {
    uint16_t Pixel;
    int R, G, B;
  };
  const int greenStep = pixelKind == PixelKind555 ? 8 : 4;
  const TStep steps[3] = {{PackRgb(pixelKind, 8, 0, 0), 8, 0, 0},
                          {static_cast<uint16_t>(1 << 5), 0, greenStep, 0},
                          {PackRgb(pixelKind, 0, 0, 8), 0, 0, 8}};
  const TStep* best = &steps[0];
  int bestDistance = 1 << 30;
  for (const TStep& s : steps) {
    const int d = (s.R - red) * (s.R - red) + (s.G - green) * (s.G - green) + (s.B - blue) * (s.B - blue);
    if (d < bestDistance) {
      bestDistance = d;
      best = &s;
    }
  }
  return best->Pixel;
}

void CopyBitmapToSurface(TDDSurface* surface, const TBitmap& bitmap) {
  if (surface == nullptr || bitmap.Width <= 0 || bitmap.Height <= 0) return;
  surface->Restore();
  TSurfaceDC* dc = nullptr;
  if (surface->GetDC(&dc) != DD_OK || dc == nullptr) return;
  uint16_t lookup[256] = {};
  for (size_t i = 1; i < bitmap.Colours.size() && i < 256; ++i) {
    const TBmpColour& c = bitmap.Colours[i];
    lookup[i] = OpaquePixel(dc->PixelKind, c.Red, c.Green, c.Blue);
  }
  const int64_t sw = dc->Width;
  const int64_t sh = dc->Height;
  for (int64_t y = 0; y < sh; ++y) {
    const size_t by = static_cast<size_t>(y * bitmap.Height / sh);
    auto* row = reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(dc->Pixels) + y * dc->Pitch);
    for (int64_t x = 0; x < sw; ++x) {
      const size_t at = by * bitmap.Width + static_cast<size_t>(x * bitmap.Width / sw);
      if (bitmap.BitsPerPixel == 24) {
        const uint8_t* c = &bitmap.Pixels[3 * at];
        row[x] = (c[0] | c[1] | c[2]) == 0 ? 0 : OpaquePixel(dc->PixelKind, c[0], c[1], c[2]);
      } else {
        row[x] = lookup[bitmap.Pixels[at]];
      }
    }
  }
  surface->ReleaseDC(dc);
  if (surface->HasColorKey()) surface->PrepareKeyRuns();
}

void LoadBitmapSurface(const std::string& name, int dx, int dy, bool /*systemMemory: always*/, int pixelKind,
                       std::unique_ptr<TDDSurface>& surface) {
  if (name.empty()) {
    surface =
        std::make_unique<TDDSurface>(std::clamp(dx, 0, MaxBitmapSide), std::clamp(dy, 0, MaxBitmapSide), pixelKind);
    return;
  }
  const auto bitmap = FindBitmap(name, true);
  if (!bitmap) return;
  const int width = dx > 0 ? std::min(dx, MaxBitmapSide) : bitmap->Width;
  const int height = dy > 0 ? std::min(dy, MaxBitmapSide) : bitmap->Height;
  surface.reset();
  surface = std::make_unique<TDDSurface>(width, height, pixelKind);
  CopyBitmapToSurface(surface.get(), *bitmap);
}

void ReloadBitmapSurface(TDDSurface* surface, const std::string& name) {
  if (surface == nullptr) return;
  if (const auto bitmap = FindBitmap(name, false)) CopyBitmapToSurface(surface, *bitmap);
}

TPalette LoadPaletteFromBitmap(const std::string& name) {
  TPalette palette = Ramp();
  if (name.empty()) return palette;
  if (auto res = FindResource(name, RT_BITMAP)) {
    const std::span<const uint8_t> d = *res;
    // The table is taken from right after 40 bytes whatever the header size says.
    const std::optional<TBmpInfo> info = ReadBmpInfo(d, 0);
    const size_t n = info && info->HeaderSize >= BmpInfoHeaderSize ? PaletteColours(*info) : 0;
    for (size_t i = 0; i < n && BmpInfoHeaderSize + 4 * i + 4 <= d.size(); ++i) {
      const uint8_t* e = d.data() + BmpInfoHeaderSize + 4 * i;
      palette[i] = {e[2], e[1], e[0], 0};
    }
    return palette;
  }
  const std::string fileName = name + ".BMP";
  TFileRead file;
  if (auto path = FindLooseFile("", fileName)) {
    try {
      file = ReadWholeFile(*path, MaxBitmapFileBytes);
    } catch (const std::exception& e) {
      file = {std::nullopt, e.what()};  // too large, or a read that failed part way
    }
  }
  if (!file.Bytes)
    throw std::runtime_error("Cannot open file " + PrintablePath(fileName) + (file.Why.empty() ? "" : ": " + file.Why));
  const std::span<const uint8_t> d = *file.Bytes;
  // 14 bytes of file header, 40 of info header, then 1024 bytes straight into the entries; the
  // entries the file does not reach keep the ramp.
  const std::optional<TBmpInfo> info = ReadBmpInfo(d, BmpFileHeaderSize);
  const size_t n = info && info->HeaderSize == BmpInfoHeaderSize ? PaletteColours(*info) : 0;
  const size_t table = BmpFileHeaderSize + BmpInfoHeaderSize;
  for (size_t i = 0; i < 256; ++i) {
    TPaletteEntry& p = palette[i];
    uint8_t e[4] = {p.Red, p.Green, p.Blue, p.Flags};
    for (size_t b = 0; b < 4; ++b) {
      if (table + 4 * i + b < d.size()) e[b] = d[table + 4 * i + b];
    }
    if (i < n && table + 4 * i + 2 < d.size()) std::swap(e[0], e[2]);
    p = {e[0], e[1], e[2], e[3]};
  }
  return palette;
}

void ClearSurface(TDDSurface* surface, uint16_t colour) {
  if (surface == nullptr) return;
  const int from = surface->RowsFrom(), to = surface->RowsTo();
  const int left = surface->ColumnsFrom(), right = surface->ColumnsTo();
  const TRect window{left, from, right, to};
  if (surface->BltFill(&window, colour) == DD_OK) return;
  // The fallback writes 0 whatever colour was asked for.
  DDSURFACEDESC desc;
  if (RetryOnDisplay([&] { return surface->Lock(&desc, DDLOCK_WAIT, from, to); }) != DD_OK) return;
  auto* pixels = static_cast<uint8_t*>(desc.lpSurface);
  if (left == 0 && right == surface->Width()) {  // whole rows, padding too: one run
    std::memset(pixels + static_cast<ptrdiff_t>(from) * desc.lPitch, 0, static_cast<size_t>(desc.lPitch) * (to - from));
  } else {
    for (int y = from; y < to; ++y)
      std::memset(pixels + static_cast<ptrdiff_t>(y) * desc.lPitch + left * 2, 0,
                  static_cast<size_t>(right - left) * 2);
  }
  surface->Unlock();
}
