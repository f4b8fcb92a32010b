// The processor's scaling for a window without a GPU, beside a memcpy of the 32-bit picture it
// writes: the window at the picture's size (a plain widening), twice its size, 1280 x 800 and
// 1920 x 1080 full screens ("sharp": enlarged two or three times, filtered down to 1067 x 800
// letterboxed, or 1920 x 1080), with each kernel the processor runs (0 plain, 1 SSE2, 2 AVX2).
// Counters: medians in CPU microseconds, the ratio's median and quartiles over the rounds.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/Alternation.h"
#include "platform/SharpScaler.h"

namespace {

void BM_ScaleBesideMemcpy(benchmark::State& state) {
  const int sw = 640, sh = 480, dw = static_cast<int>(state.range(0)), dh = static_cast<int>(state.range(1));
  const auto kernel = static_cast<TScaleKernel>(state.range(2));
  if (!ScaleKernelSupported(kernel)) {
    state.SkipWithError("this processor lacks the kernel");
    return;
  }
  std::vector<uint16_t> src(static_cast<size_t>(sw) * sh);
  for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint16_t>(i * 2654435761u >> 7);
  std::vector<uint32_t> dest(static_cast<size_t>(dw) * dh), copy(dest.size());
  TSharpScaler scaler(kernel);
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
    state.counters["scale_over_memcpy"] = a.RatioMedian;
    state.counters["ratio_q1"] = a.RatioLow;
    state.counters["ratio_q3"] = a.RatioHigh;
  }
}

}  // namespace

BENCHMARK(BM_ScaleBesideMemcpy)
    ->ArgNames({"width", "height", "kernel"})
    ->ArgsProduct({{640}, {480}, {0, 2}})
    ->ArgsProduct({{1280}, {960}, {0, 2}})
    ->ArgsProduct({{1067}, {800}, {0, 1, 2}})
    ->ArgsProduct({{1920}, {1080}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
