// Path search cost beside the plain reference search (bench/ReferenceSearch.h), timed in
// alternation: one order's whole request over its 50 x 50 window, the search alone on an open
// 50 x 50 area flooded corner to corner, and on an order's window for a goal close by or walled
// in. Counters: medians in CPU microseconds, ratios of the medians, and the quartiles of the
// rounds' ratios.
#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "bench/Alternation.h"
#include "bench/BenchWorld.h"
#include "bench/ReferenceSearch.h"
#include "game/SrchPath.h"

namespace {

constexpr int Window = 50;

// The request as the reference would make it: the window cut from the map by the same rule,
// then the reference search.
std::string ReferenceRequest(const TMap& map, const TPerson& person, TPoint target) {
  const TPoint start{person.FCellX, person.FCellY}, origin{start.X - Window / 2, start.Y - Window / 2};
  std::array<uint8_t, Window * Window> window{};
  for (int r = 0; r < Window; ++r)
    for (int c = 0; c < Window; ++c)
      window[r * Window + c] = map.IsOpenFor(start.X, start.Y, origin.X + c, origin.Y + r, person.FId) ? 0 : 1;
  window[(Window / 2) * Window + Window / 2] = 0;
  return ReferencePath(Window, Window, window.data(), {Window / 2, Window / 2},
                       {target.X - origin.X, target.Y - origin.Y});
}

void BM_RequestBesideReference(benchmark::State& state) {
  StartBenchWorld();
  TPerson& person = *World->Person(1);
  const TPoint target{person.FCellX + 20, person.FCellY + 15};
  if (!World->RequestPath(1, target, TPoint{0, 0}) || person.FPath != ReferenceRequest(*World->FMap, person, target)) {
    state.SkipWithError("the request and the reference walk differently");
    return;
  }
  for (auto _ : state) {
    const TAlternation a = Alternate(
        [&] {
          World->RequestPath(1, target, TPoint{0, 0});
          benchmark::DoNotOptimize(person.FPath.data());
        },
        [&] { benchmark::DoNotOptimize(ReferenceRequest(*World->FMap, person, target)); }, 41, 50);
    state.counters["request_us"] = a.FirstUs;
    state.counters["reference_us"] = a.SecondUs;
    state.counters["request_over_reference"] = a.FirstUs / a.SecondUs;
    state.counters["ratio_p25"] = a.RatioLow;
    state.counters["ratio_p75"] = a.RatioHigh;
  }
  state.counters["steps"] = static_cast<double>(person.FPath.size());
  GameStop();
}

// Corner to corner over an open grid: the flood covers the whole area.
void BM_SearchBesideReference(benchmark::State& state) {
  const std::vector<uint8_t> open(Window * Window, 0);
  for (auto _ : state) {
    const TAlternation a = Alternate(
        [&] {
          TSearchPath search(Window, Window, open.data());
          std::string path;
          search.FindPath(TPoint{Window - 1, Window - 1}, TPoint{0, 0}, path);
          benchmark::DoNotOptimize(path.data());
        },
        [&] {
          benchmark::DoNotOptimize(ReferencePath(Window, Window, open.data(), {Window - 1, Window - 1}, {0, 0}));
        },
        41, 50);
    state.counters["search_us"] = a.FirstUs;
    state.counters["reference_us"] = a.SecondUs;
    state.counters["search_over_reference"] = a.FirstUs / a.SecondUs;
    state.counters["ratio_p25"] = a.RatioLow;
    state.counters["ratio_p75"] = a.RatioHigh;
  }
}

// The search alone, its set-up included, on the window an order cuts from the map, for the
// requests whose cost is mostly fixed: a goal two cells away, and a goal walled in on all sides.
void BM_ShortSearchBesideReference(benchmark::State& state) {
  StartBenchWorld();
  const TPerson& person = *World->Person(1);
  const TPoint origin{person.FCellX - Window / 2, person.FCellY - Window / 2};
  std::vector<uint8_t> window(Window * Window);
  for (int r = 0; r < Window; ++r)
    for (int c = 0; c < Window; ++c)
      window[r * Window + c] =
          World->FMap->IsOpenFor(person.FCellX, person.FCellY, origin.X + c, origin.Y + r, person.FId) ? 0 : 1;
  GameStop();
  const TPoint start{Window / 2, Window / 2};
  for (int dy = -2; dy <= 2; ++dy)
    for (int dx = 0; dx <= 2; ++dx) window[(start.Y + dy) * Window + start.X + dx] = 0;
  const bool walled = state.range(0) == 1;
  const TPoint goal = walled ? TPoint{start.X + 10, start.Y + 10} : TPoint{start.X + 2, start.Y + 1};
  if (walled)
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (dx || dy) window[(goal.Y + dy) * Window + goal.X + dx] = 1;
  const auto search = [&] {
    TSearchPath s(Window, Window, window.data());
    std::string path;
    s.FindPath(start, goal, path);
    return path;
  };
  if (search() != ReferencePath(Window, Window, window.data(), start, goal) || search().empty() != walled) {
    state.SkipWithError("the search and the reference walk differently");
    return;
  }
  for (auto _ : state) {
    const TAlternation a = Alternate(
        [&] { benchmark::DoNotOptimize(search()); },
        [&] { benchmark::DoNotOptimize(ReferencePath(Window, Window, window.data(), start, goal)); }, 41, 200);
    state.counters["search_us"] = a.FirstUs;
    state.counters["reference_us"] = a.SecondUs;
    state.counters["search_over_reference"] = a.FirstUs / a.SecondUs;
    state.counters["ratio_p25"] = a.RatioLow;
    state.counters["ratio_p75"] = a.RatioHigh;
  }
}

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

}  // namespace

BENCHMARK(BM_RequestBesideReference)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SearchBesideReference)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ShortSearchBesideReference)
    ->ArgName("walled")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_RequestPath);
