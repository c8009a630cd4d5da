// The write and read paths of numeric channels. A write checks every listed channel before it touches
// any, gathers interleaved scans per channel, goes through the channel's write cache or straight to
// the file, then updates the extremes, the length and the stamp, in that order, so that the file
// never shows a length whose values were not written.
#include "values.h"

#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>
#include <memory>
#include <new>

#include "database.h"
#include "file_io.h"
#include "storix32.h"

namespace storix {

namespace {

// Values gathered on the stack before falling back to the heap.
constexpr int32_t kStackValues = 256;

int64_t element_offset(const DbChannelHeader& h, int64_t index) { return h.data_offset + index * kNumericElementSize; }

// Smallest and largest of values[0..count) (count >= 1); false when one of them is NaN.
bool block_range(const double* values, int32_t count, double* smallest, double* largest) {
  int32_t i = 0;
  double lo = values[0], hi = values[0];
  bool nan = false;
#if defined(__SSE2__)
  if (count >= 8) {
    // Four independent accumulators of two lanes each keep the comparisons out of one long chain.
    __m128d lo0 = _mm_loadu_pd(values), lo1 = lo0, lo2 = lo0, lo3 = lo0;
    __m128d hi0 = lo0, hi1 = lo0, hi2 = lo0, hi3 = lo0;
    __m128d unordered = _mm_setzero_pd();
    for (; i + 8 <= count; i += 8) {
      const __m128d a = _mm_loadu_pd(values + i), b = _mm_loadu_pd(values + i + 2);
      const __m128d c = _mm_loadu_pd(values + i + 4), d = _mm_loadu_pd(values + i + 6);
      unordered = _mm_or_pd(unordered, _mm_or_pd(_mm_cmpunord_pd(a, b), _mm_cmpunord_pd(c, d)));
      lo0 = _mm_min_pd(lo0, a);
      lo1 = _mm_min_pd(lo1, b);
      lo2 = _mm_min_pd(lo2, c);
      lo3 = _mm_min_pd(lo3, d);
      hi0 = _mm_max_pd(hi0, a);
      hi1 = _mm_max_pd(hi1, b);
      hi2 = _mm_max_pd(hi2, c);
      hi3 = _mm_max_pd(hi3, d);
    }
    nan = _mm_movemask_pd(unordered) != 0;
    double l[2], h[2];
    _mm_storeu_pd(l, _mm_min_pd(_mm_min_pd(lo0, lo1), _mm_min_pd(lo2, lo3)));
    _mm_storeu_pd(h, _mm_max_pd(_mm_max_pd(hi0, hi1), _mm_max_pd(hi2, hi3)));
    lo = l[0] < l[1] ? l[0] : l[1];
    hi = h[0] > h[1] ? h[0] : h[1];
  }
#endif
  for (; i < count; ++i) {
    nan |= values[i] != values[i];
    if (values[i] < lo) lo = values[i];
    if (values[i] > hi) hi = values[i];
  }
  *smallest = lo;
  *largest = hi;
  return !nan;
}

// Index of the first value equal to `target` (which is present).
int32_t first_equal(const double* values, int32_t count, double target) {
  int32_t i = 0;
#if defined(__SSE2__)
  const __m128d t = _mm_set1_pd(target);
  for (; i + 4 <= count; i += 4) {
    const __m128d hit = _mm_or_pd(_mm_cmpeq_pd(_mm_loadu_pd(values + i), t),
                                  _mm_cmpeq_pd(_mm_loadu_pd(values + i + 2), t));
    if (_mm_movemask_pd(hit) != 0) break;
  }
#endif
  for (; i < count; ++i)
    if (values[i] == target) return i;
  return 0;
}

// Folds new values into the running extremes. `was_empty` starts them at the first new value. Each
// value lower than the minimum or not comparable to it (NaN) becomes the minimum, each value higher
// than the maximum the maximum, so without NaN the first occurrence of the extreme value is kept.
void update_extremes(DbChannelHeader& h, const double* values, int32_t count, int32_t position, bool was_empty) {
  int32_t from = 0;
  if (was_empty) {
    h.minimum = h.maximum = values[0];
    h.min_position = h.max_position = position;
    h.stats_stale = 0;
    from = 1;
  }
  const double* v = values + from;
  const int32_t n = count - from;
  double lo = h.minimum, hi = h.maximum;
  if (n <= 0) return;
  int32_t lo_at = h.min_position, hi_at = h.max_position;
  double block_lo, block_hi;
  // One branch-free pass decides the common case: no NaN and the block inside the running range.
  if (block_range(v, n, &block_lo, &block_hi) && lo == lo) {
    if (!(block_lo < lo) && !(block_hi > hi)) return;
    if (block_lo < lo) {
      int32_t i = first_equal(v, n, block_lo);
      lo = v[i];
      lo_at = position + from + i;
    }
    if (block_hi > hi) {
      int32_t i = first_equal(v, n, block_hi);
      hi = v[i];
      hi_at = position + from + i;
    }
  } else {
    for (int32_t i = 0; i < n; ++i) {
      if (!(v[i] >= lo)) {
        lo = v[i];
        lo_at = position + from + i;
      }
      if (v[i] > hi) {
        hi = v[i];
        hi_at = position + from + i;
      }
    }
  }
  h.minimum = lo;
  h.maximum = hi;
  h.min_position = lo_at;
  h.max_position = hi_at;
}

int32_t write_direct(int32_t channel, const double* values, int32_t count, int32_t position) {
  const DbChannelHeader& h = db().hdr[channel];
  return write_at(db().fd, values, static_cast<size_t>(count) * sizeof(double), element_offset(h, position));
}

}  // namespace

int32_t check_write(int32_t channel, int32_t count, int32_t position) {
  if (!valid_channel(channel)) return kDbBadChannel;
  const DbChannelHeader& h = db().hdr[channel];
  if (h.kind != kDbKindNumeric) return kDbNotNumeric;
  int64_t pos = position == -1 ? h.length : position;
  if (pos > h.length || pos + count > h.max_length) return kDbWriteBeyondEnd;
  return kDbOk;
}

int32_t write_channel(int32_t channel, const double* values, int32_t count, int32_t position, bool use_cache) {
  Database& d = db();
  DbChannelHeader& h = d.hdr[channel];
  const int32_t length = h.length;
  const int32_t pos = position == -1 ? length : position;
  if (count == 0) return kDbOk;

  bool written_to_cache = false;
  if (d.caching && use_cache) {
    WriteCache& c = d.caches[channel];
    const int32_t size = static_cast<int32_t>(c.values.size());
    if (pos < length) {
      if (int32_t rc = flush_cache(channel); rc != kDbOk) return rc;
    }
    if (c.dirty() && c.first + c.count == pos && count <= size - c.count) {
      std::memcpy(c.values.data() + c.count, values, static_cast<size_t>(count) * sizeof(double));
      c.count += count;
      written_to_cache = true;
    } else {
      if (int32_t rc = flush_cache(channel); rc != kDbOk) return rc;
      if (count <= size && pos >= length) {
        std::memcpy(c.values.data(), values, static_cast<size_t>(count) * sizeof(double));
        c.first = pos;
        c.count = count;
        written_to_cache = true;
      }
    }
  } else if (d.caching) {
    if (int32_t rc = flush_cache(channel); rc != kDbOk) return rc;
  }
  if (!written_to_cache) {
    if (int32_t rc = write_direct(channel, values, count, pos); rc != kDbOk) return rc;
  }

  update_extremes(h, values, count, pos, length == 0);
  // Overwriting stored values may remove an extreme: recompute on the next request. Appending keeps
  // the flag as it was, since the stored extremes cover only what they covered before.
  if (pos < length) h.stats_stale = 1;
  if (pos + count > length) {
    h.length = pos + count;
    if (!written_to_cache) {
      if (int32_t rc = write_length(channel); rc != kDbOk) return rc;
    }
  }
  stamp_channel(channel);
  return kDbOk;
}

int32_t write_interleaved(int32_t channels, const int32_t* channel_list, const int32_t* counts, int32_t uniform,
                          const double* data, int32_t position) {
  if (!file_open()) return kDbNotOpen;
  if (position < -1) return kDbBadPosition;
  if (channels < 1 || channel_list == nullptr) return kDbBadPosition;
  auto count_of = [&](int32_t i) -> int32_t { return counts ? counts[i] : uniform; };

  // Every listed channel is checked before any is written.
  int32_t largest = 0;
  for (int32_t i = 0; i < channels; ++i) {
    if (!valid_channel(channel_list[i])) return kDbBadChannel;
  }
  for (int32_t i = 0; i < channels; ++i) {
    int32_t count = count_of(i);
    if (count < 0) return kDbBadPosition;
    if (int32_t rc = check_write(channel_list[i], count, position); rc != kDbOk) return rc;
    if (count > largest) largest = count;
  }
  if (largest > 0 && data == nullptr) return kDbBadPosition;

  if (channels == 1) return write_channel(channel_list[0], data, count_of(0), position, true);

  double on_stack[kStackValues];
  std::unique_ptr<double[]> on_heap;
  double* gathered = on_stack;
  if (largest > kStackValues) {
    on_heap.reset(new (std::nothrow) double[static_cast<size_t>(largest)]);
    if (!on_heap) return kDbNoDeinterleaveMemory;
    gathered = on_heap.get();
  }
  for (int32_t i = 0; i < channels; ++i) {
    const int32_t count = count_of(i);
    for (int32_t k = 0; k < count; ++k) gathered[k] = data[static_cast<int64_t>(k) * channels + i];
    if (int32_t rc = write_channel(channel_list[i], gathered, count, position, true); rc != kDbOk) return rc;
  }
  return kDbOk;
}

int32_t read_channel(int32_t channel, int64_t first, int64_t count, double* out) {
  if (int32_t rc = flush_cache(channel); rc != kDbOk) return rc;
  if (count == 0) return kDbOk;
  const DbChannelHeader& h = db().hdr[channel];
  return read_at(db().fd, out, static_cast<size_t>(count) * sizeof(double), element_offset(h, first));
}

int32_t read_checked(int32_t channel, int32_t start, int32_t count, void* out) {
  if (!file_open()) return kDbNotOpen;
  if (!valid_channel(channel)) return kDbBadChannel;
  const DbChannelHeader& h = db().hdr[channel];
  if (h.kind != kDbKindNumeric) return kDbNotNumeric;
  if (start <= 0 || count < 0) return kDbBadPosition;
  if (static_cast<int64_t>(start) - 1 + count > h.length) return kDbReadBeyondEnd;
  if (count > 0 && out == nullptr) return kDbBadPosition;
  return read_channel(channel, start - 1, count, static_cast<double*>(out));
}

}  // namespace storix
