// corvina-mkassets: writes the game's data files, and with --preview PNG views of the sheets.
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "tools/mkassets/Assets.h"
#include "tools/mkassets/CharacterSheet.h"
#include "tools/mkassets/Icon.h"
#include "tools/mkassets/TerrainSheet.h"
#include "util/AtomicFile.h"
#include "util/PngWriter.h"

namespace {

int Usage(FILE* to) {
  std::fputs(
      "usage: corvina-mkassets [--preview] OUTDIR\n"
      "       corvina-mkassets --icons OUTDIR\n"
      "Writes Lumo1.BMP, Lumo2.BMP, MAP.DAT, Walk.Wav and Icon.rgba into OUTDIR;\n"
      "--preview also writes Lumo1.png and Lumo2.png, scaled 2x;\n"
      "--icons writes only the desktop icons, corvina-SIZE.png (48, 64, 128, 256).\n",
      to);
  return to == stdout ? 0 : 2;
}

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::string reason;
  if (!WriteFileAtomically(path, bytes, &reason)) throw std::runtime_error(reason);
}

void WritePreview(const std::filesystem::path& path, const TIndexedImage& sheet) {
  std::string error;
  if (!WritePng(path.string(), sheet.Width * 2, sheet.Height * 2, ToRgb(sheet, BuildPalette(), 2), &error))
    throw std::runtime_error(error);
}

}  // namespace

int main(int argc, char** argv) {
  bool preview = false, icons = false;
  std::string outDir;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--preview") == 0)
      preview = true;
    else if (std::strcmp(argv[i], "--icons") == 0)
      icons = true;
    else if (std::strcmp(argv[i], "--help") == 0)
      return Usage(stdout);
    else if (argv[i][0] == '-' || !outDir.empty())
      return Usage(stderr);
    else
      outDir = argv[i];
  }
  if (outDir.empty()) return Usage(stderr);
  try {
    const std::filesystem::path dir(outDir);
    std::filesystem::create_directories(dir);
    if (icons) {
      for (int size : IconSizes) {
        const TRgbaImage icon = PaintIcon(size);
        WriteFile(dir / ("corvina-" + std::to_string(size) + ".png"), EncodePngRgba(size, size, icon.Pixels));
      }
      return 0;
    }
    const TGeneratedAssets a = MakeAssets();
    WriteFile(dir / kLumo1File, a.Lumo1);
    WriteFile(dir / kLumo2File, a.Lumo2);
    WriteFile(dir / kMapFile, a.Map);
    WriteFile(dir / kWalkFile, a.Walk);
    WriteFile(dir / kIconFile, a.Icon);
    if (preview) {
      WritePreview(dir / "Lumo1.png", PaintTerrainSheet());
      WritePreview(dir / "Lumo2.png", PaintCharacterSheet());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "corvina-mkassets: %s\n", e.what());
    return 1;
  }
  return 0;
}
