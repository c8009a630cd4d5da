// Multi-scan acquisition end to end: a host registers two Corvanes on two pseudo-terminals, each
// played by its own simulator engine on the virtual clock, sets up measured channels, starts, reads
// continuously and checks every value of every channel against the signals the simulator feeds
// (ramps whose raw counts step by a known amount per scan), so that a lost, repeated, reordered or
// misscaled sample shows. Then the edge cases and the faults of the read.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"
#include "families/corvane/corvane_rates.h"
#include "kernel_fixture.h"
#include "linkar32.h"
#include "multiscan/acquisition_state.h"
#include "storix32.h"
#include "testkit/temp_dir.h"
#include "testkit/pty_pair.h"

using kernel_test::measured_header;

namespace {

constexpr int32_t kPorts[2] = {1, 2};
constexpr int32_t kTimeoutMs = 1000;
constexpr int32_t kCapacity = 1023;
constexpr double kRange = 3.0;  // mV/V of the bridge channels at power-on (range id 700)
constexpr double kFullScale = 25000.0;

// A kernel channel of the test: its device, hardware channel and the simulator's ramp in counts.
struct TestChannel {
  int32_t device;
  int16_t hardware;
  int32_t base;  // raw count at scan 0
  int32_t step;  // raw counts per scan
};

class MultiScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kernel_test::reset_kernel();
    tallix::acquisition().running = 0;
    tallix::acquisition().mv_status = 0;
    clear_triggers();
    QBX_OpenInterfaceLib();
    for (int d = 0; d < 2; ++d) {
      corvane_sim::EngineConfig config;
      config.virtual_clock = true;
      config.buffer_samples = buffer_samples_;
      engines_[d] = std::make_unique<corvane_sim::Engine>(config);
      servers_[d] = std::make_unique<corvane_sim::PtyServer>(*engines_[d]);
      const std::string name = "LINKAR32_COM" + std::to_string(kPorts[d]);
      envs_[d] = std::make_unique<testkit::ScopedEnv>(name.c_str(), servers_[d]->start());
      ASSERT_EQ(QBX_OpenPort(kPorts[d], 9600, "e", 8, 1, 4096), 0);
    }
    QBX_SetTimeout(kTimeoutMs);
    // Device 0: hardware channels in an order the block does not have; device 1: three more.
    channels_ = {{0, 3, -12000, 1}, {0, 1, -11000, 2}, {0, 0, -10000, 3}, {0, 2, -9000, 4},
                 {1, 0, 12000, -1}, {1, 5, 11000, -2}, {1, 7, 10000, -5}};
  }
  void TearDown() override {
    QBX_ACQResetMultiScan();
    tallix::acquisition().running = 0;
    QBX_OpenInterfaceLib();
    QBX_SetTimeout(3000);
    for (auto& s : servers_) s->stop();
    clear_triggers();
    kernel_test::reset_kernel();
  }

  // No trigger record names a device.
  static void clear_triggers() {
    for (auto& record : tallix::kernel().triggers) {
      std::fill(std::begin(record), std::end(record), 0);
      record[1] = -1;
    }
  }

  int32_t list_size() const { return static_cast<int32_t>(list_.size()); }

  // Registers both devices with FIFO 0 at `rate`, sets up and initialises the channels, gives the
  // simulator its ramps for scans at `device_rate`.
  // Device 1 may run at a rate of its own (device1_rate > 0).
  void set_up_host(float rate, double device_rate, float device1_rate = 0) {
    const uint8_t widths[6] = {1, 1, 1, 1, 1, 1};
    for (int32_t d = 0; d < 2; ++d) {
      const float rates[6] = {d == 1 && device1_rate > 0 ? device1_rate : rate, 0, 0, 0, 0, 0};
      ASSERT_EQ(QBX_ACQSetDeviceInfo(d, 8, kPorts[d], 0, 0, 0, 2, 0, rates, widths), 0);
      ASSERT_EQ(QBX_ACQInitDevice(d, 8, kPorts[d], 0), 0);
    }
    list_.clear();
    for (size_t i = 0; i < channels_.size(); ++i) {
      const TestChannel& c = channels_[i];
      const auto ch = static_cast<int32_t>(i + 1);
      AcqHdr h = measured_header(8, static_cast<int16_t>(kPorts[c.device]), 0, c.hardware,
                                 static_cast<int16_t>(c.device));
      h.range = 1.0f;  // the channel set-up reads the real range from the device
      ASSERT_EQ(QBX_ACQSetAcqHdr(ch, &h), 0);
      ASSERT_EQ(QBX_ACQAllocIOBuf(ch, kCapacity, 0), 0);
      tallix::kernel().lin[ch].mode = 1;
      list_.push_back(ch);
      const double scans_per_s = c.device == 1 && device1_rate > 0 ? device1_rate : device_rate;
      engines_[c.device]->set_source(
          c.hardware, corvane_sim::SignalSource::ramp(c.base * kRange / kFullScale,
                                                      c.step * scans_per_s * kRange / kFullScale));
    }
    ASSERT_EQ(QBX_ACQInitChan(list_size(), list_.data(), 0, 0), 0);
    ASSERT_EQ(QBX_ACQSetSampleRate(rate), 0);
    for (auto& e : engines_) e->clear_received_bytes();
  }

  int32_t start(int32_t block_length = 0) {
    return QBX_ACQStartMultiScan(list_size(), list_.data(), block_length, 0, 0, nullptr);
  }

  void advance_ms(double ms) {
    for (auto& e : engines_) e->advance_ms(ms);
  }

  int32_t read(int32_t* length, double mode = 0.0, bool asynchronous = false) {
    return asynchronous ? QBX_ACQReadMultiScanAsynch(list_size(), list_.data(), length, mode, 0, 0, 0)
                        : QBX_ACQReadMultiScan(list_size(), list_.data(), length, mode, 0, 0, 0);
  }

  static bool ends_with(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
  }

  static double expected(const TestChannel& c, int64_t scan) {
    return static_cast<double>(c.base + c.step * scan) * kRange / kFullScale;
  }

  // Checks that every channel holds scans first .. first + n - 1 of its ramp, scaled.
  void expect_block(int64_t first, int32_t n) {
    for (size_t i = 0; i < channels_.size(); ++i) {
      const auto ch = static_cast<int32_t>(i + 1);
      ASSERT_EQ(+tallix::header(ch).read_block_count, n) << "channel " << ch;
      ASSERT_EQ(QBX_ACQGetIOBufCurrLen(ch), n);
      std::vector<double> v(static_cast<size_t>(n));
      ASSERT_EQ(QBX_ACQGetIOBuf(ch, 0, n, v.data()), 0);
      for (int32_t k = 0; k < n; ++k)
        ASSERT_NEAR(v[static_cast<size_t>(k)], expected(channels_[i], first + k), 1e-9)
            << "channel " << ch << " scan " << first + k;
    }
  }

  // The scan number the channel's first value belongs to (from its ramp).
  int64_t scan_of_first_value(size_t index) {
    double v = 0;
    EXPECT_EQ(QBX_ACQGetIOBuf(static_cast<int32_t>(index + 1), 0, 1, &v), 0);
    const TestChannel& c = channels_[index];
    return std::llround((v * kFullScale / kRange - c.base) / c.step);
  }

  std::string take_bytes(int d) {
    std::string b = engines_[d]->received_bytes();
    engines_[d]->clear_received_bytes();
    return b;
  }

  // Reads continuously `reads` blocks of `length` scans with a reset before each, advancing the
  // virtual clock by one block's time; checks every value. Returns the next scan number.
  int64_t read_continuously(int64_t first, int32_t reads, int32_t length, double device_rate) {
    for (int32_t r = 0; r < reads; ++r) {
      advance_ms(length * 1000.0 / device_rate);
      EXPECT_EQ(QBX_ACQResetDeviceStatus(), 0);
      int32_t n = length;
      EXPECT_EQ(read(&n), 0) << "read " << r;
      EXPECT_EQ(n, length);
      expect_block(first, length);
      if (HasFatalFailure()) return first;
      first += length;
    }
    return first;
  }

  size_t buffer_samples_ = 262144;
  std::unique_ptr<corvane_sim::Engine> engines_[2];
  std::unique_ptr<corvane_sim::PtyServer> servers_[2];
  std::unique_ptr<testkit::ScopedEnv> envs_[2];
  std::vector<TestChannel> channels_;
  std::vector<int32_t> list_;
};

