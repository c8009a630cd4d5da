// The kernel's Corvane family against the device simulator on a pseudo-terminal: the exact bytes
// of every command code on the line, the values returned, the refusal and unknown-code paths,
// device and channel set-up. The simulator keeps its own tables of the amplifier, so the values
// here come from an independent model of the device.
#include <memory>
#include <string>
#include <vector>

#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"
#include "kernel_fixture.h"
#include "linkar32.h"
#include "testkit/pty_pair.h"

using kernel_test::measured_header;

namespace {

constexpr int32_t kCom1 = 1;
constexpr int32_t kTimeoutMs = 1000;
constexpr int32_t kNotConnected = 5050;

// The polls and probes every command opens with.
const std::string kWake = "EST?\n";

class CorvaneCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kernel_test::reset_kernel();
    corvane_sim::EngineConfig config;
    config.virtual_clock = true;
    config.channel_types = {{5, 5054}};
    engine_ = std::make_unique<corvane_sim::Engine>(config);
    server_ = std::make_unique<corvane_sim::PtyServer>(*engine_);
    env_ = std::make_unique<testkit::ScopedEnv>("LINKAR32_COM1", server_->start());
    QBX_OpenInterfaceLib();
    ASSERT_EQ(QBX_OpenPort(kCom1, 9600, "e", 8, 1, 4096), 0);
    QBX_SetTimeout(kTimeoutMs);
    // Kernel channel n + 1 is chain channel n of the device at address 0.
    for (int16_t hw = 0; hw < 10; ++hw) set_channel(hw + 1, measured_header(8, kCom1, 0, hw));
    engine_->clear_received_bytes();
  }
  void TearDown() override {
    QBX_OpenInterfaceLib();
    QBX_SetTimeout(3000);
    server_->stop();
    kernel_test::reset_kernel();
  }

  static void set_channel(int32_t channel, const AcqHdr& h) { ASSERT_EQ(QBX_ACQSetAcqHdr(channel, &h), 0); }

  // What went over the line since the last call.
  std::string take_bytes() {
    std::string b = engine_->received_bytes();
    engine_->clear_received_bytes();
    return b;
  }

  int32_t cmd(std::vector<int16_t> channels, int32_t code, void* value) {
    int32_t r = QBX_ACQCmd(static_cast<int32_t>(channels.size()), channels.data(), code, value);
    // Every reply was read: nothing is left for the next exchange to mistake.
    EXPECT_EQ(QBX_GetSerInQLen(), 0) << "code " << code;
    return r;
  }

  // "AID?" and one "ACT?" per slot with an amplifier, as the tare and gross/net codes send them.
  std::string slot_queries() {
    std::string s = "AID?\n";
    for (int c = 0; c < engine_->channel_count(); ++c) {
      if (engine_->channel(c).amplifier != kNotConnected) s += "ACT?" + std::to_string(c) + "\n";
    }
    return s;
  }

  std::unique_ptr<corvane_sim::Engine> engine_;
  std::unique_ptr<corvane_sim::PtyServer> server_;
  std::unique_ptr<testkit::ScopedEnv> env_;
};

}  // namespace

TEST_F(CorvaneCommandTest, QueriesOfTheFirstListedChannel) {
  int32_t value = 0;
  EXPECT_EQ(cmd({3, 2}, 109, &value), 0);
  EXPECT_EQ(take_bytes(), kWake + "ASA?2\n");
  EXPECT_EQ(value, engine_->channel(2).transducer);
  EXPECT_EQ(cmd({6}, 116, &value), 0);
  EXPECT_EQ(take_bytes(), kWake + "ASA?5\n");
  EXPECT_EQ(value, engine_->channel(5).range);
  EXPECT_EQ(value, 712);
  EXPECT_EQ(cmd({2}, 110, &value), 0);
  EXPECT_EQ(take_bytes(), kWake + "ASF?\n");
  EXPECT_EQ(value, 140);
  EXPECT_EQ(cmd({2}, 111, &value), 0);
  EXPECT_EQ(take_bytes(), kWake + "ASF?\n");
  EXPECT_EQ(value, 971);
  EXPECT_EQ(cmd({2}, 121, &value), 0);
  EXPECT_EQ(take_bytes(), kWake + "AFS?1\n");
  EXPECT_EQ(value, 148);
  EXPECT_EQ(cmd({9}, 130, &value), 0);
  EXPECT_EQ(take_bytes(), kWake + "AID?8\n");
  EXPECT_EQ(value, 5055);

  char text[64];
  std::memset(text, 'x', sizeof text);
  EXPECT_EQ(cmd({2}, 140, text), 0);
  EXPECT_EQ(take_bytes(), kWake + "IDN?\n");
  EXPECT_STREQ(text, "QBX,Corvane,47110,P2.10");
  EXPECT_EQ(cmd({2}, 120, text), 0);
  EXPECT_EQ(take_bytes(), kWake);
  EXPECT_STREQ(text, "mV/V");
}

