// LU decomposition and Gauss-Jordan elimination for small dense systems (see linear_solve.h).
#include "linear_solve.h"

#include <cmath>
#include <utility>

namespace numera::signal {

bool lu_solve(std::vector<double> a, std::size_t n, std::vector<double>& b) {
  auto at = [&](std::size_t r, std::size_t c) -> double& { return a[r * n + c]; };
  for (std::size_t col = 0; col < n; ++col) {
    std::size_t pivot = col;
    for (std::size_t r = col + 1; r < n; ++r)
      if (std::fabs(at(r, col)) > std::fabs(at(pivot, col))) pivot = r;
    if (at(pivot, col) == 0.0) return false;
    if (pivot != col) {
      for (std::size_t c = 0; c < n; ++c) std::swap(at(pivot, c), at(col, c));
      std::swap(b[pivot], b[col]);
    }
    for (std::size_t r = col + 1; r < n; ++r) {
      const double f = at(r, col) / at(col, col);
      at(r, col) = f;
      for (std::size_t c = col + 1; c < n; ++c) at(r, c) -= f * at(col, c);
      b[r] -= f * b[col];
    }
  }
  for (std::size_t i = n; i-- > 0;) {
    double s = b[i];
    for (std::size_t c = i + 1; c < n; ++c) s -= at(i, c) * b[c];
    b[i] = s / at(i, i);
  }
  return true;
}

bool gauss_jordan_normal(std::vector<double> a, std::size_t n, std::vector<double>& b) {
  auto at = [&](std::size_t r, std::size_t c) -> double& { return a[r * n + c]; };
  std::vector<double> scale(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (!(at(i, i) > 0.0) || !std::isfinite(at(i, i))) return false;
    scale[i] = 1.0 / std::sqrt(at(i, i));
  }
  for (std::size_t r = 0; r < n; ++r) {
    for (std::size_t c = 0; c < n; ++c) at(r, c) *= scale[r] * scale[c];
    b[r] *= scale[r];
  }
  // Full pivoting: the column order of the unknowns follows the pivots (perm[i] = unknown of row i).
  std::vector<std::size_t> perm(n);
  std::vector<bool> used_row(n, false), used_col(n, false);
  for (std::size_t step = 0; step < n; ++step) {
    std::size_t pr = 0, pc = 0;
    double best = -1.0;
    for (std::size_t r = 0; r < n; ++r) {
      if (used_row[r]) continue;
      for (std::size_t c = 0; c < n; ++c)
        if (!used_col[c] && std::fabs(at(r, c)) > best) {
          best = std::fabs(at(r, c));
          pr = r;
          pc = c;
        }
    }
    if (!(best > 1e-12)) return false;
    used_row[pr] = used_col[pc] = true;
    perm[pr] = pc;
    const double inv = 1.0 / at(pr, pc);
    for (std::size_t c = 0; c < n; ++c) at(pr, c) *= inv;
    b[pr] *= inv;
    for (std::size_t r = 0; r < n; ++r) {
      if (r == pr) continue;
      const double f = at(r, pc);
      if (f == 0.0) continue;
      for (std::size_t c = 0; c < n; ++c) at(r, c) -= f * at(pr, c);
      b[r] -= f * b[pr];
    }
  }
  std::vector<double> x(n);
  for (std::size_t r = 0; r < n; ++r) x[perm[r]] = b[r] * scale[perm[r]];
  b = std::move(x);
  return true;
}

}  // namespace numera::signal
