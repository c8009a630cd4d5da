// End to end: the example driver for a SCPI-style multimeter, compiled by the drvc program, drives
// the simulator's scpi-meter personality (a separate corvane-sim process on a pseudo-terminal)
// through a whole multi-scan: device and channel set-up, start, reads, stop. Every value of every
// channel is checked against the ramp the meter was told to play on the input the channel names.
#include <cmath>
#include <string>
#include <vector>

#include "driver_stack/driver_program.h"
#include "kernel_fixture.h"
#include "linkar32.h"
#include "testkit/child_process.h"
#include "testkit/pty_pair.h"
#include "testkit/temp_dir.h"

namespace kernel_test {
namespace {

constexpr int32_t kDevice = 3;
constexpr int32_t kType = 7777;  // no built-in family, no plug-in: the driver stack
constexpr int32_t kPort = 1;
constexpr int32_t kScans = 5;
constexpr int32_t kReads = 4;

// A ramp per meter input: reading k of input i is start + slope x k x 0.1 s.
struct Ramp {
  double start;
  double slope;
};
constexpr Ramp kInputs[5] = {{}, {1.0, 0.5}, {-3.0, 2.0}, {10.0, -1.25}, {0.125, 0.0}};

class ScpiMeterDriverTest : public KernelTest {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    QBX_ACQInitDriverStacks();
    driver_ = dir_.file("scpi_meter.drv");
    ASSERT_EQ(testkit::run_program({DRVC_PROGRAM, "-o", driver_, DRVC_EXAMPLE}), 0);
  }
  void TearDown() override {
    QBX_ACQResetMultiScan();
    tallix::acquisition().running = 0;
    QBX_ClosePortEx(-1);
    QBX_SetTimeout(3000);
    QBX_ACQRemoveDriverStack(0);
    KernelTest::TearDown();
  }
  testkit::TempDir dir_;
  std::string driver_;
};

TEST_F(ScpiMeterDriverTest, AFullMultiScanReadsEveryValueTheMeterGives) {
  std::vector<std::string> args = {CORVANE_SIM_PROGRAM, "--personality", "scpi-meter"};
  for (int i = 1; i <= 4; ++i) {
    args.push_back("--source");
    args.push_back(std::to_string(i) + "=ramp:" + std::to_string(kInputs[i].start) + "," +
                   std::to_string(kInputs[i].slope));
  }
  testkit::ChildProcess meter(args);
  std::string path = meter.read_line(10000);  // the simulator's first line: its pty
  ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
  path.pop_back();
  testkit::ScopedEnv com1("LINKAR32_COM1", path);
  ASSERT_EQ(QBX_OpenPort(kPort, 9600, "n", 8, 1, 4096), 0);
  QBX_SetTimeout(2000);

  ASSERT_EQ(QBX_ACQAllocDriverStack(kDevice, driver_.c_str()), 0);
  const float rates[6] = {10.0f, 0, 0, 0, 0, 0};
  const uint8_t widths[6] = {};
  ASSERT_EQ(QBX_ACQSetDeviceInfo(kDevice, kType, kPort, 0, 0, 0, kDevice + 1, 1, rates, widths), 0);
  // Channels 1..3 read meter inputs 3, 1 and 4, in this list order; channel 4 is a formula channel.
  const int16_t inputs[] = {3, 1, 4};
  std::vector<int32_t> list;
  for (int32_t ch = 1; ch <= 3; ++ch) {
    AcqHdr h = measured_header(kType, kPort, 0, inputs[ch - 1], kDevice);
    h.range = 7.0f;  // the channel set-up of the driver makes range and full scale 1
    ASSERT_EQ(QBX_ACQSetAcqHdr(ch, &h), 0);
    ASSERT_EQ(QBX_ACQAllocIOBuf(ch, 64, 0), 0);
    ASSERT_EQ(QBX_ACQSetLinMode(ch, 1), 0);
    list.push_back(ch);
  }
  ASSERT_EQ(QBX_ACQCreateFormula(4, "c1+c2", 0, nullptr, 0), 0);
  ASSERT_EQ(QBX_ACQAllocIOBuf(4, 64, 0), 0);
  list.push_back(4);
  const auto n = static_cast<int32_t>(list.size());

  ASSERT_EQ(QBX_ACQInitDevice(kDevice, kType, kPort, 0), 0) << "the meter identified itself";
  ASSERT_EQ(QBX_ACQInitChan(n, list.data(), 0, 0), 0);
  for (int32_t ch = 1; ch <= 3; ++ch) {
    AcqHdr h{};
    ASSERT_EQ(QBX_ACQGetAcqHdr(ch, &h), 0);
    EXPECT_EQ(+h.range, 1.0f) << ch;
    EXPECT_EQ(+h.full_scale, 1) << ch;
  }
  ASSERT_EQ(QBX_ACQSetSampleRate(10.0f), 0);
  ASSERT_EQ(QBX_ACQStartMultiScan(n, list.data(), 0, 0, 0, nullptr), 0);
  for (int read = 0; read < kReads; ++read) {
    ASSERT_EQ(QBX_ACQResetDeviceStatus(), 0);
    int32_t length = kScans;
    ASSERT_EQ(QBX_ACQReadMultiScan(n, list.data(), &length, 0.0, 0, 0, 0), 0) << "read " << read;
    ASSERT_EQ(length, kScans);
    double values[4][kScans];
    for (int32_t ch = 1; ch <= 4; ++ch) {
      ASSERT_EQ(QBX_ACQGetIOBufCurrLen(ch), kScans) << ch;
      ASSERT_EQ(QBX_ACQGetIOBuf(ch, 0, kScans, values[ch - 1]), 0);
    }
    for (int k = 0; k < kScans; ++k) {
      const int reading = read * kScans + k;  // each input is read once per scan
      for (int32_t ch = 1; ch <= 3; ++ch) {
        const Ramp& r = kInputs[inputs[ch - 1]];
        const double expected = r.start + r.slope * reading * 0.1;
        EXPECT_NEAR(values[ch - 1][k], expected, 1e-6 * (1 + std::fabs(expected))) << "channel " << ch << " scan " << reading;
      }
      EXPECT_NEAR(values[3][k], values[0][k] + values[1][k], 1e-9) << "the formula channel over the driver's values";
    }
  }
  EXPECT_EQ(QBX_ACQStopMultiScan(), 0);
  EXPECT_EQ(QBX_ACQGetDeviceStatus(kDevice, 0), 0);

  // A channel naming an input the meter does not have: the driver's channel set-up refuses it.
  AcqHdr bad = measured_header(kType, kPort, 0, 9, kDevice);
  ASSERT_EQ(QBX_ACQSetAcqHdr(5, &bad), 0);
  const int32_t five = 5;
  EXPECT_EQ(QBX_ACQInitChan(1, &five, 0, 0), kAcqStackBadChannel);
}

}  // namespace
}  // namespace kernel_test
