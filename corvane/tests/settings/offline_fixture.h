// Fixture for tests that run the driver in offline mode: every test starts from a freshly opened
// offline device with 20 channels and closes it afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "corvan32.h"

class Offline : public ::testing::Test {
 protected:
  void SetUp() override {
    int32_t n = 20;
    ASSERT_EQ(CV_OpenDevice(1, &n), 0);
    ASSERT_EQ(n, 20);
  }
  void TearDown() override { CV_CloseDevice(); }

  static int32_t get_int(int32_t channel, int32_t selector) {
    int32_t v = -12345;
    EXPECT_EQ(CV_GetChanSettings(channel, selector, &v), 0);
    return v;
  }
  static float get_float(int32_t channel, int32_t selector) {
    float v = -12345.0f;
    EXPECT_EQ(CV_GetChanSettings(channel, selector, &v), 0);
    return v;
  }
  static std::string get_text(int32_t channel, int32_t selector) {
    char buf[256];
    std::fill(std::begin(buf), std::end(buf), '\x55');
    EXPECT_EQ(CV_GetChanSettings(channel, selector, buf), 0);
    return buf;
  }
  static void set_int(int32_t channel, int32_t selector, int32_t v) {
    ASSERT_EQ(CV_SetChanSettings(channel, selector, &v), 0);
  }
  static int32_t dev_int(int32_t selector) {
    int32_t v = -12345;
    EXPECT_EQ(CV_GetDevSettings(selector, &v), 0);
    return v;
  }
  static void set_dev_int(int32_t selector, int32_t v) { ASSERT_EQ(CV_SetDevSettings(selector, &v), 0); }
  // A zero-terminated list of 32-bit integers, without its terminator.
  static std::vector<int32_t> list(const int32_t* out) {
    std::vector<int32_t> v;
    for (int i = 0; i < 26 && out[i] != 0; ++i) v.push_back(out[i]);
    return v;
  }
  static std::vector<int32_t> chan_list(int32_t channel, int32_t selector) {
    int32_t out[27];
    std::fill(std::begin(out), std::end(out), -1);
    EXPECT_EQ(CV_GetPsbleChanSettings(channel, 0, selector, out), 0);
    return list(out);
  }
  static std::vector<int32_t> dev_list(int32_t selector) {
    int32_t out[27];
    std::fill(std::begin(out), std::end(out), -1);
    EXPECT_EQ(CV_GetPsbleDevSettings(0, selector, out), 0);
    return list(out);
  }
};

#ifdef CORVAN32_GERMAN_EDITION
inline constexpr bool kGerman = true;
#else
inline constexpr bool kGerman = false;
#endif
