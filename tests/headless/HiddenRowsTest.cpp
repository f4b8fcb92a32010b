// Leaving out the parts of terrain blocks that later blocks overwrite, and the clear under the
// ground they cover, must not change a pixel, over rough ground (towers, water, gaps in the fog,
// the map's edge) and from many views.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

#include "game/World.h"
#include "gfx/Display.h"
#include "headless/HeadlessSession.h"
#include "tests/support/SurfacePixels.h"

namespace {

std::vector<uint16_t> DrawnFrame(bool trim) {
  World->FView.FTrimHidden = trim;
  World->DrawWorld();
  return VisiblePixels(*Display->FBackBuffer);
}

// Random kinds and heights in patches, some cells unexplored, some lights off.
void Roughen(TMap& map, std::mt19937& rng) {
  for (int y = 0; y < MapSize; ++y) {
    for (int x = 0; x < MapSize; ++x) {
      TMapCell& c = map.FCells[y][x];
      const uint32_t r = rng();
      if (r % 3 == 0) c.Height = static_cast<uint8_t>(rng() % 12);  // up to two past the editor's 9
      if (r % 5 == 0) c.Kind = static_cast<uint8_t>(rng() % 6);
      c.Explored = rng() % 8 != 0;
    }
  }
}

// check(view, highRes) for 24 views of rough ground at each size: corners and edges of the map
// as well as its middle, the camera up to `reach` pixels off its cell, random lights.
void ForEachRoughView(unsigned seed, TPoint reach, const std::function<void(int, bool)>& check) {
  for (bool highRes : {false, true}) {
    THeadlessConfig config;
    config.HighRes = highRes;
    THeadlessSession session(config);
    session.RunFrame();
    std::mt19937 rng(highRes ? seed + 4 : seed);
    Roughen(*World->FMap, rng);
    World->SetCameraFree(true);
    for (int view = 0; view < 24; ++view) {
      World->FCameraX = static_cast<int>(rng() % 110) - 5;
      World->FCameraY = static_cast<int>(rng() % 110) - 5;
      World->FScrollX = static_cast<int>(rng() % (2 * reach.X)) - reach.X;
      World->FScrollY = static_cast<int>(rng() % (2 * reach.Y)) - reach.Y;
      for (auto& row : World->FMap->FCells) {
        for (TMapCell& c : row) c.Light = static_cast<uint8_t>(rng() % 4 == 0 ? 0 : rng() % 3);
      }
      check(view, highRes);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

TEST(HiddenRows, LeavingThemOutChangesNoPixelOverRoughGroundFromAnyView) {
  ForEachRoughView(7, {30, 14}, [](int view, bool highRes) {
    const auto all = DrawnFrame(false);
    const auto trimmed = DrawnFrame(true);
    ASSERT_EQ(all, trimmed) << "view " << view << (highRes ? " at 800 x 600" : "");
  });
}

// Every pixel the clear leaves is drawn over: a frame drawn over a picture full of stale pixels is
// the frame drawn over black, with the camera as far off its cell as a step takes it.
TEST(HiddenRows, TheClearUnderCoveredGroundLeavesNoStalePixelFromAnyView) {
  int cleared = 0;
  ForEachRoughView(3, {60, 28}, [&](int view, bool highRes) {
    TDDSurface& back = *Display->FBackBuffer;
    const auto drawnOver = [&](uint16_t stale) {
      std::fill_n(back.WritePixels(0, back.Height()) - BackBufferGuard,
                  TDDSurface::StoragePixels(back.Width(), back.Height(), 0, BackBufferGuard), stale);
      World->DrawWorld();
      return VisiblePixels(back);
    };
    const auto overBlack = drawnOver(0);
    ASSERT_EQ(drawnOver(0xA5A5), overBlack) << "view " << view << (highRes ? " at 800 x 600" : "");
    cleared += std::count(overBlack.begin(), overBlack.end(), uint16_t{0}) > 0;
  });
  EXPECT_GT(cleared, 0);
}

// A tile that only counts the rows it is asked to draw, and the opaque pixels of its picture in
// them.
class CountingTile : public TTile {
 public:
  CountingTile(const TTile& t, int& rows, int& pixels) : TTile(t.FSheet, t.FSourceRect), FRows(rows), FPixels(pixels) {}
  void Draw(TFrameList& f, const TPoint& p) override {
    DrawRows(f, p, 0, FSourceRect.Bottom - FSourceRect.Top, Lit, NoCut);
  }
  void DrawShaded(TFrameList& f, const TPoint& p, bool) override {
    DrawRows(f, p, 0, FSourceRect.Bottom - FSourceRect.Top, Lit, NoCut);
  }
  void DrawRows(TFrameList&, const TPoint&, int from, int to, TShade, const TPictureCut& cut) override {
    FRows += to - from;
    const TDDSurface& sheet = *Display->FSheets[FSheet];
    for (int row = from; row < to; ++row) {
      const TColumnSpan span = cut.Row(row - from, FSourceRect.Right - FSourceRect.Left);
      const uint16_t* pixels =
          sheet.Pixels() + static_cast<size_t>(FSourceRect.Top + row) * (sheet.Pitch() / 2) + FSourceRect.Left;
      for (int col = span.First; col < span.End; ++col) FPixels += sheet.IsOpaque(pixels[col]);
    }
  }
  int& FRows;
  int& FPixels;
};

TEST(HiddenRows, FlatLitGroundDrawsLittleMoreThanTheTopsAndARaisedColumnLessThanABlockMore) {
  THeadlessSession session{THeadlessConfig{}};
  session.RunFrame();
  for (auto& row : World->FMap->FCells) {
    for (TMapCell& c : row) c = TMapCell{1, 0, 0, 1, 2};  // flat, explored and lit
  }
  int rows = 0, pixels = 0;
  for (auto& tile : World->FTiles) tile = std::make_unique<CountingTile>(*tile, rows, pixels);
  World->SetCameraFree(true);
  World->FCameraX = World->FCameraY = 50;
  const auto drawnRows = [&](bool trim) {
    rows = 0;
    World->FView.FTrimHidden = trim;
    World->DrawWorld();
    return rows;
  };
  const int all = drawnRows(false), trimmed = drawnRows(true);
  // Blocks are 45 rows high, of which the 28 rows of the top and the edges stay in view.
  EXPECT_LT(trimmed * 10, all * 7) << trimmed << " of " << all;
  // Of those rows only the columns the neighbours leave in view are drawn: little more than
  // each block's top, about half its picture (whole rows would be nine tenths).
  pixels = 0;
  drawnRows(true);
  const int trimmedPixels = pixels;
  pixels = 0;
  drawnRows(false);
  EXPECT_LT(trimmedPixels * 10, pixels * 6) << trimmedPixels << " of " << pixels;

  // Raising one cell by three inside flat ground: its three lower levels are hidden but for
  // the rows beside its neighbours, so the column adds far less than three more blocks.
  World->FMap->FCells[52][52].Height = 3;
  const int raised = drawnRows(true);
  EXPECT_GT(raised, trimmed);
  EXPECT_LT(raised - trimmed, 45);
}

}  // namespace
