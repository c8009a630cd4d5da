// YALPLUS multi-scan end to end against the simulator's rack: two FIFOs at different rates, one of
// 4-byte and one of 2-byte samples, channels with and without sub-channels, other signals and
// streams than the defaults, time channels in both FIFOs; the exact lines of set-up, start, read
// and stop; every value checked against the rack's known signals over many reads with lengths
// that split the slower FIFO's blocks unevenly, so a lost or repeated scan shows. Then a
// pre-trigger start, the FIFO modes and the read of whatever is there.
#include <cmath>
#include <string>
#include <vector>

#include "families/yalplus/yalplus_tables.h"
#include "yalplus_fixture.h"

namespace {

using corvane_sim::YalplusEngine;
using yalplus_test::YalplusTest;

constexpr int64_t kTimeOrigin = 8388600;  // the time count crosses both word boundaries early

// A channel of the test and what it measures.
struct Probe {
  int32_t channel;
  int slot;
  int sub;
  int32_t signal;  // 0 for the time channels
  int fifo;
};

class YalplusMultiScanTest : public YalplusTest {
 protected:
  void SetUp() override {
    corvane_sim::YalplusConfig config;
    config.time_origin = kTimeOrigin;
    start_rack(config);
  }

  // FIFO 0: 100 Hz, 4-byte; FIFO 1: 50 Hz, 2-byte.
  void set_up_two_fifos() {
    register_device({100.0f, 50.0f}, {0, 1});
    add_channel(1, 1, 0, 0, 0);  // slot 1 gross and net: a slot without sub-channels, two signals
    add_channel(2, 1, 0, 1, 0);
    add_channel(3, 3, 2, 0, 0);  // sub-channel 2 of slot 3 with the defaults
    add_channel(4, 3, 5, 2, 1);  // sub-channel 5 of slot 3: peak value 1 in FIFO 1
    add_channel(5, 5, 0, 0, 1);  // slot 5 in FIFO 1
    add_channel(6, 17, 0, 0, 0);  // time, FIFO 0 (both words)
    add_channel(7, 18, 0, 0, 0);
    add_channel(8, 17, 0, 0, 1);  // time, FIFO 1 (its low word is not listed)
    probes_ = {{1, 1, 0, 214, 0}, {2, 1, 0, 215, 0}, {3, 3, 2, 214, 0}, {4, 3, 5, 204, 1},
               {5, 5, 0, 214, 1}, {6, 17, 0, 0, 0},  {7, 18, 0, 0, 0},  {8, 17, 0, 0, 1}};
    ASSERT_EQ(QBX_ACQSetSampleRate(100.0f), 0);
    ASSERT_EQ(init_channels(), 0);
    take_bytes();
  }

  // Checks every probe's block: values for scans next[fifo] .., as many as its read block count.
  void expect_blocks(const int64_t next[2], const int32_t lengths[2]) {
    for (const Probe& p : probes_) {
      const std::vector<double> v = values(p.channel);
      ASSERT_EQ(static_cast<int32_t>(v.size()), lengths[p.fifo]) << "channel " << p.channel;
      const int width = p.fifo == 0 ? 4 : 2;
      const double rate = p.fifo == 0 ? 100.0 : 50.0;
      for (size_t i = 0; i < v.size(); ++i) {
        const int64_t scan = next[p.fifo] + static_cast<int64_t>(i);
        const double want = p.signal == 0 ? static_cast<double>(kTimeOrigin + scan) / rate
                                          : expected(p.slot, p.sub, p.signal, scan, width);
        ASSERT_DOUBLE_EQ(v[i], want) << "channel " << p.channel << " scan " << scan;
      }
    }
  }

