// Savitzky-Golay coefficients: the least-squares polynomial of order m through the window
// -nl .. nr evaluated (or differentiated ld times) at offset 0 is a linear combination of the
// window's values; its weights come from the normal equations solved for the unit vector e_ld.
#include <cstdint>
#include <vector>

#include "guard.h"
#include "linear_solve.h"
#include "numera32_signal.h"

using namespace numera::signal;

extern "C" int32_t SavGol(double* c, int32_t np, int32_t nl, int32_t nr, int32_t ld, int32_t m) {
  if (!c || nl < 0 || nr < 0 || m < 0 || ld < 0 || ld > m || nl + nr < m ||
      static_cast<int64_t>(np) < static_cast<int64_t>(nl) + nr + 1)
    return kSpectraFailed;
  return guarded([&]() -> int32_t {
    const std::size_t size = static_cast<std::size_t>(m) + 1;
    // Normal matrix: entry (i, j) = sum over offsets k of k^(i+j).
    std::vector<double> power_sums(2 * size - 1, 0.0);
    for (int32_t k = -nl; k <= nr; ++k) {
      double p = 1.0;
      for (auto& s : power_sums) {
        s += p;
        p *= k;
      }
    }
    std::vector<double> a(size * size);
    for (std::size_t i = 0; i < size; ++i)
      for (std::size_t j = 0; j < size; ++j) a[i * size + j] = power_sums[i + j];
    std::vector<double> b(size, 0.0);
    b[static_cast<std::size_t>(ld)] = 1.0;
    if (!lu_solve(a, size, b)) return kSpectraFailed;
    // b holds the weights of the coefficient of x^ld; the derivative is ld! times it.
    double factorial = 1.0;
    for (int32_t i = 2; i <= ld; ++i) factorial *= i;
    for (int32_t i = 1; i <= np; ++i) c[i] = 0.0;
    for (int32_t k = -nl; k <= nr; ++k) {
      double sum = 0.0, p = 1.0;
      for (std::size_t j = 0; j < size; ++j) {
        sum += b[j] * p;
        p *= k;
      }
      c[1 + ((np - k) % np)] = factorial * sum;
    }
    return kSpectraOk;
  });
}
