// save and load: binary setup or text report by the file name, bytes on disk, and a setup that
// travels from an offline session to the simulator.
#include <gtest/gtest.h>

#include <cstring>

#include "json_mini.h"
#include "run_tool.h"

namespace {

TEST(Files, BinarySetupRoundTripsFromOfflineToTheDevice) {
  testkit::TempDir dir;
  const std::string cvs = dir.file("rig.cvs");
  ToolResult r = run_tool({"--port", "offline", "set", "4", "range", "500 mV/V", "+", "set", "3", "name", "Load cell", "+",
                           "set-device", "rate", "1200", "+", "save", cvs});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string bytes = testkit::read_file(cvs);
  ASSERT_EQ(bytes.size(), 91u + 72u * 10u);
  EXPECT_EQ(std::memcmp(bytes.data(), "QBX Corvane structure\0" "2.00\0", 27), 0);
  int32_t rate = 0;
  std::memcpy(&rate, bytes.data() + 27 + 4, 4);
  EXPECT_EQ(rate, 6315);
  EXPECT_EQ(bytes.substr(91 + 72 * 3 + 14, 9), "Load cell");
  int32_t range = 0;
  std::memcpy(&range, bytes.data() + 91 + 72 * 4 + 48, 4);
  EXPECT_EQ(range, 703);

  // Loaded into the simulator (whose slots 5 to 9 hold other amplifiers than the offline
  // defaults), the settings reach the device and read back.
  r = run_tool({"--json", "load", "--force", cvs, "+", "show"});
  ASSERT_EQ(r.status, 0) << r.err;
  json_mini::Value show = json_mini::parse(lines_of(r.out).at(1));
  EXPECT_EQ(show["device"]["rate"]["id"].number, 6315);
  EXPECT_EQ(show["channels"][4]["range"]["id"].number, 703);
}

TEST(Files, TextReportByExtensionInAnyCase) {
  testkit::TempDir dir;
  ToolResult r = run_tool({"set", "6", "transducer", "thermocouple J", "+", "save", dir.file("report.TXT")});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string text = testkit::read_file(dir.file("report.TXT"));
  EXPECT_EQ(text.rfind("Corvane Setup File\r\n", 0), 0u) << text.substr(0, 80);
  EXPECT_NE(text.find("thermocouple J"), std::string::npos);
  EXPECT_NE(text.find("Number of channels:           10\r\n"), std::string::npos);

  r = run_tool({"load", dir.file("report.TXT")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("A text report (" + dir.file("report.TXT") + ") cannot be loaded"), std::string::npos) << r.err;
}

TEST(Files, FileErrorsAreSentences) {
  testkit::TempDir dir;
  ToolResult r = run_tool({"--port", "offline", "load", dir.file("missing.cvs")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("the file cannot be opened or created (status -10)"), std::string::npos) << r.err;

  testkit::write_file(dir.file("junk.cvs"), std::string(200, 'x'));
  r = run_tool({"--port", "offline", "load", dir.file("junk.cvs")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("is not a Corvane settings file (status -15)"), std::string::npos) << r.err;

  r = run_tool({"--port", "offline", "save", dir.file("no/dir/x.cvs")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Saving the setup to " + dir.file("no/dir/x.cvs") + " failed: the file cannot be opened or created"),
            std::string::npos)
      << r.err;
}

// Every setting survives save and load: the file written after loading is the file loaded,
// names and output words included (the driver's reader leaves those to the tool).
TEST(Files, SaveThenLoadRoundTripsEverySetting) {
  testkit::TempDir dir;
  const std::string a = dir.file("a.cvs"), b = dir.file("b.cvs");
  ToolResult r = run_tool({"-q", "--port", "offline", "--devices", "2", "set", "4", "range", "500 mV/V", "+", "set", "3",
                           "name", "Load cell", "+", "set", "13", "name", "Zweiter Kanal", "+", "set", "6", "transducer",
                           "half bridge", "+", "set", "5", "filter", "const", "+", "set", "2", "state", "passive", "+",
                           "set", "1", "tare", "0.25", "+", "set", "8", "digital", "0x1234", "+", "set-device", "rate",
                           "1200", "+", "set-device", "filter-type", "bessel", "+", "set-device", "name", "Rig7", "+",
                           "save", a});
  ASSERT_EQ(r.status, 0) << r.err;
  r = run_tool({"-q", "--port", "offline", "load", a, "+", "save", b});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string bytes = testkit::read_file(a);
  ASSERT_EQ(bytes.size(), 91u + 72u * 20u);
  EXPECT_TRUE(testkit::read_file(b) == bytes) << "the setup changed on its way through load and save";

  // Into the simulator: the names come along.
  r = run_tool({"--json", "load", "--force", a, "+", "show", "--channels", "3"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(json_mini::parse(lines_of(r.out).at(1))["channels"][0]["name"].string, "Load cell");
  EXPECT_EQ(json_mini::parse(lines_of(r.out).at(1))["device"]["name"].string, "Rig7");
}

// A setup from another chain is refused with the differences named, unless --force.
TEST(Files, LoadChecksTheFileAgainstTheAttachedChain) {
  testkit::TempDir dir;
  const std::string cvs = dir.file("other.cvs");
  ToolResult r = run_tool({"-q", "--port", "offline", "--devices", "2", "set", "4", "amplifier", "KX3", "+", "save", cvs});
  ASSERT_EQ(r.status, 0) << r.err;
  r = run_tool({"load", cvs, "+", "show"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");  // nothing after the refused load ran
  EXPECT_NE(r.err.find("does not fit the attached chain (load --force loads what fits):\n"
                       "  the file has 20 channels, the chain 10\n"
                       "  channel 4: KX3 (5058) in the file, KX4 (5053) attached\n"),
            std::string::npos)
      << r.err;
  r = run_tool({"--devices", "2", "load", "--force", cvs});
  EXPECT_EQ(r.status, 0) << r.err;
}

}  // namespace
