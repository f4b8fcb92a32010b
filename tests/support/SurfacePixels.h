// What a surface shows: its rows without the pitch's padding or the guard beside them.
#pragma once

#include <cstdint>
#include <vector>

#include "ddraw/DDraw.h"

inline std::vector<uint16_t> VisiblePixels(const TDDSurface& s) {
  std::vector<uint16_t> out;
  out.reserve(static_cast<size_t>(s.Width()) * s.Height());
  for (int y = 0; y < s.Height(); ++y) {
    const uint16_t* row = s.Pixels() + static_cast<size_t>(y) * (s.Pitch() / 2);
    out.insert(out.end(), row, row + s.Width());
  }
  return out;
}
