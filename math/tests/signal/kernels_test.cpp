// The portable and the AVX2 butterfly kernels give the same transform as the direct DFT, so the
// kernel a processor without AVX2 runs is checked on this one too.
#include <gtest/gtest.h>

#include "fft.h"
#include "fft_kernels.h"
#include "reference.h"

namespace {

using numera::signal::FftKernels;

void check_kernels(const FftKernels& k, const char* name) {
  for (std::size_t n = 1; n <= 4096; n *= 2) {
    for (bool inverse : {false, true}) {
      auto z = ref::random_values(2 * n, static_cast<std::uint32_t>(900 + n + inverse));
      const auto expect = ref::dft(z, inverse ? -1 : 1);
      numera::signal::fft_complex(z.data(), n, inverse, k);
      EXPECT_LT(ref::relative_error(z.data(), expect.data(), 2 * n), 1e-9) << name << " n=" << n << " inverse=" << inverse;
    }
  }
}

TEST(FftKernels, PortableKernelsMatchDirectDft) { check_kernels(numera::signal::scalar_kernels(), "scalar"); }

TEST(FftKernels, Avx2KernelsMatchDirectDftWhereAvailable) {
  const FftKernels* k = numera::signal::avx2_kernels();
  if (!k || !__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma")) GTEST_SKIP() << "no AVX2";
  check_kernels(*k, "avx2");
}

}  // namespace