  std::vector<Probe> probes_;
};

TEST_F(YalplusMultiScanTest, TwoFifosAtTheirOwnRatesDeliverEveryScanOnceWithTheExactLines) {
  set_up_two_fifos();
  kernel_test::MessageRecorder messages;
  ASSERT_EQ(start(), 0);
  EXPECT_EQ(take_bytes(),
            "TRR\nTRD6500,6100\nSTP\n"
            "MCS\nCHS-1\nSPS0\nMSS214\nMRG0\n"
            "PCS1\nMSS214,215\nMRG0\n"
            "PCS3\nSPS5\nMSS204\nMRG1\nSMS2,5\n"
            "PCS5\nMSS214\nMRG1\n"
            "MCS1,3,5,17,18,\n"
            "MBF1253,0\nICR6308,6361,0\nMBF1255,1\nICR6305,6361,1\n"
            "TOM6713\nESR?\nTOM?\nTSV1000,1,0\nIHD0\n");
  // Progress per slot 1..17, the last at 100 percent.
  std::vector<int32_t> progress;
  for (int32_t m : messages.messages)
    if (m / 100000 == kAcqMsgProgress) progress.push_back(m % 100000);
  EXPECT_EQ(progress, (std::vector<int32_t>{5, 11, 17, 23, 29, 35, 41, 47, 52, 58, 64, 70, 76, 82, 88, 94, 100}));
  // The device delivers in the kernel's list order.
  using E = corvane_sim::YalplusEntry;
  EXPECT_EQ(engine_->fifo_entries(0), (std::vector<E>{{1, 0, 214}, {1, 0, 215}, {3, 2, 214}, {17, 0, 0}, {18, 0, 0}}));
  EXPECT_EQ(engine_->fifo_entries(1), (std::vector<E>{{3, 5, 204}, {5, 0, 214}, {17, 0, 0}, {18, 0, 0}}));

  // Reads of 7 scans: FIFO 1 runs at half the rate and gets 3, 4, 3, 4, ... scans.
  int64_t next[2] = {0, 0};
  for (int r = 0; r < 12; ++r) {
    engine_->advance_ms(70.0);
    ASSERT_EQ(QBX_ACQResetDeviceStatus(), 0);
    int32_t n = 7;
    ASSERT_EQ(read(&n), 0) << "read " << r;
    EXPECT_EQ(n, 7);
    const int32_t lengths[2] = {7, QBX_ACQGetIOBufCurrLen(4)};
    EXPECT_EQ(lengths[1], r % 2 == 0 ? 3 : 4) << "read " << r;
    expect_blocks(next, lengths);
    if (HasFatalFailure()) return;
    if (r == 0) {
      EXPECT_EQ(take_bytes(), "OMP?0\nOMP?1\nRMB?7,6409\nRMB?3,6409,1\n");
      // The status byte of the last 4-byte sample; 2-byte samples have none.
      EXPECT_EQ(QBX_ACQGetIOBufStatus(1), YalplusEngine::status(1, 0, 6));
      EXPECT_EQ(QBX_ACQGetIOBufStatus(4), 0);
      // Status words: what each FIFO held before the read, and its flag.
      EXPECT_EQ(QBX_ACQGetDeviceStatus(0, 1), 7);
      EXPECT_EQ(QBX_ACQGetDeviceStatus(0, 2), 3);
      EXPECT_EQ(QBX_ACQGetDeviceStatus(0, 4), 1);
    }
    next[0] += lengths[0];
    next[1] += lengths[1];
  }
  EXPECT_EQ(engine_->delivered(0), 84);
  EXPECT_EQ(engine_->delivered(1), 42);
  take_bytes();
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  EXPECT_EQ(take_bytes(), "STP\n");

  // Unchanged configuration: the next start skips the channel set-up.
  ASSERT_EQ(start(), 0);
  EXPECT_EQ(take_bytes(),
            "TRR\nTRD6500,6100\nSTP\nMBF1253,0\nICR6308,6361,0\nMBF1255,1\nICR6305,6361,1\n"
            "TOM6713\nESR?\nTOM?\nTSV1000,1,0\nIHD0\n");
}

TEST_F(YalplusMultiScanTest, AReadOfWhateverIsThereTakesTheSmallestCountAndTheBlockLimit) {
  set_up_two_fifos();
  ASSERT_EQ(start(), 0);
  ASSERT_EQ(YALPLUS_SetMaxDynReadBlock(30), 0);
  int32_t n = 0;
  // Nothing yet: -199 and the length left alone.
  ASSERT_EQ(QBX_ACQResetDeviceStatus(), 0);
  EXPECT_EQ(read(&n, -1.0), kAcqBlockNotComplete);
  engine_->advance_ms(500.0);  // 50 scans in FIFO 0, 25 in FIFO 1
  ASSERT_EQ(QBX_ACQResetDeviceStatus(), 0);
  n = 0;
  ASSERT_EQ(read(&n, -1.0), 0);
  EXPECT_EQ(n, 30);
  EXPECT_EQ(QBX_ACQGetIOBufCurrLen(1), 30);
  EXPECT_EQ(QBX_ACQGetIOBufCurrLen(4), 25);
  const int64_t next[2] = {0, 0};
  const int32_t lengths[2] = {30, 25};
  expect_blocks(next, lengths);
}

TEST_F(YalplusMultiScanTest, APreTriggerStartDeliversTheBlockAroundTheTrigger) {
  register_device({100.0f}, {0});
  add_channel(1, 2, 0, 0, 0);
  add_channel(2, 4, 3, 3, 0);  // peak value 2 of sub-channel 3: not the default signal
  ASSERT_EQ(QBX_ACQSetSampleRate(100.0f), 0);
  ASSERT_EQ(init_channels(), 0);
  int32_t* record = tallix::kernel().triggers[1];
  record[1] = 0;   // device 0
  record[2] = 1;   // trigger with pre-trigger
  record[3] = 2;   // on channel 2
  record[12] = 20;  // percent
  ASSERT_EQ(QBX_ACQSetTrgLogic(0, 6510, 0), 0);
  take_bytes();
  ASSERT_EQ(start(50), 0);
  EXPECT_EQ(take_bytes(),
            "TRR\nTRE1,4,3,6102,205\nTRD6500,6510\nSTP\n"
            "MCS\nCHS-1\nSPS0\nMSS214\nMRG0\n"
            "PCS2\nMSS214\nMRG0\n"
            "PCS4\nSPS3\nMSS205\nSMS3\n"
            "MCS2,4,\n"
            "MBF1253\nICR6308,6361\n"
            "TOM6713\nESR?\nTOM?\nTSV50,10,0\nIHD0\n");
  engine_->advance_ms(300.0);
  int32_t n = 50;
  ASSERT_EQ(QBX_ACQResetDeviceStatus(), 0);
  EXPECT_EQ(read(&n), kAcqBlockNotComplete);  // waiting for the trigger
  engine_->fire_trigger();                   // at scan 30: the block is scans 20..69
  engine_->advance_ms(300.0);
  EXPECT_EQ(read(&n), kAcqBlockNotComplete);  // 40 of 50 so far
  engine_->advance_ms(100.0);
  ASSERT_EQ(read(&n), 0);
  ASSERT_EQ(n, 50);
  const std::vector<double> v1 = values(1);
  const std::vector<double> v2 = values(2);
  ASSERT_EQ(v1.size(), 50u);
  for (int i = 0; i < 50; ++i) {
    ASSERT_DOUBLE_EQ(v1[static_cast<size_t>(i)], expected(2, 0, 214, 20 + i, 4)) << i;
    ASSERT_DOUBLE_EQ(v2[static_cast<size_t>(i)], expected(4, 3, 205, 20 + i, 4)) << i;
  }
  // The block is complete: the device stopped filling; a further read finds nothing.
  ASSERT_EQ(QBX_ACQResetDeviceStatus(), 0);
  take_bytes();
  n = 50;
  ASSERT_EQ(read(&n), 0);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(take_bytes(), "OMP?0\nEES?1\n");
}

TEST_F(YalplusMultiScanTest, FifoModesSkipAStreamOrKeepItFilled) {
  set_up_two_fifos();
  ASSERT_EQ(start(), 0);
  ASSERT_EQ(YALPLUS_SetFIFOMode(0, 1, 3, 0, 0, 0), 0);  // FIFO 1 not read
  engine_->advance_ms(100.0);
  ASSERT_EQ(QBX_ACQResetDeviceStatus(), 0);
  take_bytes();
  int32_t n = 10;
  ASSERT_EQ(read(&n), 0);
  EXPECT_EQ(take_bytes(), "OMP?0\nOMP?1\nRMB?10,6409\n");
  EXPECT_EQ(QBX_ACQGetIOBufCurrLen(1), 10);
  EXPECT_EQ(+tallix::header(4).read_block_count, 0);
  // Mode 4: not read, kept filled to 20 scans: the shortfall goes to the device.
  ASSERT_EQ(YALPLUS_SetFIFOMode(0, 1, 4, 20, 0, 0), 0);
  ASSERT_EQ(QBX_ACQResetDeviceStatus(), 0);
  engine_->advance_ms(100.0);  // FIFO 1 holds 10 scans
  n = 10;
  ASSERT_EQ(read(&n), 0);
  EXPECT_EQ(take_bytes(), "OMP?0\nOMP?1\nOMP6409,10,1\nRMB?10,6409\n");
  // Mode 1: read without a poll.
  ASSERT_EQ(YALPLUS_SetFIFOMode(0, 1, 1, 0, 0, 0), 0);
  ASSERT_EQ(QBX_ACQResetDeviceStatus(), 0);
  engine_->advance_ms(100.0);
  n = 10;
  ASSERT_EQ(read(&n), 0);
  EXPECT_EQ(QBX_ACQGetIOBufCurrLen(4), 5);
}

TEST_F(YalplusMultiScanTest, AStartTextRecordsToTheDeviceDiskAndEndsTheStart) {
  set_up_two_fifos();
  ASSERT_EQ(start(0, "run7"), 0);
  const std::string bytes = take_bytes();
  EXPECT_NE(bytes.find("TSV1000,1,0\nIHD1,run7\nRMB?2000000000,6409,0\n"), std::string::npos) << bytes;
  EXPECT_FALSE(engine_->disk_file("run7").empty());
  // A refusal of the recording stops the device.
  corvane_sim::Fault refuse;
  refuse.kind = corvane_sim::FaultKind::kRefuse;
  refuse.match = "IHD1";
  engine_->inject(refuse);
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  take_bytes();
  EXPECT_EQ(start(100, "run8"), kYalDiskRefused);
  EXPECT_NE(take_bytes().find("TSV100,1,0\nIHD1,run8\nSTP\n"), std::string::npos);
}

TEST(YalplusTables, RatesSignalsAndFormats) {
  using tallix::yalplus::rate_code;
  EXPECT_EQ(rate_code(1000.0f).code, 6315);
  EXPECT_EQ(rate_code(1000.0f).rate, 1200.0f);
  EXPECT_EQ(rate_code(0.3f).code, 6350);
  EXPECT_EQ(rate_code(0.3f).rate, 0.5f);
  EXPECT_EQ(rate_code(0.0001f).code, 6361);
  EXPECT_EQ(rate_code(19200.0f).code, 6345);
  EXPECT_EQ(rate_code(20000.0f).code, 0);
  EXPECT_EQ(rate_code(20000.0f).rate, 20000.0f);
  EXPECT_EQ(tallix::yalplus::signal_code(5), 289);
  EXPECT_EQ(tallix::yalplus::signal_code(13), 214);  // the header default counts as gross
}

}  // namespace
