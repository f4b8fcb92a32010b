// Drawing benchmarks: the keyed tiles of a 640 x 480 view with DrawKeyed beside SDL's own
// software blitter on the same tiles, and a memcpy of a frame as the bandwidth floor. Two views:
// the terrain of the game's own explored frame (the parts later blocks hide left out, as the
// render pass leaves them), and a made-up view whose every block is drawn whole.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "bench/Alternation.h"
#include "bench/FrameTiles.h"
#include "game/ProgramState.h"
#include "gfx/DDUtils.h"
#include "gfx/Display.h"
#include "gfx/Drawing.h"

namespace {

constexpr int TileW = 60, TileH = 45, Kinds = 24;

// Opaque columns [from, to) of row y of an isometric ground block.
void BlockRow(int y, int& from, int& to) {
  int half = 30;
  if (y < 14) half = (y + 1) * 30 / 14;
  if (y >= 31) half = (45 - y) * 30 / 14;
  from = 30 - half;
  to = 30 + half;
}

// The sheet: 24 blocks in six rows of four, random opaque colours, black elsewhere.
std::vector<uint16_t> MakeSheetPixels() {
  std::vector<uint16_t> px(640 * 480, 0);
  std::mt19937 rng(3);
  for (int k = 0; k < Kinds; ++k) {
    const int ox = (k % 4) * TileW, oy = (k / 4) * TileH;
    for (int y = 0; y < TileH; ++y) {
      int from, to;
      BlockRow(y, from, to);
      for (int x = from; x < to; ++x) px[(oy + y) * 640 + ox + x] = static_cast<uint16_t>(rng() | 1);
    }
  }
  return px;
}

struct TViewBlock {
  int X, Y, Kind;  // top-left on screen
};

// The made-up view: 41 rows of 15 blocks, one in ten stacked a level higher, every one drawn
// whole (three columns lie past the right edge).
std::vector<TViewBlock> MakeView() {
  std::vector<TViewBlock> tiles;
  std::mt19937 rng(9);
  for (int row = 0; row < 41; ++row) {
    for (int col = 0; col < 15; ++col) {
      const int x = col * TileW - 30 + (row % 2) * 30 - 15, y = row * 14 - 31;
      const int kind = static_cast<int>(rng() % Kinds);
      tiles.push_back({x, y, kind});
      if (rng() % 10 == 0) tiles.push_back({x, y - 13, kind});
    }
  }
  return tiles;
}

TRect KindRect(int kind) { return MakeRect((kind % 4) * TileW, (kind / 4) * TileH, TileW, TileH); }

struct TOurs {
  TOurs() {
    ResetProgramState();
    display.FBackBuffer = MakeBackBuffer(640, 480, PixelKind565);
    display.FSheets[1] = std::make_unique<TDDSurface>(640, 480, PixelKind565);
    const auto px = MakeSheetPixels();
    std::memcpy(display.FSheets[1]->WritePixels(0, 480), px.data(), px.size() * 2);
    display.FSheets[1]->SetColorKey(0, 0);
    display.FSheets[1]->PrepareKeyRuns();
    display.FPixelKind = PixelKind565;
    Display = &display;
    SelectPixelFormat(PixelKind565);
  }
  ~TOurs() { Display = nullptr; }
  TDisplay display;
};

void DrawOursView(const std::vector<TViewBlock>& view) {
  for (const TViewBlock& t : view) DrawKeyed(t.X, t.Y, 1, KindRect(t.Kind), true);
}

void DrawKeyedView(benchmark::State& state, bool runs) {
  TOurs ours;
  ours.display.FSheets[1]->UseKeyRuns(runs);
  const auto view = MakeView();
  for (auto _ : state) {
    DrawOursView(view);
    benchmark::DoNotOptimize(ours.display.FBackBuffer->Pixels());
  }
  state.counters["tiles"] = static_cast<double>(view.size());
}
void BM_DrawKeyedView(benchmark::State& state) { DrawKeyedView(state, true); }
void BM_DrawKeyedViewPlain(benchmark::State& state) { DrawKeyedView(state, false); }

// Rectangle r of 16-bit pixels (stride in pixels) as an SDL surface keyed on 0, run-length
// encoded when asked; what the cut leaves out is transparent.
SDL_Surface* KeyedSdlSurface(const uint16_t* pixels, int stride, const TRect& r, bool rle,
                             const TPictureCut& cut = NoCut) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, r.Right - r.Left, r.Bottom - r.Top, 16, SDL_PIXELFORMAT_RGB565);
  for (int y = r.Top; y < r.Bottom; ++y) {
    auto* row = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(s->pixels) + (y - r.Top) * s->pitch);
    const TColumnSpan span = cut.Row(y - r.Top, s->w);
    std::fill(row, row + s->w, uint16_t{0});
    std::copy(pixels + static_cast<size_t>(y) * stride + r.Left + span.First,
              pixels + static_cast<size_t>(y) * stride + r.Left + span.End, row + span.First);
  }
  SDL_SetColorKey(s, SDL_TRUE, 0);
  if (rle) SDL_SetSurfaceRLE(s, 1);
  return s;
}

