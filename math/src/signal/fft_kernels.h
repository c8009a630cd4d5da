// Butterfly passes of the in-place radix-4 decimation-in-time FFT on interleaved complex doubles
// (x[2j] real, x[2j+1] imaginary, 0-based). Two implementations share this interface: portable
// scalar code and an AVX2/FMA one chosen at run time when the processor has it. The header holds
// declarations only, so no inline code is compiled for two instruction sets and merged by the linker.
#ifndef NUMERA32_SPECTRA_FFT_KERNELS_H
#define NUMERA32_SPECTRA_FFT_KERNELS_H

#include <cstddef>

namespace numera::signal {

struct FftKernels {
  // Radix-2 pass with span 1 over n complex values (pairs 2j, 2j+1; no twiddles).
  void (*radix2_first)(double* x, std::size_t n);
  // Radix-4 pass with span 1 over n complex values (groups of four; no twiddles).
  void (*radix4_first)(double* x, std::size_t n, bool inverse);
  // Radix-4 pass with span L over n complex values (n a multiple of 4L), for the butterflies
  // j0 <= j < j1 of every group. w1, w2, w3 hold exp(+2*pi*i*e*j/(4L)) for e = 1, 2, 3 as
  // interleaved complex values, element 0 belonging to j0. inverse conjugates the twiddles.
  void (*radix4_pass)(double* x, std::size_t n, std::size_t L, std::size_t j0, std::size_t j1,
                      const double* w1, const double* w2, const double* w3, bool inverse);
};

// Portable kernels.
const FftKernels& scalar_kernels();
// AVX2/FMA kernels, or nullptr when the library was built for a processor family without them.
const FftKernels* avx2_kernels();

}  // namespace numera::signal

#endif
