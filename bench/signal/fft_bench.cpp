// Four1 and RealFFT against FFTW on the same data in the same run. Each benchmark iteration is one
// in-place transform, alternating forward and inverse so the values stay finite (a pair scales
// them by N); every 64 transforms the buffer is refreshed from the same source data (an amortised
// copy that both libraries pay alike). FFTW gets FFTW_MEASURE plans on 32-byte aligned arrays, and
// so do we (the 1-based pointer points one double before an aligned array).
// At the end the ratio of our rate to FFTW's is printed for each size, from CPU time per
// transform (wall time on a shared machine mostly measures the other processes).
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "numera32.h"
#include "qbx_bench/ratio_reporter.h"

namespace {

constexpr int kRefresh = 64;

struct AlignedBuffer {
  double* data;
  std::size_t size;
  explicit AlignedBuffer(std::size_t n) : data(fftw_alloc_real(n)), size(n) {}
  ~AlignedBuffer() { fftw_free(data); }
  AlignedBuffer(const AlignedBuffer&) = delete;
  AlignedBuffer& operator=(const AlignedBuffer&) = delete;
};

const std::vector<double>& source(std::size_t doubles) {
  static std::map<std::size_t, std::vector<double>> cache;
  auto& v = cache[doubles];
  if (v.empty()) {
    std::mt19937 gen(1234);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    v.resize(doubles);
    for (auto& x : v) x = dist(gen);
  }
  return v;
}

void fill(double* dst, std::size_t doubles) { std::memcpy(dst, source(doubles).data(), doubles * sizeof(double)); }

void set_rate(benchmark::State& state, std::size_t n_complex) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n_complex));
}

void BM_Four1(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  AlignedBuffer buf(2 * n + 4);
  double* p = buf.data + 4 - 1;  // p[1] is 32-byte aligned
  fill(p + 1, 2 * n);
  int count = 0, sign = 1;
  for (auto _ : state) {
    if (++count == kRefresh) {
      count = 0;
      sign = 1;
      fill(p + 1, 2 * n);
    }
    Four1(p, static_cast<int32_t>(n), sign);
    sign = -sign;
    benchmark::DoNotOptimize(p[1]);
  }
  set_rate(state, n);
}

void BM_FFTW_c2c(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  fftw_complex* a = fftw_alloc_complex(n);
  fftw_plan fwd = fftw_plan_dft_1d(static_cast<int>(n), a, a, FFTW_BACKWARD, FFTW_MEASURE);  // exp(+i...)
  fftw_plan inv = fftw_plan_dft_1d(static_cast<int>(n), a, a, FFTW_FORWARD, FFTW_MEASURE);
  double* d = reinterpret_cast<double*>(a);
  fill(d, 2 * n);
  int count = 0;
  bool forward = true;
  for (auto _ : state) {
    if (++count == kRefresh) {
      count = 0;
      forward = true;
      fill(d, 2 * n);
    }
    fftw_execute(forward ? fwd : inv);
    forward = !forward;
    benchmark::DoNotOptimize(d[0]);
  }
  fftw_destroy_plan(fwd);
  fftw_destroy_plan(inv);
  fftw_free(a);
  set_rate(state, n);
}

// RealFFT's n is half the number of reals: 2n reals per transform.
void BM_RealFFT(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  AlignedBuffer buf(2 * n + 4);
  double* p = buf.data + 4 - 1;
  fill(p + 1, 2 * n);
  int count = 0, sign = 1;
  for (auto _ : state) {
    if (++count == kRefresh) {
      count = 0;
      sign = 1;
      fill(p + 1, 2 * n);
    }
    RealFFT(p, static_cast<int32_t>(n), sign);
    sign = -sign;
    benchmark::DoNotOptimize(p[1]);
  }
  set_rate(state, n);
}

void BM_FFTW_r2c(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  double* real = fftw_alloc_real(2 * n);
  fftw_complex* freq = fftw_alloc_complex(n + 1);
  fftw_plan fwd = fftw_plan_dft_r2c_1d(static_cast<int>(2 * n), real, freq, FFTW_MEASURE);
  fftw_plan inv = fftw_plan_dft_c2r_1d(static_cast<int>(2 * n), freq, real, FFTW_MEASURE);
  fill(real, 2 * n);
  int count = 0;
  bool forward = true;
  for (auto _ : state) {
    if (++count == kRefresh) {
      count = 0;
      forward = true;
      fill(real, 2 * n);
    }
    fftw_execute(forward ? fwd : inv);
    forward = !forward;
    benchmark::DoNotOptimize(real[0]);
  }
  fftw_destroy_plan(fwd);
  fftw_destroy_plan(inv);
  fftw_free(real);
  fftw_free(freq);
  set_rate(state, n);
}

BENCHMARK(BM_Four1)->RangeMultiplier(2)->Range(1 << 10, 1 << 16);
BENCHMARK(BM_FFTW_c2c)->RangeMultiplier(2)->Range(1 << 10, 1 << 16);
BENCHMARK(BM_RealFFT)->RangeMultiplier(2)->Range(1 << 10, 1 << 16);
BENCHMARK(BM_FFTW_r2c)->RangeMultiplier(2)->Range(1 << 10, 1 << 16);

}  // namespace

int main(int argc, char** argv) {
  return qbx_bench::run_with_ratios(argc, argv, [](const qbx_bench::RatioReporter& r) {
    std::printf("\nrate ratio (ours / FFTW, higher is better)\n%8s %10s %10s\n", "N", "Four1", "RealFFT");
    for (int lg = 10; lg <= 16; ++lg) {
      const std::string n = "/" + std::to_string(1 << lg);
      std::printf("%8s %10.3f %10.3f\n", n.c_str() + 1, r.ratio("BM_Four1" + n, "BM_FFTW_c2c" + n),
                  r.ratio("BM_RealFFT" + n, "BM_FFTW_r2c" + n));
    }
  });
}
