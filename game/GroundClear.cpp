// The clear under the view's ground: per screen row, only the spans no covering diamond holds.
#include "game/GroundClear.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "game/StackCover.h"
#include "gfx/DDUtils.h"

namespace {

bool LaidAsView(const std::vector<TGroundRow>& rows) {
  if (rows.size() < 2) return false;
  for (size_t i = 1; i < rows.size(); ++i) {
    const TPoint step{rows[i].Centre.X - rows[i - 1].Centre.X, rows[i].Centre.Y - rows[i - 1].Centre.Y};
    if (step.Y != GroundRowPixels || std::abs(step.X) != GroundPlacePixels / 2) return false;
  }
  return true;
}

// The band between the centres of two neighbouring rows, its places in screen order: the left
// row's place j is number 2 j, the right row's 2 j + 1; bit n of Open: place n does not cover.
struct TBand {
  const TGroundRow* Left;
  const TGroundRow* Right;
  uint64_t Open = 0;
  TBand(const TGroundRow& a, const TGroundRow& b, int columns)
      : Left(a.Centre.X < b.Centre.X ? &a : &b), Right(a.Centre.X < b.Centre.X ? &b : &a) {
    for (int j = 0; j < columns; ++j) {
      Open |= ((~Left->Covers >> j) & 1) << (2 * j);
      Open |= ((~Right->Covers >> j) & 1) << (2 * j + 1);
    }
  }
};

}  // namespace

void TGroundClear::Clear(TDDSurface& surface, const std::vector<TGroundRow>& rows, int columns) {
  if (!surface.Quiet() || columns < 1 || columns > 32 || !LaidAsView(rows)) {
    ClearSurface(&surface, 0);
    return;
  }
  if (rows != FRows || columns != FColumns || surface.Width() != FWidth || surface.Height() != FHeight ||
      surface.Pitch() != FPitch) {
    WorkOut(surface, rows, columns);
  }
  // The spans lie in row order: those of the window's rows are one stretch of them.
  const int from = surface.RowsFrom(), to = surface.RowsTo();
  const size_t stride = static_cast<size_t>(FPitch / 2);
  const auto before = [](size_t at) { return [at](const TSpan& s) { return s.At < at; }; };
  const auto first = std::partition_point(FSpans.begin(), FSpans.end(), before(from * stride));
  const auto end = std::partition_point(first, FSpans.end(), before(to * stride));
  uint16_t* pixels = surface.WritePixels(from, to);
  const auto left = static_cast<size_t>(surface.ColumnsFrom()), right = static_cast<size_t>(surface.ColumnsTo());
  if (left == 0 && right == static_cast<size_t>(FWidth)) {
    for (auto span = first; span != end; ++span) std::memset(pixels + span->At, 0, span->Pixels * 2);
    return;
  }
  for (auto span = first; span != end; ++span) {
    const size_t column = span->At % stride;
    const size_t x0 = std::max(column, left), x1 = std::min(column + span->Pixels, right);
    if (x0 < x1) std::memset(pixels + (span->At - column + x0), 0, (x1 - x0) * 2);
  }
}

void TGroundClear::WorkOut(const TDDSurface& surface, const std::vector<TGroundRow>& rows, int columns) {
  FRows = rows;
  FColumns = columns;
  FWidth = surface.Width();
  FHeight = surface.Height();
  FPitch = surface.Pitch();
  FSpans.clear();
  const int width = FWidth, stride = FPitch / 2;
  const auto clear = [&](int y, int from, int to) {
    from = std::max(from, 0);
    to = std::min(to, width);
    if (from < to) FSpans.push_back({static_cast<size_t>(y) * stride + from, static_cast<size_t>(to - from)});
  };
  const int top = rows.front().Centre.Y, bottom = rows.back().Centre.Y;
  size_t bandIndex = rows.size();
  TBand band(rows[0], rows[1], columns);
  for (int y = 0; y < FHeight; ++y) {
    // Above the first row's centres and below the last's, no row pair holds the picture.
    if (y < top || y >= bottom) {
      clear(y, 0, width);
      continue;
    }
    const size_t i = static_cast<size_t>(y - top) / GroundRowPixels;
    const int d = (y - top) % GroundRowPixels;
    if (i != bandIndex) {
      band = TBand(rows[i], rows[i + 1], columns);
      bandIndex = i;
    }
    // Each row's diamonds d and GroundRowPixels - d rows from their centres: neighbours in
    // screen order meet or overlap, so only the ends and the places that do not cover are open,
    // less what their covering neighbours hold.
    const int upper = GroundHalfWidth(d), lower = GroundHalfWidth(GroundRowPixels - d);
    const bool leftIsUpper = band.Left == &rows[i];
    const auto centre = [&](int n) {
      return ((n & 1) != 0 ? band.Right : band.Left)->Centre.X + (n / 2) * GroundPlacePixels;
    };
    const auto half = [&](int n) { return ((n & 1) != 0) == leftIsUpper ? lower : upper; };
    const int places = 2 * columns;
    clear(y, 0, centre(0) - half(0));
    clear(y, centre(places - 1) + half(places - 1), width);
    for (uint64_t open = band.Open; open != 0;) {
      const int first = std::countr_zero(open);
      const int end = first + std::countr_one(open >> first);  // one past the run's last place
      open &= end >= 64 ? 0 : ~uint64_t{0} << end;
      int from = centre(first) - half(first), to = centre(end - 1) + half(end - 1);
      if (first > 0) from = std::max(from, centre(first - 1) + half(first - 1));
      if (end < places) to = std::min(to, centre(end) - half(end));
      clear(y, from, to);
    }
  }
}