TEST_F(MultiScanTest, TwoCorvanesAt1000HzRunAt800AndDeliverEveryScanOnce) {
  set_up_host(1000.0f, 800.0);
  ASSERT_EQ(QBX_CBAllocateBuffer(2, 300), 0);
  double start_time_seen = -1.0;
  static double* timer_arg = nullptr;
  QBX_ACQSetTimerCallback([](double* t) { timer_arg = t; });
  ASSERT_EQ(start(), 0);
  start_time_seen = timer_arg != nullptr ? 0.0 : -1.0;
  EXPECT_EQ(start_time_seen, 0.0);
  // Rate 800 Hz (code 6314), everything off, the listed channels on in list order, free run.
  EXPECT_EQ(take_bytes(0), "ICR6314\nACT100,0\nACT3,1\nACT1,1\nACT0,1\nACT2,1\nMSV0,1,6100,0\n");
  EXPECT_EQ(take_bytes(1), "ICR6314\nACT100,0\nACT0,1\nACT5,1\nACT7,1\nMSV0,1,6100,0\n");
  float rate = 0;
  ASSERT_EQ(QBX_ACQGetSampleRate(&rate), 0);
  EXPECT_EQ(rate, 800.0f);
  EXPECT_EQ(start(), kAcqRunning);

  // FIFO 0 lists ascending by sort key: the block's sample order.
  const DeviceRecord& d0 = tallix::device(0);
  ASSERT_EQ(+d0.fifo_channel_count[0], 4);
  EXPECT_EQ(+d0.fifo_list[0][0], 3);  // hardware 0
  EXPECT_EQ(+d0.fifo_list[0][1], 2);  // hardware 1
  EXPECT_EQ(+d0.fifo_list[0][2], 4);  // hardware 2
  EXPECT_EQ(+d0.fifo_list[0][3], 1);  // hardware 3
  EXPECT_EQ(+d0.measured_channel_count, 4);
  EXPECT_EQ(+tallix::header(4).list_position, 3);

  // 3 s of 100 ms blocks: every value of every channel, no scan lost or repeated.
  const int64_t next = read_continuously(1, 30, 80, 800.0);
  EXPECT_EQ(next, 2401);
  EXPECT_EQ(take_bytes(0).substr(0, 12), "MSV?\nOMB?80\n");
  take_bytes(1);
  // The ring of channel 2 holds its last 300 values.
  double oldest = 0, total = 0;
  ASSERT_EQ(QBX_CBGetCounters(2, &oldest, &total), 0);
  EXPECT_EQ(total, 2400.0);
  std::vector<double> ring(300);
  ASSERT_EQ(QBX_CBFetch(2, ring.data(), 2100.0, 300), 300);
  for (int k = 0; k < 300; ++k) ASSERT_NEAR(ring[static_cast<size_t>(k)], expected(channels_[1], 2101 + k), 1e-9);
  // Elapsed time: 2400 scans at the kernel rate.
  EXPECT_NEAR(tallix::acquisition().elapsed_ms, 3000.0, 1e-6);

  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  EXPECT_EQ(take_bytes(0), "STP\nEST?\n");
  EXPECT_EQ(take_bytes(1), "STP\nEST?\n");
  EXPECT_EQ(engines_[0]->acquisition().state, corvane_sim::kStateIdle);
  int32_t n = 80;
  EXPECT_EQ(read(&n), kAcqNotRunning);
  EXPECT_EQ(QBX_ACQStopMultiScan(), kAcqNotRunning);
  QBX_ACQSetTimerCallback(nullptr);
}

