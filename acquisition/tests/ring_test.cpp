// Circular buffers: the ring update after a read and QBX_CBFetch, against the documented cases and
// against a plain model that keeps every value ever fed (the ring must return exactly the values
// with the running numbers asked for, whatever the block sizes).
#include <random>
#include <vector>

#include "kernel_fixture.h"
#include "ring_buffer.h"

using kernel_test::KernelTest;

namespace {

constexpr int32_t kChannel = 12;
constexpr int32_t kIoCapacity = 64;

class RingTest : public KernelTest {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    ASSERT_EQ(QBX_ACQAllocIOBuf(kChannel, kIoCapacity, 0), 0);
  }
  // Puts a block of `count` values with running numbers next_.. into the IO buffer and runs the
  // ring update, as a read does.
  int32_t feed(int32_t count) {
    std::vector<double> block;
    for (int32_t i = 0; i < count; ++i) block.push_back(static_cast<double>(next_++));
    EXPECT_EQ(QBX_ACQSetIOBufBin(kChannel, count, block.data()), 0);
    tallix::header(kChannel).read_block_count = count;
    return tallix::ring_update(kChannel);
  }
  std::vector<double> fetch(double first, int32_t count, int32_t* result) {
    std::vector<double> out(static_cast<size_t>(count > 0 ? count : 0) + 1, -1.0);
    *result = QBX_CBFetch(kChannel, out.data(), first, count);
    out.resize(*result > 0 ? static_cast<size_t>(*result) : 0);
    return out;
  }
  int64_t next_ = 0;
};

std::vector<double> numbers(int64_t from, int64_t to) {
  std::vector<double> v;
  for (int64_t k = from; k <= to; ++k) v.push_back(static_cast<double>(k));
  return v;
}

}  // namespace

TEST_F(RingTest, TenFedFourFourFour) {
  ASSERT_EQ(QBX_CBAllocateBuffer(kChannel, 10), 0);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(feed(4), 0);
  const IOBuf& b = tallix::buffer(kChannel);
  EXPECT_EQ(+b.ring_write_pos, 2);
  EXPECT_EQ(+b.ring_wrapped, 1);
  double oldest = 0, total = 0;
  ASSERT_EQ(QBX_CBGetCounters(kChannel, &oldest, &total), 0);
  EXPECT_EQ(oldest, 2);
  EXPECT_EQ(total, 12);
  int32_t r = 0;
  EXPECT_EQ(fetch(0, 10, &r), numbers(2, 11));
  EXPECT_EQ(r, 10);
  // Beyond the total: only what exists; below the oldest: from the oldest.
  EXPECT_EQ(fetch(9, 10, &r), numbers(9, 11));
  EXPECT_EQ(fetch(1, 3, &r), numbers(2, 4));
  EXPECT_EQ(fetch(12, 1, &r), std::vector<double>{});
  EXPECT_EQ(r, -1);
  EXPECT_EQ(fetch(5, 0, &r), std::vector<double>{});
  EXPECT_EQ(r, -1);
}

TEST_F(RingTest, BlocksThatFillTheRingExactly) {
  ASSERT_EQ(QBX_CBAllocateBuffer(kChannel, 10), 0);
  ASSERT_EQ(feed(5), 0);
  ASSERT_EQ(feed(5), 0);
  int32_t r = 0;
  EXPECT_EQ(fetch(0, 10, &r), numbers(0, 9));
  ASSERT_EQ(feed(10), 0);
  EXPECT_EQ(fetch(0, 20, &r), numbers(10, 19));
  ASSERT_EQ(feed(3), 0);
  EXPECT_EQ(fetch(0, 20, &r), numbers(13, 22));
}

// A block longer than the ring keeps its last ring-capacity values; the counters count them all.
TEST_F(RingTest, BlockLongerThanTheRing) {
  ASSERT_EQ(QBX_CBAllocateBuffer(kChannel, 10), 0);
  ASSERT_EQ(feed(3), 0);
  ASSERT_EQ(feed(25), 0);
  double oldest = 0, total = 0;
  QBX_CBGetCounters(kChannel, &oldest, &total);
  EXPECT_EQ(total, 28);
  EXPECT_EQ(oldest, 18);
  int32_t r = 0;
  EXPECT_EQ(fetch(0, 100, &r), numbers(18, 27));
  ASSERT_EQ(feed(4), 0);
  EXPECT_EQ(fetch(0, 100, &r), numbers(22, 31));
}

TEST_F(RingTest, ChannelsWithoutRingOrBlock) {
  EXPECT_EQ(feed(4), 0);  // no ring: nothing happens
  ASSERT_EQ(QBX_CBAllocateBuffer(kChannel, 10), 0);
  EXPECT_EQ(feed(0), 0);
  EXPECT_EQ(+tallix::buffer(kChannel).total, 0u);
  tallix::header(kChannel).read_block_count = kIoCapacity + 1;
  EXPECT_EQ(tallix::ring_update(kChannel), kAcqDoesNotFit);
  EXPECT_EQ(+tallix::buffer(kChannel).total, 0u);
  // Marked allocated without memory: -412, nothing changes.
  double* ring = tallix::buffer(kChannel).ring;
  tallix::buffer(kChannel).ring = nullptr;
  EXPECT_EQ(feed(2), kAcqNotAllocated);
  EXPECT_EQ(+tallix::buffer(kChannel).total, 0u);
  tallix::buffer(kChannel).ring = ring;
  ASSERT_EQ(feed(2), 0);
  EXPECT_EQ(QBX_CBResetBuffer(kChannel), 0);
  double oldest = 1, total = 1;
  QBX_CBGetCounters(kChannel, &oldest, &total);
  EXPECT_EQ(oldest + total, 0);
  EXPECT_EQ(QBX_CBFreeBuffer(kChannel), 0);
  EXPECT_EQ(+tallix::buffer(kChannel).ring_allocated, 0);
  int32_t r = 0;
  fetch(0, 1, &r);
  EXPECT_EQ(r, kAcqNotAllocated);
}

// Random block sizes (some longer than the ring) and random fetches against a model that keeps
// every value: a fetch must return the values with exactly the running numbers asked for.
TEST_F(RingTest, MatchesAModelOfEveryValue) {
  std::mt19937 random(20261209);
  for (int32_t capacity : {1, 7, 10, 33}) {
    ASSERT_EQ(QBX_CBAllocateBuffer(kChannel, capacity), 0);
    next_ = 0;
    for (int step = 0; step < 300; ++step) {
      ASSERT_EQ(feed(static_cast<int32_t>(random() % 50)), 0);
      const int64_t total = next_;
      const int64_t oldest = total > capacity ? total - capacity : 0;
      double o = 0, t = 0;
      QBX_CBGetCounters(kChannel, &o, &t);
      ASSERT_EQ(o, static_cast<double>(oldest));
      ASSERT_EQ(t, static_cast<double>(total));
      const double first = static_cast<double>(random() % static_cast<uint32_t>(total + 3)) - 1.0;
      const int32_t count = static_cast<int32_t>(random() % static_cast<uint32_t>(capacity + 3));
      int32_t r = 0;
      std::vector<double> got = fetch(first, count, &r);
      const int64_t from = first < static_cast<double>(oldest) ? oldest : static_cast<int64_t>(first);
      const int64_t to = std::min<int64_t>(from + count, total) - 1;
      if (to < from) {
        ASSERT_EQ(r, -1) << capacity << " " << step;
      } else {
        ASSERT_EQ(got, numbers(from, to)) << capacity << " " << step << " first " << first << " count " << count;
      }
    }
  }
}
