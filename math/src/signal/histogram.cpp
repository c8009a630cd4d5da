// Histogram of a database channel into equal bins between two bounds: counts to one channel,
// the bins' lower edges to the channel after it, both or neither.
#include <cmath>
#include <vector>

#include "channel_io.h"
#include "guard.h"
#include "numera32_signal.h"

using namespace numera::signal;

namespace {
constexpr int32_t kMinBins = 2;
constexpr int32_t kMaxBins = 128;
}

extern "C" int32_t Histogram(int32_t source, int32_t count_channel, double upper, double lower, int32_t bins) {
  if (!(upper > lower) || bins < kMinBins || bins > kMaxBins || count_channel == source)
    return kSpectraFailed;
  return guarded([&]() -> int32_t {
    const int32_t rows = db::length(source);
    if (rows < 2) return kSpectraFailed;
    std::vector<double> v;
    if (const int32_t st = db::read_rows(source, rows, v); st < 0) return st;
    const double w = (upper - lower) / bins;
    auto edge = [&](int32_t k) { return lower + k * w; };
    std::vector<double> counts(static_cast<std::size_t>(bins), 0.0);
    for (double x : v) {
      if (!(x >= lower && x <= upper)) continue;  // outside, or not a number
      int32_t k = x == upper ? bins - 1 : static_cast<int32_t>(std::floor((x - lower) / w));
      // The quotient may round across an edge; the edges as computed below decide.
      k = k < 0 ? 0 : (k >= bins ? bins - 1 : k);
      while (k > 0 && x < edge(k)) --k;
      while (k < bins - 1 && x >= edge(k + 1)) ++k;
      counts[static_cast<std::size_t>(k)] += 1.0;
    }
    std::vector<double> edges(static_cast<std::size_t>(bins));
    for (int32_t k = 0; k < bins; ++k) edges[static_cast<std::size_t>(k)] = edge(k);
    // Counts without their edges mean nothing: both go in, or neither does.
    return db::append_together({{count_channel, counts}, {count_channel + 1, edges}});
  });
}