TEST_F(MultiScanTest, A600HzRunReadsAllThatIsThereAndRepeatsIncompleteReads) {
  set_up_host(600.0f, 600.0);
  ASSERT_EQ(start(), 0);
  EXPECT_EQ(take_bytes(0).substr(0, 8), "ICR6313\n");
  int64_t next = read_continuously(1, 10, 60, 600.0);

  // Read mode -1.0: whatever each device holds.
  advance_ms(50);  // 30 scans
  QBX_ACQResetDeviceStatus();
  int32_t n = 10;
  ASSERT_EQ(read(&n, -1.0), 0);
  EXPECT_EQ(n, 30);
  expect_block(next, 30);
  next += 30;
  // Nothing buffered: -199; the synchronous read leaves the length, the asynchronous one gives -1.
  QBX_ACQResetDeviceStatus();
  n = 10;
  EXPECT_EQ(read(&n, -1.0), kAcqBlockNotComplete);
  EXPECT_EQ(n, 10);
  QBX_ACQResetDeviceStatus();
  EXPECT_EQ(read(&n, -1.0, true), kAcqBlockNotComplete);
  EXPECT_EQ(n, -1);

  // A block that is not complete on one device: -199, and the repeat without reset fetches only
  // the device still missing, so that no scan is lost or read twice.
  take_bytes(0);
  take_bytes(1);
  engines_[0]->advance_ms(100);
  QBX_ACQResetDeviceStatus();
  n = 60;
  EXPECT_EQ(read(&n), kAcqBlockNotComplete);
  EXPECT_EQ(take_bytes(0), "MSV?\nOMB?60\n");
  EXPECT_EQ(take_bytes(1), "MSV?\n");
  engines_[1]->advance_ms(100);
  n = 60;
  ASSERT_EQ(read(&n), 0);
  EXPECT_EQ(take_bytes(0), "");
  EXPECT_EQ(take_bytes(1), "MSV?\nOMB?60\n");
  expect_block(next, 60);
  next += 60;
  // Asynchronous order gives the same data.
  advance_ms(100);
  QBX_ACQResetDeviceStatus();
  n = 60;
  ASSERT_EQ(read(&n, 0.0, true), 0);
  expect_block(next, 60);
  // A read without a reset between: nothing new, nothing scaled twice.
  n = 60;
  EXPECT_EQ(read(&n), 0);
  EXPECT_EQ(n, 0);
  expect_block(next, 60);
}

