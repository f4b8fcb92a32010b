// The generator's products as byte images, made in memory: the same bytes on every call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mkassets/IndexedImage.h"
#include "tools/mkassets/Palette.h"

struct TGeneratedAssets {
  std::vector<uint8_t> Lumo1;  // terrain sheet as a BMP file (14-byte file header + bitmap)
  std::vector<uint8_t> Lumo2;  // character sheet as a BMP file
  std::vector<uint8_t> Map;    // 50000 bytes
  std::vector<uint8_t> Walk;   // 1450-byte RIFF WAVE
  std::vector<uint8_t> Icon;   // the window's icon: WindowIconSize squared pixels of RGBA
};

TGeneratedAssets MakeAssets();

// The names the files are written under.
constexpr const char* kLumo1File = "Lumo1.BMP";
constexpr const char* kLumo2File = "Lumo2.BMP";
constexpr const char* kMapFile = "MAP.DAT";
constexpr const char* kWalkFile = "Walk.Wav";
constexpr const char* kIconFile = "Icon.rgba";

// An indexed picture as RGB24, each pixel repeated `scale` times in both directions.
std::vector<uint8_t> ToRgb(const TIndexedImage& image, const Palette& palette, int scale);
