// Normalize: every baseline, scale mode and unit factor on a small channel worked out by hand,
// and the refusals.
#include <gtest/gtest.h>

#include "channel_fixture.h"
#include "numera32_signal.h"

namespace {

class Norm : public ChannelDb {
 protected:
  void SetUp() override {
    ChannelDb::SetUp();
    put(1, {0, 1, 2, 3});
    put(2, {1, 4, 2, 5});
  }
  // Runs Normalize into a fresh output channel and returns what was appended.
  std::vector<double> run(int16_t baseline, int16_t offset, int16_t scale_mode, double scale, int16_t unit,
                          const double* points = nullptr, int32_t x_channel = 1) {
    const int32_t out = next_++;
    EXPECT_EQ(Normalize(x_channel, 2, out, baseline, points, offset, scale_mode, scale, unit), 0);
    return values(out);
  }
  void expect(const std::vector<double>& got, const std::vector<double>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-12) << i;
  }
  int32_t next_ = 3;
};

TEST_F(Norm, BelowMaximumWithAndWithoutScale) {
  expect(run(0, 0, 0, 0, 0, nullptr, 0), {4, 1, 3, 0});
  expect(run(0, 1, 0, 0, 0, nullptr, 0), {4, 1, 3, 0});    // offset: (max - 1) - (y - 1)
  expect(run(0, 0, 1, 0, 1, nullptr, 0), {80, 20, 60, 0});  // / max * 100
  expect(run(0, 1, 1, 0, 2), {1000, 250, 750, 0});          // / (max - y0) * 1000
}

TEST_F(Norm, LineThroughFirstAndLastPoint) {
  expect(run(1, 0, 0, 0, 0), {0, 5.0 / 3, -5.0 / 3, 0});
  expect(run(1, 0, 2, 0, 2), {0, 5000.0 / 15, -5000.0 / 15, 0});  // / (y_last) * 1000
  expect(run(1, 1, 2, 0, 0), {0, 5.0 / 12, -5.0 / 12, 0});        // / (y_last - y0)
}

TEST_F(Norm, RegressionLine) {
  // y = 1.5 + x is the least-squares line of the four points.
  expect(run(2, 0, 0, 0, 0), {-0.5, 1.5, -1.5, 0.5});
  expect(run(2, 1, 0, 0, 0), {-1.5, 0.5, -2.5, -0.5});
  expect(run(2, 0, 3, 2.0, 3), {-0.25e6, 0.75e6, -0.75e6, 0.25e6});
}

TEST_F(Norm, LineThroughGivenPoints) {
  const double points[] = {0, 0, 3, 3};
  expect(run(3, 0, 0, 0, 0, points), {1, 3, 0, 2});
  expect(run(3, 1, 0, 0, 0, points), {0, 2, -1, 1});
}

TEST_F(Norm, LineToThePointOfLargestX) {
  put(20 - 10, {0, 3, 1, 2});  // channel 10: largest x at row 2
  expect(run(4, 0, 0, 0, 0, nullptr, 10), {0, 0, 0, 2});
  expect(run(4, 0, 2, 0, 0, nullptr, 10), {0, 0, 0, 0.5});  // / (y at row 2)
}

TEST_F(Norm, AppendsAfterExistingValues) {
  put(11, {9});
  ASSERT_EQ(Normalize(0, 2, 11, 0, nullptr, 0, 0, 0, 0), 0);
  EXPECT_EQ(values(11), (std::vector<double>{9, 4, 1, 3, 0}));
}

TEST_F(Norm, Refusals) {
  put(5, {1});
  put(6, {0, 1, 2});
  put(7, {2, 3, 4, 2});
  EXPECT_EQ(Normalize(1, 2, 2, 0, nullptr, 0, 0, 0, 0), kSpectraFailed);   // output = y
  EXPECT_EQ(Normalize(1, 5, 3, 0, nullptr, 0, 0, 0, 0), kSpectraFailed);   // one row
  EXPECT_EQ(Normalize(0, 2, 3, 1, nullptr, 0, 0, 0, 0), kSpectraFailed);   // no x channel
  EXPECT_EQ(Normalize(6, 2, 3, 1, nullptr, 0, 0, 0, 0), kSpectraFailed);   // x shorter
  EXPECT_EQ(Normalize(1, 2, 3, 5, nullptr, 0, 0, 0, 0), kSpectraFailed);   // unknown baseline
  EXPECT_EQ(Normalize(1, 2, 3, 3, nullptr, 0, 0, 0, 0), kSpectraFailed);   // no points
  EXPECT_EQ(Normalize(1, 2, 3, 0, nullptr, 0, 3, 0.0, 0), kSpectraFailed); // scale 0
  EXPECT_EQ(Normalize(1, 7, 3, 1, nullptr, 1, 2, 0, 0), kSpectraFailed);   // y_last - y0 = 0
  const double same_x[] = {1, 0, 1, 5};
  EXPECT_EQ(Normalize(1, 2, 3, 3, same_x, 0, 0, 0, 0), kSpectraFailed);
  EXPECT_EQ(length(3), 0);
  EXPECT_EQ(Normalize(1, 2, 99, 0, nullptr, 0, 0, 0, 0), -114);
}

}  // namespace
