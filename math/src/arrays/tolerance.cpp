// Tolerance checks of a measured curve (x channel, y channel) against a single point or a limit curve,
// with the measured value at an x taken on the straight line between the neighbouring rows.
#include <algorithm>

#include "arrays/database_io.h"
#include "numera32_arrays.h"

namespace {

namespace db = numera32::arrays::db;

enum Mode { kLower = 0, kUpper = 1 };
enum class Found { kValue, kBeyond, kFailed };

// A measured curve read row by row.
struct Curve {
  Curve(int32_t x_channel, int32_t y_channel)
      : x(x_channel), y(y_channel), rows(std::min(db::length(x_channel), db::length(y_channel))) {}
  db::RowReader x;
  db::RowReader y;
  int32_t rows;
};

// The measured value at `at`: the first row r from `row` on whose x is >= at, interpolated with row
// r - 1. `row` moves to r. kBeyond when no row reaches `at`; kFailed when r is the first row, the
// two x are equal, or a read fails.
Found value_at(Curve& c, double at, int32_t& row, double& value) {
  double xr = 0.0;
  for (;; ++row) {
    if (row > c.rows) return Found::kBeyond;
    if (!c.x.at(row, xr)) return Found::kFailed;
    if (xr >= at) break;
  }
  double xp = 0.0;
  double yp = 0.0;
  double yr = 0.0;
  if (row == 1 || !c.x.at(row - 1, xp) || xp == xr || !c.y.at(row - 1, yp) || !c.y.at(row, yr)) {
    return Found::kFailed;
  }
  value = yp + (yr - yp) * (at - xp) / (xr - xp);
  return Found::kValue;
}

int32_t check_point(int32_t mode, int32_t x_channel, int32_t y_channel, double x, double* extreme) {
  if (extreme == nullptr) return kChannelOpFailed;
  Curve curve(x_channel, y_channel);
  int32_t row = 1;
  double v = 0.0;
  if (value_at(curve, x, row, v) != Found::kValue) return kChannelOpFailed;
  if ((mode == kLower && v < *extreme) || (mode == kUpper && v > *extreme)) {
    *extreme = v;
    return 1;
  }
  return 0;
}

int32_t check_curve(int32_t mode, int32_t x_channel, int32_t y_channel, int32_t x_limit, int32_t y_limit,
                    int32_t min_count, double* first_value, int32_t* first_row) {
  if (first_value == nullptr || first_row == nullptr || (mode != kLower && mode != kUpper)) return kChannelOpFailed;
  Curve measured(x_channel, y_channel);
  Curve limit(x_limit, y_limit);
  int32_t row = 1;
  int32_t run = 0;
  for (int32_t k = 1; k <= limit.rows; ++k) {
    double lx = 0.0;
    double ly = 0.0;
    if (!limit.x.at(k, lx) || !limit.y.at(k, ly)) return kChannelOpFailed;
    double y = 0.0;
    const int32_t last_row = row;
    const Found found = value_at(measured, lx, row, y);
    if (found == Found::kFailed) return kChannelOpFailed;
    if (found == Found::kBeyond) {  // skipped; the search goes on from the row found last
      row = last_row;
      continue;
    }
    const bool violated = mode == kLower ? ly > y : ly < y;
    if (!violated) {
      run = 0;
      continue;
    }
    if (run++ == 0) {
      *first_value = y;
      *first_row = k;
    }
    if (run >= min_count) return 1;
  }
  return 0;
}

}  // namespace

extern "C" {

NUMERA32_API int32_t CheckTolerance(int32_t mode, int32_t x_channel, int32_t y_channel, double x, double* extreme) {
  try {
    return check_point(mode, x_channel, y_channel, x, extreme);
  } catch (...) {
    return kChannelOpFailed;
  }
}

NUMERA32_API int32_t CheckToleranceChan(int32_t mode, int32_t x_channel, int32_t y_channel, int32_t x_limit_channel,
                                        int32_t y_limit_channel, int32_t min_count, double* first_value,
                                        int32_t* first_row) {
  try {
    return check_curve(mode, x_channel, y_channel, x_limit_channel, y_limit_channel, min_count, first_value,
                       first_row);
  } catch (...) {
    return kChannelOpFailed;
  }
}

}  // extern "C"
