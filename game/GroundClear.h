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
  bool operator==(const TGroundRow&) const = default;
};
constexpr int GroundPlacePixels = 60;
constexpr int GroundRowPixels = 14;

// The clear under a view drawn frame after frame. The spans worked out for one view are kept, and a
// view laid as the one before onto a surface of the same measures is cleared through them.
class TGroundClear {
 public:
  // Sets to 0 every pixel of the surface's picture that no covering place's diamond holds, as a
  // whole clear would have, given rows of `columns` places (at most 32) GroundRowPixels apart,
  // each shifted half a place against the one before, as the render pass lays its view. Rows
  // laid otherwise, or a surface that is not quiet, get the whole clear. Only the surface's
  // window is cleared.
  void Clear(TDDSurface& surface, const std::vector<TGroundRow>& rows, int columns);

 private:
  struct TSpan {
    size_t At;      // first pixel, from the surface's pixel (0, 0)
    size_t Pixels;  // how many
  };
  void WorkOut(const TDDSurface& surface, const std::vector<TGroundRow>& rows, int columns);

  // What the spans were worked out for.
  std::vector<TGroundRow> FRows;
  int FColumns = 0;
  int FWidth = 0;
  int FHeight = 0;
  int FPitch = 0;  // bytes
  std::vector<TSpan> FSpans;
};
