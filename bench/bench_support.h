#pragma once
// Shared parts of the benchmark programs (Google Benchmark): the program's own options, and a
// console reporter that also keeps each benchmark's time per iteration, so that a program can
// print the ratios between its benchmarks after the table.
#include <benchmark/benchmark.h>
#include <unistd.h>

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

class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  // Colours on a terminal only, so that saved figures stay plain text.
  RecordingReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      auto& seen = ms_[run.run_name.function_name];
      const double ms = 1000.0 * run.real_accumulated_time / static_cast<double>(run.iterations);
      if (seen == 0 || ms < seen) seen = ms;  // the fastest repetition
    }
    ConsoleReporter::ReportRuns(runs);
  }
  // Wall-clock milliseconds per iteration of the named benchmark (0 when it did not run).
  double ms(const std::string& name) const {
    auto it = ms_.find(name);
    return it == ms_.end() ? 0 : it->second;
  }

 private:
  std::map<std::string, double> ms_;
};

}  // namespace ostrel::bench
