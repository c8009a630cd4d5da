// The tool's commands run as a user runs them: exit statuses, --json read back, errors as
// sentences, the German edition, offline mode and ports that cannot be used.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"
#include "json_mini.h"
#include "run_tool.h"
#include "testkit/pty_pair.h"

using json_mini::Value;

namespace {

Value json_line(const std::string& text, size_t index = 0) {
  auto lines = lines_of(text);
  if (index >= lines.size()) throw std::runtime_error("no JSON line " + std::to_string(index) + " in: " + text);
  return json_mini::parse(lines[index]);
}

const Value& channel(const Value& show, int c) {
  for (const auto& ch : show["channels"].array) {
    if (static_cast<int>(ch["channel"].number) == c) return ch;
  }
  throw std::runtime_error("channel missing");
}

TEST(CommandLine, UsageErrorsExitWithTwoAndSaySo) {
  ToolResult r = run_tool({});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("No command given"), std::string::npos) << r.err;

  r = run_tool({"frobnicate"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Unknown command \"frobnicate\""), std::string::npos) << r.err;

  r = run_tool({"--port", "COM9", "info"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("\"COM9\" is not a port"), std::string::npos) << r.err;

  r = run_tool({"acquire", "--rate"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--rate of acquire needs a value"), std::string::npos) << r.err;

  r = run_tool({"info", "+"});
  EXPECT_EQ(r.status, 2);

  r = run_tool({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("slot 6: thermocouple K"), std::string::npos);
}

TEST(CommandLine, InfoNamesEveryDeviceOfTheSimulatedChain) {
  ToolResult r = run_tool({"--devices", "3", "--json", "info"});
  ASSERT_EQ(r.status, 0) << r.err;
  Value info = json_line(r.out);
  EXPECT_EQ(info["command"].string, "info");
  EXPECT_EQ(info["channels"].number, 30);
  EXPECT_EQ(info["driver_version"].string, "2.00");
  EXPECT_FALSE(info["offline"].boolean);
  ASSERT_EQ(info["chain"].size(), 3u);
  EXPECT_EQ(info["chain"][2]["first_channel"].number, 20);
  EXPECT_EQ(info["chain"][2]["serial_number"].string, "47112");
  EXPECT_EQ(info["rate"]["text"].string, "9600 Hz");

  r = run_tool({"info"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Channels:          10 (1 device of 10 slots)"), std::string::npos) << r.out;
}

TEST(CommandLine, ShowGivesTheGridColumnsAndLiveValuesOfTheSimulator) {
  ToolResult r = run_tool({"show"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto lines = lines_of(r.out);
  ASSERT_GE(lines.size(), 13u);
  for (const char* header : {"Chan.", "Name", "Trans.", "Meas. Rng.", "Filter", "Tare", "Shunt", "Tare Val.", "Meas. Value"}) {
    EXPECT_NE(lines[1].find(header), std::string::npos) << header;
  }
  EXPECT_NE(r.out.find("1.2000 mV/V"), std::string::npos) << r.out;  // slot 1: constant 1.2 mV/V
  EXPECT_NE(r.out.find("0x00A5"), std::string::npos);                // slot 8: digital inputs

  r = run_tool({"show", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  Value show = json_line(r.out);
  ASSERT_EQ(show["channels"].size(), 10u);
  EXPECT_NEAR(channel(show, 4)["value"].number, 1.5, 0.0002);
  EXPECT_NEAR(channel(show, 3)["value"].number, -0.8, 0.0002);
  EXPECT_EQ(channel(show, 6)["transducer"]["id"].number, 451);
  EXPECT_EQ(channel(show, 6)["unit"].string, "\xC2\xB0" "C");  // UTF-8 degree sign
  EXPECT_NEAR(channel(show, 6)["value"].number, 23.5, 0.7);
  EXPECT_EQ(channel(show, 8)["value"].number, 0xA5);
}

TEST(CommandLine, SetTakesIndexStringsOrIdsAndChainedCommandsSeeTheChange) {
  ToolResult r = run_tool({"--json", "set", "4", "range", "125 mV/V", "+", "set", "5", "range", "711", "+",
                           "set", "6", "transducer", "thermocouple J", "+", "show"});
  ASSERT_EQ(r.status, 0) << r.err;
  Value show = json_line(r.out, 3);
  EXPECT_EQ(channel(show, 4)["range"]["id"].number, 702);
  EXPECT_EQ(channel(show, 5)["range"]["id"].number, 711);
  EXPECT_EQ(channel(show, 6)["transducer"]["id"].number, 450);
  // 1.5 mV/V on the 125 mV/V range is 300 counts of 25000: still 1.5 within one count.
  EXPECT_NEAR(channel(show, 4)["value"].number, 1.5, 125.0 / 25000);

  // Blanks and case do not matter; a bare number names a rate in Hz.
  r = run_tool({"--json", "set", "4", "range", "125MV/V", "+", "set-device", "rate", "600"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(json_line(r.out, 1)["rate"]["id"].number, 6313);
}

TEST(CommandLine, ErrorsAreSentences) {
  // A value the channel cannot take lists what it can.
  ToolResult r = run_tool({"set", "4", "range", "10 V"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("\"10 V\" is not a possible range for channel 4 (KX4, full bridge); possible are: \"3 mV/V\" (700)"),
            std::string::npos)
      << r.err;
  // The device refuses a tare value beyond its 16-bit range: its error number with the driver's text.
  r = run_tool({"set", "4", "tare", "10"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("10005 wrong value of parm."), std::string::npos) << r.err;
  // A library status by its meaning.
  r = run_tool({"set-device", "channels", "20"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("the number of channels can be changed offline only (status -106)"), std::string::npos) << r.err;
  // With --json the failure is also a document on standard output.
  r = run_tool({"--json", "info", "+", "set", "4", "tare", "10"});
  EXPECT_EQ(r.status, 1);
  Value failure = json_line(r.out, 1);
  EXPECT_EQ(failure["command"].string, "set");
  EXPECT_EQ(failure["exit_status"].number, 1);
  EXPECT_NE(failure["error"].string.find("10005 wrong value of parm"), std::string::npos);
  r = run_tool({"set", "12", "range", "700"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Channel 12 does not exist: the chain has 10 channels"), std::string::npos) << r.err;
  r = run_tool({"set", "4", "colour", "red"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("\"colour\" is not a channel setting"), std::string::npos) << r.err;
  r = run_tool({"set", "1", "amplifier", "KX1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("fixed by the hardware"), std::string::npos) << r.err;
  // Nothing measured offline.
  r = run_tool({"--port", "offline", "acquire"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("An acquisition needs a device"), std::string::npos) << r.err;
}

TEST(CommandLine, GermanEditionShowsAndTakesGermanTexts) {
  ToolResult r = run_tool({"--lang", "de", "--json", "set", "0", "transducer", "Halbbr\xC3\xBC" "cke", "+", "show"});
  ASSERT_EQ(r.status, 0) << r.err;
  Value show = json_line(r.out, 1);
  EXPECT_EQ(channel(show, 0)["transducer"]["id"].number, 351);
  EXPECT_EQ(channel(show, 0)["transducer"]["text"].string, "Halbbr\xC3\xBC" "cke");
  EXPECT_EQ(channel(show, 1)["name"].string, "Kanal 1");

  r = run_tool({"--lang", "de", "set", "4", "tare", "10"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("10005 falscher Parameterwert."), std::string::npos) << r.err;
  r = run_tool({"--lang", "de", "show"});
  EXPECT_NE(r.out.find("Me\xC3\x9F" "wert"), std::string::npos) << r.out;  // grid header 615
}

TEST(CommandLine, OfflineModeChecksSettingsInMemory) {
  ToolResult r = run_tool({"--port", "offline", "--devices", "2", "--json", "set", "15", "amplifier", "KX1", "+",
                           "set", "15", "transducer", "PT100", "+", "show", "--channels", "15"});
  ASSERT_EQ(r.status, 0) << r.err;
  Value show = json_line(r.out, 2);
  EXPECT_TRUE(show["offline"].boolean);
  const Value& c15 = channel(show, 15);
  EXPECT_EQ(c15["amplifier"]["id"].number, 5054);
  EXPECT_EQ(c15["range"]["id"].number, 730);  // corrected to the first range PT100 allows
  EXPECT_EQ(c15["value"].type, Value::Type::kNull);

  r = run_tool({"--port", "offline", "show"});
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("OFFLINE"), std::string::npos);
  // Only slots 4 to 7 take another amplifier.
  r = run_tool({"--port", "offline", "set", "2", "amplifier", "KX1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("slots 4 to 7"), std::string::npos) << r.err;
  r = run_tool({"--port", "offline", "--json", "tare", "0-3"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(json_line(r.out)["channels"].size(), 4u);
}

TEST(CommandLine, TareZeroesTheChosenChannels) {
  ToolResult r = run_tool({"--json", "tare", "1,4", "+", "show"});
  ASSERT_EQ(r.status, 0) << r.err;
  Value tare = json_line(r.out, 0);
  ASSERT_EQ(tare["channels"].size(), 2u);
  EXPECT_NEAR(tare["channels"][0]["tare_value"].number, 1.2, 0.0002);
  EXPECT_NEAR(tare["channels"][1]["tare_value"].number, 1.5, 0.0002);
  Value show = json_line(r.out, 1);
  EXPECT_NEAR(channel(show, 4)["value"].number, 0.0, 0.0002);      // net of the tare value
  EXPECT_NEAR(channel(show, 3)["value"].number, -0.8, 0.0002);     // not tared
  EXPECT_FALSE(channel(show, 3)["tare"].boolean);

  r = run_tool({"tare", "8"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Channel 8 (digital I/O) cannot be tared."), std::string::npos) << r.err;
}

TEST(CommandLine, ReadGivesTheAskedNumberOfReadings) {
  ToolResult r = run_tool({"--json", "read", "--count", "3", "--interval", "50ms", "--channels", "1,8"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto lines = lines_of(r.out);
  ASSERT_EQ(lines.size(), 3u);
  Value last = json_mini::parse(lines[2]);
  EXPECT_EQ(last["reading"].number, 2);
  EXPECT_GE(last["time_s"].number, 0.09);
  ASSERT_EQ(last["channels"].size(), 2u);
  EXPECT_NEAR(last["channels"][0]["value"].number, 1.2, 0.0002);
  EXPECT_EQ(last["channels"][1]["value"].number, 0xA5);

  r = run_tool({"read", "--count", "2", "--channels", "4"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines_of(r.out).size(), 7u);  // two tables of three lines and a blank between
}

TEST(CommandLine, OnATerminalReadRefreshesInPlaceAndAcquireShowsProgress) {
  ToolResult r = run_tool_on_terminal({"read", "--count", "3", "--interval", "0.05", "--channels", "1,4"});
  ASSERT_EQ(r.status, 0) << r.out;
  // Each new table goes back up over the previous four lines and clears what it overwrites.
  size_t ups = 0;
  for (size_t at = r.out.find("\x1b[4A"); at != std::string::npos; at = r.out.find("\x1b[4A", at + 1)) ++ups;
  EXPECT_EQ(ups, 2u) << r.out;
  EXPECT_NE(r.out.find("1.2000 mV/V\x1b[K"), std::string::npos);

  testkit::TempDir dir;
  r = run_tool_on_terminal({"acquire", "--rate", "100", "--scans", "50", "--channels", "1", "--output", dir.file("a.csv")});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("\r[##############################] 100%  50/50 scans"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\r[######........................]  20%  10/50 scans"), std::string::npos) << r.out;
}

TEST(CommandLine, ShuntCalibrationSetsTheScaleFactorOfShuntChannelsOnly) {
  ToolResult r = run_tool({"--json", "shunt-cal", "4,7"});
  ASSERT_EQ(r.status, 0) << r.err;
  Value cal = json_line(r.out);
  ASSERT_EQ(cal["channels"].size(), 1u);
  EXPECT_EQ(cal["channels"][0]["channel"].number, 7);
  // The shunt step is 1.0 mV/V: 1 / (1.25004 - 0.24996) mV/V after rounding to counts.
  const double factor = cal["channels"][0]["scale_factor"].number;
  EXPECT_NEAR(factor, 1 / ((10417 - 2083) * 3.0 / 25000), 1e-6);
  EXPECT_NE(r.err.find("Channel 4 (KX4) has no shunt calibration; skipped."), std::string::npos) << r.err;

  // A calibration does not depend on the one before it; show lists the factor.
  r = run_tool({"--json", "shunt-cal", "7", "+", "shunt-cal", "7", "+", "shunt-cal", "7", "+", "show", "--channels", "7"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (size_t k = 0; k < 3; ++k) EXPECT_EQ(json_line(r.out, k)["channels"][0]["scale_factor"].number, factor) << k;
  EXPECT_EQ(channel(json_line(r.out, 3), 7)["scale_factor"].number, factor);
  r = run_tool({"shunt-cal", "7", "+", "show", "--channels", "7"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Scale"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("0.9999199  0.2499 mV/V"), std::string::npos) << r.out;

  // Switching the shunt on adds the simulator's 1.0 mV/V shunt signal to slot 7's 0.25 mV/V.
  r = run_tool({"--json", "set", "7", "shunt", "on", "+", "show", "--channels", "7"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(channel(json_line(r.out, 1), 7)["shunt"].boolean);
  EXPECT_NEAR(channel(json_line(r.out, 1), 7)["value"].number, 1.25, 0.0002);
  r = run_tool({"set", "4", "shunt", "on"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("\"on\" is not a possible shunt for channel 4"), std::string::npos) << r.err;

  r = run_tool({"shunt-cal", "0-3"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("has a calibratable shunt"), std::string::npos) << r.err;
}

TEST(Ports, UnusablePortsSayWhy) {
  testkit::TempDir dir;
  ToolResult r = run_tool({"--port", "COM3", "info"}, {{"LINKAR32_COM3", dir.file("no-such-tty")}});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Cannot open COM3: the device " + dir.file("no-such-tty") + " does not exist (missing)."),
            std::string::npos)
      << r.err;

  // Another program holds the line.
  testkit::PtyPair pty;
  int holder = open(pty.slave_path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  r = run_tool({"--port", "COM2", "info"}, {{"LINKAR32_COM2", pty.slave_path()}});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("is in use by another program (busy)"), std::string::npos) << r.err;
  close(holder);

  // A line with nothing on it.
  r = run_tool({"--port", "COM2", "--timeout", "200", "info"}, {{"LINKAR32_COM2", pty.slave_path()}});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("No Corvane answers on COM2: no answer from the amplifier within the time-out"), std::string::npos)
      << r.err;

  if (geteuid() != 0) {  // root opens anything
    std::string locked = dir.file("locked-tty");
    testkit::write_file(locked, "");
    chmod(locked.c_str(), 0);
    r = run_tool({"--port", "COM4", "info"}, {{"LINKAR32_COM4", locked}});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no permission to open " + locked + " (add the user to the dialout group"), std::string::npos)
        << r.err;
  }
}

TEST(Ports, NetworkCorvaneOverTcp) {
  corvane_sim::EngineConfig config;
  config.devices = 2;
  corvane_sim::Engine engine(config);
  engine.set_source(13, corvane_sim::SignalSource::constant(-2.25));
  corvane_sim::TcpServer server(engine);
  const uint16_t port = server.start();
  ToolResult r = run_tool({"--port", "tcp:127.0.0.1:" + std::to_string(port), "--json", "info", "+", "show"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(json_line(r.out, 0)["channels"].number, 20);
  EXPECT_NEAR(channel(json_line(r.out, 1), 13)["value"].number, -2.25, 0.0002);
  server.stop();

  r = run_tool({"--port", "tcp:127.0.0.1:" + std::to_string(port), "info"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Cannot open tcp:127.0.0.1:" + std::to_string(port) + ": no connection to 127.0.0.1:"),
            std::string::npos)
      << r.err;
  r = run_tool({"--port", "tcp:no-such-host.invalid", "info"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("the host name no-such-host.invalid is not known"), std::string::npos) << r.err;
}

// The parallel-port driver is found beside the interface library, as in an installation.
TEST(Ports, ParallelCorvaneOnLpt1) {
  corvane_sim::Engine engine{corvane_sim::EngineConfig{}};
  engine.set_source(3, corvane_sim::SignalSource::constant(1.5));
  corvane_sim::PtyServer server(engine);
  const std::string line = server.start();
  ToolResult r = run_tool({"--port", "LPT1", "--json", "info", "+", "show"}, {{"LINKAR32_LPT1", line}});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(json_line(r.out, 0)["channels"].number, 10);
  EXPECT_NEAR(channel(json_line(r.out, 1), 3)["value"].number, 1.5, 0.0002);
  server.stop();
}

// USB Corvanes through the interface library's simulator backend, found by serial number.
TEST(Ports, UsbCorvaneBySerialNumber) {
  testkit::TempDir dir;
  corvane_sim::Engine engine{corvane_sim::EngineConfig{}};
  engine.set_source(2, corvane_sim::SignalSource::constant(-0.75));
  corvane_sim::UsbServer server(engine, "CV0042");
  const std::string socket = server.start(dir.file("usb.sock"));
  const std::map<std::string, std::string> env{{"LINKAR32_USB_BACKEND", "sim"}, {"LINKAR32_USB_SIM", socket}};
  ToolResult r = run_tool({"--port", "usb:CV0042", "--json", "info", "+", "show"}, env);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(json_line(r.out, 0)["channels"].number, 10);
  EXPECT_NEAR(channel(json_line(r.out, 1), 2)["value"].number, -0.75, 0.0002);

  r = run_tool({"--port", "usb:CV0099", "info"}, env);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Cannot open usb:CV0099: no Corvane with serial number CV0099 is attached (found: CV0042)."),
            std::string::npos)
      << r.err;
  server.stop();
}

TEST(Ports, MissingParallelPort) {
  testkit::TempDir dir;
  ToolResult r = run_tool({"--port", "LPT2", "info"}, {{"LINKAR32_LPT2", dir.file("parport9")}});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Cannot open LPT2: the device " + dir.file("parport9") + " does not exist (missing)."),
            std::string::npos)
      << r.err;
}

TEST(Ports, CommunicationLogRecordsTheExchange) {
  testkit::TempDir dir;
  ToolResult r = run_tool({"--log", dir.file("comm.log"), "info"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string log = testkit::read_file(dir.file("comm.log"));
  EXPECT_NE(log.find("EST?"), std::string::npos) << log;
  EXPECT_NE(log.find("IDN?"), std::string::npos);

  r = run_tool({"--log", dir.file("missing-folder/comm.log"), "info"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot be opened for writing"), std::string::npos) << r.err;
}

// Scripting conventions: data on standard output, confirmations on standard error (silenced by
// -q), write errors fail, and a command line is checked whole before anything is sent.
TEST(Conventions, DataOnStdoutConfirmationsOnStderr) {
  ToolResult r = run_tool({"set", "4", "name", "Probe", "+", "show", "--channels", "4"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "Channel 4 \"Probe\": KX4, full bridge, range 3 mV/V, measure/tare active, tare value 0.0000 mV/V\n");
  EXPECT_EQ(r.out.rfind("Device Corvane", 0), 0u) << r.out;
  r = run_tool({"-q", "set", "4", "name", "Probe", "+", "tare", "4", "+", "shunt-cal", "7", "+", "save",
                testkit::TempDir().file("x.cvs")});
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "");
  // "--output -" is standard output.
  r = run_tool({"acquire", "--rate", "100", "--scans", "3", "--channels", "1", "--output", "-"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(data_lines(r.out), (std::vector<std::string>{"time [s],Channel1 [mV/V]", "0.00000,1.2", "0.01000,1.2", "0.02000,1.2"}));
  EXPECT_NE(r.err.find("Acquired 3 scans"), std::string::npos);
}

TEST(Conventions, WriteErrorsFail) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"show"}, {"info"}, {"--json", "read"}, {"acquire", "--rate", "100", "--scans", "300", "--channels", "1"}}) {
    ToolResult r = run_tool(args, {}, "/dev/full");
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_NE(r.err.find("Writing to standard output failed"), std::string::npos) << r.err;
  }
  ToolResult r = run_tool({"--help"}, {}, "/dev/full");
  EXPECT_EQ(r.status, 1);
}

TEST(Conventions, AChainIsCheckedWholeBeforeAnythingIsSent) {
  corvane_sim::Engine engine{corvane_sim::EngineConfig{}};
  corvane_sim::PtyServer server(engine);
  const std::map<std::string, std::string> env{{"LINKAR32_COM1", server.start()}};
  const std::vector<std::vector<std::string>> wrong = {
      {"set", "0", "range", "12 mV/V", "+", "set", "1", "frobnicate", "1"},
      {"set", "0", "range", "12 mV/V", "+", "acquire", "--scans", "ten"},
      {"set", "0", "range", "12 mV/V", "+", "read", "--channels", "3-"},
      {"set", "0", "range", "12 mV/V", "+", "set", "5", "name", "Kraft\xE2\x82\xAC"},
      {"set", "0", "range", "12 mV/V", "+", "info", "extra"},
  };
  for (const auto& args : wrong) {
    std::vector<std::string> full = {"--port", "COM1"};
    full.insert(full.end(), args.begin(), args.end());
    ToolResult r = run_tool(full, env);
    EXPECT_EQ(r.status, 2) << args[5] << ": " << r.err;
    EXPECT_TRUE(engine.lines().empty()) << args[5] << ": " << engine.lines().front();
  }
  ToolResult r = run_tool({"set", "5", "name", "Kraft\xE2\x82\xAC"});
  EXPECT_NE(r.err.find("The name \"Kraft\xE2\x82\xAC\" holds \"\xE2\x82\xAC\", which the amplifier cannot store"),
            std::string::npos)
      << r.err;

  // A value one channel cannot take changes no channel (channel 8 is the digital I/O channel).
  r = run_tool({"--port", "COM1", "set", "0-3,8", "range", "12 mV/V"}, env);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("is not a possible range for channel 8"), std::string::npos) << r.err;
  for (int c = 0; c < 4; ++c) EXPECT_EQ(engine.channel(c).range, 700) << c;
  for (const std::string& line : engine.lines()) EXPECT_NE(line.rfind("ASA", 0) == 0 && line[3] != '?', true) << line;
}

TEST(Conventions, SideEffectsAreSaid) {
  ToolResult r = run_tool({"acquire", "--rate", "100", "--scans", "3", "--channels", "0,2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("Channels 1,3-9 no longer measure; the amplifier keeps this state after the run.\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("The measuring rate is now 100 Hz; it stays set in the amplifier.\n"), std::string::npos) << r.err;
  r = run_tool({"-q", "acquire", "--rate", "100", "--scans", "3", "--channels", "0,2"});
  EXPECT_EQ(r.err, "");
}

TEST(Conventions, VersionAndAHelpPageForEveryCommand) {
  ToolResult r = run_tool({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("corvane 2.", 0), 0u) << r.out;
  const std::string man = testkit::read_file(std::string(CORVANE_DOCS_DIR) + "/corvane.1");
  for (const char* command : {"info", "show", "set", "set-device", "tare", "read", "acquire", "save", "load",
                              "shunt-cal", "ports", "record", "db"}) {
    r = run_tool({command, "--help"});
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_EQ(r.out.rfind(std::string("usage: corvane [global options] ") + command + " ...\n", 0), 0u) << r.out;
    // The man page has a section for it, with "-" escaped as troff wants.
    std::string escaped;
    for (char c : std::string(command)) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
    EXPECT_NE(man.find(".SS " + escaped), std::string::npos) << command;
  }
  r = run_tool({"help", "acquire"});
  EXPECT_NE(r.out.find("--wait T          how long to wait for the trigger (default 10s)"), std::string::npos);
  // Every global option of the overview is in the man page.
  r = run_tool({"--help"});
  for (const std::string& line : lines_of(r.out)) {
    if (line.rfind("  --", 0) != 0) continue;
    std::string option = line.substr(2, line.find(' ', 2) - 2);
    if (option.back() == ',') option.pop_back();  // "--quiet, -q"
    std::string escaped;
    for (char c : option) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
    EXPECT_NE(man.find(escaped), std::string::npos) << option;
  }
}

TEST(Conventions, BashCompletionOffersCommandsAndOptions) {
  const std::string script = std::string(CORVANE_DOCS_DIR) + "/corvane.bash";
  auto complete = [&](const std::string& words, int cword) {
    testkit::TempDir dir;
    const std::string run = dir.file("run.sh");
    testkit::write_file(run, "source '" + script + "'\nCOMP_WORDS=(" + words + ")\nCOMP_CWORD=" +
                                 std::to_string(cword) + "\n_corvane\necho \"${COMPREPLY[*]}\"\n");
    const std::string out = dir.file("out");
    std::system(("bash " + run + " > " + out + " 2>&1").c_str());
    return testkit::read_file(out);
  };
  EXPECT_EQ(complete("corvane ac", 1), "acquire\n");
  EXPECT_EQ(complete("corvane acquire --tri", 2), "--trigger --trigger-channel --trigger-level --trigger-condition\n");
  EXPECT_EQ(complete("corvane acquire --trigger ext", 3), "external\n");
  EXPECT_EQ(complete("corvane info + sho", 3), "show\n");
  EXPECT_EQ(complete("corvane set 4 ra", 3), "range\n");
  EXPECT_EQ(complete("corvane --po", 1), "--port\n");
}

TEST(Conventions, PortsByDevicePathAndFromTheEnvironment) {
  corvane_sim::Engine engine{corvane_sim::EngineConfig{}};
  engine.set_source(3, corvane_sim::SignalSource::constant(1.5));
  corvane_sim::PtyServer server(engine);
  const std::string path = server.start();
  ToolResult r = run_tool({"--port", path, "--json", "show", "--channels", "3"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NEAR(channel(json_line(r.out), 3)["value"].number, 1.5, 0.0002);
  r = run_tool({"--json", "show", "--channels", "3"}, {{"CORVANE_PORT", path}});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NEAR(channel(json_line(r.out), 3)["value"].number, 1.5, 0.0002);
  // --port wins over the environment.
  r = run_tool({"--port", "offline", "info"}, {{"CORVANE_PORT", path}});
  EXPECT_NE(r.out.find("offline"), std::string::npos);
  r = run_tool({"info"}, {{"CORVANE_PORT", "COM9"}});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("CORVANE_PORT=\"COM9\" is not a port"), std::string::npos) << r.err;
  r = run_tool({"--port", "/dev/no-such-corvane", "info"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("the device /dev/no-such-corvane does not exist"), std::string::npos) << r.err;

  // Durations take units; a wrong one is a usage error.
  r = run_tool({"acquire", "--duration", "3 weeks"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--duration needs a duration such as 30, 500ms, 2s, 10min or 1h"), std::string::npos) << r.err;
}

TEST(Conventions, PortsListsUsbCorvanesWithoutOpeningALine) {
  testkit::TempDir dir;
  corvane_sim::Engine engine{corvane_sim::EngineConfig{}};
  corvane_sim::UsbServer server(engine, "CV0042");
  const std::string socket = server.start(dir.file("usb.sock"));
  ToolResult r = run_tool({"--json", "ports"}, {{"LINKAR32_USB_BACKEND", "sim"}, {"LINKAR32_USB_SIM", socket}});
  ASSERT_EQ(r.status, 0) << r.err;
  Value ports = json_line(r.out);
  ASSERT_EQ(ports["usb"].size(), 1u);
  EXPECT_EQ(ports["usb"][0]["port"].string, "usb:CV0042");
  EXPECT_TRUE(engine.lines().empty());
  r = run_tool({"ports"}, {{"LINKAR32_USB_BACKEND", "sim"}, {"LINKAR32_USB_SIM", socket}});
  EXPECT_NE(r.out.find("USB Corvanes (--port usb:SERIAL):\n  usb:CV0042\n"), std::string::npos) << r.out;
  server.stop();
}

// The aux channel (internal temperature, 25 degrees in the simulator) reads the same everywhere.
TEST(Conventions, TheAuxChannelReadsTheSameEverywhere) {
  ToolResult r = run_tool({"--json", "show", "--channels", "9", "+", "read", "--channels", "9"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NEAR(channel(json_line(r.out, 0), 9)["value"].number, 25.0, 0.01);
  EXPECT_NEAR(json_line(r.out, 1)["channels"][0]["value"].number, 25.0, 0.01);
  r = run_tool({"show", "--channels", "9", "+", "read", "--channels", "9"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto lines = lines_of(r.out);
  ASSERT_GE(lines.size(), 7u);
  EXPECT_NE(lines[3].find("Channel9"), std::string::npos) << lines[3];
  EXPECT_NE(lines[3].find("25.00"), std::string::npos) << lines[3];
  EXPECT_NE(lines[6].find("Channel9"), std::string::npos) << lines[6];
  EXPECT_NE(lines[6].find("25.00"), std::string::npos) << lines[6];
}

}  // namespace
