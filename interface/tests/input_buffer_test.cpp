// The receive buffer shared by the port kinds, against a scripted source on the platform's fake
// clock: what a terminated read keeps for the next one, how much a counted read takes from the
// source, and how the time-out counts per chunk or for the whole read.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "input_buffer.h"
#include "platform.h"

namespace {

// A clock that advances only when the source is read.
class ClockPlatform : public linkar::Platform {
 public:
  uint64_t now_ms = 0;
  uint64_t monotonic_ns() override { return now_ms * 1000000ull; }
};

// Hands out scripted chunks; each read costs step_ms on the clock. An empty chunk means nothing came
// (the wait ran out), a chunk "!" a failure with error 5.
class ScriptedSource : public linkar::ByteSource {
 public:
  ScriptedSource(ClockPlatform& clock, std::deque<std::string> chunks, uint64_t step_ms)
      : clock_(clock), chunks_(std::move(chunks)), step_ms_(step_ms) {}
  long read_some(char* into, size_t room, int32_t wait_ms, int* error) override {
    rooms.push_back(room);
    waits.push_back(wait_ms);
    clock_.now_ms += step_ms_;
    if (chunks_.empty()) return 0;
    std::string chunk = chunks_.front();
    chunks_.pop_front();
    if (chunk == "!") {
      *error = 5;
      return -1;
    }
    if (chunk.size() > room) {  // the rest of a chunk comes with the next read
      chunks_.push_front(chunk.substr(room));
      chunk.resize(room);
    }
    chunk.copy(into, chunk.size());
    return static_cast<long>(chunk.size());
  }
  std::vector<size_t> rooms;
  std::vector<int32_t> waits;

