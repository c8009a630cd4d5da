// The driver against the device simulator over a pseudo-terminal: the line-speed switch, bringing
// the chain up, settings transfer against a device that applies the amplifier rules, and every
// fault the simulator injects ending in a status code within the time-out.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "corvan32.h"
#include "corvan32_measure.h"
#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"
#include "linkar32.h"
#include "testkit/pty_pair.h"
#include "testkit/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;
namespace sim = corvane_sim;

constexpr int32_t kTimeoutMs = 400;

int64_t ms_since(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

class Simulated : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::EngineConfig c;
    c.channel_types = {{4, 5054}, {7, 5058}};
    engine_ = std::make_unique<sim::Engine>(c);
    server_ = std::make_unique<sim::PtyServer>(*engine_);
    com1_ = std::make_unique<testkit::ScopedEnv>("LINKAR32_COM1", server_->start());
    QBX_OpenInterfaceLib();
    QBX_SetTimeout(kTimeoutMs);
  }
  void TearDown() override {
    CV_CloseDevice();
    CV_ClosePort();
    QBX_SetTimeout(3000);
    server_->stop();
  }
  void bring_up() {
    ASSERT_EQ(CV_InitAll(1, 9600), 0);
    engine_->clear_lines();
  }
  Lines take_lines() {
    Lines l = engine_->lines();
    engine_->clear_lines();
    return l;
  }
  static int32_t chan_int(int32_t channel, int32_t selector) {
    int32_t v = -1;
    EXPECT_EQ(CV_GetChanSettings(channel, selector, &v), 0);
    return v;
  }
  static void set_int(int32_t channel, int32_t selector, int32_t v) {
    ASSERT_EQ(CV_SetChanSettings(channel, selector, &v), 0);
  }
  static void set_dev(int32_t selector, int32_t v) { ASSERT_EQ(CV_SetDevSettings(selector, &v), 0); }
  static int32_t dev_int(int32_t selector) {
    int32_t v = -1;
    EXPECT_EQ(CV_GetDevSettings(selector, &v), 0);
    return v;
  }

  testkit::TempDir dir_;
  testkit::ScopedEnv runtime_{"XDG_RUNTIME_DIR", dir_.path()};
  std::unique_ptr<sim::Engine> engine_;
  std::unique_ptr<sim::PtyServer> server_;
  std::unique_ptr<testkit::ScopedEnv> com1_;
};

TEST_F(Simulated, LineSpeedSwitch) {
  ASSERT_EQ(CV_OpenPort(1, 19200, "e", 8, 1, 4096), 0);
  EXPECT_EQ(take_lines(), (Lines{"EST?", "EST?", "EST?", "BDR1410"}));
  EXPECT_EQ(engine_->device().baud_code, 1410);
  EXPECT_EQ(CV_GetErrorStatus(), 0);  // the reopened line works
  ASSERT_EQ(CV_ClosePort(), 0);
  ASSERT_EQ(CV_OpenPort(1, 31250, "e", 8, 1, 4096), 0);
  EXPECT_EQ(take_lines(), (Lines{"EST?", "EST?", "EST?", "EST?", "BDR1408"}));
  EXPECT_EQ(engine_->device().baud_code, 1408);
  ASSERT_EQ(CV_ClosePort(), 0);
  ASSERT_EQ(CV_OpenPort(1, 9600, "e", 8, 1, 4096), 0);
  EXPECT_EQ(take_lines(), Lines{});
  ASSERT_EQ(CV_ClosePort(), 0);
  // The fastest rate has no B* constant on Linux: the host must reopen at it after the switch.
  ASSERT_EQ(CV_OpenPort(1, 76800, "e", 8, 1, 4096), 0);
  EXPECT_EQ(take_lines(), (Lines{"EST?", "EST?", "EST?", "BDR1415"}));
  EXPECT_EQ(engine_->device().baud_code, 1415);
  EXPECT_EQ(CV_GetErrorStatus(), 0);
  EXPECT_EQ(take_lines(), Lines{"EST?"});
}

TEST_F(Simulated, StaleErrorIsClearedAtConnection) {
  engine_->set_error_number(10000);  // after reset
  ASSERT_EQ(CV_OpenPort(1, 19200, "e", 8, 1, 4096), 0);
  EXPECT_EQ(take_lines(), (Lines{"EST?", "EST?", "EST?", "BDR1410"}));
}