TEST_F(CorvaneCommandTest, TareValueInPhysicalUnits) {
  corvane_sim::ChannelSettings s = engine_->channel(1);
  s.tare_raw = -2500;
  engine_->set_channel(1, s);
  float value = 0;
  EXPECT_EQ(cmd({2}, 115, &value), 0);
  EXPECT_EQ(take_bytes(), kWake + "TAV?1\n");
  EXPECT_FLOAT_EQ(value, -0.3f);  // -2500 / 25000 x 3

  // Each channel's raw value comes from the physical value: 0.3 of 3 and of 12 mV/V.
  AcqHdr h = measured_header(8, kCom1, 0, 2);
  h.range = 12.0f;
  set_channel(3, h);
  value = 0.3f;
  EXPECT_EQ(cmd({2, 3}, 18, &value), 0);
  EXPECT_EQ(take_bytes(), kWake + "TAV1,2500.00\nTAV2,625.00\n");
  EXPECT_FLOAT_EQ(value, 625.0f);
  EXPECT_EQ(engine_->channel(1).tare_raw, 2500);
  EXPECT_EQ(engine_->channel(2).tare_raw, 625);
  value = -0.0012f;
  EXPECT_EQ(cmd({2}, 18, &value), 0);
  EXPECT_EQ(take_bytes(), kWake + "TAV1,-10.00000\n");
  EXPECT_EQ(engine_->channel(1).tare_raw, -10);
  // A channel without range: no raw value can be sent.
  h.range = 0.0f;
  set_channel(3, h);
  value = 1.0f;
  EXPECT_EQ(cmd({3}, 18, &value), kAcqDeviceRefused);
  EXPECT_EQ(value, 32767.0f);
  EXPECT_EQ(take_bytes(), kWake);
}

TEST_F(CorvaneCommandTest, SettingsAreSentWithTheOtherHalfKept) {
  int32_t value = 351;
  EXPECT_EQ(cmd({2, 3}, 9, &value), 0);
  EXPECT_EQ(take_bytes(), kWake + "ASA?1\nASA1,351,700\nASA?2\nASA2,351,700\n");
  EXPECT_EQ(engine_->channel(1).transducer, 351);
  value = 702;
  EXPECT_EQ(cmd({2}, 16, &value), 0);
  EXPECT_EQ(take_bytes(), kWake + "ASA?1\nASA1,351,702\n");
  EXPECT_EQ(engine_->channel(1).range, 702);
  value = 141;
  EXPECT_EQ(cmd({2, 3}, 10, &value), 0);  // a device setting: once
  EXPECT_EQ(take_bytes(), kWake + "ASF?\nASF141,971\n");
  value = 964;
  EXPECT_EQ(cmd({2}, 11, &value), 0);
  EXPECT_EQ(take_bytes(), kWake + "ASF?\nASF141,964\n");
  EXPECT_EQ(engine_->device().filter_type, 141);
  EXPECT_EQ(engine_->device().filter_frequency, 964);
  value = 149;
  EXPECT_EQ(cmd({2, 4}, 21, &value), 0);
  EXPECT_EQ(take_bytes(), kWake + "AFS1,149\nAFS3,149\n");
  EXPECT_EQ(engine_->channel(3).filter_mode, 149);
}

// A refusal: "EST?" fetches the reason, whose parameter id goes into the value.
TEST_F(CorvaneCommandTest, RefusalsReportTheirReason) {
  int32_t value = 710;  // a voltage range on a bridge amplifier: wrong range
  EXPECT_EQ(cmd({2}, 16, &value), kAcqDeviceRefused);
  EXPECT_EQ(take_bytes(), kWake + "ASA?1\nASA1,350,710\nEST?\n");
  EXPECT_EQ(value, 32767);
  char text[64];
  ASSERT_EQ(QBX_ACQTranslateParID(value, text, 0), 23);
  EXPECT_STREQ(text, "Illegal parameter value");

  corvane_sim::Fault unknown;
  unknown.kind = corvane_sim::FaultKind::kRefuse;
  unknown.match = "AFS?";
  unknown.error = corvane_sim::kUnknownCommand;
  engine_->inject(unknown);
  EXPECT_EQ(cmd({2}, 121, &value), kAcqDeviceRefused);
  EXPECT_EQ(take_bytes(), kWake + "AFS?1\nEST?\n");
  EXPECT_EQ(value, 32001);

  corvane_sim::Fault channel;
  channel.kind = corvane_sim::FaultKind::kRefuse;
  channel.match = "IDN?";
  channel.error = corvane_sim::kWrongChannel;
  engine_->inject(channel);
  char identity[64] = "";
  EXPECT_EQ(cmd({2}, 140, identity), kAcqDeviceRefused);
  EXPECT_STREQ(identity, "32002");
  float tare = 0;
  corvane_sim::Fault tav = channel;
  tav.match = "TAV?";
  engine_->inject(tav);
  EXPECT_EQ(cmd({2}, 115, &tare), kAcqDeviceRefused);
  EXPECT_EQ(tare, 32002.0f);
  take_bytes();

  // A pending error from before the command is cleared by the opening "EST?", not reported.
  engine_->set_error_number(corvane_sim::kOverload);
  EXPECT_EQ(cmd({2}, 109, &value), 0);
  EXPECT_EQ(value, 350);
}