// Measured, time and formula channels in one list: after every read the time channel continues the
// scan clock of the host's rate without a gap, and the formula channels (a text formula over two
// measured channels and a weighted sum of the same two) follow their inputs value for value.
TEST_F(MultiScanTest, TimeAndFormulaChannelsFollowEveryRead) {
  set_up_host(600.0f, 600.0);
  constexpr int32_t kTime = 20, kText = 21, kSum = 22;
  AcqHdr t{};
  t.acq_class = 2;
  t.time_kind = 2;  // one value per scan, in milliseconds (full-scale count 0)
  t.range = 1.0f;
  t.device_type = -1;
  ASSERT_EQ(QBX_ACQSetAcqHdr(kTime, &t), 0);
  ASSERT_EQ(QBX_ACQCreateFormula(kText, "c1+2*c2", 0, nullptr, 0), 0);
  const double weights[] = {1, 2, 0.5, 3};  // 0.5 x channel 1 + 3 x channel 2
  ASSERT_EQ(QBX_ACQCreateFormula(kSum, nullptr, 4, weights, 4), 0);
  for (const int32_t ch : {kTime, kText, kSum}) {
    ASSERT_EQ(QBX_ACQAllocIOBuf(ch, kCapacity, 0), 0);
    list_.push_back(ch);
  }
  const int32_t derived[] = {kTime, kText, kSum};
  ASSERT_EQ(QBX_ACQInitChan(3, derived, 0, 0), 0);
  ASSERT_EQ(start(), 0);
  int64_t first = 1;
  for (int r = 0; r < 6; ++r) {
    advance_ms(100);
    ASSERT_EQ(QBX_ACQResetDeviceStatus(), 0);
    int32_t n = 60;
    ASSERT_EQ(read(&n), 0) << "read " << r;
    ASSERT_EQ(n, 60);
    expect_block(first, 60);
    std::vector<double> time(60), text(60), sum(60);
    ASSERT_EQ(QBX_ACQGetIOBuf(kTime, 0, 60, time.data()), 0);
    ASSERT_EQ(QBX_ACQGetIOBuf(kText, 0, 60, text.data()), 0);
    ASSERT_EQ(QBX_ACQGetIOBuf(kSum, 0, 60, sum.data()), 0);
    for (int k = 0; k < 60; ++k) {
      const double a = expected(channels_[0], first + k), b = expected(channels_[1], first + k);
      ASSERT_NEAR(time[static_cast<size_t>(k)], (first - 1 + k) * 1000.0 / 600.0, 1e-9) << "scan " << first + k;
      ASSERT_NEAR(text[static_cast<size_t>(k)], a + 2 * b, 1e-9) << "scan " << first + k;
      ASSERT_NEAR(sum[static_cast<size_t>(k)], 0.5 * a + 3 * b, 1e-9) << "scan " << first + k;
    }
    first += 60;
  }
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  for (const int32_t ch : {kText, kSum}) QBX_ACQDestroyFormula(ch);
}

// Channels whose header asks for the database get every block appended to the database channel of
// the same number as it is read; the file holds exactly what the IO buffers held, block after block.
// A channel asking for an online file while no file is named makes the read say so (-303).
TEST_F(MultiScanTest, BlocksReachTheDatabaseAsTheyAreRead) {
  testkit::TempDir dir;
  const std::string file = dir.path() + "/run.db";
  ASSERT_EQ(QBX_CreateDatabase(0, nullptr, 20), 0);
  ASSERT_EQ(QBX_CreateDatabase(1, file.c_str(), 0), 0);
  set_up_host(600.0f, 600.0);
  for (const int32_t ch : {1, 5, 7}) tallix::header(ch).storage_mode = 1;
  ASSERT_EQ(start(), 0);
  const int64_t next = read_continuously(1, 5, 60, 600.0);
  EXPECT_EQ(next, 301);
  for (const int32_t ch : {1, 5, 7}) {
    ASSERT_EQ(QBX_GetDatabaseChanCurrLen(ch), 300) << "channel " << ch;
    std::vector<double> v(300);
    ASSERT_EQ(QBX_ReadFromDatabase(ch, 1, 300, v.data()), 0);
    for (int k = 0; k < 300; ++k)
      ASSERT_NEAR(v[static_cast<size_t>(k)], expected(channels_[static_cast<size_t>(ch - 1)], 1 + k), 1e-9)
          << "channel " << ch << " value " << k;
  }
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(2), 0);  // not asked for

  tallix::header(3).storage_mode = 2;
  advance_ms(100);
  QBX_ACQResetDeviceStatus();
  int32_t n = 60;
  EXPECT_EQ(read(&n), -303);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(1), 360);  // the database part was stored all the same
  tallix::header(3).storage_mode = 0;
  QBX_RemoveDatabase(1);
}

TEST_F(MultiScanTest, ASlowerDeviceReadsItsShareOfTheBlockWithTheFractionCarried) {
  // Device 1 runs at 300 Hz beside 800 Hz: a block of 50 scans is 18.75 of its scans, read as
  // 18, 19, 19, 19 (the fraction carried from read to read), every scan once.
  set_up_host(800.0f, 800.0, 300.0f);
  ASSERT_EQ(start(), 0);
  EXPECT_EQ(take_bytes(1).substr(0, 8), "ICR6311\n");
  int64_t next[2] = {1, 1};
  const int32_t expected_lengths[4] = {18, 19, 19, 19};
  for (int r = 0; r < 8; ++r) {
    advance_ms(62.5);
    QBX_ACQResetDeviceStatus();
    int32_t n = 50;
    ASSERT_EQ(read(&n), 0) << "read " << r;
    EXPECT_EQ(n, 50);
    for (size_t i = 0; i < channels_.size(); ++i) {
      const TestChannel& c = channels_[i];
      const int32_t length = c.device == 0 ? 50 : expected_lengths[r % 4];
      const auto ch = static_cast<int32_t>(i + 1);
      ASSERT_EQ(+tallix::header(ch).read_block_count, length) << "read " << r << " channel " << ch;
      std::vector<double> v(static_cast<size_t>(length));
      ASSERT_EQ(QBX_ACQGetIOBuf(ch, 0, length, v.data()), 0);
      for (int32_t k = 0; k < length; ++k)
        ASSERT_NEAR(v[static_cast<size_t>(k)], expected(c, next[c.device] + k), 1e-9);
    }
    next[0] += 50;
    next[1] += expected_lengths[r % 4];
  }
}