TEST_F(Simulated, InitAllReadsTheChain) {
  ASSERT_EQ(CV_InitAll(1, 9600), 0);
  const Lines lines = take_lines();
  ASSERT_GE(lines.size(), 11u);
  EXPECT_EQ(Lines(lines.begin(), lines.begin() + 11),
            (Lines{"EST?", "EST?", "EST?", "EST?", "AID?", "AID?", "ICR?", "ASF?", "ASF?", "IDN?", "IDN?100"}));
  EXPECT_EQ(dev_int(kCvDevChannelCount), 10);
  EXPECT_EQ(chan_int(4, kCvChanAmplifier), 5054);
  EXPECT_EQ(chan_int(7, kCvChanAmplifier), 5058);
  EXPECT_EQ(chan_int(8, kCvChanAmplifier), 5055);
  EXPECT_EQ(chan_int(0, kCvChanTransducer), engine_->channel(0).transducer);
  EXPECT_EQ(chan_int(0, kCvChanRange), engine_->channel(0).range);
  EXPECT_EQ(dev_int(kCvDevRate), engine_->device().rate);
  char text[256];
  ASSERT_EQ(CV_GetSystemSettings(0, 64, text), 0);
  EXPECT_STRNE(text, "");
  int32_t amp = 0;
  EXPECT_EQ(CV_GetChanSettings(10, kCvChanAmplifier, &amp), kCvBadChannel);
}

TEST_F(Simulated, ChannelTransferAgainstTheDeviceRules) {
  bring_up();
  // The range of a Pt channel is corrected before it is sent.
  set_int(4, kCvChanTransducer, 501);
  set_int(4, kCvChanRange, 700);
  engine_->clear_lines();
  engine_->clear_lines();
  ASSERT_EQ(CV_SaveChanSettings(4, 0x20), 0);
  EXPECT_EQ(take_lines(), Lines{"ASA4,501,730"});
  EXPECT_EQ(engine_->channel(4).transducer, 501);
  EXPECT_EQ(engine_->channel(4).range, 730);
  // A transducer the amplifier does not have: the device refuses, its error number comes back.
  set_int(0, kCvChanTransducer, 501);  // reloads the tare value
  engine_->clear_lines();
  const int32_t r = CV_SaveChanSettings(0, kCvChanTransducer);
  EXPECT_TRUE(r == kCvErrParameterValue || r == kCvErrRange) << r;
  EXPECT_EQ(take_lines(), (Lines{"ASA0,501,700", "EST?"}));
  EXPECT_EQ(engine_->channel(0).transducer, 350);
  // Reading back restores what the device holds.
  ASSERT_EQ(CV_LoadChanSettings(0, kCvChanTransducer | kCvChanRange), 0);
  EXPECT_EQ(chan_int(0, kCvChanTransducer), 350);
  // State, filter mode and signal selector round trip.
  set_int(7, kCvChanState, 6201);
  set_int(7, kCvChanFilterMode, 149);
  set_int(7, kCvChanSignal, 43);
  engine_->clear_lines();
  ASSERT_EQ(CV_SaveChanSettings(7, kCvChanState | kCvChanFilterMode | kCvChanSignal), 0);
  EXPECT_EQ(take_lines(), (Lines{"ACT7,6201", "AFS7,149", "ASS7,43"}));
  EXPECT_EQ(engine_->channel(7).state, 6201);
  EXPECT_EQ(engine_->channel(7).filter_mode, 149);
  EXPECT_EQ(engine_->channel(7).signal_selector, 43);
  // A tare value goes over as raw counts: 1.5 mV/V at 3 mV/V is 12500.
  float tare = 1.5f;
  ASSERT_EQ(CV_SetChanSettings(5, kCvChanTare, &tare), 0);
  ASSERT_EQ(CV_SaveChanSettings(5, kCvChanTare), 0);
  EXPECT_EQ(engine_->channel(5).tare_raw, 12500);
  tare = 0;
  ASSERT_EQ(CV_SetChanSettings(5, kCvChanTare, &tare), 0);
  ASSERT_EQ(CV_LoadChanSettings(5, kCvChanTare), 0);
  ASSERT_EQ(CV_GetChanSettings(5, kCvChanTare, &tare), 0);
  EXPECT_FLOAT_EQ(tare, 1.5f);
  // A state the amplifier does not allow for its channel.
  set_int(8, kCvChanState, 6203);
  EXPECT_GT(CV_SaveChanSettings(8, kCvChanState), 10000);
}

