// IO buffers: allocation and its failures, the copies in and out with their bounds, the
// statistics, and storage into a real channel database read back from the file.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "kernel_fixture.h"
#include "storix32.h"
#include "testkit/temp_dir.h"

using kernel_test::CountingPlatform;
using kernel_test::KernelTest;

namespace {

constexpr double kUntouched = -999.0;

void fill(int32_t channel, const std::vector<double>& values) {
  ASSERT_EQ(QBX_ACQSetIOBufBin(channel, static_cast<int32_t>(values.size()), values.data()), 0);
}

}  // namespace

using IoBufferTest = KernelTest;

TEST_F(IoBufferTest, ChannelNumbersAreSixteenBitsThenChecked) {
  EXPECT_EQ(QBX_ACQAllocIOBuf(0, 4, 0), kAcqBadChannel);
  EXPECT_EQ(QBX_ACQAllocIOBuf(10001, 4, 0), kAcqBadChannel);
  EXPECT_EQ(QBX_ACQAllocIOBuf(-1, 4, 0), kAcqBadChannel);
  EXPECT_EQ(QBX_ACQAllocIOBuf(65536 + 3, 4, 9), 0);  // the low 16 bits name channel 3
  EXPECT_EQ(+tallix::buffer(3).capacity, 4);
  EXPECT_EQ(+tallix::buffer(3).tag, 9);
  EXPECT_EQ(QBX_ACQGetIOBufCurrLen(10001), kAcqBadChannel);
  EXPECT_EQ(QBX_CBAllocateBuffer(40000, 4), kAcqBadChannel);  // 40000 is negative in 16 bits
}

TEST_F(IoBufferTest, BuffersMustBeAllocated) {
  double v[4];
  int32_t index = 0;
  EXPECT_EQ(QBX_ACQGetIOBuf(8, 0, 1, v), kAcqNotAllocated);
  EXPECT_EQ(QBX_ACQSetIOBuf(8, 0, 1, v), kAcqNotAllocated);
  EXPECT_EQ(QBX_ACQSetIOBufBin(8, 1, v), kAcqNotAllocated);
  EXPECT_EQ(QBX_ACQGetIOBufBin(8, v), kAcqNotAllocated);
  EXPECT_EQ(QBX_ACQGetIOBufMin(8, v, &index), kAcqNotAllocated);
  EXPECT_EQ(QBX_ACQGetIOBufStatus(8), kAcqNotAllocated);
  EXPECT_EQ(QBX_ACQSetIOBufCurrLen(8, 0), kAcqNotAllocated);
  EXPECT_EQ(QBX_ACQFreeIOBuf(8), 0);
  EXPECT_EQ(QBX_ACQGetIOBufCurrLen(8), 0);
  EXPECT_EQ(QBX_CBFetch(8, v, 0, 1), kAcqNotAllocated);
}

TEST_F(IoBufferTest, AllocationFailuresLeaveNoBuffer) {
  CountingPlatform counting;
  tallix::set_platform(&counting);
  ASSERT_EQ(QBX_ACQAllocIOBuf(5, 8, 1), 0);
  EXPECT_EQ(QBX_ACQAllocIOBuf(5, 0, 1), kAcqOutOfMemory);  // nothing changed
  EXPECT_EQ(+tallix::buffer(5).capacity, 8);
  counting.fail_at = counting.allocations + 1;
  EXPECT_EQ(QBX_ACQAllocIOBuf(5, 16, 1), kAcqOutOfMemory);
  EXPECT_EQ(+tallix::buffer(5).values, nullptr);
  EXPECT_EQ(+tallix::buffer(5).capacity, 0);
  EXPECT_EQ(counting.live, 0);
  counting.fail_at = counting.allocations + 1;
  EXPECT_EQ(QBX_CBAllocateBuffer(5, 16), kAcqOutOfMemory);
  EXPECT_EQ(+tallix::buffer(5).ring_allocated, 0);
  tallix::set_platform(nullptr);
}