TEST_F(CorvaneCommandTest, UnknownCodesCauseNoTraffic) {
  int32_t value = 0;
  EXPECT_EQ(cmd({2}, 77, &value), kAcqCommandNotSupported);
  EXPECT_EQ(value, 32002);
  EXPECT_EQ(cmd({2}, 109, nullptr), kAcqBadArgument);
  EXPECT_EQ(take_bytes(), "");
}

// Only measured channels (class 0, signal kind 8) cause traffic.
TEST_F(CorvaneCommandTest, FormulaTimeAndOtherSignalChannelsCauseNoTraffic) {
  AcqHdr h = measured_header(8, kCom1, 0, 1);
  h.acq_class = 1;
  set_channel(20, h);
  h.acq_class = 2;
  set_channel(21, h);
  h.acq_class = 0;
  h.signal_kind = 6;
  set_channel(22, h);
  int32_t value = 0;
  EXPECT_EQ(cmd({20, 21, 22}, 109, &value), 0);
  EXPECT_EQ(cmd({20, 21}, 1, &value), 0);
  EXPECT_EQ(take_bytes(), "");
  EXPECT_EQ(cmd({20, 2, 21}, 109, &value), 0);
  EXPECT_EQ(take_bytes(), kWake + "ASA?1\n");
}

// Two kernel devices on the line: each is served once, with its own channels.
TEST_F(CorvaneCommandTest, EachDeviceOnce) {
  set_channel(30, measured_header(8, kCom1, 1, 3, 1));
  int32_t value = 149;
  EXPECT_EQ(cmd({1, 30, 2}, 21, &value), 0);
  EXPECT_EQ(take_bytes(), kWake + "AFS0,149\nAFS1,149\n" + kWake + "AFS3,149\n");
  // The first failure is returned even when a later device succeeds.
  value = 710;
  EXPECT_EQ(cmd({2, 30}, 16, &value), kAcqDeviceRefused);
  EXPECT_EQ(take_bytes(), kWake + "ASA?1\nASA1,350,710\nEST?\n" + kWake + "ASA?3\nASA3,350,710\nEST?\n");
}

TEST_F(CorvaneCommandTest, GrossNetSwitch) {
  int32_t value = 0;
  EXPECT_EQ(cmd({2, 3}, 4, &value), 0);
  EXPECT_EQ(take_bytes(), kWake + slot_queries() + "ACT1,6201\nACT2,6201\n");
  EXPECT_EQ(engine_->channel(1).state, 6201);
  EXPECT_EQ(engine_->channel(0).state, 6203);
  value = 1;
  EXPECT_EQ(cmd({2}, 4, &value), 0);
  EXPECT_EQ(take_bytes(), kWake + slot_queries() + "ACT1,6203\n");
  value = 2;
  EXPECT_EQ(cmd({2}, 4, &value), kAcqDeviceRefused);
  EXPECT_EQ(value, 32767);
  EXPECT_EQ(take_bytes(), kWake);
}

TEST_F(CorvaneCommandTest, TareOnlyTheListedChannels) {
  engine_->set_source(1, corvane_sim::SignalSource::raw(1234));
  engine_->set_source(4, corvane_sim::SignalSource::raw(-55));
  engine_->set_source(0, corvane_sim::SignalSource::raw(999));
  corvane_sim::ChannelSettings gross = engine_->channel(2);
  gross.state = 6201;  // measuring, not in tare state: stays out of the tare
  engine_->set_channel(2, gross);
  std::vector<int32_t> before;
  for (int c = 0; c < 10; ++c) before.push_back(engine_->channel(c).state);

  EXPECT_EQ(cmd({2, 3, 5}, 1, nullptr), 0);
  std::string restore;
  for (int c = 0; c < 10; ++c) {
    if (engine_->channel(c).amplifier != kNotConnected) restore += "ACT" + std::to_string(c) + "," + std::to_string(before[c]) + "\n";
  }
  EXPECT_EQ(take_bytes(), kWake + slot_queries() + "ACT100,6200\nACT1,6202\nACT4,6202\nTAR\n" + restore);
  EXPECT_EQ(engine_->channel(1).tare_raw, 1234);
  EXPECT_EQ(engine_->channel(4).tare_raw, -55);
  EXPECT_EQ(engine_->channel(0).tare_raw, 0);
  for (int c = 0; c < 10; ++c) EXPECT_EQ(engine_->channel(c).state, before[c]) << c;

  // A refused tare still gives every slot its state back.
  corvane_sim::Fault refuse;
  refuse.kind = corvane_sim::FaultKind::kRefuse;
  refuse.match = "TAR";
  refuse.error = corvane_sim::kTareFailed;
  engine_->inject(refuse);
  int32_t value = 0;
  EXPECT_EQ(cmd({2}, 62, &value), kAcqDeviceRefused);
  EXPECT_EQ(value, 32002);
  EXPECT_EQ(take_bytes(), kWake + slot_queries() + "ACT100,6200\nACT1,6202\nTAR\nEST?\n" + restore);
  for (int c = 0; c < 10; ++c) EXPECT_EQ(engine_->channel(c).state, before[c]) << c;
}