TEST_F(Simulated, DeviceTransferAndFilterCorrection) {
  bring_up();
  set_dev(kCvDevRate, 6320);
  set_dev(kCvDevFilterType, 141);
  set_dev(kCvDevFilterFrequency, 914);
  ASSERT_EQ(CV_SaveDevSettings(kCvDevRate | kCvDevFilterFrequency), 0);
  EXPECT_EQ(take_lines(), (Lines{"ICR6320", "ASF141,957"}));
  EXPECT_EQ(engine_->device().filter_type, 141);
  EXPECT_EQ(engine_->device().filter_frequency, 957);
  // Lowering the rate makes the device pick a frequency and warn; the driver reads it back.
  set_dev(kCvDevRate, 6300);
  const int32_t r = CV_SaveDevSettings(kCvDevRate);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(dev_int(kCvDevFilterFrequency), engine_->device().filter_frequency);
  EXPECT_EQ(engine_->device().rate, 6300);
}

TEST_F(Simulated, InjectedFaultsEndInAStatusWithinTheTimeOut) {
  bring_up();
  struct Case {
    const char* name;
    sim::Fault fault;
    std::function<int32_t()> call;
    std::vector<int32_t> results;
  };
  auto fault = [](sim::FaultKind kind, const char* match) {
    sim::Fault f;
    f.kind = kind;
    f.match = match;
    return f;
  };
  sim::Fault delay = fault(sim::FaultKind::kDelay, "EST?");
  delay.delay_ms = 3 * kTimeoutMs;
  sim::Fault refuse = fault(sim::FaultKind::kRefuse, "ACT?");
  refuse.error = 10010;
  sim::Fault cut = fault(sim::FaultKind::kCutLine, "ICR?");
  cut.keep_bytes = 2;
  sim::Fault corrupt = fault(sim::FaultKind::kCorruptBlock, "ASF?");
  corrupt.offset = 0;
  sim::Fault hang_asa = fault(sim::FaultKind::kNoAnswer, "ASA0");
  sim::Fault short_block = fault(sim::FaultKind::kShortBlock, "OMB?");
  // The short block first, while driver and device agree on the measuring channels (the refusal
  // case below leaves channel 3 passive in the driver only).
  std::vector<Case> cases = {
      {"short block", short_block, [] { return CV_MeasOneVal(); }, {kQbxReadFailed}},
      {"no answer", fault(sim::FaultKind::kNoAnswer, "EST?"), [] { return CV_GetErrorStatus(); }, {kQbxReadFailed}},
      {"delay", delay, [] { return CV_GetErrorStatus(); }, {kQbxReadFailed}},
      {"refusal", refuse, [] { return CV_LoadChanSettings(3, kCvChanState); }, {10010}},
      {"garbage", fault(sim::FaultKind::kGarbage, "IDN?"), [] { return CV_LoadDevSettings(kCvDevSerial); },
       {kCvBadReply}},
      {"cut line", cut, [] { return CV_LoadDevSettings(kCvDevRate); }, {kCvBadReply}},
      {"corrupted line", corrupt, [] { return CV_LoadDevSettings(kCvDevFilterType); }, {kCvBadReply}},
      {"set command unanswered", hang_asa, [] { return CV_SaveChanSettings(0, kCvChanRange); }, {kQbxReadFailed}},
  };
  for (auto& c : cases) {
    engine_->clear_faults();
    engine_->inject(c.fault);
    const auto t0 = Clock::now();
    const int32_t r = c.call();
    const int64_t took = ms_since(t0);
    EXPECT_NE(std::find(c.results.begin(), c.results.end(), r), c.results.end()) << c.name << ": " << r;
    EXPECT_LT(took, 2 * kTimeoutMs + 10000) << c.name;  // the time-out, not a hang
    // Let late bytes arrive and drop them, so the next case starts on a quiet line.
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * kTimeoutMs + 100));
    QBX_FlushInQueue();
    engine_->clear_faults();
    ASSERT_EQ(CV_GetErrorStatus(), 0) << "after " << c.name;
  }
  // The refused query left the safe state.
  EXPECT_EQ(chan_int(3, kCvChanState), 6200);
}

}  // namespace
