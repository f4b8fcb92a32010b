// The processor's scaling for a window without a GPU, beside a memcpy of the 32-bit picture it
// writes: the window at the picture's size (a plain widening), twice its size, and a 1920 x 1080
// full screen ("sharp": three times, filtered down). Counters: medians in CPU microseconds.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/Alternation.h"
#include "platform/SharpScaler.h"

namespace {

void BM_ScaleBesideMemcpy(benchmark::State& state) {
  const int sw = 640, sh = 480, dw = static_cast<int>(state.range(0)), dh = static_cast<int>(state.range(1));
  std::vector<uint16_t> src(static_cast<size_t>(sw) * sh);
  for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint16_t>(i * 2654435761u >> 7);
  std::vector<uint32_t> dest(static_cast<size_t>(dw) * dh), copy(dest.size());
  TSharpScaler scaler;
  scaler.Prepare(sw, sh, dw, dh);
  for (auto _ : state) {
    const TAlternation a = Alternate(
        [&] {
          scaler.Scale(src.data(), sw, false, dest.data(), dw);
          benchmark::DoNotOptimize(dest.data());
        },
        [&] {
          std::memcpy(copy.data(), dest.data(), dest.size() * 4);
          benchmark::DoNotOptimize(copy.data());
          benchmark::ClobberMemory();
        },
        41, 10);
    state.counters["scale_us"] = a.FirstUs;
    state.counters["memcpy_us"] = a.SecondUs;
    state.counters["scale_over_memcpy"] = a.FirstUs / a.SecondUs;
  }
}

}  // namespace

BENCHMARK(BM_ScaleBesideMemcpy)
    ->ArgNames({"width", "height"})
    ->Args({640, 480})
    ->Args({1280, 960})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
