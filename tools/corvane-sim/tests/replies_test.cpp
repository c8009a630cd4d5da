// Exact reply bytes of the simulated amplifier for each command, its refusals and the error
// number that EST? reports and clears.
#include <gtest/gtest.h>

#include "corvane_sim/engine.h"

namespace corvane_sim {
namespace {

TEST(Replies, ErrorStatusReportsThenClears) {
  Engine e;
  EXPECT_EQ(e.process("EST?"), "0\r\n");
  EXPECT_EQ(e.process("XYZ"), "?\r\n");
  EXPECT_EQ(e.error_number(), 10003);
  EXPECT_EQ(e.process("EST?"), "10003\r\n");
  EXPECT_EQ(e.process("EST?"), "0\r\n");
}

TEST(Replies, IdentityAndBaud) {
  Engine e;
  EXPECT_EQ(e.process("IDN?"), "QBX,Corvane,47110,P2.10\r\n");
  EXPECT_EQ(e.process("BDR1410"), "0\r\n");
  EXPECT_EQ(e.device().baud_code, 1410);
}

}  // namespace
}  // namespace corvane_sim
