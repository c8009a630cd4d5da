// Faults on demand: each kind changes the reply bytes as documented, applies to matching lines
// only, runs out after its count, and (refusal, no answer) keeps the command from taking effect.
#include <gtest/gtest.h>

#include <string>

#include "block_reader.h"
#include "corvane_sim/engine.h"

namespace corvane_sim {
namespace {

Fault make(FaultKind kind, std::string match, int count = 1) {
  Fault f;
  f.kind = kind;
  f.match = std::move(match);
  f.count = count;
  return f;
}

TEST(Faults, NoAnswerSwallowsTheCommand) {
  Engine e;
  e.inject(make(FaultKind::kNoAnswer, "ACT"));
  Reply r = e.handle_line("ACT0,6200");
  EXPECT_EQ(r.bytes, "");
  EXPECT_EQ(e.channel(0).state, 6203) << "a lost command is not executed";
  EXPECT_EQ(e.process("ACT0,6200"), "0\r\n") << "the fault ran out";
  EXPECT_EQ(e.pending_faults(), 0u);
}

TEST(Faults, RefusalSetsTheGivenError) {
  Engine e;
  Fault f = make(FaultKind::kRefuse, "ASA", 2);
  f.error = kWrongRange;
  e.inject(f);
  EXPECT_EQ(e.process("ASA?0"), "?\r\n");
  EXPECT_EQ(e.process("EST?"), "10013\r\n") << "EST? does not match the fault";
  EXPECT_EQ(e.process("ASA0,351,701"), "?\r\n");
  EXPECT_EQ(e.channel(0).transducer, 350);
  EXPECT_EQ(e.process("ASA0,351,701"), "0\r\n");
}

TEST(Faults, DelayGarbageAndCutLine) {
  Engine e;
  Fault delay = make(FaultKind::kDelay, "EST?");
  delay.delay_ms = 250;
  e.inject(delay);
  Reply r = e.handle_line("EST?");
  EXPECT_EQ(r.delay_ms, 250);
  EXPECT_EQ(r.bytes, "0\r\n");

  Fault garbage = make(FaultKind::kGarbage, "IDN?");
  garbage.garbage = std::string("\x00\xff!", 3);
  e.inject(garbage);
  EXPECT_EQ(e.process("IDN?"), std::string("\x00\xff!", 3));

  Fault cut = make(FaultKind::kCutLine, "IDN?");
  cut.keep_bytes = 7;
  cut.hang_up = true;
  e.inject(cut);
  r = e.handle_line("IDN?");
  EXPECT_EQ(r.bytes, "QBX,Cor");
  EXPECT_TRUE(r.hang_up);
  EXPECT_EQ(e.process("IDN?"), "QBX,Corvane,47110,P2.10\r\n");
}

TEST(Faults, ShortAndCorruptBlocks) {
  EngineConfig config;
  config.virtual_clock = true;
  Engine e(config);
  ASSERT_EQ(e.process("ACT100,0"), "0\r\n");
  ASSERT_EQ(e.process("ACT0,1"), "0\r\n");
  ASSERT_EQ(e.process("ACT1,1"), "0\r\n");
  e.set_source(0, SignalSource::raw(0x0102));
  e.set_source(1, SignalSource::raw(0x0304));
  std::string whole = e.process("OMB?0");
  ASSERT_EQ(whole, std::string("#0\x02\x01\x04\x03\r\n", 8));

  Fault shortened = make(FaultKind::kShortBlock, "OMB?");
  shortened.drop_bytes = 2;
  e.inject(shortened);
  EXPECT_EQ(e.process("OMB?0"), std::string("#0\x02\x01\r\n", 6)) << "lead-in and trailer stay";

  Fault corrupt = make(FaultKind::kCorruptBlock, "OMB?");
  corrupt.offset = 3;
  corrupt.xor_mask = 0x80;
  e.inject(corrupt);
  EXPECT_EQ(e.process("OMB?0"), std::string("#0\x02\x81\x04\x03\r\n", 8));

  Fault cut = make(FaultKind::kCutLine, "OMB?");
  cut.keep_bytes = 5;
  e.inject(cut);
  EXPECT_EQ(e.process("OMB?0"), std::string("#0\x02\x01\x04", 5));
  EXPECT_EQ(e.process("OMB?0"), whole);
}

TEST(Faults, PersistentFaultUntilCleared) {
  Engine e;
  e.inject(make(FaultKind::kNoAnswer, "MSV?", 0));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(e.process("MSV?"), "");
  EXPECT_EQ(e.process("EST?"), "0\r\n");
  EXPECT_EQ(e.pending_faults(), 1u);
  e.clear_faults();
  EXPECT_EQ(e.process("MSV?"), "0,0,0\r\n");
}

TEST(Faults, FirstMatchingFaultApplies) {
  Engine e;
  e.inject(make(FaultKind::kNoAnswer, "ICR?"));
  e.inject(make(FaultKind::kRefuse, ""));
  EXPECT_EQ(e.process("ICR?"), "");
  EXPECT_EQ(e.process("ASF?"), "?\r\n");
  EXPECT_EQ(e.process("ASF?"), "140,971\r\n");
}

}  // namespace
}  // namespace corvane_sim
