// The YALPLUS rack personality answered line by line: identity, refusals and the error status,
// the selection that decides the FIFO order, the FIFO status replies on the virtual clock, the
// byte layout of 4-byte and 2-byte blocks, and an overflow.
#include <gtest/gtest.h>

#include <string>

#include "corvane_sim/yalplus.h"

namespace {

using corvane_sim::YalplusEngine;

std::string ask(YalplusEngine& e, const std::string& line) { return e.handle_line(line).bytes; }

// Three slots without sub-channels in FIFO 0 (4-byte, 100 Hz), sub-channel 2 of slot 4 in FIFO 1.
void configure(YalplusEngine& e) {
  for (const char* l : {"MCS", "CHS-1", "SPS0", "MSS214", "MRG0", "PCS1", "MSS214", "MRG0", "PCS2", "MSS215",
                        "MRG0", "PCS3", "MSS204", "MRG0", "PCS4", "SPS2", "MRG1", "SMS2", "MCS1,2,3,4,",
                        "MBF1253,0", "ICR6308,6361,0", "MBF1255,1", "ICR6305,6361,1", "TSV1000,1,0"})
    ASSERT_EQ(ask(e, l), "0\r\n") << l;
}

TEST(YalplusEngine, IdentityRefusalAndErrorStatus) {
  YalplusEngine e;
  EXPECT_EQ(ask(e, "IDN?"), "QBX,YALPLUS,471100,2.070\r\n");
  EXPECT_EQ(ask(e, "XYZ1"), "?\r\n");
  EXPECT_EQ(ask(e, "ESR?"), "1\r\n");
  EXPECT_EQ(ask(e, "ESR?"), "0\r\n");
  EXPECT_EQ(ask(e, "PCS20"), "?\r\n");
  EXPECT_EQ(ask(e, "ICR1234"), "?\r\n");  // not a rate code
  EXPECT_EQ(ask(e, "MSS999"), "?\r\n");   // not a signal
  EXPECT_EQ(ask(e, "PCS3"), "0\r\n");
  EXPECT_EQ(ask(e, "ISV?"), "0.750000,30.000000\r\n");
}

TEST(YalplusEngine, BlocksCarryTheSelectedEntriesInOrder) {
  YalplusEngine e;
  configure(e);
  using E = corvane_sim::YalplusEntry;
  EXPECT_EQ(e.fifo_entries(0), (std::vector<E>{{1, 0, 214}, {2, 0, 215}, {3, 0, 204}}));
  EXPECT_EQ(e.fifo_entries(1), (std::vector<E>{{4, 2, 214}}));
  e.advance_ms(1000.0);
  EXPECT_EQ(ask(e, "OMP?0"), "0,1,100,100,1\r\n");
  EXPECT_EQ(ask(e, "OMP?1"), "1,1,50,50,1\r\n");
  // 100 scans of 3 channels with 4-byte samples: 4 + 1200 bytes.
  const std::string block = ask(e, "RMB?100,6409");
  ASSERT_EQ(block.size(), 1204u);
  EXPECT_EQ(block.substr(0, 4), std::string("#\x00\x04\xB0", 4));
  const int32_t v = YalplusEngine::sample(2, 0, 215, 0, 4);
  EXPECT_EQ(static_cast<uint8_t>(block[8]), static_cast<uint8_t>(v >> 16));
  EXPECT_EQ(static_cast<uint8_t>(block[10]), static_cast<uint8_t>(v));
  EXPECT_EQ(static_cast<uint8_t>(block[11]), YalplusEngine::status(2, 0, 0));
  // 2-byte samples, big-endian; the block gives what the FIFO holds.
  const std::string two = ask(e, "RMB?80,6409,1");
  ASSERT_EQ(two.size(), 4u + 100u);
  const int32_t w = YalplusEngine::sample(4, 2, 214, 1, 2);
  EXPECT_EQ(static_cast<uint8_t>(two[6]), static_cast<uint8_t>(w >> 8));
  EXPECT_EQ(static_cast<uint8_t>(two[7]), static_cast<uint8_t>(w));
  EXPECT_EQ(ask(e, "OMP?1"), "1,1,50,0,1\r\n");
}

TEST(YalplusEngine, AFifoThatRunsFullStopsAndReportsTheOverflow) {
  corvane_sim::YalplusConfig config;
  config.fifo_capacity = 20;
  YalplusEngine e(config);
  configure(e);
  EXPECT_EQ(ask(e, "EES?1"), "0\r\n");
  e.advance_ms(500.0);
  EXPECT_EQ(ask(e, "OMP?0"), "0,0,50,20,0\r\n");
  EXPECT_EQ(ask(e, "EES?1"), "16007,0\r\n");
  EXPECT_EQ(ask(e, "RMB?50,6409").size(), 4u + 20u * 12u);
}

}  // namespace
