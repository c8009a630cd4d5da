// The families that answer measurements with ASCII value lines (device types 55/56, 60, 100, 157)
// against their simulator personalities: set-up lines, the two-pass read (request in pass 0,
// fetch in pass 1) with known values, stop and channel commands.
#include <cstring>

#include "family_fixture.h"
#include "tallix32.h"

namespace {

class Amplifier55Test : public family_test::FamilyTest {
 protected:
  void SetUp() override { open(corvane_sim::make_amplifier55, 56, 0, 10.0f); }
};

TEST_F(Amplifier55Test, SetUpTwoPassReadAndCommands) {
  channels({1});
  ASSERT_EQ(init_device(), 0);
  EXPECT_EQ(take(), "COF1\n");
  ASSERT_EQ(init_channels(), 0);
  EXPECT_EQ(take(), "ENU?\n");
  EXPECT_STREQ(hdr(1).unit, "KN");
  ASSERT_EQ(start(), 0);
  EXPECT_EQ(take(), "");
  int32_t length = 4;
  ASSERT_EQ(read(&length), 0);
  EXPECT_EQ(take(), "MSV?4,1\n");
  ASSERT_EQ(length, 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(value(1, i), 1000 + i);
  double point[3] = {3, 0.5, -12.25};
  EXPECT_EQ(cmd(kAcqCmdLinPoint, point), 0);
  EXPECT_EQ(take(), "LIV3,,,,0.5,-12.25,,\n");  // type 56: two empty fields at the end
  EXPECT_EQ(cmd(kAcqCmdZero, nullptr), 0);
  EXPECT_EQ(cmd(kAcqCmdCalibrate, nullptr), 0);
  EXPECT_EQ(cmd(kAcqCmdTare, nullptr), 0);
  EXPECT_EQ(take(), "CPV\nCAL\nTAR\n");
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);  // no plug-in or stack: nothing on the line
  EXPECT_EQ(take(), "");
}

class Amplifier60Test : public family_test::FamilyTest {
 protected:
  void SetUp() override { open(corvane_sim::make_amplifier60, 60, 0, 1.0f); }
};

TEST_F(Amplifier60Test, CrLfLinesAndOneScanPerRead) {
  channels({59, 0, 7});
  ASSERT_EQ(init_device(), 0);
  EXPECT_EQ(take(), "DTR0\r\nBMP0,59\r\nEST\r\nIPP0,59,,,0\r\n");
  ASSERT_EQ(init_channels(), 0);
  EXPECT_EQ(
      take(),
      "IPP59,59,,,1\r\nEST\r\nOEU59,59\r\nIPP0,0,,,1\r\nEST\r\nOEU0,0\r\nIPP7,7,,,1\r\nEST\r\nOEU7,7\r\n");
  EXPECT_STREQ(hdr(1).unit, "N");
  ASSERT_EQ(start(), 0);
  for (int m = 0; m < 2; ++m) {
    int32_t length = 1;
    ASSERT_EQ(read(&length), 0);
    EXPECT_EQ(take(), "MSV0,59,0\r\n");
    EXPECT_EQ(length, 1);
    EXPECT_DOUBLE_EQ(value(1, 0), (59000 + m) / 100.0);
    EXPECT_DOUBLE_EQ(value(2, 0), m / 100.0);
    EXPECT_DOUBLE_EQ(value(3, 0), (7000 + m) / 100.0);
  }
  EXPECT_EQ(cmd(kAcqCmdTare, nullptr), 0);
  EXPECT_EQ(take(), "TAR0,59\r\nEST\r\nBMP0,59\r\n");
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  EXPECT_EQ(take(), "");
}

class Amplifier100Test : public family_test::FamilyTest {
 protected:
  void SetUp() override { open(corvane_sim::make_amplifier100, 100, 0, 1.0f); }
};

TEST_F(Amplifier100Test, SetUpReadsRestartAndQueries) {
  channels({42});
  ASSERT_EQ(init_device(), 0);
  EXPECT_EQ(take(), "DTR0\r\nBMP0,99\r\nIMM0\r\nIRC,1\r\nSKP0,99,0\r\nCYC1,0,0\r\n");
  ASSERT_EQ(init_channels(), 0);
  EXPECT_EQ(take(), "ODU?\r\nOEU?42,42\r\nFEU?42,42\r\nSKP42,42,1\r\nCAL?\r\n");
  EXPECT_STREQ(hdr(1).unit, "bar");
  ASSERT_EQ(start(), 0);
  EXPECT_EQ(take(), "");
  int32_t length = 1;
  ASSERT_EQ(read(&length), 0);
  EXPECT_EQ(take(), "MSV?0,99,4\r\n");
  EXPECT_DOUBLE_EQ(value(1, 0), 420.0);
  // Read-all takes what a running device sent; nothing sent: nothing read.
  length = 1;
  EXPECT_EQ(read(&length, -1.0), kAcqBlockNotComplete);
  EXPECT_EQ(take(), "");
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  ASSERT_EQ(start(0, -1), 0);
  EXPECT_EQ(take("MSV?0,99,4\r\n"), "MSV?0,99,4\r\n");
  length = 1;
  ASSERT_EQ(read(&length, -1.0), 0);
  EXPECT_EQ(length, 1);
  EXPECT_DOUBLE_EQ(value(1, 0), 420.01);
  EXPECT_EQ(take(), "");

  int32_t i = 0;
  EXPECT_EQ(cmd(109, &i), 0);
  EXPECT_EQ(i, 353);
  float f = 0;
  EXPECT_EQ(cmd(115, &f), 0);
  EXPECT_EQ(f, 0.125f);
  char unit[8] = {};
  EXPECT_EQ(cmd(120, unit), 0);
  EXPECT_STREQ(unit, "bar");
  EXPECT_EQ(take(), "TDC?42,42\r\nOTV?42,42\r\nOEU?42,42\r\n");
  EXPECT_EQ(cmd(4, &i), kAcqCommandNotSupported);
}

class Instrument157Test : public family_test::FamilyTest {
 protected:
  void SetUp() override { open(corvane_sim::make_instrument157, 157, 0, 1.0f); }
};

TEST_F(Instrument157Test, TwoPassReadOfSeveralChannels) {
  channels({3, 1});
  ASSERT_EQ(init_device(), 0);
  ASSERT_EQ(init_channels(), 0);
  EXPECT_EQ(take(), "IDN?\nENU?3\nENU?1\n");
  ASSERT_EQ(start(), 0);
  int32_t length = 2;
  ASSERT_EQ(read(&length), 0);
  EXPECT_EQ(take(), "MSV?2,1\n");
  EXPECT_EQ(value(1, 0), 3000);
  EXPECT_EQ(value(2, 0), 1000);
  EXPECT_EQ(value(1, 1), 3001);
  EXPECT_EQ(value(2, 1), 1001);
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  EXPECT_EQ(take(), "STP\n");
}

}  // namespace
