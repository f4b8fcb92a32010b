// Loading the image sheets (and a palette) from resources or BMP files into surfaces.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "host/DDraw.h"

struct TPaletteEntry {
  uint8_t Red = 0, Green = 0, Blue = 0, Flags = 0;
};
using TPalette = std::array<TPaletteEntry, 256>;

// Resource `name`, then file name + ".BMP", then name + ".DAT"; not found or refused: surface
// untouched (a refusal is reported on standard error). An empty name makes a dx x dy surface.
void LoadBitmapSurface(const std::string& name, int dx, int dy, bool systemMemory, int pixelKind,
                       std::unique_ptr<TDDSurface>& surface);
// Resource, then name + ".BMP"; nothing found: the surface keeps its contents.
void ReloadBitmapSurface(TDDSurface* surface, const std::string& name);
// The 256 entries from the bitmap's colour table; the 3-3-2 ramp where it has none.
// Throws std::runtime_error("Cannot open file <name>.BMP") when neither exists.
TPalette LoadPaletteFromBitmap(const std::string& name);
void ClearSurface(TDDSurface* surface, uint16_t colour);
