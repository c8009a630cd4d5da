// The single-channel family (device type 3) and the CR family (device type 90) against their
// simulator personalities: set-up lines, the streamed samples read back as known counts, stop,
// commands, the one-channel rule (-220) and the addressing of shared-line devices.
#include <string>

#include "family_fixture.h"
#include "tallix32.h"

namespace {

class SingleChannelTest : public family_test::FamilyTest {
 protected:
  void SetUp() override { open(corvane_sim::make_single_channel, 3, 12, 80.0f); }
};

TEST_F(SingleChannelTest, SetUpStartReadStop) {
  channels({1});
  ASSERT_EQ(init_device(), 0);
  EXPECT_EQ(take(), "");
  ASSERT_EQ(init_channels(), 0);
  EXPECT_EQ(take(),
            "S12\nTAS?\nTAV?\nSPW\"KRN\"\nLDW0\nLWT1000000\nACL0\nTAV0.25\nTAS1\nCOF12\nICR2\nIDN?\n");
  EXPECT_EQ(+hdr(1).full_scale, 5120000);
  // The access word is sent once after a device set-up.
  ASSERT_EQ(init_channels(), 0);
  EXPECT_EQ(take().find("SPW"), std::string::npos);

  ASSERT_EQ(start(), 0);
  EXPECT_EQ(take("MSV?0\n"), "S98\nICR4\nS12\nMSV?0\n");  // 80 Hz runs at 75 Hz
  float rate = 0;
  QBX_ACQGetSampleRate(&rate);
  EXPECT_EQ(rate, 75.0f);
  int32_t length = 12;
  ASSERT_EQ(read(&length), 0);
  ASSERT_EQ(length, 12);
  for (int i = 0; i < 12; ++i)
    EXPECT_DOUBLE_EQ(value(1, i), (1000 + i) / 5120000.0);  // 5120000 counts a unit
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  EXPECT_EQ(take("STP\n"), "S12\nS12\nSTP\n");
}

TEST_F(SingleChannelTest, OneChannelUnlessSingleValues) {
  channels({1, 1});
  EXPECT_EQ(start(), kAcqOneChannelOnly);
  EXPECT_EQ(take(), "");
  ASSERT_EQ(start(1), 0);
  take("MSV?1\n");
  int32_t length = 1;
  ASSERT_EQ(read(&length), 0);
  EXPECT_EQ(value(1, 0), 1000);  // raw: the channels were not set up
  EXPECT_EQ(value(2, 0), 1000);
}

TEST_F(SingleChannelTest, Commands) {
  channels({1});
  EXPECT_EQ(cmd(kAcqCmdTare, nullptr), 0);
  int32_t v = 0;
  EXPECT_EQ(cmd(kAcqCmdTareSource, &v), 0);
  EXPECT_EQ(cmd(kAcqCmdZero, nullptr), kAcqCommandNotSupported);
  EXPECT_EQ(take(), "S12\nTAR\nS12\nTAS0\n");  // no traffic for an unknown code
}

class Amplifier90Test : public family_test::FamilyTest {
 protected:
  void SetUp() override { open(corvane_sim::make_amplifier90, 90, 0, 250.5f); }
};

TEST_F(Amplifier90Test, CrLinesAndStreamedBlocks) {
  channels({5, 2});
  ASSERT_EQ(init_device(), 0);
  EXPECT_EQ(take(), "EST\rSYN\r");
  ASSERT_EQ(init_channels(), 0);
  EXPECT_EQ(take(), "ODU\rICH5,5,1\rOMM5,5\rEST\rODU\rICH2,2,1\rOMM2,2\rEST\r");
  ASSERT_EQ(start(), 0);
  EXPECT_EQ(take("MSV1,2,0,0,0\r"), "ODU\rICH2,2,1\rICH5,5,1\rCOF4\rISR250\rICR2\rMSV1,2,0,0,0\r");
  for (int block = 0; block < 3; ++block) {
    int32_t length = 7;
    ASSERT_EQ(read(&length), 0);
    for (int i = 0; i < 7; ++i) {
      EXPECT_EQ(value(1, i), 5000 + block * 7 + i);
      EXPECT_EQ(value(2, i), 2000 + block * 7 + i);
    }
  }
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  EXPECT_EQ(take("STP\r"), "STP\r");
  EXPECT_EQ(cmd(kAcqCmdTare, nullptr), 0);
  EXPECT_EQ(take(), "TAR2,5,1\rEST\r");
  int32_t v = 3;
  EXPECT_EQ(cmd(kAcqCmdTareSource, &v), 0);
  EXPECT_EQ(take(), "ITS2,5,3\rEST\r");
}

// The one level trigger of type 90: the level as the trigger channel's raw count (a type K
// thermocouple with a zero offset), the refusals before anything is sent, and a refused "TRG".
TEST_F(Amplifier90Test, LevelTrigger) {
  channels({5, 2});
  scale(1, 0.05f, 30000, 0.002f, 2);
  ASSERT_EQ(QBX_ACQSetLinMode(1, 3), 0);
  const double polynomial[2] = {0.0, 2.0};
  ASSERT_EQ(QBX_ACQCreateLinTab(2, 2, 1, 2, polynomial, nullptr), 0);
  trigger(1, 0, 2, 2, 2, 1.0f);  // a polynomial has no inverse
  EXPECT_EQ(start(500), kAcqTriggerRefused);
  trigger(1, 0, 2, 0, 2, 1.0f);  // no channel
  EXPECT_EQ(start(500), kAcqTriggerRefused);
  trigger(1, 0, 2, 1, 5, 440.0f);  // no condition 5
  EXPECT_EQ(start(500), kAcqTriggerRefused);
  trigger(1, 0, 2, 1, 1, 2000.0f);  // beyond the thermo table
  EXPECT_EQ(start(500), kAcqTriggerRefused);
  EXPECT_EQ(take(), "");

  // Type K reads 440 degrees at 3.6176 x 5 mV; the channel measures in V from a zero of 2 mV.
  const auto raw = static_cast<long>((3.6176 * 5 / 1000 - static_cast<double>(0.002f)) /
                                     static_cast<double>(0.05f) * 30000);
  ASSERT_EQ(raw, 9652);
  const std::string lines =
      "ODU\rICH2,2,1\rICH5,5,1\rCOF4\rISR250\rICR2\rTSV1,5,500,50,2\rTRG5," + std::to_string(raw) + ",1\r";
  trigger(1, 0, 2, 1, 1, 440.0f);
  instrument_->on_line("TRG", "?");
  EXPECT_EQ(start(500), kAcqTriggerRefused);
  EXPECT_EQ(take(), lines);
  instrument_->on_line("TRG", "0");
  ASSERT_EQ(start(500), 0);
  EXPECT_EQ(take("MSV1,2,500,0,50\r"), lines + "MSV1,2,500,0,50\r");
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
}

}  // namespace
