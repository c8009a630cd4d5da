// Twiddle factors of the radix-4 passes, computed once per pass size and kept for the life of the
// process, so that transforms do not allocate or evaluate sines per call.
#ifndef NUMERA32_SPECTRA_FFT_TWIDDLES_H
#define NUMERA32_SPECTRA_FFT_TWIDDLES_H

#include <cstddef>

namespace numera::signal {

// Largest pass span (as a power of 2) with a kept table; larger passes compute their twiddles.
inline constexpr int kMaxTwiddleLevel = 17;

// Table for the radix-4 pass with span L = 2^level: three arrays of L interleaved complex values,
// exp(+2*pi*i*e*j/(4L)) for e = 1, 2, 3 and j = 0 .. L-1, at offsets 0, 2L and 4L doubles.
// nullptr when level exceeds kMaxTwiddleLevel or the table could not be allocated.
const double* twiddle_table(int level);

// Fills w1, w2, w3 (interleaved complex) with the twiddles of span L for j0 <= j < j1 directly.
void compute_twiddles(std::size_t L, std::size_t j0, std::size_t j1, double* w1, double* w2,
                      double* w3);

}  // namespace numera::signal

#endif
