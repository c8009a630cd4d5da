// Measuring exports without a device: taring from the last measured values, nothing sent and
// nothing changed by readings, and argument checks that need no line.
#include <gtest/gtest.h>

#include "corvan32_measure.h"
#include "linkar32.h"

namespace {

class OfflineDriver : public ::testing::Test {
 protected:
  void SetUp() override {
    int32_t n = 20;
    ASSERT_EQ(CV_OpenDevice(1, &n), 0);
  }
  void TearDown() override { CV_CloseDevice(); }
  static float get(int32_t ch, int32_t sel) {
    float v = 0;
    EXPECT_EQ(CV_GetChanSettings(ch, sel, &v), 0);
    return v;
  }
  static void set(int32_t ch, int32_t sel, float v) { ASSERT_EQ(CV_SetChanSettings(ch, sel, &v), 0); }
};

TEST_F(OfflineDriver, TareTakesTheLastMeasuredValueOfTaredChannelsOnly) {
  set(4, kCvChanMeasured, 1.75f);
  set(5, kCvChanMeasured, -0.25f);
  const int32_t tared[] = {4};
  ASSERT_EQ(CV_TareSetup(1, tared), 0);
  int32_t state = 0;
  CV_GetChanSettings(5, kCvChanState, &state);
  EXPECT_EQ(state, 6201);  // tare bit cleared, measure bit kept
  CV_GetChanSettings(9, kCvChanState, &state);
  EXPECT_EQ(state, 6200);  // unconnected channel untouched
  ASSERT_EQ(CV_DoTara(), 0);
  EXPECT_EQ(get(4, kCvChanTare), 1.75f);
  EXPECT_EQ(get(5, kCvChanTare), 0.0f);
}

TEST_F(OfflineDriver, ReadingsChangeNothingAndAcquisitionNeedsADevice) {
  set(4, kCvChanMeasured, 2.5f);
  EXPECT_EQ(CV_MeasOneVal(), 0);
  EXPECT_EQ(get(4, kCvChanMeasured), 2.5f);
  float v[8];
  EXPECT_EQ(CV_ACQStart(10, -1, 6100, 0, 0.0f, 6000, 0), kCvBadValue);
  QBX_SetTimeout(777);
  EXPECT_EQ(CV_ACQRead(1, 100, v), kCvBadValue);
  EXPECT_EQ(QBX_GetCurrTimeout(), 3000);
  EXPECT_EQ(CV_ACQStop(), kCvBadValue);
  EXPECT_EQ(CV_Trigger(), kCvBadValue);
}

TEST_F(OfflineDriver, ListArgumentsAreChecked) {
  const int32_t outside[] = {21, 4};
  EXPECT_EQ(CV_ACQSetup(2, outside), kCvBadChannel);
  int32_t state = 0;
  CV_GetChanSettings(4, kCvChanState, &state);
  EXPECT_EQ(state, 6203) << "a refused list changes nothing";
  const int32_t negative[] = {-1};
  EXPECT_EQ(CV_TareSetup(1, negative), kCvBadChannel);
  EXPECT_EQ(CV_TareSetup(-1, nullptr), kCvBadValue);
  EXPECT_EQ(CV_ACQSetup(3, nullptr), kCvBadValue);
  EXPECT_EQ(CV_ACQShuntCal(2, nullptr), kCvBadValue);
  EXPECT_EQ(CV_ACQSetup(0, nullptr), 0);
}

TEST_F(OfflineDriver, ShuntCalibrationWithoutAStepKeepsAFiniteScale) {
  // Offline both readings are the same value: b - c is 0 and the scale factor stays 1.
  int32_t amp = 5058;
  ASSERT_EQ(CV_SetChanSettings(6, kCvChanAmplifier, &amp), 0);
  set(6, kCvChanMeasured, 0.5f);
  const int32_t ch[] = {6};
  EXPECT_EQ(CV_ACQShuntCal(1, ch), 0);
  EXPECT_EQ(get(6, kCvChanScale), 1.0f);
  int32_t signal = 0;
  CV_GetChanSettings(6, kCvChanSignal, &signal);
  EXPECT_EQ(signal, 42);
}

}  // namespace
