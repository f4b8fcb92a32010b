// What stays in view of a picture whose sides others cover: one span of columns per row.
#pragma once

#include <algorithm>
#include <compare>
#include <cstdint>
#include <vector>

// Columns [First, End) of one picture row, counted from the picture's left.
struct TColumnSpan {
  int32_t First = 0;
  int32_t End = 0;
  auto operator<=>(const TColumnSpan&) const = default;
};

// A picture drawn only within one span of columns per row: what stays in view of a picture
// whose sides others cover. Each cut made gets an Id of its own, which names it wherever
// pictures are kept, so a cut never changes; the default one, Id 0, cuts nothing.
class TPictureCut {
 public:
  TPictureCut() = default;
  explicit TPictureCut(std::vector<TColumnSpan> rows);

  uint32_t Id() const { return FId; }
  // The columns of row `row` of a picture `width` wide that are drawn; a row the cut does
  // not list is drawn whole.
  TColumnSpan Row(int row, int width) const {
    width = std::max(width, 0);
    if (row < 0 || static_cast<size_t>(row) >= FRows.size()) return {0, width};
    const TColumnSpan& s = FRows[static_cast<size_t>(row)];
    return {std::clamp(s.First, 0, width), std::clamp(s.End, 0, width)};
  }

 private:
  uint32_t FId = 0;
  std::vector<TColumnSpan> FRows;
};
inline const TPictureCut NoCut{};
