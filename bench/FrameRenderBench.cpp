// Cost of one whole 640 x 480 frame (update, render, overlay and present to the headless
// platform) with every cell of the map explored, beside a memcpy of a 16-bit frame.
#include <benchmark/benchmark.h>

#include <cstring>
#include <functional>
#include <vector>

#include "bench/Alternation.h"
#include "bench/ExploredGame.h"
#include "game/World.h"

namespace {

// Argument 0: every row of every terrain block drawn, also those that later blocks cover.
void BM_ExploredFrame640(benchmark::State& state) {
  TExploredGame game;
  World->FTrimHidden = state.range(0) != 0;
  for (auto _ : state) {
    game.Step();
    benchmark::DoNotOptimize(game.display.FBackBuffer->Pixels());
  }
}

// A memcpy of one 640 x 480 16-bit frame.
struct TFrameCopy {
  void operator()() {
    std::memcpy(To.data(), From.data(), From.size() * 2);
    benchmark::DoNotOptimize(To.data());
    benchmark::ClobberMemory();
  }
  std::vector<uint16_t> From = std::vector<uint16_t>(640 * 480, 1);
  std::vector<uint16_t> To = std::vector<uint16_t>(640 * 480);
};

void BM_MemcpyFrame640(benchmark::State& state) {
  TFrameCopy copy;
  for (auto _ : state) copy();
}

// Target (b): the explored frame and the frame memcpy timed in alternation; counters are the
// medians in CPU microseconds and the frame's cost in memcpys.
void BM_ExploredFrameBesideMemcpy(benchmark::State& state) {
  TExploredGame game;
  TFrameCopy copy;
  for (auto _ : state) {
    const TAlternation a = Alternate([&] { game.Step(); }, std::ref(copy), 41, 10);
    state.counters["frame_us"] = a.FirstUs;
    state.counters["memcpy_us"] = a.SecondUs;
    state.counters["frame_over_memcpy"] = a.FirstUs / a.SecondUs;
  }
}

}  // namespace

BENCHMARK(BM_ExploredFrameBesideMemcpy)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ExploredFrame640)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpyFrame640)->Unit(benchmark::kMicrosecond);
