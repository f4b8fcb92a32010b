// Cost of one whole frame (update, render, overlay and present to the headless platform) beside
// a memcpy of a 16-bit frame of the same size: the start scene and a fully explored map, at
// 640 x 480 and 800 x 600.
#include <benchmark/benchmark.h>

#include <cstring>
#include <functional>
#include <vector>

#include "bench/Alternation.h"
#include "bench/BenchGame.h"
#include "game/World.h"
#include "platform/VirtualKeys.h"
#include "platform/headless/PlatformHeadless.h"

namespace {

TBenchGame::TScene SceneOf(const benchmark::State& state) {
  return state.range(0) != 0 ? TBenchGame::Explored : TBenchGame::Start;
}
bool HighResOf(const benchmark::State& state) { return state.range(1) != 0; }

// Argument 2 (0): every row of every terrain block drawn, also those that later blocks cover.
// Argument 3 (0): every row of the world drawn every frame, not only those that can differ.
// rows_drawn: the rows of the world drawn per frame.
void BM_Frame(benchmark::State& state) {
  TBenchGame game(SceneOf(state), HighResOf(state));
  World->FView.FTrimHidden = state.range(2) != 0;
  World->FView.FRedrawChanged = state.range(3) != 0;
  double rows = 0, n = 0;
  for (auto _ : state) {
    game.Step();
    rows += World->FView.FRedrawChanged ? World->FView.FRenderer.DrawnRows() : ScreenHeight;
    ++n;
    benchmark::DoNotOptimize(game.display.FBackBuffer->Pixels());
  }
  state.counters["rows_drawn"] = rows / n;
}

// A memcpy of one 16-bit frame of width x height.
struct TFrameCopy {
  TFrameCopy(int width, int height)
      : From(static_cast<size_t>(width) * height, 1), To(static_cast<size_t>(width) * height) {}
  void operator()() {
    std::memcpy(To.data(), From.data(), From.size() * 2);
    benchmark::DoNotOptimize(To.data());
    benchmark::ClobberMemory();
  }
  std::vector<uint16_t> From;
  std::vector<uint16_t> To;
};

void BM_MemcpyFrame640(benchmark::State& state) {
  TFrameCopy copy(640, 480);
  for (auto _ : state) copy();
}

// The frame and the frame memcpy timed in alternation; counters are the medians in CPU
// microseconds, the frame's cost in memcpys, and the quartiles of the rounds' ratios. Each of the benchmark's repetitions is one
// measurement: run with --benchmark_repetitions to see the spread.
void BM_FrameBesideMemcpy(benchmark::State& state) {
  TBenchGame game(SceneOf(state), HighResOf(state));
  TFrameCopy copy(ScreenWidth, ScreenHeight);
  for (auto _ : state) {
    const TAlternation a = Alternate([&] { game.Step(); }, std::ref(copy), 41, 10);
    state.counters["frame_us"] = a.FirstUs;
    state.counters["memcpy_us"] = a.SecondUs;
    state.counters["frame_over_memcpy"] = a.FirstUs / a.SecondUs;
    state.counters["ratio_q1"] = a.RatioLow;
    state.counters["ratio_median"] = a.RatioMedian;
    state.counters["ratio_q3"] = a.RatioHigh;
  }
}

// The worst case of drawing only changed rows: the view moves a pixel every frame, so every row
// changes. Frames kept (and compared band by band) timed in alternation with frames drawn whole.
void BM_ScrollingFrameBesideFullRedraw(benchmark::State& state) {
  TBenchGame game(TBenchGame::Explored, state.range(0) != 0);
  int step = 0;
  const auto scrolled = [&](bool changedOnly) {
    return [&, changedOnly] {
      World->FView.FRedrawChanged = changedOnly;
      World->FScrollX = ++step % 2;
      game.Step();
    };
  };
  for (auto _ : state) {
    const TAlternation a = Alternate(scrolled(true), scrolled(false), 41, 10);
    state.counters["kept_us"] = a.FirstUs;
    state.counters["whole_us"] = a.SecondUs;
    state.counters["kept_over_whole"] = a.FirstUs / a.SecondUs;
  }
}

// The frame a player sees most: the view moves every frame, so every band is drawn (explored
// map), beside a memcpy of the frame. Argument 1: the free camera scrolled a pixel each frame
// (0), or the camera following a person walking back and forth (1).
void BM_MovingViewBesideMemcpy(benchmark::State& state) {
  TBenchGame game(TBenchGame::Explored, state.range(0) != 0);
  TFrameCopy copy(ScreenWidth, ScreenHeight);
  const bool walking = state.range(1) != 0;
  if (!walking) World->SetCameraFree(true);
  int step = 0;
  int64_t canvasPixels = 0, canvasRowPixels = 0, backPixels = 0;
  const auto moved = [&] {
    if (walking) {
      // A few cells one way, then back, so the walk never ends at a wall.
      const int leg = step++ / 48 % 2;
      HeadlessKeyUp(leg == 0 ? VK_NUMPAD1 : VK_NUMPAD9);
      HeadlessKeyDown(leg == 0 ? VK_NUMPAD9 : VK_NUMPAD1);
    } else {
      World->FScrollX = ++step % 2;
    }
    game.Step();
    const TFrameRenderer& canvas = World->FView.FCanvasRenderer;
    canvasPixels += canvas.DrawnPixels();
    if (World->FView.FCanvas) canvasRowPixels += int64_t{canvas.DrawnRows()} * World->FView.FCanvas->Width();
    backPixels += World->FView.FRenderer.DrawnPixels();
  };
  for (auto _ : state) {
    const TAlternation a = Alternate(moved, std::ref(copy), 41, 10);
    // Pixels drawn over per frame, ground and entries counted once, on the canvas (and in the
    // rows drawn, across the width) and the screen.
    state.counters["canvas_px"] = static_cast<double>(canvasPixels) / step;
    state.counters["canvas_rows_px"] = static_cast<double>(canvasRowPixels) / step;
    state.counters["back_px"] = static_cast<double>(backPixels) / step;
    state.counters["frame_us"] = a.FirstUs;
    state.counters["memcpy_us"] = a.SecondUs;
    state.counters["ratio_q1"] = a.RatioLow;
    state.counters["ratio_median"] = a.RatioMedian;
    state.counters["ratio_q3"] = a.RatioHigh;
  }
}

}  // namespace

BENCHMARK(BM_MovingViewBesideMemcpy)
    ->ArgNames({"highres", "walking"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_ScrollingFrameBesideFullRedraw)
    ->ArgName("highres")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_FrameBesideMemcpy)
    ->ArgNames({"explored", "highres"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_Frame)
    ->ArgNames({"explored", "highres", "trim", "changed"})
    ->Args({1, 0, 1, 1})
    ->Args({1, 0, 1, 0})
    ->Args({1, 0, 0, 0})
    ->Args({1, 1, 1, 1})
    ->Args({1, 1, 1, 0})
    ->Args({0, 0, 1, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpyFrame640)->Unit(benchmark::kMicrosecond);
