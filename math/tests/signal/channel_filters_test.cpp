// FIRFilter and Histogram over database channels: values against direct sums and counts, the
// appended lengths, and every refusal.
#include <gtest/gtest.h>

#include <cmath>

#include "channel_fixture.h"
#include "numera32_signal.h"
#include "reference.h"

namespace {

using Fir = ChannelDb;
using HistogramTest = ChannelDb;

TEST_F(Fir, MovingAverageOfFourValuesHoldsTheEnds) {
  put(1, {1, 2, 3, 4});
  const double c[] = {1.0 / 3, 1.0 / 3, 1.0 / 3};
  ASSERT_EQ(FIRFilter(1, 2, 1, 1, c), 0);
  const auto out = values(2);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_NEAR(out[0], 4.0 / 3, 1e-15);
  EXPECT_NEAR(out[1], 2.0, 1e-15);
  EXPECT_NEAR(out[2], 3.0, 1e-15);
  EXPECT_NEAR(out[3], 11.0 / 3, 1e-15);
}

TEST_F(Fir, AsymmetricTapsMatchDirectSumAndTargetIsEmptiedFirst) {
  const auto v = ref::random_values(300, 4);  // more than one read block
  put(3, v);
  put(4, {7, 7, 7});  // old contents of the target are replaced
  const int nl = 4, nr = 2;
  const auto c = ref::random_values(nl + nr + 1, 5);
  ASSERT_EQ(FIRFilter(3, 4, nl, nr, c.data()), 0);
  const auto out = values(4);
  ASSERT_EQ(out.size(), v.size());
  const long last = static_cast<long>(v.size()) - 1;
  for (long r = 0; r <= last; ++r) {
    double expect = 0;
    for (long k = 0; k <= nl + nr; ++k) expect += c[k] * v[std::clamp(r - nl + k, 0L, last)];
    ASSERT_NEAR(out[r], expect, 1e-13) << r;
  }
}

TEST_F(Fir, RefusesBadArgumentsAndReportsAFullTarget) {
  put(1, {1, 2, 3});
  put(5, {1});
  std::vector<double> c(256, 0.1);
  EXPECT_EQ(FIRFilter(1, 1, 1, 1, c.data()), kSpectraFailed);
  EXPECT_EQ(FIRFilter(1, 2, -1, 1, c.data()), kSpectraFailed);
  EXPECT_EQ(FIRFilter(1, 2, 1, -1, c.data()), kSpectraFailed);
  EXPECT_EQ(FIRFilter(1, 2, 200, 55, c.data()), kSpectraFailed);  // 256 taps
  EXPECT_EQ(FIRFilter(1, 2, 1, 1, nullptr), kSpectraFailed);
  EXPECT_EQ(FIRFilter(5, 2, 1, 1, c.data()), kSpectraFailed);  // one row
  EXPECT_EQ(length(2), 0);
  EXPECT_EQ(FIRFilter(1, 2, 200, 54, c.data()), 0);  // 255 taps are allowed
  // Six values do not fit a channel of five: the database's status, not success.
  put(6, {1, 2, 3, 4, 5, 6});
  EXPECT_EQ(FIRFilter(6, kSmallChannel, 0, 0, c.data()), -106);
}

TEST_F(HistogramTest, CountsWithTheUpperBoundInTheLastBinAndAppendsEdges) {
  put(1, {0, 2, 9.99, 10, 11});
  ASSERT_EQ(Histogram(1, 2, 10.0, 0.0, 5), 0);
  EXPECT_EQ(values(2), (std::vector<double>{1, 1, 0, 0, 2}));
  EXPECT_EQ(values(3), (std::vector<double>{0, 2, 4, 6, 8}));
  // A second histogram is appended after the first.
  ASSERT_EQ(Histogram(1, 2, 10.0, 0.0, 2), 0);
  EXPECT_EQ(values(2), (std::vector<double>{1, 1, 0, 0, 2, 2, 2}));
}

TEST_F(HistogramTest, EdgeValuesFallIntoTheBinTheyOpenAndCountsAddUp) {
  // Width 0.1 is not exact in binary; values on computed edges must open their bin.
  std::vector<double> v;
  for (int k = 0; k < 10; ++k) v.push_back(-0.5 + k * 0.1);
  v.push_back(std::nan(""));
  v.push_back(-0.6);
  put(1, v);
  ASSERT_EQ(Histogram(1, 2, 0.5, -0.5, 10), 0);
  EXPECT_EQ(values(2), std::vector<double>(10, 1.0));
  const auto r = ref::random_values(1000, 8);
  put(4, r);
  ASSERT_EQ(Histogram(4, 5, 1.0, -1.0, 128), 0);
  double total = 0;
  for (double c : values(5)) total += c;
  EXPECT_EQ(total, 1000.0);
}

TEST_F(HistogramTest, CountsAndEdgesGoInTogetherOrNotAtAll) {
  put(1, {0, 2, 9.99, 10, 11});
  // Six edges do not fit the small channel after the counts' channel: no counts either.
  EXPECT_EQ(Histogram(1, kSmallChannel - 1, 10.0, 0.0, 6), -106);
  EXPECT_EQ(length(kSmallChannel - 1), 0);
  EXPECT_EQ(length(kSmallChannel), 0);
  // Five fit.
  ASSERT_EQ(Histogram(1, kSmallChannel - 1, 10.0, 0.0, 5), 0);
  EXPECT_EQ(values(kSmallChannel - 1), (std::vector<double>{1, 1, 0, 0, 2}));
  EXPECT_EQ(values(kSmallChannel), (std::vector<double>{0, 2, 4, 6, 8}));
  // Full now: the next histogram leaves both as they are.
  EXPECT_EQ(Histogram(1, kSmallChannel - 1, 10.0, 0.0, 2), -106);
  EXPECT_EQ(length(kSmallChannel - 1), 5);
}

TEST_F(HistogramTest, RefusesBadArguments) {
  put(1, {1, 2, 3});
  put(4, {1});
  EXPECT_EQ(Histogram(1, 2, 0.0, 0.0, 5), kSpectraFailed);
  EXPECT_EQ(Histogram(1, 2, -1.0, 0.0, 5), kSpectraFailed);
  EXPECT_EQ(Histogram(1, 2, 10.0, 0.0, 1), kSpectraFailed);
  EXPECT_EQ(Histogram(1, 2, 10.0, 0.0, 129), kSpectraFailed);
  EXPECT_EQ(Histogram(1, 1, 10.0, 0.0, 5), kSpectraFailed);
  EXPECT_EQ(Histogram(4, 2, 10.0, 0.0, 5), kSpectraFailed);
  EXPECT_EQ(length(2), 0);
  EXPECT_EQ(Histogram(1, kChannels, 10.0, 0.0, 5), -114) << "edges have no channel after the last";
}

}  // namespace
