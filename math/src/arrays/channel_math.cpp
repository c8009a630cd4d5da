// Whole-channel operations on database channels: arithmetic into a target channel, searching for the
// first row that meets a condition, and removing or inserting rows. Channels are moved through
// buffers of bounded size, so channels of any length need little memory.
#include <algorithm>
#include <cmath>
#include <vector>

#include "arrays/database_io.h"
#include "numera32_arrays.h"
#include "numera32_evaluate.h"

namespace {

namespace db = numera32::arrays::db;

constexpr int32_t kMathBlock = 100;   // rows per block of DB_QuickMath
constexpr int32_t kFindChunk = 100;   // rows per chunk of DB_FindIndex
constexpr int32_t kShiftBlock = 8192; // values per block of ShiftDBChannel
constexpr int32_t kRemove = -1;

enum QuickOp { kAdd = 1, kSub, kAddConst, kMul, kMulConst, kDiv, kInverse, kSqrt };

bool two_sources(int32_t op) { return op == kAdd || op == kSub || op == kMul || op == kDiv; }
bool uses_constant(int32_t op) { return op == kAddConst || op == kMulConst; }

double quick(int32_t op, double a, double b, double c) {
  constexpr double kFailed = NUMERA32_FORMULA_FAILED_VALUE;
  switch (op) {
    case kAdd: return a + b;
    case kSub: return a - b;
    case kAddConst: return a + c;
    case kMul: return a * b;
    case kMulConst: return a * c;
    case kDiv: return b == 0.0 ? kFailed : a / b;
    case kInverse: return a == 0.0 ? kFailed : 1.0 / a;
    default: return std::sqrt(a);
  }
}

int32_t quick_math(int32_t op, int32_t source_count, const int32_t* sources, int32_t target, const double* constant) {
  if (op < kAdd || op > kSqrt) return 0;
  if (sources == nullptr || source_count < (two_sources(op) ? 2 : 1)) return kChannelOpFailed;
  if (uses_constant(op) && constant == nullptr) return kChannelOpFailed;
  const int32_t rows = db::length(sources[0]);
  if (rows <= 0) return kChannelOpFailed;
  for (int32_t s = 1; s < source_count; ++s) {
    if (db::length(sources[s]) != rows) return kChannelOpFailed;
  }
  const double c = uses_constant(op) ? *constant : 0.0;
  std::vector<double> a(kMathBlock);
  std::vector<double> b(kMathBlock);
  for (int32_t first = 0; first < rows; first += kMathBlock) {
    const int32_t n = std::min(kMathBlock, rows - first);
    int32_t status = db::read(sources[0], first + 1, n, a.data());
    if (status == 0 && two_sources(op)) status = db::read(sources[1], first + 1, n, b.data());
    if (status != 0) return status;
    for (int32_t r = 0; r < n; ++r) a[static_cast<std::size_t>(r)] = quick(op, a[r], b[r], c);
    status = db::write(target, first, n, a.data());
    if (status != 0) return status;
  }
  return 0;
}

// True when rows (or the pair starting at a row) of a chunk meet the condition of `mode`.
bool hit(int32_t mode, const double* x, const double* y, int32_t r, double t) {
  switch (mode) {
    case 0: return y[r] >= t;
    case 1: return y[r] <= t;
    case 2: return std::fabs(y[r + 1] - y[r]) >= t;
    case 3: return std::fabs(y[r + 1] - y[r]) <= t;
    default: {
      const double dx = x[r + 1] - x[r];
      if (dx == 0.0) return false;
      const double slope = std::fabs((y[r + 1] - y[r]) / dx);
      return mode == 4 ? slope >= t : slope <= t;
    }
  }
}

int32_t find_index(int32_t x_channel, int32_t y_channel, int32_t start, int32_t mode, const double* threshold) {
  if (threshold == nullptr || mode < 0 || mode > 5) return kChannelOpFailed;
  const bool slope = mode >= 4;
  const bool pairs = mode >= 2;
  int32_t rows = db::length(y_channel);
  if (slope) {
    const int32_t x_rows = db::length(x_channel);
    if (x_rows <= 0) return kChannelOpFailed;
    rows = std::min(rows, x_rows);
  }
  if (rows <= 0) return kChannelOpFailed;
  std::vector<double> x(kFindChunk);
  std::vector<double> y(kFindChunk);
  for (int32_t first = std::max(start, 0); first < rows; first += kFindChunk) {
    const int32_t n = std::min(kFindChunk, rows - first);
    if (db::read(y_channel, first + 1, n, y.data()) != 0) return kChannelOpFailed;
    if (slope && db::read(x_channel, first + 1, n, x.data()) != 0) return kChannelOpFailed;
    const int32_t last = pairs ? n - 1 : n;
    for (int32_t r = 0; r < last; ++r) {
      if (hit(mode, x.data(), y.data(), r, *threshold)) return first + r + 1;
    }
  }
  return kChannelOpFailed;
}

// Copies `count` values of the channel from 0-based row `from` to row `to`, in blocks ordered so
// that no value is overwritten before it is read.
int32_t move_rows(int32_t channel, int32_t from, int32_t to, int32_t count) {
  std::vector<double> buffer(static_cast<std::size_t>(std::min(count, kShiftBlock)));
  for (int32_t done = 0; done < count;) {
    const int32_t n = std::min(kShiftBlock, count - done);
    // Downwards: from the first block on; upwards: from the last block on.
    const int32_t offset = to < from ? done : count - done - n;
    int32_t status = db::read(channel, from + offset + 1, n, buffer.data());
    if (status == 0) status = db::write(channel, to + offset, n, buffer.data());
    if (status != 0) return status;
    done += n;
  }
  return 0;
}

int32_t fill_rows(int32_t channel, int32_t first, int32_t count, double fill) {
  const std::vector<double> buffer(static_cast<std::size_t>(std::min(count, kShiftBlock)), fill);
  for (int32_t done = 0; done < count;) {
    const int32_t n = std::min(kShiftBlock, count - done);
    const int32_t status = db::write(channel, first + done, n, buffer.data());
    if (status != 0) return status;
    done += n;
  }
  return 0;
}

int32_t shift(int32_t channel, int32_t position, int32_t count, int32_t direction, double fill) {
  const int32_t rows = db::length(channel);
  if (rows < 2 || count < 1 || count > rows - 1) return kChannelOpFailed;
  if (direction == kRemove) {
    // The removed block must lie inside the channel.
    if (position < 1 || position > rows - 1 || count > rows - position + 1) return kChannelOpFailed;
    const int32_t status = move_rows(channel, position - 1 + count, position - 1, rows - (position - 1 + count));
    return status != 0 ? status : db::set_length(channel, rows - count);
  }
  if (position < 1 || position > rows) return kChannelOpFailed;
  const int32_t kept = std::max(0, rows - (position - 1) - count);  // values that move up and stay
  int32_t status = move_rows(channel, position - 1, position - 1 + count, kept);
  if (status == 0) status = fill_rows(channel, position - 1, std::min(count, rows - (position - 1)), fill);
  return status;
}

}  // namespace

extern "C" {

NUMERA32_API int32_t DB_QuickMath(int32_t op, int32_t source_count, const int32_t* sources, int32_t target,
                                  int32_t /*ignored*/, const double* constant) {
  try {
    return quick_math(op, source_count, sources, target, constant);
  } catch (...) {
    return kChannelOpFailed;
  }
}

NUMERA32_API int32_t DB_FindIndex(int32_t x_channel, int32_t y_channel, int32_t start, int32_t mode,
                                  const double* threshold) {
  try {
    return find_index(x_channel, y_channel, start, mode, threshold);
  } catch (...) {
    return kChannelOpFailed;
  }
}

NUMERA32_API int32_t ShiftDBChannel(int32_t channel, int32_t position, int32_t count, int32_t direction,
                                    double fill) {
  try {
    return shift(channel, position, count, direction, fill);
  } catch (...) {
    return kChannelOpFailed;
  }
}

}  // extern "C"
