// Puts the sheets, the map, the footstep and the window's icon together.
#include "tools/mkassets/Assets.h"

#include "tools/mkassets/BmpWriter.h"
#include "tools/mkassets/CharacterSheet.h"
#include "tools/mkassets/Footstep.h"
#include "tools/mkassets/Icon.h"
#include "tools/mkassets/TerrainSheet.h"
#include "tools/mkassets/VillageMap.h"

TGeneratedAssets MakeAssets() {
  const Palette palette = BuildPalette();
  TGeneratedAssets a;
  a.Lumo1 = EncodeBmpFile(EncodeDib(PaintTerrainSheet(), palette));
  a.Lumo2 = EncodeBmpFile(EncodeDib(PaintCharacterSheet(), palette));
  a.Map = MakeVillageMap();
  a.Walk = EncodeFootstepWave(FootstepSamples());
  a.Icon = PaintIcon(WindowIconSize).Pixels;
  return a;
}

std::vector<uint8_t> ToRgb(const TIndexedImage& image, const Palette& palette, int scale) {
  std::vector<uint8_t> rgb;
  rgb.reserve(static_cast<size_t>(image.Width * image.Height * scale * scale * 3));
  for (int y = 0; y < image.Height * scale; ++y)
    for (int x = 0; x < image.Width * scale; ++x) {
      const TRgb c = palette[image.At(x / scale, y / scale)];
      rgb.insert(rgb.end(), {c.R, c.G, c.B});
    }
  return rgb;
}
