// Frame cost of the game logic: 1000 headless GameFrame updates with four persons, no display.
#include <benchmark/benchmark.h>

#include "bench/BenchWorld.h"
#include "platform/VirtualKeys.h"

namespace {

void BM_ThousandFrames(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    StartBenchWorld();
    HeadlessKeyDown(VK_NUMPAD9);  // the current person walks; the others wander and speak
    state.ResumeTiming();
    for (int i = 0; i < 1000; ++i) {
      GameFrame();
      HeadlessAdvanceClock();
    }
    state.PauseTiming();
    GameStop();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_ThousandFrames)->Unit(benchmark::kMillisecond);

}  // namespace