struct TSdl {
  TSdl() {
    screen = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 16, SDL_PIXELFORMAT_RGB565);
    const auto px = MakeSheetPixels();
    sheet = KeyedSdlSurface(px.data(), 640, MakeRect(0, 0, 640, 480), false);
    for (int k = 0; k < Kinds; ++k) tiles.push_back(KeyedSdlSurface(px.data(), 640, KindRect(k), true));
  }
  ~TSdl() {
    for (SDL_Surface* t : tiles) SDL_FreeSurface(t);
    SDL_FreeSurface(sheet);
    SDL_FreeSurface(screen);
  }
  SDL_Surface* screen;
  SDL_Surface* sheet;
  std::vector<SDL_Surface*> tiles;
};

void DrawSdlRleView(TSdl& sdl, const std::vector<TViewBlock>& view) {
  for (const TViewBlock& t : view) {
    SDL_Rect to{t.X, t.Y, TileW, TileH};
    SDL_BlitSurface(sdl.tiles[t.Kind], nullptr, sdl.screen, &to);
  }
}

void BM_SdlRleTileSurfaces(benchmark::State& state) {
  TSdl sdl;
  const auto view = MakeView();
  for (auto _ : state) {
    DrawSdlRleView(sdl, view);
    benchmark::DoNotOptimize(sdl.screen->pixels);
  }
}

void BM_SdlColourKeyedSheet(benchmark::State& state) {
  TSdl sdl;
  const auto view = MakeView();
  for (auto _ : state) {
    for (const TViewBlock& t : view) {
      const TRect r = KindRect(t.Kind);
      SDL_Rect from{r.Left, r.Top, TileW, TileH};
      SDL_Rect to{t.X, t.Y, TileW, TileH};
      SDL_BlitSurface(sdl.sheet, &from, sdl.screen, &to);
    }
    benchmark::DoNotOptimize(sdl.screen->pixels);
  }
}

void BM_MemcpyFrame(benchmark::State& state) {
  std::vector<uint16_t> from(640 * 480, 1), to(640 * 480);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size() * 2);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}

// The made-up view, ours and SDL's RLE blit timed in alternation, so a change of load on the
// shared machine falls on both; each counter is the median of the rounds, in CPU microseconds.
void BM_KeyedViewBesideSdlRle(benchmark::State& state) {
  TOurs ours;
  TSdl sdl;
  const auto view = MakeView();
  for (auto _ : state) {
    const TAlternation a = Alternate([&] { DrawOursView(view); }, [&] { DrawSdlRleView(sdl, view); });
    state.counters["ours_us"] = a.FirstUs;
    state.counters["sdl_rle_us"] = a.SecondUs;
    state.counters["sdl_over_ours"] = a.SecondUs / a.FirstUs;
  }
}

