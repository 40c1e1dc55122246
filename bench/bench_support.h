#pragma once
// Timing helpers of the benchmark programs: run a step several times, report min and median.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace ostrel::bench {

struct Timing {
  double minMs;
  double medianMs;
};

inline Timing measure(int runs, const std::function<void()>& setup, const std::function<void()>& step) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    if (setup) setup();
    auto t0 = std::chrono::steady_clock::now();
    step();
    auto t1 = std::chrono::steady_clock::now();
    ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  return {ms.front(), ms[ms.size() / 2]};
}

inline void report(const char* what, const Timing& t) {
  std::printf("%-44s min %9.2f ms   median %9.2f ms\n", what, t.minMs, t.medianMs);
}

}  // namespace ostrel::bench
