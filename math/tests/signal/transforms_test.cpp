// Transforms, correlation, convolution and periodogram against direct sums, Parseval's theorem and
// round trips; every 1-based array is guarded by sentinels at [0] and after its end.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numera32_signal.h"
#include "reference.h"

namespace {

constexpr double kSentinel = 12345.678;
constexpr double kTol = 1e-9;

// A 1-based array of n values with a sentinel at [0] and at [n + 1].
struct OneBased {
  std::vector<double> buf;
  explicit OneBased(std::size_t n) : buf(n + 2, 0.0) {
    buf[0] = kSentinel;
    buf[n + 1] = kSentinel;
  }
  OneBased(const std::vector<double>& v) : OneBased(v.size()) {
    std::copy(v.begin(), v.end(), buf.begin() + 1);
  }
  double* p() { return buf.data(); }
  double* values() { return buf.data() + 1; }
  std::vector<double> vec() const { return {buf.begin() + 1, buf.end() - 1}; }
  bool guards_intact() const { return buf.front() == kSentinel && buf.back() == kSentinel; }
};

TEST(Four1, MatchesDirectDftBothSignsAllSizes) {
  for (int32_t n = 1; n <= 4096; n *= 2) {
    for (int sign : {1, -1}) {
      const auto z = ref::random_values(2 * n, 100 + n + sign);
      OneBased a(z);
      ASSERT_EQ(Four1(a.p(), n, sign), 0);
      const auto expect = ref::dft(z, sign);
      EXPECT_LT(ref::relative_error(a.values(), expect.data(), 2 * n), kTol) << "n=" << n << " sign=" << sign;
      EXPECT_TRUE(a.guards_intact()) << n;
    }
  }
}

TEST(Four1, LargeSizesMatchDirectBinsAndRoundTrip) {
  // 2^20 values use passes whose twiddles are computed on the fly rather than kept.
  for (int32_t n : {1 << 16, 1 << 20}) {
    const auto z = ref::random_values(2 * n, 7 + n);
    OneBased a(z);
    ASSERT_EQ(Four1(a.p(), n, 1), 0);
    double scale = 0;
    for (std::size_t k : {0u, 1u, 3u, 1000u, 65535u % n, static_cast<unsigned>(n / 2), static_cast<unsigned>(n - 1)}) {
      double re, im;
      ref::dft_bin(z.data(), n, k, 1, re, im);
      scale = std::fmax(scale, std::hypot(re, im));
      EXPECT_NEAR(a.values()[2 * k], re, 1e-9 * std::sqrt(n)) << n << " bin " << k;
      EXPECT_NEAR(a.values()[2 * k + 1], im, 1e-9 * std::sqrt(n)) << n << " bin " << k;
    }
    ASSERT_EQ(Four1(a.p(), n, -1), 0);
    for (std::size_t i = 0; i < z.size(); ++i) ASSERT_NEAR(a.values()[i], n * z[i], 1e-9 * n) << i;
    EXPECT_TRUE(a.guards_intact());
  }
}

TEST(Four1, RoundTripGivesNTimesInputAndParsevalHolds) {
  const int32_t n = 512;
  const auto z = ref::random_values(2 * n, 3);
  OneBased a(z);
  ASSERT_EQ(Four1(a.p(), n, 1), 0);
  long double energy_time = 0, energy_freq = 0;
  for (std::size_t i = 0; i < z.size(); ++i) {
    energy_time += z[i] * z[i];
    energy_freq += a.values()[i] * a.values()[i];
  }
  EXPECT_NEAR(static_cast<double>(energy_freq / n), static_cast<double>(energy_time), 1e-9 * energy_time);
  ASSERT_EQ(Four1(a.p(), n, -1), 0);
  for (std::size_t i = 0; i < z.size(); ++i) EXPECT_NEAR(a.values()[i], n * z[i], 1e-10 * n);
}

TEST(Four1, RejectsBadArgumentsWithoutTouchingData) {
  OneBased a(std::vector<double>{1, 2, 3, 4, 5, 6});
  EXPECT_EQ(Four1(a.p(), 3, 1), kSpectraFailed);
  EXPECT_EQ(Four1(a.p(), 0, 1), kSpectraFailed);
  EXPECT_EQ(Four1(a.p(), -4, 1), kSpectraFailed);
  EXPECT_EQ(Four1(a.p(), 2, 0), kSpectraFailed);
  EXPECT_EQ(Four1(a.p(), 2, 2), kSpectraFailed);
  EXPECT_EQ(Four1(nullptr, 2, 1), kSpectraFailed);
  EXPECT_EQ(a.vec(), (std::vector<double>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(RealFFT(a.p(), 3, 1), kSpectraFailed);
  EXPECT_EQ(RealFFT(nullptr, 2, 1), kSpectraFailed);
  EXPECT_EQ(RealFFT(a.p(), 2, -2), kSpectraFailed);
}

// The packed half transform of 2n reals, built from the direct complex DFT.
std::vector<double> packed_reference(const std::vector<double>& x) {
  const std::size_t n2 = x.size();
  std::vector<double> z(2 * n2);
  for (std::size_t i = 0; i < n2; ++i) z[2 * i] = x[i];
  const auto f = ref::dft(z, 1);
  std::vector<double> packed(n2);
  packed[0] = f[0];
  packed[1] = f[n2];  // real part of F_n
  for (std::size_t k = 1; k < n2 / 2; ++k) {
    packed[2 * k] = f[2 * k];
    packed[2 * k + 1] = f[2 * k + 1];
  }
  return packed;
}

TEST(RealFFT, ForwardMatchesDirectDftAndInverseGivesNTimesInput) {
  for (int32_t n = 1; n <= 4096; n *= 2) {
    const auto x = ref::random_values(2 * n, 500 + n);
    OneBased a(x);
    ASSERT_EQ(RealFFT(a.p(), n, 1), 0);
    const auto expect = packed_reference(x);
    EXPECT_LT(ref::relative_error(a.values(), expect.data(), 2 * n), kTol) << "n=" << n;
    ASSERT_EQ(RealFFT(a.p(), n, -1), 0);
    for (std::size_t i = 0; i < x.size(); ++i) ASSERT_NEAR(a.values()[i], n * x[i], 1e-11 * n) << n << " " << i;
    EXPECT_TRUE(a.guards_intact());
  }
}

TEST(RealFFT, ConstantInputPacksBothRealPartsAndNothingElse) {
  OneBased a(std::vector<double>(8, 2.5));
  ASSERT_EQ(RealFFT(a.p(), 4, 1), 0);
  EXPECT_NEAR(a.values()[0], 8 * 2.5, 1e-12);
  for (int i = 1; i < 8; ++i) EXPECT_NEAR(a.values()[i], 0.0, 1e-12) << i;
  EXPECT_TRUE(a.guards_intact());
}

TEST(TwoFFT, SeparatesBothSpectra) {
  for (int32_t n : {1, 2, 4, 64, 1024}) {
    const auto d1 = ref::random_values(n, 11 + n), d2 = ref::random_values(n, 12 + n);
    OneBased a(d1), b(d2), f1(2 * n), f2(2 * n);
    ASSERT_EQ(TwoFFT(a.p(), b.p(), f1.p(), f2.p(), n), 0);
    for (const auto& [d, f] : {std::pair{&d1, &f1}, std::pair{&d2, &f2}}) {
      std::vector<double> z(2 * n);
      for (int32_t i = 0; i < n; ++i) z[2 * i] = (*d)[i];
      const auto expect = ref::dft(z, 1);
      EXPECT_LT(ref::relative_error(f->values(), expect.data(), 2 * n), kTol) << n;
      EXPECT_TRUE(f->guards_intact());
    }
    EXPECT_EQ(a.vec(), d1);
    EXPECT_EQ(b.vec(), d2);
  }
  OneBased x(4), y(8);
  EXPECT_EQ(TwoFFT(x.p(), x.p(), y.p(), nullptr, 4), kSpectraFailed);
  EXPECT_EQ(TwoFFT(x.p(), x.p(), y.p(), y.p(), 6), kSpectraFailed);
}

TEST(Correl, MatchesDirectCircularCorrelationInWrapAroundOrder) {
  for (int32_t n : {2, 4, 16, 256, 2048}) {
    const auto d1 = ref::random_values(n, 21 + n), d2 = ref::random_values(n, 22 + n);
    OneBased a(d1), b(d2), ans(2 * n);
    ASSERT_EQ(Correl(a.p(), b.p(), n, ans.p()), 0);
    const auto expect = ref::correlation(d1, d2);
    EXPECT_LT(ref::relative_error(ans.values(), expect.data(), n), kTol) << n;
    EXPECT_TRUE(ans.guards_intact());
    EXPECT_EQ(a.vec(), d1);
    EXPECT_EQ(b.vec(), d2);
  }
  // A shifted copy peaks at its lag: data1 = data2 delayed by 3 -> c_3 largest; lag -1 in ans[n].
  const int32_t n = 32;
  std::vector<double> base = ref::random_values(n, 9), shifted(n);
  for (int32_t i = 0; i < n; ++i) shifted[(i + 3) % n] = base[i];
  OneBased a(shifted), b(base), ans(2 * n);
  ASSERT_EQ(Correl(a.p(), b.p(), n, ans.p()), 0);
  const auto c = ref::correlation(shifted, base);
  EXPECT_NEAR(ans.p()[n], c[n - 1], 1e-12);
  int best = 0;
  for (int j = 1; j < n; ++j)
    if (ans.values()[j] > ans.values()[best]) best = j;
  EXPECT_EQ(best, 3);
  EXPECT_EQ(Correl(a.p(), b.p(), 1, ans.p()), kSpectraFailed);
  EXPECT_EQ(Correl(a.p(), b.p(), 12, ans.p()), kSpectraFailed);
}

// The response's lag values -half .. half, and the same in the caller's wrap-around order.
struct Response {
  std::vector<double> by_lag;
  OneBased wrapped;
  explicit Response(const std::vector<double>& lags) : by_lag(lags), wrapped(lags.size()) {
    const int half = static_cast<int>(lags.size() - 1) / 2;
    const int m = static_cast<int>(lags.size());
    for (int k = 0; k <= half; ++k) wrapped.values()[k] = lags[half + k];
    for (int k = 1; k <= half; ++k) wrapped.values()[m - k] = lags[half - k];
  }
};

TEST(Convolution, MatchesDirectSumWithWrapAround) {
  for (int32_t n : {2, 8, 64, 1024}) {
    for (int32_t m = 1; m <= std::min(n - 1, 9); m += 2) {
      const auto s = ref::random_values(n, 31 + n + m);
      Response r(ref::random_values(m, 41 + m));
      const auto wrapped_before = r.wrapped.vec();
      OneBased data(s), ans(2 * n);
      ASSERT_EQ(Convolution(data.p(), n, r.wrapped.p(), m, 1, ans.p()), 0);
      const auto expect = ref::convolution(s, r.by_lag, (m - 1) / 2);
      EXPECT_LT(ref::relative_error(ans.values(), expect.data(), n), kTol) << n << " m=" << m;
      EXPECT_TRUE(ans.guards_intact());
      EXPECT_TRUE(r.wrapped.guards_intact());
      EXPECT_EQ(r.wrapped.vec(), wrapped_before) << "response must not be modified";
      EXPECT_EQ(data.vec(), s);
    }
  }
}

TEST(Convolution, DeconvolutionUndoesConvolutionAndFailsAtAResponseZero) {
  const int32_t n = 64;
  const auto s = ref::random_values(n, 77);
  Response r({0.1, 0.2, 1.0, 0.3, -0.1});  // no zero in its transform: |1| > sum of the rest
  OneBased data(s), conv(2 * n);
  ASSERT_EQ(Convolution(data.p(), n, r.wrapped.p(), 5, 1, conv.p()), 0);
  OneBased blurred(conv.vec().size() / 2);
  std::copy(conv.values(), conv.values() + n, blurred.values());
  OneBased back(2 * n);
  ASSERT_EQ(Convolution(blurred.p(), n, r.wrapped.p(), 5, -1, back.p()), 0);
  EXPECT_LT(ref::relative_error(back.values(), s.data(), n), kTol);
  // Zero lag 1, lags +-1 of -0.5: the response sums to exactly 0 at zero frequency.
  Response zero({-0.5, 1.0, -0.5});
  EXPECT_EQ(Convolution(data.p(), n, zero.wrapped.p(), 3, 0, back.p()), kSpectraFailed);
  EXPECT_EQ(Convolution(data.p(), n, r.wrapped.p(), 4, 1, back.p()), kSpectraFailed);  // m even
  EXPECT_EQ(Convolution(data.p(), 4, r.wrapped.p(), 5, 1, back.p()), kSpectraFailed);  // m > n
  EXPECT_EQ(Convolution(data.p(), 48, r.wrapped.p(), 5, 1, back.p()), kSpectraFailed);
}

TEST(PSDPeriodogram, FollowsTheAmplitudeFormulaWritesHalfAndSatisfiesParseval) {
  const int32_t n = 8;
  const auto x = ref::random_values(n, 5);
  std::vector<double> z(2 * n);
  for (int32_t i = 0; i < n; ++i) z[2 * i] = x[i];
  const auto f = ref::dft(z, 1);
  std::vector<double> re(n), im(n);
  for (int32_t k = 0; k < n; ++k) {
    re[k] = f[2 * k];
    im[k] = f[2 * k + 1];
  }
  std::vector<double> out(n / 2 + 1, kSentinel);
  ASSERT_EQ(PSDPeriodogram(re.data(), im.data(), out.data(), n), 0);
  EXPECT_EQ(out[n / 2], kSentinel) << "N = 8 writes exactly 4 values";
  EXPECT_NEAR(out[0], 2 * std::hypot(re[0], im[0]) / n, 1e-15);
  for (int32_t k = 1; k < n / 2; ++k)
    EXPECT_NEAR(out[k], 2 * std::sqrt(re[k] * re[k] + im[k] * im[k] + re[n - k] * re[n - k] + im[n - k] * im[n - k]) / n, 1e-15);
  // Parseval: sum P_k^2 = 4/n^2 * (n * sum x^2 - |X_{n/2}|^2).
  double sum_p2 = 0, sum_x2 = 0;
  for (int32_t k = 0; k < n / 2; ++k) sum_p2 += out[k] * out[k];
  for (double v : x) sum_x2 += v * v;
  const double nyq2 = re[n / 2] * re[n / 2] + im[n / 2] * im[n / 2];
  EXPECT_NEAR(sum_p2, 4.0 / (n * n) * (n * sum_x2 - nyq2), 1e-12);
  EXPECT_EQ(PSDPeriodogram(re.data(), im.data(), out.data(), 1), kSpectraFailed);
  EXPECT_EQ(PSDPeriodogram(nullptr, im.data(), out.data(), 8), kSpectraFailed);
}

}  // namespace
