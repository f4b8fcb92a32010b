// The terrain pictures one explored 640 x 480 frame draws, as the render pass asks DrawKeyed
// and its shaded kin for them: for one frame the world's tiles are swapped for ones that write
// down each draw instead of making it.
#pragma once

#include <iterator>
#include <memory>
#include <type_traits>
#include <vector>

#include "bench/BenchGame.h"
#include "game/Tile.h"
#include "gfx/Drawing.h"

struct TTileDraw {
  int Sheet;
  int X, Y;         // DrawKeyed's position
  TRect Part;       // the sheet rectangle drawn
  bool AtCorner;    // DrawKeyed's last argument
  TPoint Corner;    // where Part's top-left goes on the screen, before clipping
  TPictureCut Cut;  // the columns of Part's rows drawn
};

class TRecordingTile : public TTile {
 public:
  TRecordingTile(const TTile& real, std::vector<TTileDraw>& log) : TTile(real.FSheet, real.FSourceRect), FLog(log) {}
  void Draw(TFrameList&, const TPoint& P) override { Whole(P); }
  void DrawShaded(TFrameList&, const TPoint& P, bool) override { Whole(P); }
  void DrawSeeThrough(TFrameList&, const TPoint&) override {}
  void DrawRows(TFrameList&, const TPoint& P, int From, int To, TShade, const TPictureCut& Cut) override {
    const TRect& r = FSourceRect;
    const TPoint c = PictureCorner(P, r.Right - r.Left, r.Bottom - r.Top);
    const TPoint at{c.X, c.Y + From};
    FLog.push_back({FSheet, at.X, at.Y, TRect{r.Left, r.Top + From, r.Right, r.Top + To}, true, at, Cut});
  }

 private:
  void Whole(const TPoint& P) {
    const TRect& r = FSourceRect;
    FLog.push_back({FSheet, P.X, P.Y, r, false, PictureCorner(P, r.Right - r.Left, r.Bottom - r.Top), NoCut});
  }
  std::vector<TTileDraw>& FLog;
};

// The next frame's terrain draws, in the order the render pass makes them.
inline std::vector<TTileDraw> CaptureFrameTiles(TBenchGame& game) {
  std::vector<TTileDraw> log;
  constexpr size_t Kinds = std::extent_v<decltype(TSystem::FTiles)>;
  std::unique_ptr<TTile> real[Kinds];
  for (size_t i = 0; i < Kinds; ++i) {
    if (!World->FTiles[i]) continue;
    real[i] = std::move(World->FTiles[i]);
    World->FTiles[i] = std::make_unique<TRecordingTile>(*real[i], log);
  }
  game.Step();
  for (size_t i = 0; i < Kinds; ++i) {
    if (real[i]) World->FTiles[i] = std::move(real[i]);
  }
  return log;
}
