#pragma once
// Shared parts of the benchmark programs (Google Benchmark): the program's own options, and a
// console reporter that also keeps each benchmark's time per iteration, so that a program can
// print the ratios between its benchmarks after the table.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace ostrel::bench {

// Removes "--name VALUE" from the arguments and returns VALUE, or fallback when absent.
inline long takeOption(int& argc, char** argv, const char* name, long fallback) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], name) != 0) continue;
    const long value = std::strtol(argv[i + 1], nullptr, 10);
    for (int j = i; j + 2 <= argc; ++j) argv[j] = argv[j + 2];
    argc -= 2;
    return value;
  }
  return fallback;
}
// Removes the flag "--name" and returns whether it was there.
inline bool takeFlag(int& argc, char** argv, const char* name) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], name) != 0) continue;
    for (int j = i; j + 1 <= argc; ++j) argv[j] = argv[j + 1];
    --argc;
    return true;
  }
  return false;
}

// Times in milliseconds, repeated runs times, reported as mean, median, spread and the fastest
// run: on a shared machine the fastest is the figure to compare.
inline benchmark::internal::Benchmark* repeated(benchmark::internal::Benchmark* b, int runs) {
  return b->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Repetitions(runs)
      ->ReportAggregatesOnly(true)
      ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  // Colours on a terminal only, so that saved figures stay plain text.
  RecordingReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (!run.error_occurred && run.aggregate_name == "min")
        ms_[run.run_name.function_name] = run.GetAdjustedRealTime();  // in the unit of repeated()
    ConsoleReporter::ReportRuns(runs);
  }
  // The fastest run's wall-clock milliseconds per iteration of the named benchmark (0 when it
  // did not run).
  double ms(const std::string& name) const {
    auto it = ms_.find(name);
    return it == ms_.end() ? 0 : it->second;
  }

 private:
  std::map<std::string, double> ms_;
};

}  // namespace ostrel::bench
