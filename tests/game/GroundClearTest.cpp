// The clear under the ground: what it leaves is exactly what covering places' diamonds hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "game/GroundClear.h"
#include "game/StackCover.h"

namespace {

constexpr uint16_t Stale = 0xA5A5;

// Whether screen pixel (x, y) lies in the diamond of a place centred at c, at most `reach` rows
// from its centre.
bool InDiamond(TPoint c, int x, int y, int reach) {
  const int d = std::abs(y - c.Y);
  if (d > reach) return false;
  const int half = GroundHalfWidth(d);
  return x >= c.X - half && x < c.X + half;
}

// Rows laid as the render pass lays them: 14 pixels apart, every other one half a place right.
std::vector<TGroundRow> View(int rows, TPoint offset, std::mt19937& rng, int openInTen) {
  std::vector<TGroundRow> view(static_cast<size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    view[r].Centre = {(r % 2 ? -30 : -60) - offset.X, 14 * r - 16 - offset.Y};  // row 0 may start below the top
    for (int j = 0; j < 17; ++j) {
      if (static_cast<int>(rng() % 10) >= openInTen) view[r].Covers |= uint64_t{1} << j;
    }
  }
  return view;
}

// Between the first row's centres and the last's, every pixel no covering diamond holds is
// cleared and every other kept, but for the two-pixel tips where four diamonds meet (one of them
// may not cover); above and below, all is cleared.
TEST(GroundClear, ClearsWhatNoCoveringDiamondHoldsAndKeepsTheRest) {
  std::mt19937 rng(17);
  for (int round = 0; round < 12; ++round) {
    TDDSurface surface(800, 600, PixelKind565, 0, 64);
    const int columns = 17;
    const auto view = View(49, {static_cast<int>(rng() % 120) - 60, static_cast<int>(rng() % 56) - 28}, rng,
                           round % 4 == 0 ? 0 : static_cast<int>(round % 4) * 3);
    for (int y = 0; y < 600; ++y)
      std::fill_n(surface.WritePixels(0, surface.Height()) + y * (surface.Pitch() / 2), 800, Stale);
    TGroundClear().Clear(surface, view, columns);
    const auto heldBy = [&](int x, int y, int reach) {
      const int top = view.front().Centre.Y;
      if (y < top || y >= view.back().Centre.Y) return false;
      const size_t near = static_cast<size_t>((y - top) / 14);
      for (size_t r = near > 0 ? near - 1 : 0; r < std::min(view.size(), near + 3); ++r) {
        const TGroundRow& row = view[r];
        for (int j = 0; j < columns; ++j) {
          if (((row.Covers >> j) & 1) != 0 && InDiamond({row.Centre.X + 60 * j, row.Centre.Y}, x, y, reach))
            return true;
        }
      }
      return false;
    };
    for (int y = 0; y < 600; ++y) {
      for (int x = 0; x < 800; ++x) {
        const uint16_t p = surface.Pixels()[y * (surface.Pitch() / 2) + x];
        if (!heldBy(x, y, GroundHalfRows)) {
          ASSERT_EQ(p, 0) << "round " << round << " at " << x << "," << y;
        } else if (heldBy(x, y, GroundHalfRows - 1)) {
          ASSERT_EQ(p, Stale) << "round " << round << " at " << x << "," << y;
        }
      }
    }
  }
}

// One clear kept across frames: views that repeat, change their covering places or their
// offset, and surfaces of other measures, each cleared as a fresh clear would; under a window
// of rows and columns, just as much of it, and nothing outside.
TEST(GroundClear, AClearKeptFromFrameToFrameClearsAsAFreshOne) {
  std::mt19937 rng(5);
  TGroundClear kept;
  std::vector<TGroundRow> view;
  for (int frame = 0; frame < 24; ++frame) {
    if (frame % 3 != 2) view = View(41, {frame % 5 * 7, frame % 2 * 9}, rng, frame % 4 * 3);
    if (frame % 6 == 1) view[frame % 41].Covers ^= 1;
    const int width = frame % 8 < 4 ? 640 : 800, height = frame % 8 < 4 ? 480 : 600;
    TDDSurface fresh(width, height, PixelKind565, 0, 64), again(width, height, PixelKind565, 0, frame / 3 % 2 * 64);
    for (TDDSurface* s : {&fresh, &again}) {
      for (int y = 0; y < height; ++y) std::fill_n(s->WritePixels(0, s->Height()) + y * (s->Pitch() / 2), width, Stale);
    }
    TGroundClear().Clear(fresh, view, 15);
    const TRect window = frame % 2 == 0
                             ? TRect{0, 0, width, height}
                             : TRect{static_cast<int>(rng() % 300), static_cast<int>(rng() % 200),
                                     300 + static_cast<int>(rng() % 300), 200 + static_cast<int>(rng() % 200)};
    again.SetWindow(window.Top, window.Bottom, window.Left, window.Right);
    kept.Clear(again, view, 15);
    again.ClearWindow();
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const bool in = x >= window.Left && x < window.Right && y >= window.Top && y < window.Bottom;
        ASSERT_EQ(again.Pixels()[y * (again.Pitch() / 2) + x], in ? fresh.Pixels()[y * (fresh.Pitch() / 2) + x] : Stale)
            << "frame " << frame << " at " << x << "," << y;
      }
    }
  }
}

TEST(GroundClear, RowsNotLaidAsTheViewOrABusySurfaceAreClearedWhole) {
  std::mt19937 rng(3);
  auto view = View(41, {0, 0}, rng, 0);
  view[7].Centre.Y += 1;
  TDDSurface surface(640, 480, PixelKind565);
  std::fill_n(surface.WritePixels(0, surface.Height()), 640 * 480, Stale);
  TGroundClear().Clear(surface, view, 15);
  EXPECT_EQ(std::count(surface.Pixels(), surface.Pixels() + 640 * 480, Stale), 0);

  view[7].Centre.Y -= 1;
  std::fill_n(surface.WritePixels(0, surface.Height()), 640 * 480, Stale);
  TSurfaceDC* dc = nullptr;
  ASSERT_EQ(surface.GetDC(&dc), DD_OK);
  TGroundClear().Clear(surface, view, 15);  // a held context: the whole clear, which waits on it
  surface.ReleaseDC(dc);
  EXPECT_EQ(std::count(surface.Pixels(), surface.Pixels() + 640 * 480, Stale), 640 * 480);
  TGroundClear().Clear(surface, view, 15);
  EXPECT_GT(std::count(surface.Pixels(), surface.Pixels() + 640 * 480, Stale), 600 * 400);
}

}  // namespace
