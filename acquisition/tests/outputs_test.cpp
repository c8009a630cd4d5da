// The outputs, inputs and board functions shared by several families: the Corvane digital port
// against the Corvane simulator, the YALPLUS output words against a small instrument, the ATMIO
// boards (-234 everywhere, their control records) and the CAN-bus parameters.
#include <cstring>
#include <memory>
#include <string>

#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"
#include "families/family_settings.h"
#include "family_fixture.h"
#include "tallix32.h"

namespace {

using kernel_test::measured_header;
constexpr int16_t kCom1 = family_test::kCom1;

void set(int32_t channel, int16_t type, int16_t kind, int16_t hardware, int16_t port, int16_t bit) {
  AcqHdr h = measured_header(type, kCom1, 0, hardware);
  h.signal_kind = kind;
  h.dio_port = port;
  h.dio_bit = bit;
  ASSERT_EQ(QBX_ACQSetAcqHdr(channel, &h), 0);
}

class CorvaneDigitalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kernel_test::reset_kernel();
    corvane_sim::EngineConfig config;
    config.virtual_clock = true;
    engine_ = std::make_unique<corvane_sim::Engine>(config);
    server_ = std::make_unique<corvane_sim::PtyServer>(*engine_);
    env_ = std::make_unique<testkit::ScopedEnv>("LINKAR32_COM1", server_->start());
    QBX_OpenInterfaceLib();
    ASSERT_EQ(QBX_OpenPort(kCom1, 9600, "e", 8, 1, 4096), 0);
    QBX_SetTimeout(family_test::kTimeoutMs);
  }
  void TearDown() override {
    QBX_OpenInterfaceLib();
    QBX_SetTimeout(3000);
    server_->stop();
    kernel_test::reset_kernel();
  }
  std::string take() {
    std::string b = engine_->received_bytes();
    engine_->clear_received_bytes();
    return b;
  }
  std::unique_ptr<corvane_sim::Engine> engine_;
  std::unique_ptr<corvane_sim::PtyServer> server_;
  std::unique_ptr<testkit::ScopedEnv> env_;
};

TEST_F(CorvaneDigitalTest, BitsOfTheDigitalPort) {
  set(1, 8, 5, 8, 0, 3);  // output bit 3
  set(2, 8, 5, 8, 0, 0);  // output bit 0
  set(3, 8, 6, 8, 0, 3);  // input bit 3
  set(4, 8, 6, 8, 0, 1);  // input bit 1
  const int32_t outs[] = {1, 2};
  const int32_t on[] = {1, 1};
  ASSERT_EQ(QBX_ACQDIOWrite(2, outs, on), 0);
  EXPECT_EQ(take(), "DPI?8\nDPI8,8\nDPI?8\nDPI8,9\n");
  const int32_t ins[] = {3, 4};
  int32_t bits[2] = {-1, -1};
  ASSERT_EQ(QBX_ACQDIORead(2, ins, bits), 0);
  EXPECT_EQ(bits[0], 1);
  EXPECT_EQ(bits[1], 0);
  EXPECT_EQ(take(), "DPI?8\nDPI?8\n");
  const int32_t off[] = {0};
  ASSERT_EQ(QBX_ACQDIOWrite(1, outs, off), 0);
  EXPECT_EQ(take(), "DPI?8\nDPI8,1\n");

  // Only the digital slots 8, 18, .. 78 and bits 0..7; nothing goes on the line.
  set(5, 8, 5, 7, 0, 0);
  set(6, 8, 5, 18, 0, 8);
  set(7, 8, 6, 88, 0, 0);
  for (int32_t ch : {5, 6, 7}) {
    const int32_t one[] = {ch};
    int32_t bit = 0;
    EXPECT_EQ(QBX_ACQDIOWrite(1, one, on), ch == 7 ? 0 : kAcqCommandNotSupported) << ch;
    EXPECT_EQ(QBX_ACQDIORead(1, one, &bit), ch == 7 ? kAcqCommandNotSupported : 0) << ch;
  }
  EXPECT_EQ(take(), "");
  // The first failure ends the call: channel 1 after channel 5 is not served.
  const int32_t failing[] = {5, 1};
  EXPECT_EQ(QBX_ACQDIOWrite(2, failing, on), kAcqCommandNotSupported);
  EXPECT_EQ(take(), "");
}

