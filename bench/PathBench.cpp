// Path search cost: one order's request over its 50 x 50 window, and the raw search.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/BenchWorld.h"
#include "game/SrchPath.h"

namespace {

void BM_RequestPath(benchmark::State& state) {
  StartBenchWorld();
  TPerson& person = *World->Person(1);
  const TPoint target{person.FCellX + 20, person.FCellY + 15};
  bool found = false;
  for (auto _ : state) {
    found = World->RequestPath(1, target, TPoint{0, 0});
    benchmark::DoNotOptimize(person.FPath.data());
  }
  state.counters["found"] = found;
  state.counters["steps"] = static_cast<double>(person.FPath.size());
  GameStop();
}
BENCHMARK(BM_RequestPath);

// Corner to corner over an open grid: the flood covers the whole area.
void BM_FindPathOpen50(benchmark::State& state) {
  const std::vector<uint8_t> open(50 * 50, 0);
  std::string path;
  for (auto _ : state) {
    TSearchPath search(50, 50, open.data());
    search.FindPath(TPoint{49, 49}, TPoint{0, 0}, path);
    benchmark::DoNotOptimize(path.data());
  }
  state.counters["steps"] = static_cast<double>(path.size());
}
BENCHMARK(BM_FindPathOpen50);

}  // namespace
