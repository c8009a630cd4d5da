// The driver against the device simulator on USB (port 200, the interface library's simulator
// backend): opening a Corvane by name and the first one with CV_InitAll, settings both ways, a single
// reading, two Corvanes on the one port selected by id, and a name that no device has.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvan32.h"
#include "corvan32_measure.h"
#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"
#include "linkar32.h"
#include "line_fixture.h"
#include "testkit/pty_pair.h"
#include "testkit/temp_dir.h"

namespace {

namespace sim = corvane_sim;
using Lines = std::vector<std::string>;

sim::EngineConfig config(const char* serial) {
  sim::EngineConfig c;
  c.serial_numbers = {serial};
  c.channel_types = {{4, 5054}};
  return c;
}

class UsbLine : public DriverOnLine {
 protected:
  void SetUp() override {
    server_.add_device(second_, "CV-USB-2");
    server_.start(dir_.file("usb.sock"));
    DriverOnLine::SetUp();
  }
  void TearDown() override {
    DriverOnLine::TearDown();
    server_.stop();
  }
  static int32_t chan_int(int32_t channel, int32_t selector) {
    int32_t v = -1;
    EXPECT_EQ(CV_GetChanSettings(channel, selector, &v), 0);
    return v;
  }
  static std::string serial() {
    char text[256] = {};
    EXPECT_EQ(CV_GetDevSettings(kCvDevSerial, text), 0);
    return text;
  }
  Lines take_lines(sim::Engine& engine) {
    Lines l = engine.lines();
    engine.clear_lines();
    return l;
  }

