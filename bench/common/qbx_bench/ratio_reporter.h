// Benchmarks that compare our code with a peer in the same run: the console report as usual, each
// benchmark's CPU time per iteration kept by name (the median when repetitions run), and the rate
// ratios printed at the end from those times.
#pragma once

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace qbx_bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs)
      if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
        times_[run.run_name.str()] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
  // The rate of `ours` relative to `theirs` (their time / our time, higher is better); NaN when
  // either did not run.
  double ratio(const std::string& ours, const std::string& theirs) const {
    const auto a = times_.find(ours), b = times_.find(theirs);
    return a == times_.end() || b == times_.end() ? std::nan("") : b->second / a->second;
  }

 private:
  std::map<std::string, double> times_;
};

// Runs the benchmarks the command line selects with a RatioReporter and then print(reporter).
// Returns the process status: 1 for unrecognised arguments.
template <class Print>
int run_with_ratios(int argc, char** argv, Print print) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  print(reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace qbx_bench
