// libFuzzer target: the BMP decoder in file and resource form, the copy into a surface, and
// the palette rules over the same bytes as a resource and as a file.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/DDUtils.h"
#include "res/Resources.h"
#include "util/ScratchPath.h"

namespace {

// A private directory for the palette's file path, the working directory from the first run.
struct TWorkDir : TScratchDirectory {
  TWorkDir() : TScratchDirectory("corvina-bmpfuzz") { std::filesystem::current_path(Path); }
};
const std::filesystem::path& WorkDir() {
  static const TWorkDir dir;
  return dir.Path;
}

void Decode(std::span<const uint8_t> bytes, bool file) {
  TBitmap bitmap;
  std::string error;
  const bool ok = file ? DecodeBitmapFile(bytes, bitmap, error) : DecodeBitmapResource(bytes, bitmap, error);
  if (!ok) return;
  const size_t per = bitmap.BitsPerPixel == 24 ? 3 : 1;
  if (bitmap.Pixels.size() != static_cast<size_t>(bitmap.Width) * bitmap.Height * per) __builtin_trap();
  TDDSurface surface(bitmap.Width % 97 + 1, bitmap.Height % 89 + 1, PixelKind565);
  CopyBitmapToSurface(&surface, bitmap);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WorkDir();
  const std::span<const uint8_t> bytes(data, size);
  Decode(bytes, true);
  Decode(bytes, false);

  SetResourceTableForTesting(std::vector<TResource>{{"FUZZ", RT_BITMAP, bytes}});
  LoadPaletteFromBitmap("Fuzz");
  SetResourceTableForTesting(std::vector<TResource>{});
  {
    std::ofstream("Fuzz.BMP", std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  try {
    LoadPaletteFromBitmap("Fuzz");
  } catch (const std::runtime_error&) {
  }
  return 0;
}
