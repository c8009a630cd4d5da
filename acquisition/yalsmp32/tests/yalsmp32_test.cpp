// The YAL rate rules: quantisation to the table, the bus limit and the rejections.
#include "yalsmp32.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Flags {
  int32_t v[kYalChannelFlags] = {};
};

Flags channels(int n) {
  Flags f;
  for (int i = 0; i < n; ++i) f.v[i + 1] = 1;
  return f;
}

TEST(YalSampleRate, FastestTableRateNotAboveTheRequest) {
  const Flags f = channels(2);
  const struct {
    float asked, got;
  } cases[] = {{1000.0f, 600.0f}, {1200.0f, 1200.0f}, {0.5f, 1.0f},
               {74.9f, 50.0f},    {9600.0f, 9600.0f}, {1e6f, 9600.0f}};
  for (const auto& c : cases) {
    float rate = c.asked;
    EXPECT_EQ(YAL_SetSampleRate(f.v, &rate), 0) << c.asked;
    EXPECT_EQ(rate, c.got) << c.asked;
  }
}

TEST(YalSampleRate, RejectsWhatTheSystemCannotRun) {
  float rate = 4800.0f;
  EXPECT_EQ(YAL_SetSampleRate(channels(4).v, &rate), 0);  // 19200 samples/s: just fits
  rate = 4800.0f;
  EXPECT_EQ(YAL_SetSampleRate(channels(5).v, &rate), kYalRejected);
  EXPECT_EQ(rate, 4800.0f);  // left as asked
  rate = 100.0f;
  EXPECT_EQ(YAL_SetSampleRate(channels(0).v, &rate), kYalRejected);
  for (float bad : {0.0f, -5.0f, NAN, INFINITY}) {
    rate = bad;
    EXPECT_EQ(YAL_SetSampleRate(channels(1).v, &rate), kYalRejected);
  }
  EXPECT_EQ(YAL_SetSampleRate(nullptr, &rate), kYalRejected);
  EXPECT_EQ(YAL_SetSampleRate(channels(1).v, nullptr), kYalRejected);
}

}  // namespace
