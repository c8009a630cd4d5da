// The YAL family (device type 2) against its simulator personality: the exact command lines of
// channel set-up, start, stop and channel commands, the streamed scans read back as known counts
// and scaled by the range the device reported, and the start refused by YALSMP32.
#include "family_fixture.h"
#include "tallix32.h"

namespace {

class YalTest : public family_test::FamilyTest {
 protected:
  void SetUp() override { open(corvane_sim::make_yal, 2, 0, 100.0f); }
};

TEST_F(YalTest, ChannelSetUpReadsUnitRangeAndFullScale) {
  channels({2, 1});
  ASSERT_EQ(init_device(), 0);
  EXPECT_EQ(take(), "");
  ASSERT_EQ(init_channels(), 0);
  EXPECT_EQ(take(),
            "SRB1\nCHS2\nACL0\nENU?1\nIMR?1\nIAD?1\n"
            "SRB1\nCHS1\nACL0\nENU?1\nIMR?1\nIAD?1\n");
  EXPECT_STREQ(hdr(1).unit, "KN");
  EXPECT_EQ(+hdr(1).range, 50.0f);
  EXPECT_EQ(+hdr(1).full_scale, 500000);
  EXPECT_STREQ(hdr(2).unit, "MV/V");
  EXPECT_EQ(+hdr(2).range, 2.5f);
}

TEST_F(YalTest, StartReadStopOnTheLineAndKnownValues) {
  channels({3, 1});
  ASSERT_EQ(init_channels(), 0);
  take();
  ASSERT_EQ(start(), 0);
  EXPECT_EQ(take("MSV?0,2\n"), "SRB1\nISS?\nISS,0\nCMR1\nAFS1\nCOF3\nCHS5\nESR?\nMSV?0,2\n");
  float rate = 0;
  QBX_ACQGetSampleRate(&rate);
  EXPECT_EQ(rate, 100.0f);  // a rate of the YAL table
  // Two blocks of 10 scans: channel 2 (hardware 1) comes first in each scan.
  for (int block = 0; block < 2; ++block) {
    int32_t length = 10;
    ASSERT_EQ(read(&length), 0);
    ASSERT_EQ(length, 10);
    for (int i = 0; i < 10; ++i) {
      const int scan = block * 10 + i;
      // Scaled by the range the device reported: hardware 3 is a 10 V channel, hardware 1 2.5 mV/V.
      EXPECT_DOUBLE_EQ(value(1, i), 10.0 * (3000 + scan) / 500000.0) << scan;
      EXPECT_DOUBLE_EQ(value(2, i), 2.5 * (1000 + scan) / 500000.0) << scan;
    }
  }
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  EXPECT_EQ(take(), "STP\nCLS\nISS9600,20\n");
}

// Read-all takes the whole scans that have arrived: over several reads every scan of the stream
// comes exactly once, in order, whatever the reads' sizes.
TEST_F(YalTest, ReadAllLosesNothing) {
  channels({1, 2});
  ASSERT_EQ(init_channels(), 0);
  ASSERT_EQ(start(), 0);
  take("MSV?0,2\n");
  int next = 0;
  for (int attempt = 0; attempt < 500 && next < 200; ++attempt) {
    int32_t length = 10;
    const int32_t r = read(&length, -1.0);
    if (r == kAcqBlockNotComplete) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    ASSERT_EQ(r, 0);
    ASSERT_GE(length, 1);
    for (int i = 0; i < length; ++i, ++next) {
      ASSERT_DOUBLE_EQ(value(1, i), 2.5 * (1000 + next) / 500000.0) << next;
      ASSERT_DOUBLE_EQ(value(2, i), 50.0 * (2000 + next) / 500000.0) << next;
    }
  }
  EXPECT_EQ(next, 200);
}

TEST_F(YalTest, RateRejectedByTheRateLibrary) {
  // 9600 Hz on three channels passes the bus limit of 19200 samples per second.
  const float rates[6] = {9600, 0, 0, 0, 0, 0};
  const uint8_t widths[6] = {};
  ASSERT_EQ(QBX_ACQSetDeviceInfo(0, 2, family_test::kCom1, 0, 0, 0, 1, 0, rates, widths), 0);
  channels({1, 2, 3});
  EXPECT_EQ(start(), kAcqRateRejected);
  EXPECT_EQ(take(), "SRB1\nISS?\nISS,0\nCMR1\nAFS1\nCOF3\n");
  // A block length of 1 does not ask the library.
  ASSERT_EQ(start(1), 0);
}

TEST_F(YalTest, ChannelCommands) {
  channels({1, 2});
  EXPECT_EQ(cmd(kAcqCmdTare, nullptr), 0);
  EXPECT_EQ(take(), "CHS3\nESR?\nTAR\n");
  EXPECT_EQ(cmd(kAcqCmdZero, nullptr), 0);
  EXPECT_EQ(take(), "CHS3\nESR?\nCPV\n");
  double point[3] = {2, 1500, -2500};
  EXPECT_EQ(cmd(kAcqCmdLinPoint, point), 0);
  EXPECT_EQ(take(), "CHS3\nESR?\nLIV2,,,1500,-2500\n");
  EXPECT_EQ(cmd(77, nullptr), kAcqCommandNotSupported);
  EXPECT_EQ(take(), "CHS3\nESR?\n");
}

}  // namespace