TEST_F(CorvaneCommandTest, SilentDeviceGivesTheReadStatus) {
  QBX_SetTimeout(200);
  corvane_sim::Fault silent;
  silent.kind = corvane_sim::FaultKind::kNoAnswer;
  silent.match = "ASA?";
  engine_->inject(silent);
  int32_t value = 0;
  EXPECT_EQ(cmd({2}, 109, &value), kQbxReadFailed);
  EXPECT_EQ(take_bytes(), kWake + "ASA?1\n");
}

TEST_F(CorvaneCommandTest, DeviceSetUp) {
  EXPECT_EQ(QBX_ACQInitDevice(0, 8, kCom1, 0), 0);
  EXPECT_EQ(take_bytes(), "EST?\nEST?\nACT100,0\nFMB1\nEST?\n");
  EXPECT_EQ(engine_->channel(1).state, 6200);
  EXPECT_EQ(engine_->device().block_format, 1);
}

TEST_F(CorvaneCommandTest, ChannelSetUpReadsRangeAndUnit) {
  corvane_sim::ChannelSettings s = engine_->channel(2);
  s.range = 702;
  engine_->set_channel(2, s);
  s = engine_->channel(5);  // the universal amplifier: thermocouple K
  s.transducer = 451;
  s.range = 710;
  engine_->set_channel(5, s);
  engine_->set_channel(1, corvane_sim::ChannelSettings{5051, 6200, 350, 0});
  kernel_test::MessageRecorder recorder;
  std::vector<int32_t>& messages = recorder.messages;
  const int32_t channels[] = {3, 6};
  ASSERT_EQ(QBX_ACQInitChan(2, channels, 0, 0), 0);
  EXPECT_EQ(take_bytes(), "AID?\nACT2,1\nASA?2\nAID?\nACT5,1\nASA?5\n");
  EXPECT_EQ(messages, (std::vector<int32_t>{3, 6}));
  AcqHdr h{};
  QBX_ACQGetAcqHdr(3, &h);
  EXPECT_EQ(h.range, 125.0f);
  EXPECT_STREQ(h.unit, "mV/V");
  EXPECT_EQ(h.full_scale, 25000);
  EXPECT_EQ(engine_->channel(2).state, 6201);
  QBX_ACQGetAcqHdr(6, &h);
  EXPECT_EQ(h.range, 0.1f);
  EXPECT_STREQ(h.unit, "V");
  EXPECT_EQ(h.sensor_type, 2);
  // Range 0 is no range the device knows: counts.
  const int32_t one[] = {2};
  ASSERT_EQ(QBX_ACQInitChan(1, one, 0, 0), 0);
  QBX_ACQGetAcqHdr(2, &h);
  EXPECT_EQ(h.range, 25000.0f);
  EXPECT_STREQ(h.unit, "DIG");
  take_bytes();

  // The empty slot, and a digital signal on the digital and on an analog slot.
  const int32_t empty[] = {10};
  EXPECT_EQ(QBX_ACQInitChan(1, empty, 0, 0), kAcqChannelNotAvailable);
  EXPECT_EQ(take_bytes(), "AID?\n");
  AcqHdr digital = measured_header(8, kCom1, 0, 8);
  digital.signal_kind = 6;
  set_channel(9, digital);
  const int32_t dio[] = {9};
  EXPECT_EQ(QBX_ACQInitChan(1, dio, 0, 0), 0);
  EXPECT_EQ(take_bytes(), "AID?\nACT8,1\nACT8,6200\n");
  digital.hardware_channel = 3;
  set_channel(9, digital);
  EXPECT_EQ(QBX_ACQInitChan(1, dio, 0, 0), kAcqCommandNotSupported);
  EXPECT_EQ(QBX_GetSerInQLen(), 0);
}
