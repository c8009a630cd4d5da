// Twiddle tables of the radix-4 FFT passes, built on first use of each pass size. The angles are
// evaluated directly (not by recurrence) so every entry is correct to the last bit or two.
#include "fft_twiddles.h"

#include <cmath>
#include <memory>
#include <mutex>
#include <new>

namespace numera::signal {
namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

struct Level {
  std::once_flag once;
  std::unique_ptr<double[]> table;
};

Level g_levels[kMaxTwiddleLevel + 1];

}  // namespace

void compute_twiddles(std::size_t L, std::size_t j0, std::size_t j1, double* w1, double* w2,
                      double* w3) {
  const double step = kTwoPi / static_cast<double>(4 * L);
  for (std::size_t j = j0; j < j1; ++j) {
    const std::size_t t = 2 * (j - j0);
    double* const w[3] = {w1, w2, w3};
    for (std::size_t e = 1; e <= 3; ++e) {
      // Reduce e*j modulo 4L before scaling: exact integer arithmetic keeps the angle small.
      const double angle = step * static_cast<double>((e * j) % (4 * L));
      w[e - 1][t] = std::cos(angle);
      w[e - 1][t + 1] = std::sin(angle);
    }
  }
}

const double* twiddle_table(int level) {
  if (level < 0 || level > kMaxTwiddleLevel) return nullptr;
  Level& lv = g_levels[level];
  std::call_once(lv.once, [&lv, level] {
    const std::size_t L = std::size_t{1} << level;
    lv.table.reset(new (std::nothrow) double[6 * L]);
    if (lv.table) compute_twiddles(L, 0, L, lv.table.get(), lv.table.get() + 2 * L, lv.table.get() + 4 * L);
  });
  return lv.table.get();
}

}  // namespace numera::signal