TEST_F(MultiScanTest, RateQuantisation) {
  using tallix::corvane::quantise_rate;
  EXPECT_EQ(quantise_rate(1000.0f).rate, 800.0f);
  EXPECT_EQ(quantise_rate(1000.0f).code, 6314);
  EXPECT_EQ(quantise_rate(9600.0f).code, 6320);
  EXPECT_EQ(quantise_rate(20000.0f).code, 6320);
  EXPECT_EQ(quantise_rate(599.9f).code, 6312);
  EXPECT_EQ(quantise_rate(600.0f).code, 6313);
  EXPECT_EQ(quantise_rate(1.0f).code, 6300);
  EXPECT_EQ(quantise_rate(0.5f).rate, 1200.0f);
  EXPECT_EQ(quantise_rate(0.5f).code, 6315);
  EXPECT_EQ(quantise_rate(std::nanf("")).code, 6315);
  // On the line, and as the kernel rate afterwards.
  set_up_host(0.5f, 1200.0);
  ASSERT_EQ(start(), 0);
  EXPECT_EQ(take_bytes(0).substr(0, 8), "ICR6315\n");
  float rate = 0;
  QBX_ACQGetSampleRate(&rate);
  EXPECT_EQ(rate, 1200.0f);
}

TEST_F(MultiScanTest, FifoFourStandsInTwoListsAndTheBlockIsReadOnce) {
  channels_ = {{0, 3, -12000, 1}, {0, 1, -11000, 2}, {1, 0, 12000, -1}};
  set_up_host(800.0f, 800.0);
  AcqHdr h{};
  QBX_ACQGetAcqHdr(1, &h);
  h.fifo = 4;
  QBX_ACQSetAcqHdr(1, &h);
  ASSERT_EQ(start(), 0);
  const DeviceRecord& d0 = tallix::device(0);
  EXPECT_EQ(+d0.fifo_channel_count[0], 2);
  EXPECT_EQ(+d0.fifo_channel_count[1], 1);
  EXPECT_EQ(+d0.fifo_list[1][0], 1);
  EXPECT_EQ(+d0.fifo_reference_channel[1], 1);
  EXPECT_EQ(+d0.fifo_in_use[1], 1);
  EXPECT_EQ(+d0.measured_channel_count, 2);
  take_bytes(0);
  const int64_t next = read_continuously(1, 3, 80, 800.0);
  EXPECT_EQ(next, 241);
  EXPECT_EQ(take_bytes(0), "MSV?\nOMB?80\nMSV?\nOMB?80\nMSV?\nOMB?80\n");
  // A FIFO number outside 0..4 is refused before anything is sent.
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  h.fifo = 7;
  QBX_ACQSetAcqHdr(1, &h);
  take_bytes(0);
  EXPECT_EQ(start(), kAcqBadArgument);
  EXPECT_EQ(take_bytes(0), "");
}

TEST_F(MultiScanTest, MeasuredValueStatusAndOverflowCodes) {
  set_up_host(800.0f, 800.0);
  ASSERT_EQ(start(), 0);
  // The last device's first sample (hardware 0 of device 1, channel 5) is the overflow code; its
  // last sample decides the channel's status word.
  engines_[1]->set_source(0, corvane_sim::SignalSource::raw(32767));
  advance_ms(100);
  QBX_ACQResetDeviceStatus();
  int32_t n = 80;
  ASSERT_EQ(read(&n), 0);
  EXPECT_EQ(QBX_ACQGetMVStatus(), kAcqMeasuredOverflow);
  EXPECT_EQ(QBX_ACQGetMVStatus(), kAcqMeasuredOverflow);
  EXPECT_EQ(QBX_ACQGetIOBufStatus(5), 16);
  EXPECT_EQ(QBX_ACQGetIOBufStatus(6), 0);
  engines_[1]->set_source(0, corvane_sim::SignalSource::raw(-32767));
  advance_ms(100);
  QBX_ACQResetDeviceStatus();
  ASSERT_EQ(read(&n), 0);
  EXPECT_EQ(QBX_ACQGetIOBufStatus(5), 16);
  // 32766 is still a reading of the channel (up to twice the range): status -400, word 0.
  engines_[1]->set_source(0, corvane_sim::SignalSource::raw(32766));
  advance_ms(100);
  QBX_ACQResetDeviceStatus();
  ASSERT_EQ(read(&n), 0);
  EXPECT_EQ(QBX_ACQGetMVStatus(), kAcqMeasuredOverflow);
  EXPECT_EQ(QBX_ACQGetIOBufStatus(5), 0);
  engines_[1]->set_source(0, corvane_sim::SignalSource::raw(100));
  advance_ms(100);
  QBX_ACQResetDeviceStatus();
  ASSERT_EQ(read(&n), 0);
  EXPECT_EQ(QBX_ACQGetMVStatus(), 0);
  EXPECT_EQ(QBX_ACQGetIOBufStatus(5), 0);
}

