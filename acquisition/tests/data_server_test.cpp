// The data server family (device type 2001) against its simulator personality: commands without
// line end, the start list, blocks of doubles read back exactly, the incomplete block and stop.
#include "family_fixture.h"
#include "tallix32.h"

namespace {

class DataServerTest : public family_test::FamilyTest {
 protected:
  void SetUp() override { open(corvane_sim::make_data_server, 2001, 0, 10.0f); }
};

TEST_F(DataServerTest, StartReadStop) {
  channels({7, 2});
  ASSERT_EQ(init_channels(), 0);
  EXPECT_EQ(+hdr(1).full_scale, 1);
  EXPECT_EQ(take(), "");
  ASSERT_EQ(start(), 0);
  EXPECT_EQ(take(), "RDS_START@2RDS_ADD@2RDS_ADD@7");
  int32_t length = 20;
  ASSERT_EQ(read(&length), 0);
  EXPECT_EQ(take(), "RDS_READ@20");
  ASSERT_EQ(length, 20);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(value(1, i), (7000 + i) / 8.0);
    EXPECT_EQ(value(2, i), (2000 + i) / 8.0);
  }
  // 10 scans left: a block of 20 is not complete, read-all takes the 10, then nothing is left.
  length = 20;
  EXPECT_EQ(read(&length), kAcqBlockNotComplete);
  length = 20;
  ASSERT_EQ(read(&length, -1.0), 0);
  EXPECT_EQ(length, 10);
  EXPECT_EQ(value(2, 9), 2029 / 8.0);
  EXPECT_EQ(take(), "RDS_READ@20RDS_READ@0");
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  EXPECT_EQ(take(), "STP@");
}

}  // namespace