TEST_F(IoBufferTest, GetCutsTheCountToTheValuesPresent) {
  ASSERT_EQ(QBX_ACQAllocIOBuf(2, 20, 0), 0);
  fill(2, {0, 1, 2, 3, 4, 5, 6, 7});
  std::vector<double> dst(10, kUntouched);
  EXPECT_EQ(QBX_ACQGetIOBuf(2, 5, 100, dst.data()), 0);
  EXPECT_EQ(dst, (std::vector<double>{5, 6, 7, kUntouched, kUntouched, kUntouched, kUntouched, kUntouched,
                                      kUntouched, kUntouched}));
  EXPECT_EQ(QBX_ACQGetIOBuf(2, 8, 1, dst.data()), kAcqBadIndex);
  EXPECT_EQ(QBX_ACQGetIOBuf(2, -3, 1, dst.data()), kAcqBadIndex);
  EXPECT_EQ(QBX_ACQGetIOBuf(2, 0, -1, dst.data()), kAcqBadIndex);
  dst.assign(10, kUntouched);
  EXPECT_EQ(QBX_ACQGetIOBuf(2, 6, 0, dst.data()), 0);  // count 0: to the current length
  EXPECT_EQ(dst[1], 7);
  EXPECT_EQ(dst[2], kUntouched);
  EXPECT_EQ(QBX_ACQGetIOBuf(2, -2, 0, dst.data()), 0);
  EXPECT_EQ(dst[0], 7);
  EXPECT_EQ(QBX_ACQGetIOBuf(2, 0, 1, nullptr), kAcqBadArgument);
}

// Index -1: the value a formula is computing, at block start + the current formula row.
TEST_F(IoBufferTest, FormulaRowValue) {
  ASSERT_EQ(QBX_ACQAllocIOBuf(2, 20, 0), 0);
  fill(2, {0, 1, 2, 3, 4, 5});
  tallix::buffer(2).block_start = 2;
  tallix::kernel().formula_row = 3;
  double v = kUntouched;
  EXPECT_EQ(QBX_ACQGetIOBuf(2, -1, 1, &v), 0);
  EXPECT_EQ(v, 5);
  tallix::kernel().formula_row = 4;
  v = kUntouched;
  EXPECT_EQ(QBX_ACQGetIOBuf(2, -1, 1, &v), -1);
  EXPECT_EQ(v, kUntouched);
  QBX_ACQSetIOBufBin(2, 0, nullptr);
  EXPECT_EQ(QBX_ACQGetIOBuf(2, -2, 1, &v), kAcqBadIndex);
}

TEST_F(IoBufferTest, SetExtendsTheLengthOnlyBeyondIt) {
  ASSERT_EQ(QBX_ACQAllocIOBuf(4, 10, 0), 0);
  fill(4, {1, 2, 3, 4, 5, 6});
  const double two[] = {20, 30};
  EXPECT_EQ(QBX_ACQSetIOBuf(4, 1, 2, two), 0);
  EXPECT_EQ(QBX_ACQGetIOBufCurrLen(4), 6);
  EXPECT_EQ(QBX_ACQSetIOBuf(4, 7, 2, two), 0);
  EXPECT_EQ(QBX_ACQGetIOBufCurrLen(4), 9);
  EXPECT_EQ(QBX_ACQSetIOBuf(4, 9, 2, two), kAcqDoesNotFit);
  EXPECT_EQ(QBX_ACQSetIOBuf(4, -1, 2, two), kAcqDoesNotFit);
  EXPECT_EQ(QBX_ACQSetIOBuf(4, 2147483647, 2, two), kAcqDoesNotFit);
  std::vector<double> all(9);
  ASSERT_EQ(QBX_ACQGetIOBufBin(4, all.data()), 0);
  EXPECT_EQ(all, (std::vector<double>{1, 20, 30, 4, 5, 6, 0, 20, 30}));
  EXPECT_EQ(QBX_ACQSetIOBufBin(4, 11, all.data()), kAcqDoesNotFit);
  EXPECT_EQ(QBX_ACQSetIOBufBin(4, -1, all.data()), kAcqDoesNotFit);
}