// A YALPLUS stand-in: "PCS", "SOP", "LVL" are taken, "RIP?" reports inputs 1 and 3 set.
class YalplusOutputsTest : public family_test::FamilyTest {
 protected:
  void SetUp() override {
    open(
        [](const corvane_sim::ProgramOptions&) -> std::unique_ptr<corvane_sim::LineDevice> {
          auto device = std::make_unique<corvane_sim::AsciiInstrument>("\r\n");
          corvane_sim::AsciiInstrument* d = device.get();
          for (const char* w : {"PCS", "SOP", "LVL"}) d->on(w, [d](std::string_view) { return d->ok(); });
          d->on_line("RIP?", "5");
          return device;
        },
        2000);
  }
};

TEST_F(YalplusOutputsTest, PortSelectionAndOutputNumbers) {
  set(1, 2000, 8, 0, 3, 2);   // any signal kind: a YALPLUS channel serves every export
  set(2, 2000, 5, 1, 16, 8);  // second bank: output 16
  const int32_t outs[] = {1, 2};
  const int32_t bits[] = {1, 0};
  ASSERT_EQ(QBX_ACQDIOWrite(2, outs, bits), 0);
  EXPECT_EQ(take(), "PCS3\nSOP2,1\nPCS16\nSOP16,0\n");
  set(3, 2000, 6, 0, 3, 3);
  set(4, 2000, 6, 0, 3, 2);
  const int32_t ins[] = {3, 4};
  int32_t got[2] = {-1, -1};
  ASSERT_EQ(QBX_ACQDIORead(2, ins, got), 0);
  EXPECT_EQ(got[0], 1);
  EXPECT_EQ(got[1], 0);
  EXPECT_EQ(take(), "PCS3\nRIP?\nPCS3\nRIP?\n");
  set(5, 2000, 7, 4, 2, 0);
  const int32_t ao[] = {5};
  const double volts[] = {-1.25};
  EXPECT_EQ(QBX_ACQAOWrite(1, ao, volts), 1);
  EXPECT_EQ(take(), "PCS4\nLVL2,-1.25\n");

  // Ports 1..16 and bits 1..8 only.
  for (auto [port, bit] : {std::pair<int16_t, int16_t>{0, 1}, {17, 1}, {1, 0}, {1, 9}}) {
    set(6, 2000, 5, 0, port, bit);
    const int32_t one[] = {6};
    EXPECT_EQ(QBX_ACQDIOWrite(1, one, bits), kAcqCommandNotSupported) << port << "," << bit;
  }
  EXPECT_EQ(take(), "");
  instrument_->on_line("RIP?", "?");
  EXPECT_EQ(QBX_ACQDIORead(1, ins, got), kAcqDeviceErrorStatus);
}

class AtmioTest : public kernel_test::KernelTest {};

