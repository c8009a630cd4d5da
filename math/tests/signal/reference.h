// Independent references for the transform and fit tests: direct sums in long double, written from the
// defining formulas and sharing nothing with the library's fast algorithms.
#ifndef NUMERA32_SPECTRA_TEST_REFERENCE_H
#define NUMERA32_SPECTRA_TEST_REFERENCE_H

#include <cstdint>
#include <vector>

namespace ref {

// Direct O(n^2) DFT of n complex values (interleaved, 0-based): X_k = sum z_j exp(sign*2*pi*i*j*k/n).
std::vector<double> dft(const std::vector<double>& z, int sign);
// One bin of the DFT, O(n).
void dft_bin(const double* z, std::size_t n, std::size_t k, int sign, double& re, double& im);
// Circular correlation c_j = sum_k a[(j+k) mod n] * b[k] and convolution
// y_j = sum_k r_k * s[(j-k) mod n] for lags k = -(m-1)/2 .. (m-1)/2.
std::vector<double> correlation(const std::vector<double>& a, const std::vector<double>& b);
std::vector<double> convolution(const std::vector<double>& s, const std::vector<double>& lag_values,
                                int half);
// Deterministic pseudo-random values in [-1, 1).
std::vector<double> random_values(std::size_t n, std::uint32_t seed);
// Largest |a_i - b_i| divided by the largest |b_i| (absolute when b is all zero).
double relative_error(const double* a, const double* b, std::size_t n);

}  // namespace ref

#endif
