// Loading the image sheets (and a palette) from resources or BMP files into surfaces.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "ddraw/DDraw.h"
#include "gfx/Bitmap.h"

struct TPaletteEntry {
  uint8_t Red = 0, Green = 0, Blue = 0, Flags = 0;
};
using TPalette = std::array<TPaletteEntry, 256>;

// Largest bitmap file read (bytes); a bigger one is refused unread.
constexpr size_t MaxBitmapFileBytes = size_t{64} << 20;

// Stretches the bitmap over the whole surface (nearest pixel) through its device context,
// converting colours to the surface's format: index 0 (or 24-bit black) becomes the
// transparent 0, any other colour a non-zero pixel. Restores the surface first.
void CopyBitmapToSurface(TDDSurface* surface, const TBitmap& bitmap);
// The 16-bit pixel for an 8-bit colour in a surface format; never 0 (the nearest non-zero
// pixel stands in for a colour too dark for the format).
uint16_t OpaquePixel(int pixelKind, uint8_t red, uint8_t green, uint8_t blue);

// Resource `name`, then file name + ".BMP", then name + ".DAT"; not found or refused: surface
// untouched (a refusal is reported on standard error). An empty name makes a dx x dy surface.
void LoadBitmapSurface(const std::string& name, int dx, int dy, bool systemMemory, int pixelKind,
                       std::unique_ptr<TDDSurface>& surface);
// Resource, then name + ".BMP"; nothing found: the surface keeps its contents.
void ReloadBitmapSurface(TDDSurface* surface, const std::string& name);
// The 256 entries from the bitmap's colour table; the 3-3-2 ramp where it has none.
// Throws std::runtime_error("Cannot open file <name>.BMP") when neither can be read, followed by
// why for a file that is there ("…: is a directory", "…: Permission denied").
TPalette LoadPaletteFromBitmap(const std::string& name);
// Fills the surface's window (all of it when none is set) with colour.
void ClearSurface(TDDSurface* surface, uint16_t colour);