  testkit::ScopedEnv backend_{"LINKAR32_USB_BACKEND", "sim"};
  testkit::ScopedEnv socket_{"LINKAR32_USB_SIM", dir_.file("usb.sock")};
  sim::Engine first_{config("4711")};
  sim::Engine second_{config("4712")};
  sim::UsbServer server_{first_, "CV-USB-1"};
};

TEST_F(UsbLine, InitAllBringsUpTheFirstCorvane) {
  ASSERT_EQ(CV_InitAll(200, 1), 0);
  const Lines lines = take_lines(first_);
  ASSERT_GE(lines.size(), 11u);
  // No line-speed switch on USB: the error status three times, then the device is read.
  EXPECT_EQ(Lines(lines.begin(), lines.begin() + 11), (Lines{"EST?", "EST?", "EST?", "EST?", "AID?", "AID?",
                                                             "ICR?", "ASF?", "ASF?", "IDN?", "IDN?100"}));
  EXPECT_TRUE(second_.lines().empty());
  int32_t count = 0;
  ASSERT_EQ(CV_GetDevSettings(kCvDevChannelCount, &count), 0);
  EXPECT_EQ(count, 10);
  EXPECT_EQ(serial(), "4711");
  EXPECT_EQ(chan_int(4, kCvChanAmplifier), 5054);
  EXPECT_EQ(chan_int(0, kCvChanTransducer), first_.channel(0).transducer);
  EXPECT_EQ(chan_int(0, kCvChanRange), first_.channel(0).range);
}

TEST_F(UsbLine, SettingsBothWaysAndASingleReading) {
  ASSERT_EQ(CV_OpenPort(200, 1, "CV-USB-2", 8, 1, 4096), 0);
  EXPECT_TRUE(take_lines(second_).empty()) << "opening a USB Corvane sends nothing";
  ASSERT_EQ(CV_GetErrorStatus(), 0);
  int32_t n = 100;
  ASSERT_EQ(CV_OpenDevice(0, &n), 0);
  ASSERT_EQ(n, 10);
  ASSERT_EQ(CV_LoadDevSettings(0xFFFF), 0);
  for (int32_t ch = 0; ch < n; ++ch) ASSERT_EQ(CV_LoadChanSettings(ch, 0xFFFF), 0);
  EXPECT_EQ(serial(), "4712");

  // To the device: state, filter mode and a transducer with its range.
  int32_t state = 6201, mode = 149, transducer = 501, range = 730;
  ASSERT_EQ(CV_SetChanSettings(1, kCvChanState, &state), 0);
  ASSERT_EQ(CV_SetChanSettings(1, kCvChanFilterMode, &mode), 0);
  ASSERT_EQ(CV_SetChanSettings(4, kCvChanTransducer, &transducer), 0);
  ASSERT_EQ(CV_SetChanSettings(4, kCvChanRange, &range), 0);
  take_lines(second_);
  ASSERT_EQ(CV_SaveChanSettings(1, kCvChanState | kCvChanFilterMode), 0);
  ASSERT_EQ(CV_SaveChanSettings(4, kCvChanTransducer | kCvChanRange), 0);
  EXPECT_EQ(take_lines(second_), (Lines{"ACT1,6201", "AFS1,149", "ASA4,501,730"}));
  EXPECT_EQ(second_.channel(1).state, 6201);
  EXPECT_EQ(second_.channel(1).filter_mode, 149);
  EXPECT_EQ(second_.channel(4).transducer, 501);
  EXPECT_EQ(second_.channel(4).range, 730);
  // From the device: what it holds comes back over the read pipe.
  sim::ChannelSettings held = second_.channel(2);
  held.state = 6201;
  second_.set_channel(2, held);
  ASSERT_EQ(CV_LoadChanSettings(2, kCvChanState), 0);
  EXPECT_EQ(chan_int(2, kCvChanState), 6201);
  int32_t rate = 6308;
  ASSERT_EQ(CV_SetDevSettings(kCvDevRate, &rate), 0);
  ASSERT_EQ(CV_SaveDevSettings(kCvDevRate), 0);
  EXPECT_EQ(second_.device().rate, 6308);
  ASSERT_EQ(CV_LoadDevSettings(kCvDevRate | kCvDevFilterFrequency), 0);
  int32_t frequency = 0;
  ASSERT_EQ(CV_GetDevSettings(kCvDevFilterFrequency, &frequency), 0);
  EXPECT_EQ(frequency, second_.device().filter_frequency);

  // A single reading: half the full-scale raw counts are half the range of channel 1.
  expect_half_range_reading(second_, 1);
  EXPECT_TRUE(first_.lines().empty()) << "the other Corvane heard nothing";
}

TEST_F(UsbLine, TwoCorvanesSelectedById) {
  ASSERT_EQ(CV_OpenPort(200, 1, "CV-USB-1", 8, 1, 4096), 0);
  ASSERT_EQ(CV_OpenPort(200, 2, "CV-USB-2", 8, 1, 4096), 0);
  int32_t n = 100;
  ASSERT_EQ(CV_OpenDevice(0, &n), 0);
  ASSERT_EQ(CV_LoadDevSettings(kCvDevSerial), 0);
  EXPECT_EQ(serial(), "4712");
  ASSERT_EQ(QBX_SelectDevice(1), 0);
  ASSERT_EQ(CV_LoadDevSettings(kCvDevSerial), 0);
  EXPECT_EQ(serial(), "4711");
  EXPECT_EQ(QBX_SelectDevice(5), kQbxOpenFailed);
  // Closing the port closes the current Corvane; the other stays reachable on port 200.
  ASSERT_EQ(CV_ClosePort(), 0);
  ASSERT_EQ(QBX_SelectDevice(2), 0);
  EXPECT_EQ(CV_GetErrorStatus(), 0);
  ASSERT_EQ(CV_ClosePort(), 0);
  EXPECT_EQ(QBX_SelectPort(200), kQbxPortNotOpen);
}

TEST_F(UsbLine, ANameNoCorvaneHas) {
  // The open itself succeeds; the first exchange reports the missing pipes.
  ASSERT_EQ(CV_OpenPort(200, 1, "CV-ELSEWHERE", 8, 1, 4096), 0);
  EXPECT_EQ(CV_GetErrorStatus(), kQbxWriteFailed);
  int32_t n = 100;
  EXPECT_EQ(CV_OpenDevice(0, &n), kQbxWriteFailed);
  EXPECT_TRUE(first_.lines().empty());
  EXPECT_TRUE(second_.lines().empty());
}

}  // namespace
