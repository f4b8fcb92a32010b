// Two workloads timed in alternation on the thread's CPU clock, so a change of load on a shared
// machine falls on both alike; the medians of the rounds compare them.
#pragma once

#include <algorithm>
#include <ctime>
#include <vector>

struct TAlternation {
  double FirstUs = 0;   // median CPU microseconds of one run of the first workload
  double SecondUs = 0;  // the same for the second
  // The spread of the rounds' ratios first / second: their lower quartile, median, upper quartile.
  double RatioLow = 0, RatioMedian = 0, RatioHigh = 0;
};

inline double ThreadCpuUs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

inline double MedianOf(std::vector<double> v) {
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

// rounds rounds of `runs` runs of each workload; warms both up first.
template <class First, class Second>
TAlternation Alternate(First first, Second second, int rounds = 41, int runs = 20) {
  first();
  second();
  std::vector<double> a, b;
  for (int round = 0; round < rounds; ++round) {
    double t = ThreadCpuUs();
    for (int i = 0; i < runs; ++i) first();
    a.push_back((ThreadCpuUs() - t) / runs);
    t = ThreadCpuUs();
    for (int i = 0; i < runs; ++i) second();
    b.push_back((ThreadCpuUs() - t) / runs);
  }
  std::vector<double> ratios;
  for (size_t i = 0; i < a.size(); ++i) ratios.push_back(a[i] / b[i]);
  std::sort(ratios.begin(), ratios.end());
  return {MedianOf(a), MedianOf(b), ratios[ratios.size() / 4], ratios[ratios.size() / 2],
          ratios[ratios.size() * 3 / 4]};
}
