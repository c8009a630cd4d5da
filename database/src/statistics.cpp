// Statistics of a numeric channel. The extremes are kept while writing; when a write at an explicit
// position (or opening the file) made them stale, they are recomputed from the values in the file.
// Mean and standard deviation read every value, summing in extended precision.
#include "statistics.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "database.h"
#include "storix32.h"
#include "values.h"

namespace storix {

namespace {

// Values read per piece while scanning a channel.
constexpr int64_t kScanPiece = 8192;

// Checks the channel for a statistic needing at least `needed` values. Channels 1..10000 above N have
// no values; the description table is not touched for them.
int32_t check_stat_channel(int32_t channel, int32_t needed) {
  if (channel < 1 || channel > kDbMaxStatChannel) return kDbBadChannelRange;
  if (!valid_channel(channel)) return kDbTooFewValues;
  const DbChannelHeader& h = db().hdr[channel];
  if (h.kind != kDbKindNumeric) return kDbNotNumeric;
  if (h.length < needed) return kDbTooFewValues;
  if (!file_open()) return kDbNotOpen;
  return kDbOk;
}

// Calls visit(values, count, first_index) for every piece of the channel's values.
template <class Visit>
int32_t scan(int32_t channel, Visit visit) {
  const int64_t length = db().hdr[channel].length;
  std::vector<double> piece(static_cast<size_t>(std::min(length, kScanPiece)));
  for (int64_t first = 0; first < length; first += kScanPiece) {
    int64_t n = std::min(kScanPiece, length - first);
    if (int32_t rc = read_channel(channel, first, n, piece.data()); rc != kDbOk) return rc;
    visit(piece.data(), n, first);
  }
  return kDbOk;
}

int32_t refresh_extremes(int32_t channel) {
  DbChannelHeader& h = db().hdr[channel];
  if (!h.stats_stale) return kDbOk;
  double lo = 0, hi = 0;
  int64_t lo_at = 0, hi_at = 0;
  int32_t rc = scan(channel, [&](const double* v, int64_t n, int64_t first) {
    for (int64_t i = 0; i < n; ++i) {
      if (first + i == 0) {
        lo = hi = v[0];
        continue;
      }
      if (!(v[i] >= lo)) {
        lo = v[i];
        lo_at = first + i;
      }
      if (v[i] > hi) {
        hi = v[i];
        hi_at = first + i;
      }
    }
  });
  if (rc != kDbOk) return rc;
  h.minimum = lo;
  h.maximum = hi;
  h.min_position = static_cast<int32_t>(lo_at);
  h.max_position = static_cast<int32_t>(hi_at);
  h.stats_stale = 0;
  return kDbOk;
}

int32_t mean_of(int32_t channel, long double* mean) {
  long double sum = 0;
  int32_t rc = scan(channel, [&](const double* v, int64_t n, int64_t) {
    for (int64_t i = 0; i < n; ++i) sum += v[i];
  });
  *mean = sum / db().hdr[channel].length;
  return rc;
}

}  // namespace

namespace {

// The stored (or recomputed) minimum or maximum with its position.
int32_t extreme(int32_t channel, bool largest, double* value, int32_t* position) {
  if (int32_t rc = check_stat_channel(channel, 1); rc != kDbOk) return rc;
  if (int32_t rc = refresh_extremes(channel); rc != kDbOk) return rc;
  const DbChannelHeader& h = db().hdr[channel];
  if (value) *value = largest ? h.maximum : h.minimum;
  if (position) *position = largest ? h.max_position : h.min_position;
  return kDbOk;
}

}  // namespace

int32_t channel_min(int32_t channel, double* value, int32_t* position) {
  return extreme(channel, false, value, position);
}

int32_t channel_max(int32_t channel, double* value, int32_t* position) {
  return extreme(channel, true, value, position);
}

int32_t channel_mean(int32_t channel, double* value) {
  if (int32_t rc = check_stat_channel(channel, 1); rc != kDbOk) return rc;
  long double mean = 0;
  if (int32_t rc = mean_of(channel, &mean); rc != kDbOk) return rc;
  if (value) *value = static_cast<double>(mean);
  return kDbOk;
}

int32_t channel_std(int32_t channel, double* value) {
  if (int32_t rc = check_stat_channel(channel, 2); rc != kDbOk) return rc;
  long double mean = 0;
  if (int32_t rc = mean_of(channel, &mean); rc != kDbOk) return rc;
  long double squares = 0;
  int32_t rc = scan(channel, [&](const double* v, int64_t n, int64_t) {
    for (int64_t i = 0; i < n; ++i) {
      long double d = v[i] - mean;
      squares += d * d;
    }
  });
  if (rc != kDbOk) return rc;
  if (value) *value = static_cast<double>(std::sqrt(squares / (db().hdr[channel].length - 1)));
  return kDbOk;
}

}  // namespace storix
