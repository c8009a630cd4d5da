// Straight-line least squares on arrays in memory, shared by LinFit and Normalize's regression
// baseline.
#ifndef NUMERA32_SPECTRA_LINE_FIT_H
#define NUMERA32_SPECTRA_LINE_FIT_H

#include <cstddef>

namespace numera::signal {

struct LineFit {
  double a = 0, b = 0, sig_a = 0, sig_b = 0;  // y = a + b*x; standard errors for unit errors
};

// Fits y = a + b*x to n points. False when n is 0 or all x are equal (no line is determined).
bool fit_line(const double* x, const double* y, std::size_t n, LineFit& out);

}  // namespace numera::signal

#endif