TEST_F(MultiScanTest, PretriggerLimitsAndTriggerRecords) {
  set_up_host(800.0f, 800.0);
  int32_t* trigger = tallix::kernel().triggers[1];
  trigger[1] = 0;   // device 0
  trigger[2] = 1;   // pre-trigger mode
  trigger[12] = 10; // percent
  EXPECT_EQ(start(8000), kAcqPretriggerTooLong);
  EXPECT_EQ(tallix::acquisition().running, 0);
  take_bytes(0);
  take_bytes(1);
  ASSERT_EQ(start(4000), 0);
  EXPECT_TRUE(ends_with(take_bytes(0), "\nMSV4000,400,6102,0\n"));
  // Device 1 is on another port: no trigger there.
  EXPECT_TRUE(ends_with(take_bytes(1), "\nMSV4000,1,6100,0\n"));
  QBX_ACQStopMultiScan();
  EXPECT_EQ(start(0), kAcqTriggerNeedsLength);
  trigger[7] = 1;
  EXPECT_EQ(start(100), kAcqTriggerBusy);
  trigger[7] = 0;
  trigger[2] = 2;
  trigger[3] = 1;  // hardware channel 3: fine; a channel above 7 is not
  AcqHdr h{};
  QBX_ACQGetAcqHdr(1, &h);
  h.hardware_channel = 8;
  QBX_ACQSetAcqHdr(1, &h);
  EXPECT_EQ(start(100), kAcqTriggerChannelBad);
}

TEST_F(MultiScanTest, StartOrderSignatureAndTheExportsAroundTheRead) {
  set_up_host(800.0f, 800.0);
  // Device 1 has start role 2: it is started in the first pass.
  const float rates[6] = {800, 0, 0, 0, 0, 0};
  const uint8_t widths[6] = {1, 1, 1, 1, 1, 1};
  ASSERT_EQ(QBX_ACQSetDeviceInfo(1, 8, kPorts[1], 0, 0, 2, 2, 0, rates, widths), 0);
  {
    kernel_test::MessageRecorder recorder;
    ASSERT_EQ(start(), 0);
    EXPECT_EQ(recorder.messages, (std::vector<int32_t>{-2 * 100000 + 1, -2 * 100000 + 0}));
  }
  EXPECT_EQ(+tallix::device(0).config_unchanged, 0);  // first start: a new signature
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  ASSERT_EQ(start(), 0);
  EXPECT_EQ(+tallix::device(0).config_unchanged, 1);
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  AcqHdr h{};
  QBX_ACQGetAcqHdr(2, &h);
  h.sort_index = 3;
  QBX_ACQSetAcqHdr(2, &h);
  ASSERT_EQ(start(), 0);
  EXPECT_EQ(+tallix::device(0).config_unchanged, 0);
  EXPECT_EQ(+tallix::device(1).config_unchanged, 1);
  // A restart while running (option -1) is taken: the running device refuses the rate and the
  // channels (10008) and starts measuring anew.
  EXPECT_EQ(QBX_ACQStartMultiScan(list_size(), list_.data(), 0, 0, -1, nullptr), 0);
  // A refused "MSV" is a failed start: the device's error is fetched.
  corvane_sim::Fault refuse;
  refuse.kind = corvane_sim::FaultKind::kRefuse;
  refuse.match = "MSV";
  engines_[0]->inject(refuse);
  take_bytes(0);
  EXPECT_EQ(QBX_ACQStartMultiScan(list_size(), list_.data(), 0, 0, -1, nullptr), kAcqDeviceRefused);
  EXPECT_TRUE(ends_with(take_bytes(0), "MSV0,1,6100,-1\nEST?\n"));
  EXPECT_EQ(tallix::acquisition().running, 0);
  ASSERT_EQ(start(), 0);

  advance_ms(100);
  QBX_ACQResetDeviceStatus();
  int32_t n = 80;
  ASSERT_EQ(read(&n), 0);
  EXPECT_EQ(QBX_ACQResetReadBlockCount(2, list_.data()), 0);
  EXPECT_EQ(+tallix::header(1).read_block_count, 0);
  EXPECT_EQ(QBX_ACQGetIOBufCurrLen(2), 0);
  EXPECT_EQ(+tallix::header(3).read_block_count, 80);
  EXPECT_EQ(QBX_ACQSetTimeBase(0, 500.0), 0);
  EXPECT_EQ(tallix::acquisition().elapsed_ms, 500.0);
  EXPECT_EQ(tallix::acquisition().device_time_base[63], 500.0);
  EXPECT_EQ(QBX_ACQSetTimeBase(10001, 1.0), kAcqBadChannel);
  EXPECT_EQ(QBX_ACQSetSkipFiFo(0, 4, 1), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQSetSkipFiFo(64, 0, 1), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQSetSkipFiFo(0, 2, 1), 0);
  EXPECT_EQ(+tallix::device(0).skip_fifo[2], 1);
  EXPECT_EQ(QBX_ACQSetPortCtrlStruct(1, "ABCDEFGHIJ", 1, 2, 3), 0);
  EXPECT_STREQ(tallix::acquisition().port_ctrl_text, "ABCDEFG");
  // Reset forgets the acquisition without a word to the devices.
  take_bytes(0);
  EXPECT_EQ(QBX_ACQResetMultiScan(), 0);
  EXPECT_EQ(take_bytes(0), "");
  EXPECT_EQ(read(&n), kAcqNotRunning);
}

