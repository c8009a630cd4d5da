// The driver against the device simulator on its other lines: a parallel port (a pseudo-terminal
// standing in for LPT1, through PORTIX32 and through PARLINK) and TCP connections on port 100.
// Each brings the chain up, moves settings both ways and takes a reading.
#include <gtest/gtest.h>

#include <memory>
#include <string>

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

constexpr int32_t kParlink = 95;  // the open parameter that selects PARLINK
// Channel states run from 6200 (passive); the state minus 6200 has the measure bit 1 and tare bit 2.
constexpr int32_t kStatePassive = 6200;
constexpr int32_t kMeasureBit = 1;

bool measures(int32_t state) { return ((state - kStatePassive) & kMeasureBit) != 0; }

sim::EngineConfig config(const std::string& serial) {
  sim::EngineConfig c;
  c.serial_numbers = {serial};
  return c;
}

class OtherLines : public DriverOnLine {
 protected:
  // The rest of CV_InitAll once the port is open: error status, device, settings of every channel.
  static void bring_up_on_open_port() {
    for (int i = 0; i < 3; ++i) ASSERT_EQ(CV_GetErrorStatus(), 0);
    int32_t n = 100;
    ASSERT_EQ(CV_OpenDevice(0, &n), 0);
    ASSERT_EQ(n, 10);
    ASSERT_EQ(CV_LoadDevSettings(0xFFFF), 0);
    for (int32_t ch = 0; ch < n; ++ch) ASSERT_EQ(CV_LoadChanSettings(ch, 0xFFFF), 0);
  }

  // Checks the chain's identity, a settings transfer and a reading against the engine behind the line.
  static void check_exchange(sim::Engine& engine, const std::string& serial) {
    char text[256] = {};
    ASSERT_EQ(CV_GetDevSettings(kCvDevSerial, text), 0);
    EXPECT_STREQ(text, serial.c_str());

    // Settings to the device: channel 0 measures.
    const int32_t channels[] = {0};
    ASSERT_EQ(CV_ACQSetup(1, channels), 0);
    EXPECT_TRUE(measures(engine.channel(0).state)) << engine.channel(0).state;
    // And from it: a state the device changed is read back.
    ASSERT_EQ(CV_LoadChanSettings(0, kCvChanState), 0);
    int32_t state = 0;
    ASSERT_EQ(CV_GetChanSettings(0, kCvChanState, &state), 0);
    EXPECT_EQ(state, engine.channel(0).state);

    expect_half_range_reading(engine, 0);
  }

  testkit::ScopedEnv portix_{"LINKAR32_PORTIX32", QBX_PORTIX32_PATH};
  testkit::ScopedEnv parlink_{"LINKAR32_PARLINK", QBX_PARLINK_PATH};
};

TEST_F(OtherLines, ParallelPortThroughPortix) {
  sim::Engine engine(config("4711LPT"));
  sim::PtyServer server(engine);
  testkit::ScopedEnv lpt1("LINKAR32_LPT1", server.start());
  ASSERT_EQ(CV_InitAll(kQbxPortLpt1, 0), 0);
  check_exchange(engine, "4711LPT");
  // The driver does not wake the amplifier with the interpreter byte on a PORTIX32 port: every
  // line the engine saw is a command.
  for (const std::string& line : engine.lines()) EXPECT_EQ(line.find('\x12'), std::string::npos) << line;
  server.stop();
}

TEST_F(OtherLines, ParallelPortThroughParlink) {
  sim::Engine engine(config("4711PL"));
  sim::PtyServer server(engine);
  testkit::ScopedEnv lpt2("LINKAR32_LPT2", server.start());
  ASSERT_EQ(CV_OpenPort(kQbxPortLpt2, kParlink, "e", 8, 1, 4096), 0);
  bring_up_on_open_port();
  check_exchange(engine, "4711PL");
  server.stop();
}

TEST_F(OtherLines, TwoTcpConnectionsSelectedById) {
  sim::Engine first(config("4711A"));
  sim::Engine second(config("4711B"));
  sim::TcpServer first_server(first);
  sim::TcpServer second_server(second);
  const int32_t first_port = first_server.start();
  const int32_t second_port = second_server.start(0, "127.0.0.2");

  ASSERT_EQ(CV_OpenPort(kQbxPortTcp, 2, "127.0.0.2", second_port, 1, 0), 0);
  ASSERT_EQ(CV_OpenPort(kQbxPortTcp, 1, "127.0.0.1", first_port, 1, 0), 0);
  bring_up_on_open_port();
  check_exchange(first, "4711A");
  EXPECT_EQ(second.lines().size(), 0u);

  CV_CloseDevice();
  ASSERT_EQ(QBX_SelectDevice(2), 0);
  first.clear_lines();
  bring_up_on_open_port();
  check_exchange(second, "4711B");
  EXPECT_EQ(first.lines().size(), 0u);

  // Closing one connection keeps the other on port 100.
  ASSERT_EQ(CV_ClosePort(), 0);
  ASSERT_EQ(QBX_SelectPort(kQbxPortTcp), 0);
  ASSERT_EQ(QBX_SelectDevice(1), 0);
  EXPECT_EQ(CV_GetErrorStatus(), 0);
  EXPECT_EQ(QBX_SelectDevice(2), -1);
  first_server.stop();
  second_server.stop();
}

}  // namespace