TEST_F(IoBufferTest, CurrentLengthAlsoSetsTheReadBlockCount) {
  ASSERT_EQ(QBX_ACQAllocIOBuf(6, 10, 0), 0);
  EXPECT_EQ(QBX_ACQSetIOBufCurrLen(6, 7), 0);
  EXPECT_EQ(tallix::header(6).read_block_count, 7);
  EXPECT_EQ(QBX_ACQSetIOBufCurrLen(6, 11), kAcqDoesNotFit);
  EXPECT_EQ(QBX_ACQSetIOBufCurrLen(6, 65536 + 3), 0);  // 16-bit length
  EXPECT_EQ(QBX_ACQGetIOBufCurrLen(6), 3);
  EXPECT_EQ(QBX_ACQSetIOBufCurrLen(6, 65535), kAcqDoesNotFit);  // -1
  tallix::buffer(6).block_start = 2;
  tallix::buffer(6).write_offset = 2;
  EXPECT_EQ(QBX_ACQResetIOBuf(6), 0);
  EXPECT_EQ(+tallix::buffer(6).current_length + tallix::buffer(6).block_start + tallix::buffer(6).write_offset, 0);
  EXPECT_EQ(+tallix::buffer(6).capacity, 10);
}

// Interleaved source: element j * n + i belongs to channel i; a channel that does not fit stops
// the call with the channels before it written.
TEST_F(IoBufferTest, SetExDeinterleaves) {
  ASSERT_EQ(QBX_ACQAllocIOBuf(1, 4, 0), 0);
  ASSERT_EQ(QBX_ACQAllocIOBuf(2, 2, 0), 0);
  const int32_t channels[] = {1, 2};
  const double source[] = {10, 20, 11, 21, 12, 22};
  int32_t counts[] = {3, 2};
  EXPECT_EQ(QBX_ACQSetIOBufEx(2, channels, counts, source, 0), 0);
  std::vector<double> v(3);
  QBX_ACQGetIOBufBin(1, v.data());
  EXPECT_EQ(v, (std::vector<double>{10, 11, 12}));
  QBX_ACQGetIOBufBin(2, v.data());
  EXPECT_EQ(v[0], 20);
  EXPECT_EQ(v[1], 21);
  EXPECT_EQ(QBX_ACQGetIOBufCurrLen(2), 2);
  // Channel 2 holds 2 values already: 2 more do not fit, channel 1 (reset) is written.
  QBX_ACQResetIOBuf(1);
  counts[0] = 1;
  EXPECT_EQ(QBX_ACQSetIOBufEx(2, channels, counts, source, 0), kAcqDoesNotFit);
  EXPECT_EQ(QBX_ACQGetIOBufCurrLen(1), 1);
  // With a start, j runs from start to count - 1 and lands at start + j.
  QBX_ACQResetIOBuf(1);
  const int32_t one[] = {1};
  const int32_t three[] = {3};
  const double plain[] = {0, 1, 2, 3};
  EXPECT_EQ(QBX_ACQSetIOBufEx(1, one, three, plain, 1), 0);
  EXPECT_EQ(QBX_ACQGetIOBufCurrLen(1), 4);
  double at[2];
  QBX_ACQGetIOBuf(1, 2, 2, at);
  EXPECT_EQ(at[0], 1);
  EXPECT_EQ(at[1], 2);
  const int32_t wrong[] = {10001};
  EXPECT_EQ(QBX_ACQSetIOBufEx(1, wrong, three, plain, 0), kAcqBadChannel);
  const int32_t wide[] = {65536 + 1};  // 32-bit list entries are checked whole
  EXPECT_EQ(QBX_ACQSetIOBufEx(1, wide, three, plain, 0), kAcqBadChannel);
}