TEST_F(MultiScanTest, LevelTriggerSendsItsConditionInRawCounts) {
  set_up_host(800.0f, 800.0);
  int32_t* trigger = tallix::kernel().triggers[2];
  trigger[1] = 0;    // device 0
  trigger[2] = 2;    // level condition with pre-trigger
  trigger[3] = 1;    // channel 1: hardware channel 3, 3 mV/V
  trigger[4] = 2;    // rising edge
  const float level = 1.5f;
  std::memcpy(&trigger[5], &level, sizeof level);
  trigger[12] = 10;  // percent
  ASSERT_EQ(start(100), 0);
  EXPECT_TRUE(ends_with(take_bytes(0), "ACT2,1\nEST?\nDTR3,6002,12500\nEST?\nMSV100,10,6103,0\n"));
  EXPECT_EQ(engines_[0]->acquisition().trigger_mode, 6103);
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  // A condition the device refuses fails the start.
  corvane_sim::Fault refuse;
  refuse.kind = corvane_sim::FaultKind::kRefuse;
  refuse.match = "DTR";
  engines_[0]->inject(refuse);
  EXPECT_EQ(start(100), kAcqTriggerRefused);
  engines_[0]->clear_faults();
  take_bytes(0);
  // A point table is inverted first: 150 on the table (0, 0)-(3, 300) is 1.5 mV/V.
  const double table[] = {0, 0, 3, 300};
  ASSERT_EQ(QBX_ACQCreateLinTab(1, 2, 0, 2, table, nullptr), 0);
  const float at_table = 150.0f;
  std::memcpy(&trigger[5], &at_table, sizeof at_table);
  ASSERT_EQ(start(100), 0);
  EXPECT_TRUE(ends_with(take_bytes(0), "EST?\nDTR3,6002,12500\nEST?\nMSV100,10,6103,0\n"));
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  // Thermo linearisation is inverted to its input (the range-scaled value x 1000): 200 degrees C
  // on sensor type 1 lies on the node 2.1554 of the table, input 2.1554 / 0.2.
  ASSERT_EQ(QBX_ACQSetLinMode(1, 3), 0);
  tallix::header(1).sensor_type = 1;
  const float at_thermo = 200.0f;
  std::memcpy(&trigger[5], &at_thermo, sizeof at_thermo);
  ASSERT_EQ(start(100), 0);
  const auto raw = static_cast<int32_t>(2.1554 / 0.2 / 1000.0 / kRange * kFullScale);
  EXPECT_TRUE(ends_with(take_bytes(0), "DTR3,6002," + std::to_string(raw) + "\nEST?\nMSV100,10,6103,0\n"));
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  // A polynomial has no inverse for the level.
  const double poly[] = {0, 1};
  ASSERT_EQ(QBX_ACQCreateLinTab(1, 2, 1, 2, poly, nullptr), 0);
  EXPECT_EQ(start(100), kAcqTriggerRefused);
}

TEST_F(MultiScanTest, StopAndReadWithoutStart) {
  EXPECT_EQ(QBX_ACQStopMultiScan(), kAcqNotRunning);
  int32_t n = 10;
  EXPECT_EQ(QBX_ACQReadMultiScan(0, nullptr, &n, 0.0, 0, 0, 0), kAcqNotRunning);
  EXPECT_EQ(QBX_ACQReadMultiScan(0, nullptr, nullptr, 0.0, 0, 0, 0), kAcqBadArgument);
  const int32_t bad = 0;
  EXPECT_EQ(QBX_ACQStartMultiScan(1, &bad, 0, 0, 0, nullptr), kAcqBadChannel);
}

// Devices that keep 100 scans of 7 channels.
class SmallBufferTest : public MultiScanTest {
 protected:
  SmallBufferTest() { buffer_samples_ = 7 * 100; }
};

TEST_F(SmallBufferTest, DeviceBufferOverflowGives405) {
  set_up_host(800.0f, 800.0);
  ASSERT_EQ(start(), 0);
  advance_ms(1000);  // 800 scans of 4 channels: more than the device keeps
  QBX_ACQResetDeviceStatus();
  int32_t n = 80;
  EXPECT_EQ(read(&n), kAcqDeviceBufferOverflow);
  EXPECT_EQ(QBX_ACQGetDeviceStatus(0, 0), kAcqDeviceBufferOverflow);
}

