// What the driver tests on the non-serial lines share: an interface library returned to its
// initial state around each test with a private runtime folder, and a single reading checked end
// to end (the simulator puts half the full-scale raw value on a channel, and the driver must
// report half the channel's range times its scale factor).
#pragma once

#include <gtest/gtest.h>

#include "corvan32.h"
#include "corvan32_measure.h"
#include "corvane_sim/engine.h"
#include "linkar32.h"
#include "testkit/pty_pair.h"
#include "testkit/temp_dir.h"

class DriverOnLine : public ::testing::Test {
 protected:
  static constexpr int32_t kLineTimeoutMs = 1000;
  static constexpr int32_t kDefaultTimeoutMs = 3000;

  void SetUp() override {
    QBX_OpenInterfaceLib();
    QBX_SetTimeout(kLineTimeoutMs);
  }
  void TearDown() override {
    CV_CloseDevice();
    QBX_OpenInterfaceLib();
    QBX_SetTimeout(kDefaultTimeoutMs);
  }

  testkit::TempDir dir_;
  testkit::ScopedEnv runtime_{"XDG_RUNTIME_DIR", dir_.path()};
};

// Raw counts of half the full scale (full scale is 25000).
constexpr double kHalfScaleRaw = 12500;

// Makes channel the only measured one, reads once and compares with half its range.
inline void expect_half_range_reading(corvane_sim::Engine& engine, int32_t channel) {
  const int32_t channels[] = {channel};
  ASSERT_EQ(CV_ACQSetup(1, channels), 0);
  engine.set_source(channel, corvane_sim::SignalSource::raw(kHalfScaleRaw));
  ASSERT_EQ(CV_MeasOneVal(), 0);
  float measured = 0, range_value = 0, scale = 0;
  ASSERT_EQ(CV_GetChanSettings(channel, kCvChanMeasured, &measured), 0);
  ASSERT_EQ(CV_GetChanSettings(channel, kCvChanRangeValue, &range_value), 0);
  ASSERT_EQ(CV_GetChanSettings(channel, kCvChanScale, &scale), 0);
  EXPECT_FLOAT_EQ(measured, 0.5f * range_value * scale);
}