TEST_F(IoBufferTest, Statistics) {
  ASSERT_EQ(QBX_ACQAllocIOBuf(9, 10, 0), 0);
  double value = 0, deviation = 0;
  int32_t index = -1;
  EXPECT_EQ(QBX_ACQGetIOBufMin(9, &value, &index), kAcqBadIndex);
  EXPECT_EQ(QBX_ACQGetIOBufMax(9, &value, &index), kAcqBadIndex);
  EXPECT_EQ(QBX_ACQGetIOBufMean(9, &value, &deviation), kAcqBadIndex);
  fill(9, {3, -1, 7, -1, 7, 2});
  EXPECT_EQ(QBX_ACQGetIOBufMin(9, &value, &index), 0);
  EXPECT_EQ(value, -1);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(QBX_ACQGetIOBufMax(9, &value, &index), 0);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(QBX_ACQGetIOBufMean(9, &value, &deviation), 0);
  EXPECT_DOUBLE_EQ(value, 17.0 / 6.0);
  // Sample standard deviation (divisor n - 1), from its definition and as a number.
  double m = 17.0 / 6.0, ss = 0;
  for (double x : {3.0, -1.0, 7.0, -1.0, 7.0, 2.0}) ss += (x - m) * (x - m);
  EXPECT_NEAR(deviation, std::sqrt(ss / 5.0), 1e-12);
  EXPECT_NEAR(deviation, 3.600925806881706, 1e-12);
  fill(9, {4.5});
  EXPECT_EQ(QBX_ACQGetIOBufMean(9, &value, &deviation), 0);
  EXPECT_EQ(value, 4.5);
  EXPECT_TRUE(std::isnan(deviation));
  tallix::buffer(9).status = 16;
  EXPECT_EQ(QBX_ACQGetIOBufStatus(9), 16);
}

class StoreTest : public KernelTest {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    const std::string file = dir_.path() + "/store.db";
    ASSERT_EQ(QBX_CreateDatabase(0, nullptr, 20), 0);
    ASSERT_EQ(QBX_CreateDatabase(1, file.c_str(), 0), 0);
    QBX_ACQSetMessageHandler([](const char* caption, const char* text) {
      messages() += std::string(caption) + "|" + text + "\n";
    });
    messages().clear();
  }
  void TearDown() override {
    QBX_RemoveDatabase(1);
    QBX_ACQSetMessageHandler(nullptr);
    KernelTest::TearDown();
  }
  static std::string& messages() {
    static std::string m;
    return m;
  }
  static std::vector<double> database(int32_t channel) {
    const int32_t n = QBX_GetDatabaseChanCurrLen(channel);
    std::vector<double> v(static_cast<size_t>(n > 0 ? n : 0));
    if (n > 0) {
      EXPECT_EQ(QBX_ReadFromDatabase(channel, 1, n, v.data()), 0);
    }
    return v;
  }
  testkit::TempDir dir_;
};

TEST_F(StoreTest, StoresTheBlockFromBlockStart) {
  ASSERT_EQ(QBX_ACQAllocIOBuf(3, 10, 0), 0);
  fill(3, {1, 2, 3, 4});
  tallix::buffer(3).block_start = 1;
  EXPECT_EQ(QBX_ACQStoreIOBuf(3, 0), 0);  // database channel 0: the same number
  EXPECT_EQ(database(3), (std::vector<double>{2, 3, 4, 0}));
  tallix::buffer(3).block_start = 0;
  EXPECT_EQ(QBX_ACQStoreIOBuf(3, 65536 + 7), 0);
  EXPECT_EQ(database(7), (std::vector<double>{1, 2, 3, 4}));
  tallix::buffer(3).block_start = 8;  // the block would run past the buffer
  EXPECT_EQ(QBX_ACQStoreIOBuf(3, 0), kAcqDoesNotFit);
  tallix::buffer(3).block_start = 0;
  EXPECT_EQ(QBX_ACQStoreIOBuf(3, 99), kDbBadChannel);  // the database's status comes back
}

TEST_F(StoreTest, StoresSingleValues) {
  ASSERT_EQ(QBX_ACQAllocIOBuf(3, 10, 0), 0);
  EXPECT_EQ(QBX_ACQStoreIOBufSingle(3, 0, 1), 0);  // empty: nothing stored
  EXPECT_TRUE(database(3).empty());
  fill(3, {10, 20, 30});
  EXPECT_EQ(QBX_ACQStoreIOBufSingle(3, 0, 0), 0);
  EXPECT_EQ(QBX_ACQStoreIOBufSingle(3, 0, 2), 0);
  EXPECT_EQ(QBX_ACQStoreIOBufSingle(3, 0, 4), 0);
  EXPECT_EQ(QBX_ACQStoreIOBufSingle(3, 0, -5), 0);
  EXPECT_EQ(database(3), (std::vector<double>{30, 20, 30, 30}));
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ(QBX_ACQStoreIOBufSingle(7, 0, 1), kAcqNotAllocated);
  EXPECT_EQ(messages(), "|ACQStore error: I/O buffer not allocated for channel 7\n");
}
