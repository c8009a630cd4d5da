// Min/max buckets of doubling width for the chart of a run of unknown length.
#include "plot_decimator.h"

#include "channel_view.h"

namespace corvane_cli {
PlotDecimator::PlotDecimator(size_t series, size_t buckets)
    : series_(series), capacity_(2 * (buckets < 1 ? 1 : buckets)), first_(capacity_), last_(capacity_),
      cells_(capacity_ * series) {}

void PlotDecimator::merge_pairs() {
  const size_t halves = (used_ + 1) / 2;
  for (size_t b = 0; b < halves; ++b) {
    const size_t a = 2 * b, c = 2 * b + 1;
    first_[b] = first_[a];
    last_[b] = c < used_ ? last_[c] : last_[a];
    for (size_t s = 0; s < series_; ++s) {
      Extremes merged = cell(a, s);
      if (c < used_) {
        const Extremes& o = cell(c, s);
        if (o.any && (!merged.any || o.low < merged.low)) merged.low = o.low, merged.low_at = o.low_at;
        if (o.any && (!merged.any || o.high > merged.high)) merged.high = o.high, merged.high_at = o.high_at;
        merged.any = merged.any || o.any;
      }
      cell(b, s) = merged;
    }
  }
  for (size_t b = halves; b < used_; ++b) {
    for (size_t s = 0; s < series_; ++s) cell(b, s) = Extremes{};
  }
  used_ = halves;
  width_ *= 2;
}

void PlotDecimator::add(long long index, const float* values) {
  size_t b = static_cast<size_t>(index / width_);
  while (b >= capacity_) {
    merge_pairs();
    b = static_cast<size_t>(index / width_);
  }
  if (b >= used_) {
    used_ = b + 1;
    first_[b] = index;
  }
  last_[b] = index;
  for (size_t s = 0; s < series_; ++s) {
    const double v = values[s];
    if (is_overflow(v)) continue;
    Extremes& e = cell(b, s);
    if (!e.any || v < e.low) e.low = v, e.low_at = index;
    if (!e.any || v > e.high) e.high = v, e.high_at = index;
    e.any = true;
  }
}

}  // namespace corvane_cli