TEST_F(MultiScanTest, IoBufferTooSmallKeepsTheScansOnTheDevice) {
  set_up_host(800.0f, 800.0);
  ASSERT_EQ(QBX_ACQAllocIOBuf(6, 50, 0), 0);
  ASSERT_EQ(start(), 0);
  advance_ms(100);
  QBX_ACQResetDeviceStatus();
  int32_t n = 80;
  EXPECT_EQ(read(&n), kAcqBlockTooLarge);
  // The write offset counts too: a block never passes the buffer's end.
  ASSERT_EQ(QBX_ACQAllocIOBuf(6, kCapacity, 0), 0);
  tallix::buffer(6).write_offset = kCapacity - 10;
  advance_ms(100);
  QBX_ACQResetDeviceStatus();
  EXPECT_EQ(read(&n), kAcqBlockTooLarge);
  // A failed read ends before scaling: device 0's block (scans 81..160) stays in raw counts.
  double raw = 0;
  QBX_ACQGetIOBuf(1, 0, 1, &raw);
  EXPECT_EQ(raw, channels_[0].base + 81 * channels_[0].step);
  tallix::buffer(6).write_offset = 0;
  // Nothing was fetched from device 1: the next read gets its scans 1..80, and device 0 its
  // scans 161..240.
  advance_ms(100);
  QBX_ACQResetDeviceStatus();
  ASSERT_EQ(read(&n), 0);
  EXPECT_EQ(scan_of_first_value(4), 1);
  EXPECT_EQ(scan_of_first_value(0), 161);
  // One request carries at most 1023 scans.
  advance_ms(3000);
  QBX_ACQResetDeviceStatus();
  n = 2000;
  ASSERT_EQ(read(&n), 0);
  EXPECT_EQ(n, 1023);
  EXPECT_EQ(scan_of_first_value(4), 81);
  EXPECT_EQ(scan_of_first_value(0), 241);
}

TEST_F(MultiScanTest, FaultsGiveTheirStatusAndTheNextReadIsCorrect) {
  set_up_host(800.0f, 800.0);
  QBX_SetTimeout(300);
  ASSERT_EQ(start(), 0);
  int64_t next = read_continuously(1, 2, 80, 800.0);

  // Device 1 refuses the status query: -198, device 0's block is delivered and scaled, device 1's
  // channels deliver nothing this time.
  corvane_sim::Fault refuse;
  refuse.kind = corvane_sim::FaultKind::kRefuse;
  refuse.match = "MSV?";
  engines_[1]->inject(refuse);
  advance_ms(100);
  QBX_ACQResetDeviceStatus();
  int32_t n = 80;
  EXPECT_EQ(read(&n), kAcqDeviceStatusRefused);
  EXPECT_EQ(n, 80);
  EXPECT_EQ(scan_of_first_value(0), next);
  EXPECT_EQ(+tallix::header(5).read_block_count, 0);
  EXPECT_EQ(QBX_ACQGetDeviceStatus(1, 0), kAcqDeviceStatusRefused);
  // Device 1 still holds its scans: the next read gets two blocks' worth in read mode -1.0.
  advance_ms(100);
  QBX_ACQResetDeviceStatus();
  n = 80;
  ASSERT_EQ(read(&n, -1.0), 0);
  EXPECT_EQ(n, 160);
  EXPECT_EQ(scan_of_first_value(4), next);
  EXPECT_EQ(+tallix::header(1).read_block_count, 80);
  next += 160;
  (void)next;

  // No answer to the status query: the time-out comes back, and the next read is correct.
  corvane_sim::Fault silent;
  silent.kind = corvane_sim::FaultKind::kNoAnswer;
  silent.match = "MSV?";
  engines_[0]->inject(silent);
  advance_ms(100);
  QBX_ACQResetDeviceStatus();
  n = 80;
  EXPECT_EQ(read(&n), -10);
  EXPECT_EQ(QBX_ACQGetDeviceStatus(0, 0), -10);
  const int64_t dev0_next = scan_of_first_value(0) + 80;  // device 0's last delivered block, then on
  advance_ms(100);
  QBX_ACQResetDeviceStatus();
  n = 80;
  ASSERT_EQ(read(&n, -1.0), 0);
  EXPECT_EQ(n, 160);
  EXPECT_EQ(scan_of_first_value(0), dev0_next);
  EXPECT_EQ(+tallix::header(1).read_block_count, 160);
  EXPECT_EQ(+tallix::header(5).read_block_count, 80);

  // A cut binary block: an error, the rest of the block is flushed, and the next block is correct
  // (the scans of the cut block are gone from the device).
  corvane_sim::Fault cut;
  cut.kind = corvane_sim::FaultKind::kShortBlock;
  cut.match = "OMB?";
  cut.drop_bytes = 20;
  engines_[0]->inject(cut);
  const int64_t before = scan_of_first_value(0) + 160;
  advance_ms(100);
  QBX_ACQResetDeviceStatus();
  n = 80;
  EXPECT_LT(read(&n), 0);
  advance_ms(100);
  QBX_ACQResetDeviceStatus();
  n = 80;
  ASSERT_EQ(read(&n), 0);
  const int64_t first = scan_of_first_value(0);
  EXPECT_EQ(first, before + 80);
  for (size_t i = 0; i < 4; ++i) {
    std::vector<double> v(80);
    QBX_ACQGetIOBuf(static_cast<int32_t>(i + 1), 0, 80, v.data());
    for (int k = 0; k < 80; ++k) ASSERT_NEAR(v[static_cast<size_t>(k)], expected(channels_[i], first + k), 1e-9);
  }
}

}  // namespace
