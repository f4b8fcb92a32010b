// Drawing benchmarks: the keyed tiles of one 640 x 480 view with DrawKeyed beside SDL's own
// software blitter on the same tiles, and a memcpy of a frame as the bandwidth floor.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <vector>

#include "gfx/Display.h"
#include "gfx/Drawing.h"
#include "bench/Alternation.h"
#include "host/Settings.h"

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

struct TTile {
  int X, Y, Kind;  // top-left on screen
};

// The visible tiles of one frame: 41 rows of 15, one in ten stacked a level higher.
std::vector<TTile> MakeView() {
  std::vector<TTile> tiles;
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
    ResetSettings();
    display.FBackBuffer = MakeBackBuffer(640, 480, PixelKind565);
    display.FSheets[1] = std::make_unique<TDDSurface>(640, 480, PixelKind565);
    const auto px = MakeSheetPixels();
    std::memcpy(display.FSheets[1]->Pixels(), px.data(), px.size() * 2);
    display.FSheets[1]->SetColorKey(0, 0);
    display.FSheets[1]->PrepareKeyRuns();
    display.FPixelKind = PixelKind565;
    Display = &display;
    SelectPixelFormat(PixelKind565);
  }
  ~TOurs() { Display = nullptr; }
  TDisplay display;
};

void DrawOursView(const std::vector<TTile>& view) {
  for (const TTile& t : view) DrawKeyed(t.X, t.Y, 1, KindRect(t.Kind), true);
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

struct TSdl {
  TSdl() {
    screen = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 16, SDL_PIXELFORMAT_RGB565);
    sheet = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 16, SDL_PIXELFORMAT_RGB565);
    const auto px = MakeSheetPixels();
    for (int y = 0; y < 480; ++y) {
      std::memcpy(static_cast<uint8_t*>(sheet->pixels) + y * sheet->pitch, px.data() + y * 640, 640 * 2);
    }
    SDL_SetColorKey(sheet, SDL_TRUE, 0);
    for (int k = 0; k < Kinds; ++k) {
      SDL_Surface* t = SDL_CreateRGBSurfaceWithFormat(0, TileW, TileH, 16, SDL_PIXELFORMAT_RGB565);
      const TRect r = KindRect(k);
      for (int y = 0; y < TileH; ++y) {
        std::memcpy(static_cast<uint8_t*>(t->pixels) + y * t->pitch, px.data() + (r.Top + y) * 640 + r.Left, TileW * 2);
      }
      SDL_SetColorKey(t, SDL_TRUE, 0);
      SDL_SetSurfaceRLE(t, 1);
      tiles.push_back(t);
    }
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

void DrawSdlRleView(TSdl& sdl, const std::vector<TTile>& view) {
  for (const TTile& t : view) {
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
    for (const TTile& t : view) {
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

// Target (a): ours and SDL's RLE blit timed in alternation, so a change of load on the shared
// machine falls on both; each counter is the median of the rounds, in CPU microseconds a view.
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

}  // namespace

BENCHMARK(BM_KeyedViewBesideSdlRle)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DrawKeyedView)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawKeyedViewPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SdlRleTileSurfaces)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SdlColourKeyedSheet)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMicrosecond);