TEST_F(AtmioTest, EveryOperationIsNotSupported) {
  EXPECT_EQ(QBX_ACQInitDevice(0, 16, kernel_test::kNullPort, 0), kAcqFamilyNotSupported);
  AcqHdr h = measured_header(16, kernel_test::kNullPort, 0, 1);
  ASSERT_EQ(QBX_ACQSetAcqHdr(1, &h), 0);
  const int32_t list[] = {1};
  EXPECT_EQ(QBX_ACQInitChan(1, list, 0, 0), kAcqFamilyNotSupported);
  const float rates[6] = {10, 0, 0, 0, 0, 0};
  const uint8_t widths[6] = {};
  ASSERT_EQ(QBX_ACQSetDeviceInfo(0, 16, kernel_test::kNullPort, 0, 0, 0, 1, 0, rates, widths), 0);
  EXPECT_EQ(QBX_ACQStartMultiScan(1, list, 0, 0, 0, nullptr), kAcqFamilyNotSupported);
  for (int16_t kind : {5, 6, 7}) {
    h.signal_kind = kind;
    ASSERT_EQ(QBX_ACQSetAcqHdr(1, &h), 0);
    int32_t bit = 1;
    const double v = 1.0;
    EXPECT_EQ(kind == 7   ? QBX_ACQAOWrite(1, list, &v)
              : kind == 5 ? QBX_ACQDIOWrite(1, list, &bit)
                          : QBX_ACQDIORead(1, list, &bit),
              kAcqFamilyNotSupported);
  }
  EXPECT_EQ(ATMIO_DIGCONF(1, 0, 1), kAcqFamilyNotSupported);
  EXPECT_EQ(ATMIO_DIGPRTOUT(1, 0, 255), kAcqFamilyNotSupported);
  EXPECT_EQ(ATMIO_DIGLINECONF(1, 0, 3, 1), kAcqFamilyNotSupported);
  int16_t state = 7;
  EXPECT_EQ(ATMIO_DIGLININ(1, 0, 3, &state), kAcqFamilyNotSupported);
  EXPECT_EQ(ATMIO_DIGLINOUT(1, 0, 3, 1), kAcqFamilyNotSupported);
  int32_t port_value = 99;
  EXPECT_EQ(ATMIO_DIGPRTIN(1, 0, &port_value), kAcqFamilyNotSupported);
  EXPECT_EQ(port_value, 0);
  EXPECT_EQ(ATMIO_DIGPRTIN(1, 0, nullptr), kAcqFamilyNotSupported);
  // Bad lists and null value arrays.
  EXPECT_EQ(QBX_ACQAOWrite(1, list, nullptr), kAcqBadArgument);
  const int32_t bad[] = {0};
  int32_t bit = 0;
  EXPECT_EQ(QBX_ACQDIORead(1, bad, &bit), kAcqBadChannel);
  EXPECT_EQ(QBX_ACQDIOWrite(-1, list, &bit), kAcqBadArgument);
}

TEST_F(AtmioTest, ControlRecordsAndTheirDefaults) {
  uint8_t record[348];
  ASSERT_EQ(QBX_ACQGetATMIOCtrlStruct(0, record), 0);
  // The defaults, byte by byte: words 0..3 = 0, 4 = 20, 5 and 6 = 2, 7..70 = 1, 16-bit 28100 at
  // byte 284 and 256 at byte 288, zero elsewhere.
  uint8_t expected[348] = {};
  auto word = [&](int w, uint32_t v) {
    for (int b = 0; b < 4; ++b) expected[4 * w + b] = static_cast<uint8_t>(v >> (8 * b));
  };
  word(4, 20);
  word(5, 2);
  word(6, 2);
  for (int w = 7; w <= 70; ++w) word(w, 1);
  expected[284] = 28100 & 0xFF;
  expected[285] = 28100 >> 8;
  expected[288] = 0;
  expected[289] = 1;
  EXPECT_EQ(std::memcmp(record, expected, sizeof record), 0);

  uint8_t mine[348];
  for (int i = 0; i < 348; ++i) mine[i] = static_cast<uint8_t>(i * 7);
  ASSERT_EQ(QBX_ACQSetATMIOCtrlStruct(63, mine), 0);
  uint8_t back[348] = {};
  ASSERT_EQ(QBX_ACQGetATMIOCtrlStruct(63, back), 0);
  EXPECT_EQ(std::memcmp(back, mine, sizeof back), 0);
  EXPECT_EQ(QBX_ACQSetATMIOCtrlStruct(64, mine), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQGetATMIOCtrlStruct(-1, back), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQGetATMIOCtrlStruct(0, nullptr), kAcqBadArgument);
  ASSERT_EQ(QBX_ACQInitAcqHdr(), 0);
  ASSERT_EQ(QBX_ACQGetATMIOCtrlStruct(63, back), 0);
  EXPECT_EQ(std::memcmp(back, expected, sizeof back), 0);
}

TEST_F(AtmioTest, CanBusParametersAreKept) {
  EXPECT_EQ(CANBUS_SetInitParameters(500, -3, 0, 7), 0);
  const int32_t* p = tallix::family_settings().can_init;
  EXPECT_EQ(p[0], 500);
  EXPECT_EQ(p[1], -3);
  EXPECT_EQ(p[3], 7);
}

}  // namespace
