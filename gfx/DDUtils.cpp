// PLACEHOLDER until the bitmap loader lands.
#include "gfx/DDUtils.h"

void LoadBitmapSurface(const std::string&, int, int, bool, int, std::unique_ptr<TDDSurface>&) {}
void ReloadBitmapSurface(TDDSurface*, const std::string&) {}
TPalette LoadPaletteFromBitmap(const std::string&) { return {}; }
void ClearSurface(TDDSurface*, uint16_t) {}
