// Time channels of every kind, in milliseconds and in days, continuing across reads from the
// running time in the channel's work area; and their buffer checks.
#include <vector>

#include "scaling_fixture.h"

using kernel_test::KernelTest;
using scaling_test::block;
using scaling_test::put_block;
using scaling_test::scale;

namespace {

constexpr double kMsPerDay = 86400000.0;

class TimeChannelTest : public KernelTest {
 protected:
  // A time channel of `kind` with an IO buffer of `capacity` and its work area.
  void time_channel(int32_t channel, int16_t kind, int32_t capacity, bool days = false, float range = 1.0f) {
    AcqHdr h{};
    h.acq_class = 2;
    h.time_kind = kind;
    h.full_scale = days ? 1 : 0;
    h.range = range;
    h.time_interval = 0.05f;
    h.device_type = -1;
    QBX_ACQSetAcqHdr(channel, &h);
    ASSERT_EQ(QBX_ACQAllocIOBuf(channel, capacity, 0), 0);
    const int32_t list[] = {channel};
    ASSERT_EQ(QBX_ACQInitChan(1, list, 0, 0), 0);
    ASSERT_EQ(+tallix::kernel().work[channel].bytes, 16);
  }
};

}  // namespace

TEST_F(TimeChannelTest, PerScanAtTheHostRate) {
  tallix::AcquisitionState& k = tallix::acquisition();
  k.scaling_rate = 200.0f;  // 5 ms per scan
  k.start_time = 45000.25;
  time_channel(1, 2, 8, false, 2.0f);
  time_channel(2, 2, 8, true);
  for (int32_t read = 0; read < 3; ++read) {
    ASSERT_EQ(scale({1, 2}, 4, 2), 0);
    ASSERT_EQ(block(1).size(), 4u);
    for (int32_t j = 0; j < 4; ++j) {
      const double ms = 5.0 * (4 * read + j);
      EXPECT_DOUBLE_EQ(block(1)[j], ms * 2.0);
      EXPECT_DOUBLE_EQ(block(2)[j], ms / kMsPerDay + 45000.25);
    }
  }
  EXPECT_EQ(scale({1}, 9, 2), kAcqBufferTooSmall);
}

TEST_F(TimeChannelTest, ElapsedTime) {
  tallix::AcquisitionState& k = tallix::acquisition();
  time_channel(1, 1, 2, false, 3.0f);
  time_channel(2, 1, 2, true);
  k.start_time = 100.5;
  k.elapsed_ms = 40.0;
  ASSERT_EQ(scale({1, 2}, 4, 2), 0);
  EXPECT_EQ(block(1), std::vector<double>{120.0});
  EXPECT_EQ(block(2), std::vector<double>{100.5});
  EXPECT_EQ(tallix::header(1).time_interval, 40.0f);
  k.elapsed_ms = 65.0;
  ASSERT_EQ(scale({1}, 4, 2), 0);
  EXPECT_EQ(tallix::header(1).time_interval, 25.0f);  // the time since the previous read
}

TEST_F(TimeChannelTest, EveryTimeInterval) {
  tallix::AcquisitionState& k = tallix::acquisition();
  k.scaling_rate = 100.0f;
  time_channel(1, 0, 20, false, 1.0f);  // 0.05 s per value
  time_channel(2, 0, 20, true, 1.0f);
  // 20 scans at 100 Hz last 0.2 s: four values 50 ms apart.
  for (int32_t read = 0; read < 2; ++read) {
    ASSERT_EQ(scale({1, 2}, 20, 2), 0);
    ASSERT_EQ(block(1).size(), 4u);
    for (int32_t j = 0; j < 4; ++j) {
      const double interval = static_cast<double>(0.05f);
      EXPECT_NEAR(block(1)[j], interval * 1000.0 * (4 * read + j), 1e-9);
      EXPECT_NEAR(block(2)[j], interval / 86400.0 * (4 * read + j), 1e-15);
    }
  }
  EXPECT_EQ(scale({1}, 21, 2), kAcqBufferTooSmall);  // the buffer must hold the block length
}

TEST_F(TimeChannelTest, DeviceBlockTimesAndExternalTime) {
  tallix::AcquisitionState& k = tallix::acquisition();
  tallix::device(2).block_mode = 1;
  tallix::device(2).fifo_rate[1] = 250.0f;  // 4 ms per value
  tallix::device(3).block_mode = 0;
  put_block(9, std::vector<double>(6, 0.0));  // the reference channel read 6 values
  time_channel(1, 3 + 2, 6, false, 1.0f);
  tallix::header(1).fifo = 1;
  tallix::header(1).dio_bit = 9;
  time_channel(2, 3 + 3, 6, false, 2.0f);
  tallix::header(2).dio_bit = 9;
  time_channel(3, 3 + 2, 6, true);
  tallix::header(3).fifo = 1;
  tallix::header(3).dio_bit = 9;
  k.external_time = 1234.5;
  k.start_time = 7.0;
  ASSERT_EQ(scale({1, 2, 3}, 6, 2), 0);
  ASSERT_EQ(scale({1, 2, 3}, 6, 2), 0);
  for (int32_t j = 0; j < 6; ++j) {
    EXPECT_DOUBLE_EQ(block(1)[j], 4.0 * (6 + j));
    EXPECT_DOUBLE_EQ(block(3)[j], 4.0 * (6 + j) / kMsPerDay + 7.0);
  }
  EXPECT_EQ(tallix::buffer(2).values[0], 2469.0);  // one value: range x the read's external time
  EXPECT_EQ(+tallix::header(2).read_block_count, 6);

  put_block(9, std::vector<double>(7, 0.0));
  EXPECT_EQ(scale({1}, 7, 2), kAcqBufferTooSmall);
}

TEST_F(TimeChannelTest, TimeChannelsStayOutOfTheMeasuredPass) {
  tallix::acquisition().scaling_rate = 1000.0f;
  time_channel(1, 2, 4);
  tallix::header(1).read_block_count = 4;
  tallix::buffer(1).values[0] = 77.0;
  QBX_ACQSetLinMode(1, 1);
  ASSERT_EQ(scale({1}, 4, 0), 0);
  EXPECT_EQ(tallix::buffer(1).values[0], 77.0);
}