// The game's frame: its terrain draws replayed with DrawKeyed, and with SDL_BlitSurface from a
// run-length encoded surface per picture part drawn (SDL's fastest) and from the colour-keyed
// sheet (a cut part row by row), each taking the same pixels to the same place.
struct TFrameTileViews {
  TFrameTileViews() : Draws(CaptureFrameTiles(Game)) {
    const TDDSurface& src = *Game.display.FSheets[1];
    const int stride = src.Pitch() / 2;
    Screen = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 16, SDL_PIXELFORMAT_RGB565);
    Sheet = KeyedSdlSurface(src.Pixels(), stride, MakeRect(0, 0, src.Width(), src.Height()), false);
    for (const TTileDraw& d : Draws) {
      const TRect& r = d.Part;
      SDL_Surface*& tile = Tiles[{r.Left, r.Top, r.Right, r.Bottom, static_cast<int>(d.Cut.Id())}];
      if (tile == nullptr) tile = KeyedSdlSurface(src.Pixels(), stride, r, true, d.Cut);
      FromTiles.push_back({tile, {0, 0, tile->w, tile->h}, {d.Corner.X, d.Corner.Y, 0, 0}});
      if (d.Cut.Id() == 0) {
        FromSheet.push_back(
            {Sheet, {r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top}, {d.Corner.X, d.Corner.Y, 0, 0}});
        continue;
      }
      for (int row = 0; row < r.Bottom - r.Top; ++row) {
        const TColumnSpan span = d.Cut.Row(row, r.Right - r.Left);
        if (span.First < span.End) {
          FromSheet.push_back({Sheet,
                               {r.Left + span.First, r.Top + row, span.End - span.First, 1},
                               {d.Corner.X + span.First, d.Corner.Y + row, 0, 0}});
        }
      }
    }
  }
  ~TFrameTileViews() {
    for (auto& [rect, tile] : Tiles) SDL_FreeSurface(tile);
    SDL_FreeSurface(Sheet);
    SDL_FreeSurface(Screen);
  }
  void Ours() const {
    for (const TTileDraw& d : Draws) DrawKeyed(d.X, d.Y, d.Sheet, d.Part, d.AtCorner, d.Cut);
  }
  struct TBlit {
    SDL_Surface* From;
    SDL_Rect Part, To;
  };
  void Sdl(const std::vector<TBlit>& blits) const {
    for (TBlit b : blits) SDL_BlitSurface(b.From, &b.Part, Screen, &b.To);
  }
  // Both drawn onto black: the same picture, or the comparison means nothing.
  bool SamePicture(const std::vector<TBlit>& blits) {
    TDDSurface& back = *Game.display.FBackBuffer;
    ClearSurface(&back, 0);
    SDL_FillRect(Screen, nullptr, 0);
    Ours();
    Sdl(blits);
    for (int y = 0; y < 480; ++y) {
      if (std::memcmp(back.Pixels() + static_cast<size_t>(y) * (back.Pitch() / 2),
                      static_cast<const uint8_t*>(Screen->pixels) + y * Screen->pitch, 640 * 2) != 0) {
        return false;
      }
    }
    return true;
  }
  TBenchGame Game;
  std::vector<TTileDraw> Draws;
  SDL_Surface* Screen = nullptr;
  SDL_Surface* Sheet = nullptr;
  std::map<std::array<int, 5>, SDL_Surface*> Tiles;  // by part and cut
  std::vector<TBlit> FromTiles, FromSheet;
};

// Target (a): the game frame's terrain, ours beside SDL's RLE tiles and beside its keyed sheet,
// each pair timed in alternation; counters are medians in CPU microseconds.
void BM_FrameTilesBesideSdl(benchmark::State& state) {
  TFrameTileViews v;
  if (!v.SamePicture(v.FromTiles) || !v.SamePicture(v.FromSheet)) {
    state.SkipWithError("SDL and DrawKeyed drew different pictures");
    return;
  }
  for (auto _ : state) {
    const TAlternation rle = Alternate([&] { v.Ours(); }, [&] { v.Sdl(v.FromTiles); });
    const TAlternation sheet = Alternate([&] { v.Ours(); }, [&] { v.Sdl(v.FromSheet); });
    state.counters["ours_us"] = rle.FirstUs;
    state.counters["sdl_rle_us"] = rle.SecondUs;
    state.counters["sdl_rle_over_ours"] = rle.SecondUs / rle.FirstUs;
    state.counters["sdl_sheet_over_ours"] = sheet.SecondUs / sheet.FirstUs;
  }
  state.counters["tiles"] = static_cast<double>(v.Draws.size());
}

// Ours alone on the game frame's terrain, for profiling.
void BM_FrameTilesDrawKeyed(benchmark::State& state) {
  TFrameTileViews v;
  for (auto _ : state) v.Ours();
}

}  // namespace

BENCHMARK(BM_FrameTilesBesideSdl)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FrameTilesDrawKeyed)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeyedViewBesideSdlRle)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DrawKeyedView)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawKeyedViewPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SdlRleTileSurfaces)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SdlColourKeyedSheet)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMicrosecond);
