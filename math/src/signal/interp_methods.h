// The four interpolation methods on a small window of points (x ascending).
#ifndef NUMERA32_SPECTRA_INTERP_METHODS_H
#define NUMERA32_SPECTRA_INTERP_METHODS_H

#include <cstddef>
#include <cstdint>

namespace numera::signal {

// y at x from the window (xs[i], ys[i]), i < n (2 <= n <= 8) by method 1 .. 4 (kInterp*).
// Returns 0, kSpectraBadMethod, kSpectraPole or kSpectraEqualX (methods 1 .. 3 only).
int32_t interpolate_window(int method, const double* xs, const double* ys, std::size_t n, double x,
                           double& y);

}  // namespace numera::signal

#endif
