// A bounded picture of a run of any length for the chart: scans are gathered into at most
// 2 x `buckets` buckets of equal width; when they are full, neighbours merge and the width
// doubles. Each bucket keeps every series' minimum and maximum (overflow values skipped), so
// peaks stay visible while memory stays constant.
#pragma once

#include <cstddef>
#include <vector>

namespace corvane_cli {

class PlotDecimator {
 public:
  PlotDecimator(size_t series, size_t buckets = 700);
  // Scan `index` (0, 1, 2, ... in order) with one value per series.
  void add(long long index, const float* values);
  // Two points per bucket, at the times of its first and last scan (time_of(index)), each
  // series' extremes in the order they occurred; NaN where a bucket held no usable value.
  template <typename TimeOf>
  void points(TimeOf time_of, std::vector<double>* times, std::vector<std::vector<double>>* values) const {
    values->assign(series_, {});
    for (size_t b = 0; b < used_; ++b) {
      times->push_back(time_of(first_[b]));
      times->push_back(time_of(last_[b]));
      for (size_t s = 0; s < series_; ++s) {
        const Extremes& e = cell(b, s);
        const bool low_first = e.low_at <= e.high_at;
        (*values)[s].push_back(e.any ? (low_first ? e.low : e.high) : kGap);
        (*values)[s].push_back(e.any ? (low_first ? e.high : e.low) : kGap);
      }
    }
  }
  size_t memory_cells() const { return cells_.size(); }

 private:
  struct Extremes {
    double low = 0, high = 0;
    long long low_at = 0, high_at = 0;
    bool any = false;
  };
  static constexpr double kGap = __builtin_nan("");
  Extremes& cell(size_t bucket, size_t s) { return cells_[bucket * series_ + s]; }
  const Extremes& cell(size_t bucket, size_t s) const { return cells_[bucket * series_ + s]; }
  void merge_pairs();

  size_t series_;
  size_t capacity_;  // buckets held at most
  long long width_ = 1;
  size_t used_ = 0;
  std::vector<long long> first_, last_;
  std::vector<Extremes> cells_;
};

}  // namespace corvane_cli
