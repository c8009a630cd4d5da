// A fresh channel database in a temporary folder for each test, and helpers to fill and read
// channels through the database's own exports.
#ifndef NUMERA32_SPECTRA_TEST_CHANNEL_FIXTURE_H
#define NUMERA32_SPECTRA_TEST_CHANNEL_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "testkit/temp_dir.h"

class ChannelDb : public ::testing::Test {
 protected:
  static constexpr int32_t kChannels = 12;
  static constexpr int32_t kSmallChannel = 12;  // holds at most kSmallCapacity values
  static constexpr int32_t kSmallCapacity = 5;

  void SetUp() override;
  void TearDown() override;

  // Appends values to a channel.
  void put(int32_t channel, const std::vector<double>& values);
  // All values of a channel.
  std::vector<double> values(int32_t channel);
  int32_t length(int32_t channel);

 private:
  testkit::TempDir dir_;
};

#endif
