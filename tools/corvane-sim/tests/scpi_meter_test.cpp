// The scpi-meter personality of the corvane-sim program, served on stdin/stdout: identity, readings
// of one input, of one named input and of a range of inputs, each input counting its own readings,
// the error queue, the reset, and the options it refuses.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testkit/child_process.h"

namespace {

testkit::ChildProcess meter(std::vector<std::string> options) {
  options.insert(options.begin(), {CORVANE_SIM_PROGRAM, "--personality", "scpi-meter", "--stdio"});
  return testkit::ChildProcess(options, true);
}

TEST(ScpiMeter, AnswersReadingsInputByInput) {
  testkit::ChildProcess c = meter({"--source", "2=ramp:1,0.5", "--source", "4=const:-0.00125"});
  ASSERT_TRUE(c.started());
  ASSERT_TRUE(c.write("*IDN?\nMEAS?\r\nMEAS? (@2)\nMEAS? (@1:4)\nMEAS? (@2)\nMEAS? (@5)\nFOO\nSYST:ERR?\n"
                      "SYST:ERR?\nSYST:ERR?\n*RST\nMEAS? (@2)\n"));
  c.close_input();
  EXPECT_EQ(c.read_all(10000),
            "QBX,SCPI-Meter,SM-0001,1.0\n"
            "+1.000000E+00\n"
            "+1.000000E+00\n"
            "+1.000000E+00,+1.050000E+00,+3.000000E+00,-1.250000E-03\n"
            "+1.100000E+00\n"
            "-222,\"Data out of range\"\n"
            "-113,\"Undefined header\"\n"
            "0,\"No error\"\n"
            "+1.000000E+00\n");
  EXPECT_EQ(c.wait(), 0) << "the program ends when its input closes";
}

TEST(ScpiMeter, RefusesInputsItDoesNotHave) {
  testkit::ChildProcess c = meter({"--source", "5=const:1"});
  const std::string out = c.read_all(10000);
  EXPECT_NE(out.find("scpi-meter has channels 1 to 4"), std::string::npos) << out;
  EXPECT_EQ(c.wait(), 2);
  testkit::ChildProcess t = meter({"--source", "1=temp:25"});
  t.read_all(10000);
  EXPECT_EQ(t.wait(), 2);
}

}  // namespace
