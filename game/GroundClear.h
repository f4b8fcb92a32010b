// The back buffer cleared at the start of a frame only where the terrain will not cover it: the
// ground diamonds of the view's places tile the picture, and under a place whose lowest block
// draws its whole diamond there is nothing to clear.
#pragma once

#include <cstdint>
#include <vector>

#include "core/Types.h"
#include "ddraw/DDraw.h"

// One row of the view's places as the clear sees it: the screen centre of its first place's
// ground diamond, its places GroundPlacePixels apart, and which of them cover their diamond.
struct TGroundRow {
  TPoint Centre;
  uint64_t Covers = 0;  // bit j: place j draws its whole diamond
};
constexpr int GroundPlacePixels = 60;
constexpr int GroundRowPixels = 14;

// Sets to 0 every pixel of the surface's picture that no covering place's diamond holds, as a
// whole clear would have, given rows of `columns` places (at most 32) GroundRowPixels apart,
// each shifted half a place against the one before, as the render pass lays its view. Rows
// laid otherwise, or a surface that is not quiet, get the whole clear.
void ClearUncoveredGround(TDDSurface& surface, const std::vector<TGroundRow>& rows, int columns);
