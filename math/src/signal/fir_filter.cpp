// Finite-impulse-response filter over a database channel: each output row is the weighted sum
// of a window of source rows, the window's ends held at the first and last row's value.
#include <vector>

#include "channel_io.h"
#include "guard.h"
#include "numera32_signal.h"

using namespace numera::signal;

namespace {
constexpr int32_t kMaxTaps = 255;
}

extern "C" int32_t FIRFilter(int32_t source, int32_t target, int32_t nl, int32_t nr, const double* coeffs) {
  if (source == target || nl < 0 || nr < 0 || !coeffs ||
      static_cast<int64_t>(nl) + nr + 1 > kMaxTaps)
    return kSpectraFailed;
  return guarded([&]() -> int32_t {
    const int32_t rows = db::length(source);
    if (rows < 2) return kSpectraFailed;
    if (const int32_t st = db::set_length(target, 0); st < 0) return st;
    std::vector<double> v;
    if (const int32_t st = db::read_rows(source, rows, v); st < 0) return st;
    db::Appender out(target);
    const int32_t taps = nl + nr + 1;
    for (int32_t r = 0; r < rows; ++r) {
      double sum = 0.0;
      for (int32_t k = 0; k < taps; ++k) {
        int32_t row = r - nl + k;
        row = row < 0 ? 0 : (row >= rows ? rows - 1 : row);
        sum += coeffs[k] * v[static_cast<std::size_t>(row)];
      }
      out.push(sum);
    }
    return out.flush();
  });
}
