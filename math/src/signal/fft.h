// The transforms on 0-based interleaved complex arrays that the exported 1-based functions wrap:
// an in-place complex FFT, the packed real FFT and the two-real-arrays transform.
#ifndef NUMERA32_SPECTRA_FFT_H
#define NUMERA32_SPECTRA_FFT_H

#include <cstddef>

namespace numera::signal {

// True for 1, 2, 4, 8, ...
bool is_power_of_two(long long n);

// In place: z (n complex values, 2n doubles) becomes sum_j z_j exp(s*2*pi*i*j*k/n), s = +1 forward,
// -1 inverse. n a power of 2. No allocation after the first use of each size.
void fft_complex(double* z, std::size_t n, bool inverse);

struct FftKernels;
// The same with a given set of butterfly kernels (the tests compare the implementations).
void fft_complex(double* z, std::size_t n, bool inverse, const FftKernels& kernels);

// In place on 2n reals: forward gives the packed half transform (F_0 and F_n real in x[0], x[1]);
// inverse turns such a transform back into n times the reals. n a power of 2.
void fft_real(double* x, std::size_t n, bool inverse);

// Forward transforms of two real arrays (n values each) into f1 and f2 (n complex values each).
// d2 may be the same array as f2 (it is read completely before f2 is written); otherwise the
// arrays must not overlap.
void fft_two_real(const double* d1, const double* d2, double* f1, double* f2, std::size_t n);

}  // namespace numera::signal

#endif