 private:
  ClockPlatform& clock_;
  std::deque<std::string> chunks_;
  uint64_t step_ms_;
};

class InputBufferTest : public ::testing::Test {
 protected:
  void SetUp() override { linkar::set_platform(&clock_); }
  void TearDown() override { linkar::set_platform(nullptr); }
  ClockPlatform clock_;
};

using linkar::CountedFill;
using linkar::TakeResult;
using linkar::TimeoutScope;

TEST_F(InputBufferTest, TerminatedTakeKeepsWhatFollowsForTheNextRead) {
  linkar::InputBuffer input(64);
  ScriptedSource source(clock_, {"0\r\n12", "34\n"}, 1);
  char out[32];
  TakeResult got = input.take_until(source, out, 31, '\n', 1000, TimeoutScope::kWholeRead);
  EXPECT_EQ(got.outcome, TakeResult::kDone);
  EXPECT_EQ(std::string(out), "0\r\n");
  EXPECT_EQ(got.stored, 3);
  EXPECT_EQ(input.buffered(), 2u);
  // The kept bytes come first; the source is asked only for what is missing.
  got = input.take_until(source, out, 31, '\n', 1000, TimeoutScope::kWholeRead);
  EXPECT_EQ(std::string(out), "1234\n");
  EXPECT_EQ(source.rooms.size(), 2u);
  // A counted take after a terminated one starts with the kept bytes as well.
  ScriptedSource more(clock_, {"AB\nCD"}, 1);
  input.take_until(more, out, 31, '\n', 1000, TimeoutScope::kWholeRead);
  got = input.take(more, out, 2, 1000, TimeoutScope::kWholeRead, CountedFill::kOnlyCount);
  EXPECT_EQ(got.outcome, TakeResult::kDone);
  EXPECT_EQ(std::string(out, 2), "CD");
  EXPECT_EQ(more.rooms.size(), 1u);
  // Discarding drops what is kept.
  ScriptedSource last(clock_, {"x\ny"}, 1);
  input.take_until(last, out, 31, '\n', 1000, TimeoutScope::kWholeRead);
  input.discard();
  EXPECT_EQ(input.buffered(), 0u);
}

TEST_F(InputBufferTest, TerminatedTakeStopsAtTheCountAndTerminatesTheText) {
  linkar::InputBuffer input(64);
  ScriptedSource source(clock_, {"ABCDEFG\n"}, 1);
  char out[5];
  const TakeResult got = input.take_until(source, out, 4, '\n', 1000, TimeoutScope::kWholeRead);
  EXPECT_EQ(got.outcome, TakeResult::kDone);
  EXPECT_EQ(std::string(out), "ABCD");
  EXPECT_EQ(input.buffered(), 4u);
}

TEST_F(InputBufferTest, CountedTakeTakesOnlyTheCountOrWholeChunks) {
  char out[16];
  {
    // A line: nothing beyond the count leaves the source.
    linkar::InputBuffer input(64);
    ScriptedSource source(clock_, {"ABCDEFGH"}, 1);
    const TakeResult got = input.take(source, out, 5, 1000, TimeoutScope::kWholeRead, CountedFill::kOnlyCount);
    EXPECT_EQ(got.outcome, TakeResult::kDone);
    EXPECT_EQ(std::string(out, 5), "ABCDE");
    ASSERT_EQ(source.rooms.size(), 1u);
    EXPECT_EQ(source.rooms[0], 5u);
    EXPECT_EQ(input.buffered(), 0u);
  }
  {
    // A pipe: whole packets, the surplus kept for the next read.
    linkar::InputBuffer input(64);
    ScriptedSource source(clock_, {"ABCDEFGH"}, 1);
    const TakeResult got = input.take(source, out, 5, 1000, TimeoutScope::kWholeRead, CountedFill::kWholeChunk);
    EXPECT_EQ(got.outcome, TakeResult::kDone);
    EXPECT_EQ(std::string(out, 5), "ABCDE");
    EXPECT_EQ(source.rooms[0], 64u);
    EXPECT_EQ(input.buffered(), 3u);
  }
}

TEST_F(InputBufferTest, TheTimeOutCountsPerChunkOrForTheWholeRead) {
  // Five bytes, one every 60 ms, with a time-out of 100 ms.
  const std::deque<std::string> trickle{"1", "2", "3", "4", "5\n"};
  char out[16];
  {
    linkar::InputBuffer input(64);
    ScriptedSource source(clock_, trickle, 60);
    const TakeResult got = input.take_until(source, out, 15, '\n', 100, TimeoutScope::kPerChunk);
    EXPECT_EQ(got.outcome, TakeResult::kDone);
    EXPECT_EQ(std::string(out), "12345\n");
    // Each chunk is waited for with the whole time-out.
    for (int32_t wait : source.waits) EXPECT_EQ(wait, 100);
  }
  {
    linkar::InputBuffer input(64);
    ScriptedSource source(clock_, trickle, 60);
    const TakeResult got = input.take_until(source, out, 15, '\n', 100, TimeoutScope::kWholeRead);
    EXPECT_EQ(got.outcome, TakeResult::kTimedOut);
    EXPECT_EQ(std::string(out), "12");
    EXPECT_EQ(got.stored, 2);
    // The second wait gets what is left of the 100 ms.
    ASSERT_GE(source.waits.size(), 2u);
    EXPECT_EQ(source.waits[1], 40);
  }
  {
    // A counted read on the whole-read clock ends with what came so far.
    linkar::InputBuffer input(64);
    ScriptedSource source(clock_, trickle, 60);
    const TakeResult got = input.take(source, out, 5, 100, TimeoutScope::kWholeRead, CountedFill::kOnlyCount);
    EXPECT_EQ(got.outcome, TakeResult::kTimedOut);
    EXPECT_EQ(got.stored, 2);
  }
}

TEST_F(InputBufferTest, ASourceFailureEndsTheReadWithItsError) {
  linkar::InputBuffer input(64);
  ScriptedSource source(clock_, {"AB", "!"}, 1);
  char out[16];
  const TakeResult got = input.take_until(source, out, 15, '\n', 1000, TimeoutScope::kPerChunk);
  EXPECT_EQ(got.outcome, TakeResult::kFailed);
  EXPECT_EQ(got.error, 5);
  EXPECT_EQ(got.stored, 2);
  EXPECT_EQ(std::string(out), "AB");
}

TEST_F(InputBufferTest, ResizingKeepsBufferedBytes) {
  linkar::InputBuffer input(64);
  ScriptedSource source(clock_, {"A\nBCDEFGHIJ"}, 1);
  char out[16];
  input.take_until(source, out, 15, '\n', 1000, TimeoutScope::kWholeRead);
  input.resize(4);  // smaller than what is kept: the buffer keeps room for it
  EXPECT_EQ(input.capacity(), 9u);
  const TakeResult got = input.take(source, out, 9, 1000, TimeoutScope::kWholeRead, CountedFill::kOnlyCount);
  EXPECT_EQ(got.outcome, TakeResult::kDone);
  EXPECT_EQ(std::string(out, 9), "BCDEFGHIJ");
}

}  // namespace
