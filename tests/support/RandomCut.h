// Random cuts of pictures, for drawing only part of each row.
#pragma once

#include <random>
#include <utility>
#include <vector>

#include "blit/KeyPicture.h"

// A cut of a picture h rows high and w wide: spans that may be empty, reach past either side or
// be given the wrong way round, and sometimes fewer rows than the picture has.
inline TPictureCut RandomCut(std::mt19937& rng, int w, int h) {
  std::vector<TColumnSpan> rows(static_cast<size_t>(rng() % 4 == 0 ? rng() % (h + 1) : h));
  for (TColumnSpan& s : rows) {
    s.First = static_cast<int>(rng() % (w + 10)) - 5;
    s.End = static_cast<int>(rng() % (w + 10)) - 5;
  }
  return TPictureCut(std::move(rows));
}
