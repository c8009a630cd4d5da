// VELMA (device type 40) against its simulator personality: set-up lines and what they read into
// the headers, the two-pass read (request in pass 0, values in pass 1) with known counts, stop,
// channel commands, and the settling and calibration waits with their time-out.
#include "family_fixture.h"
#include "linkar32.h"
#include "tallix32.h"

namespace {

class VelmaTest : public family_test::FamilyTest {
 protected:
  void SetUp() override { open(corvane_sim::make_velma, 40, 0, 10.0f); }
  void TearDown() override {
    VELMA_SetAmplifierSettlingTimo(60000);
    FamilyTest::TearDown();
  }
};

TEST_F(VelmaTest, SetUpReadStop) {
  channels({2, 1});
  ASSERT_EQ(init_device(), 0);
  EXPECT_EQ(take(), "SRB1\nCHS1\nCOF3\nCOF?\n");
  ASSERT_EQ(init_channels(), 0);
  const std::string tail = "ACL0\nCMR?\nASS2\nENU?1\nENU?2\nIAD?1\nIAD?2\n";
  EXPECT_EQ(take(), "SRB1\nCHS2\nCHM0\n" + tail + "SRB1\nCHS1\nCHM0\n" + tail);
  EXPECT_STREQ(hdr(1).unit, "KN");
  EXPECT_EQ(+hdr(1).range, 20.0f);
  EXPECT_EQ(+hdr(1).full_scale, 500000);
  EXPECT_STREQ(hdr(2).unit, "MV/V");
  EXPECT_EQ(+hdr(2).full_scale, 1000000);

  ASSERT_EQ(start(), 0);
  EXPECT_EQ(take(), "");  // nothing at start
  int32_t length = 3;
  ASSERT_EQ(read(&length), 0);
  EXPECT_EQ(take(), "CHS3\nCHM0\nMSV?3,1\n");
  ASSERT_EQ(length, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(value(1, i), 20.0 * (2000 + i) / 500000.0);
    EXPECT_DOUBLE_EQ(value(2, i), 2.0 * (1000 + i) / 1000000.0);
  }
  length = 5;
  ASSERT_EQ(read(&length, -1.0), 0);  // one scan a request in read-all mode
  EXPECT_EQ(take(), "CHS3\nCHM0\nMSV?1,1\n");
  EXPECT_EQ(length, 1);
  EXPECT_DOUBLE_EQ(value(1, 0), 20.0 * 2003 / 500000.0);
  length = 40;  // 80 values do not fit one reply line
  EXPECT_EQ(read(&length), kAcqBlockTooLarge);
  take();
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  EXPECT_EQ(take(), "STP\nCLS\n");
}

TEST_F(VelmaTest, ChannelCommandsAndWaits) {
  channels({1});
  EXPECT_EQ(cmd(kAcqCmdTare, nullptr), 0);
  EXPECT_EQ(take(), "CHS1\nCHM0\nESR?\nTAR\n");
  EXPECT_EQ(cmd(kAcqCmdCalibrate, nullptr), 0);
  EXPECT_EQ(take(), "CHS1\nCHM0\nESR?\nCAL\nXST?\n");
  double point[3] = {1, 100, 200};
  EXPECT_EQ(cmd(kAcqCmdLinPoint, point), 0);
  EXPECT_EQ(take(), "CHS1\nCHM0\nESR?\nLIV1,,,100,200\n");

  ASSERT_EQ(QBX_SelectPort(family_test::kCom1), 0);
  EXPECT_EQ(VELMA_WaitForAmplifierSettling(), 0);
  EXPECT_EQ(take(), "XST?\n");
  // Input 2 still settling (0x200), input 1 calibrating (0x100).
  instrument_->on_line("XST?", "256,512");
  VELMA_SetAmplifierSettlingTimo(100);
  const uint32_t begin = QBX_GetSysTime();
  EXPECT_EQ(VELMA_WaitForAmplifierSettling(), -1);
  EXPECT_GE(QBX_GetSysTime() - begin, 100u);
  EXPECT_EQ(VELMA_WaitForCalibrationComplete(), -1);
  instrument_->on_line("XST?", "512");
  EXPECT_EQ(VELMA_WaitForCalibrationComplete(), 0);
  EXPECT_EQ(VELMA_WaitForAmplifierSettling(), -1);
}

}  // namespace
