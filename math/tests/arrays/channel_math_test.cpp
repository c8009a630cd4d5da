// Database channel math on a real database file: arithmetic into a target channel, searching, removing
// and inserting rows, tolerance checks and array copies, with the results read back from the file's
// bytes where the operation writes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "numera32_arrays.h"
#include "numera32_evaluate.h"
#include "storix32.h"
#include "testkit/temp_dir.h"

namespace {

constexpr int32_t kChannels = 8;
constexpr int32_t kMaxLength = 30000;
constexpr double kFailed = NUMERA32_FORMULA_FAILED_VALUE;

class ChannelMath : public ::testing::Test {
 protected:
  void SetUp() override {
    EraseAllArrays();
    path_ = dir_.file("math.db");
    ASSERT_EQ(QBX_CreateDatabase(0, nullptr, kChannels), 0);
    for (int32_t c = 1; c <= kChannels; ++c) {
      DbChannelHeader h{};
      ASSERT_EQ(QBX_GetDatabaseChanConfig(c, &h), 0);
      h.max_length = kMaxLength;
      ASSERT_EQ(QBX_SetDatabaseChanConfig(c, &h), 0);
    }
    ASSERT_EQ(QBX_CreateDatabase(1, path_.c_str(), 0), 0);
  }
  void TearDown() override { QBX_RemoveDatabase(0); }

  void put(int32_t channel, const std::vector<double>& v) {
    ASSERT_EQ(QBX_SetDatabaseChanCurrLen(channel, 0), 0);
    const int32_t list[1] = {channel};
    ASSERT_EQ(QBX_WriteToDatabase(1, list, v.data(), -1, static_cast<int32_t>(v.size())), 0);
  }
  // The channel's values as the file holds them (the length from the file's channel header).
  std::vector<double> on_disk(int32_t channel) {
    QBX_RemoveDatabase(0);
    const std::string bytes = testkit::read_file(path_);
    EXPECT_EQ(QBX_CreateDatabase(-1, path_.c_str(), 0), 0);
    int32_t length = 0;
    std::memcpy(&length, bytes.data() + 4 + (channel - 1) * 246, 4);
    std::vector<double> v(static_cast<std::size_t>(length));
    const std::size_t offset = 1000000 + static_cast<std::size_t>(channel - 1) * kMaxLength * 8;
    if (length > 0) std::memcpy(v.data(), bytes.data() + offset, v.size() * 8);
    return v;
  }
  static std::vector<double> ramp(int n, double start = 1.0, double step = 1.0) {
    std::vector<double> v;
    for (int i = 0; i < n; ++i) v.push_back(start + step * i);
    return v;
  }

  testkit::TempDir dir_;
  std::string path_;
};

TEST_F(ChannelMath, QuickMathOverBlocks) {
  std::vector<double> a = ramp(250, -3.0, 0.5);
  std::vector<double> b = ramp(250, 2.0, -0.25);
  b[7] = 0.0;  // divisor zeros
  put(1, a);
  put(2, b);
  const int32_t sources[2] = {1, 2};
  const double c = 1.5;
  struct Op {
    int32_t op;
    double (*f)(double, double, double);
  };
  const Op ops[] = {
      {1, [](double x, double y, double) { return x + y; }},
      {2, [](double x, double y, double) { return x - y; }},
      {3, [](double x, double, double k) { return x + k; }},
      {4, [](double x, double y, double) { return x * y; }},
      {5, [](double x, double, double k) { return x * k; }},
      {6, [](double x, double y, double) { return y == 0 ? kFailed : x / y; }},
      {7, [](double x, double, double) { return x == 0 ? kFailed : 1 / x; }},
      {8, [](double x, double, double) { return std::sqrt(x); }},
  };
  for (const Op& op : ops) {
    SCOPED_TRACE(op.op);
    ASSERT_EQ(DB_QuickMath(op.op, 2, sources, 3, 12345, &c), 0);
    const std::vector<double> got = on_disk(3);
    ASSERT_EQ(got.size(), 250u);
    for (std::size_t r = 0; r < got.size(); ++r) {
      const double want = op.f(a[r], b[r], c);
      if (std::isnan(want)) {
        EXPECT_TRUE(std::isnan(got[r]));
      } else {
        EXPECT_EQ(got[r], want) << r;
      }
    }
  }
  put(3, {});
  ASSERT_EQ(DB_QuickMath(6, 2, sources, 3, 0, nullptr), 0);
  EXPECT_EQ(on_disk(3)[7], kFailed);
  // Unknown operations write nothing; unequal or empty sources fail.
  put(4, {9.0});
  EXPECT_EQ(DB_QuickMath(9, 2, sources, 4, 0, &c), 0);
  EXPECT_EQ(on_disk(4), std::vector<double>{9.0});
  put(2, ramp(249));
  EXPECT_EQ(DB_QuickMath(1, 2, sources, 3, 0, &c), kChannelOpFailed);
  const int32_t empty[2] = {5, 1};
  EXPECT_EQ(DB_QuickMath(3, 1, empty, 3, 0, &c), kChannelOpFailed);
  EXPECT_EQ(DB_QuickMath(1, 1, sources, 3, 0, &c), kChannelOpFailed);  // a second source is needed
  EXPECT_EQ(DB_QuickMath(3, 1, sources, 3, 0, nullptr), kChannelOpFailed);
}

TEST_F(ChannelMath, FindIndexLooksWithinChunksOnly) {
  std::vector<double> y(250, 0.0);
  y[100] = 10.0;  // a jump between rows 100 and 101 crosses a chunk border
  y[150] = 5.0;   // rows 150/151 and 151/152
  put(1, y);
  std::vector<double> x = ramp(250);
  x[160] = x[159];  // equal x: the pair is skipped
  put(2, x);
  const double t = 3.0;
  EXPECT_EQ(DB_FindIndex(2, 1, 0, 0, &t), 101);
  EXPECT_EQ(DB_FindIndex(2, 1, 101, 0, &t), 151);
  EXPECT_EQ(DB_FindIndex(2, 1, 0, 2, &t), 101);   // rows 101/102: within the second chunk
  const double small = 0.5;
  EXPECT_EQ(DB_FindIndex(2, 1, 0, 3, &small), 1);
  EXPECT_EQ(DB_FindIndex(2, 1, 0, 1, &small), 1);
  EXPECT_EQ(DB_FindIndex(2, 1, 101, 2, &t), 150);
  EXPECT_EQ(DB_FindIndex(2, 1, 151, 2, &t), kChannelOpFailed);
  EXPECT_EQ(DB_FindIndex(2, 1, 0, 4, &t), 101);
  // Slope: y = 0.5 x on the x ramp except one steep pair inside a chunk.
  std::vector<double> line = ramp(250, 0.5, 0.5);
  line[40] = 100.0;
  put(3, line);
  EXPECT_EQ(DB_FindIndex(2, 3, 0, 4, &t), 40);
  const double flat = 0.6;
  EXPECT_EQ(DB_FindIndex(2, 3, 45, 5, &flat), 46);
  EXPECT_EQ(DB_FindIndex(2, 3, 0, 6, &t), kChannelOpFailed);
  EXPECT_EQ(DB_FindIndex(2, 5, 0, 0, &t), kChannelOpFailed);  // empty channel
  EXPECT_EQ(DB_FindIndex(5, 3, 0, 4, &t), kChannelOpFailed);
}

TEST_F(ChannelMath, FindIndexPairsCrossingChunkBordersAreNotExamined) {
  // 250 rows from start 0 are chunks of rows 1-100, 101-200, 201-250: 99 + 99 + 49 pairs.
  std::vector<double> y(250, 0.0);
  for (int32_t row : {101, 201}) y[static_cast<std::size_t>(row - 1)] = 1.0;  // jumps at pairs 100/101, 200/201
  put(1, y);
  const double t = 0.5;
  EXPECT_EQ(DB_FindIndex(0, 1, 0, 2, &t), 101);   // pair 101/102, within the second chunk
  EXPECT_EQ(DB_FindIndex(0, 1, 50, 2, &t), 100);  // chunks 51-150: pair 100/101 inside
  for (std::size_t i = 0; i < y.size(); ++i) y[i] = (i >= 100 && i < 200) ? 1.0 : 0.0;  // a step up and down
  put(1, y);  // only the border pairs 100/101 and 200/201 jump
  EXPECT_EQ(DB_FindIndex(0, 1, 0, 2, &t), kChannelOpFailed);
  y[249] = 5.0;  // pair 249/250, the last of the 49 pairs
  put(1, y);
  EXPECT_EQ(DB_FindIndex(0, 1, 0, 2, &t), 249);
}

TEST_F(ChannelMath, ShiftRemovesAndInsertsRows) {
  put(1, ramp(10));
  ASSERT_EQ(ShiftDBChannel(1, 3, 2, -1, 0.0), 0);
  EXPECT_EQ(on_disk(1), (std::vector<double>{1, 2, 5, 6, 7, 8, 9, 10}));
  ASSERT_EQ(ShiftDBChannel(1, 4, 3, 1, 0.5), 0);
  EXPECT_EQ(on_disk(1), (std::vector<double>{1, 2, 5, 0.5, 0.5, 0.5, 6, 7}));
  ASSERT_EQ(ShiftDBChannel(1, 7, 5, 1, -1.0), 0);  // the fill stops at the end
  EXPECT_EQ(on_disk(1), (std::vector<double>{1, 2, 5, 0.5, 0.5, 0.5, -1, -1}));
  ASSERT_EQ(ShiftDBChannel(1, 7, 2, -1, 0.0), 0);  // the last rows
  EXPECT_EQ(on_disk(1).size(), 6u);
  EXPECT_EQ(ShiftDBChannel(1, 6, 2, -1, 0.0), kChannelOpFailed);  // beyond the end
  EXPECT_EQ(ShiftDBChannel(1, 0, 1, -1, 0.0), kChannelOpFailed);
  EXPECT_EQ(ShiftDBChannel(1, 1, 6, 1, 0.0), kChannelOpFailed);   // count up to L-1
  EXPECT_EQ(ShiftDBChannel(1, 7, 1, 1, 0.0), kChannelOpFailed);
  EXPECT_EQ(ShiftDBChannel(5, 1, 1, 1, 0.0), kChannelOpFailed);

  // Channels longer than one move buffer.
  std::vector<double> big = ramp(20000);
  put(2, big);
  ASSERT_EQ(ShiftDBChannel(2, 5, 9000, -1, 0.0), 0);
  std::vector<double> model = big;
  model.erase(model.begin() + 4, model.begin() + 4 + 9000);
  EXPECT_EQ(on_disk(2), model);
  ASSERT_EQ(ShiftDBChannel(2, 100, 8500, 1, 7.0), 0);
  model.insert(model.begin() + 99, 8500, 7.0);
  model.resize(11000);
  EXPECT_EQ(on_disk(2), model);
}

TEST_F(ChannelMath, ToleranceAtAPoint) {
  put(1, {0, 1, 2, 3, 3, 4});
  put(2, {0, 10, 20, 30, 40, 50});
  double extreme = 100.0;
  EXPECT_EQ(CheckTolerance(0, 1, 2, 1.5, &extreme), 1);
  EXPECT_EQ(extreme, 15.0);
  EXPECT_EQ(CheckTolerance(0, 1, 2, 1.75, &extreme), 0);
  EXPECT_EQ(CheckTolerance(1, 1, 2, 1.75, &extreme), 1);
  EXPECT_EQ(extreme, 17.5);
  EXPECT_EQ(CheckTolerance(2, 1, 2, 1.75, &extreme), 0);
  EXPECT_EQ(CheckTolerance(0, 1, 2, 0.0, &extreme), kChannelOpFailed);   // first row
  EXPECT_EQ(CheckTolerance(0, 1, 2, 9.0, &extreme), kChannelOpFailed);   // beyond the data
  EXPECT_EQ(CheckTolerance(1, 1, 2, 3.0, &extreme), 1);  // row 4, x 2..3
  EXPECT_EQ(extreme, 30.0);
  EXPECT_EQ(CheckTolerance(1, 1, 2, 3.5, &extreme), 1);  // row 6, x 3..4, after the equal x
  EXPECT_EQ(extreme, 45.0);
  put(3, {0, 1, 1});
  EXPECT_EQ(CheckTolerance(0, 3, 2, 0.9, &extreme), 1);
  EXPECT_EQ(extreme, 9.0);
  put(4, {0, 2, 2, 3});
  EXPECT_EQ(CheckTolerance(1, 4, 2, 2.5, &extreme), 1);  // first x >= 2.5 is row 4
  EXPECT_EQ(extreme, 25.0);
  EXPECT_EQ(CheckTolerance(1, 1, 2, 1.0, nullptr), kChannelOpFailed);
}

TEST_F(ChannelMath, ToleranceAgainstALimitCurve) {
  put(1, ramp(11, 0.0));           // x 0..10
  put(2, ramp(11, 0.0, 2.0));      // y = 2x
  put(3, {0.5, 2, 3.5, 5, 6, 7, 20});
  put(4, {0, 5, 8, 11, 11, 20, 99});  // limit: above y at x 2 (4 < 5), 3.5 (7 < 8), 5 (10 < 11), 7 (14 < 20)
  double first = 0.0;
  int32_t row = 0;
  EXPECT_EQ(CheckToleranceChan(0, 1, 2, 3, 4, 3, &first, &row), 1);
  EXPECT_EQ(first, 4.0);
  EXPECT_EQ(row, 2);
  EXPECT_EQ(CheckToleranceChan(0, 1, 2, 3, 4, 4, &first, &row), 0);  // x 6 breaks the run
  EXPECT_EQ(CheckToleranceChan(1, 1, 2, 3, 4, 1, &first, &row), 1);
  EXPECT_EQ(row, 1);
  EXPECT_EQ(first, 1.0);
  EXPECT_EQ(CheckToleranceChan(2, 1, 2, 3, 4, 1, &first, &row), kChannelOpFailed);
  put(5, {0.0});  // a limit point at the first measured row cannot be interpolated
  put(6, {1.0});
  EXPECT_EQ(CheckToleranceChan(0, 1, 2, 5, 6, 1, &first, &row), kChannelOpFailed);
}

TEST_F(ChannelMath, ArraysToAndFromChannels) {
  const int32_t size[3] = {7, 0, 0};
  ASSERT_EQ(CreateArray(1, 1, size), 0);
  const double scans[7] = {1, 10, 2, 20, 3, 30, 99};
  ASSERT_EQ(CopyArray2VB(1, 1, const_cast<double*>(scans), 7), 0);
  put(3, {5, 5, 5, 5, 5});
  ASSERT_EQ(CopyArray2DB(1, 0, 3, 2), 0);
  EXPECT_EQ(on_disk(3), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(on_disk(4), (std::vector<double>{10, 20, 30}));
  EXPECT_EQ(CopyArray2DB(1, 0, 1, 8), kArrayZeroParts);
  EXPECT_EQ(CopyArray2DB(1, 0, 1, 17), kArrayIndexRange);
  EXPECT_EQ(CopyArray2DB(1, 0, 1, 0), kArrayIndexRange);
  EXPECT_EQ(CopyArray2DB(1, 0, 8, 2), kDbBadChannel);

  put(5, {-1, -2});
  ASSERT_EQ(CopyArray2DB(1, 1, 5, 1), 0);
  std::vector<double> back(7);
  ASSERT_EQ(CopyArray2VB(1, 0, back.data(), 7), 0);
  EXPECT_EQ(back, (std::vector<double>{-1, -2, 2, 20, 3, 30, 99}));
  put(5, ramp(8));
  EXPECT_EQ(CopyArray2DB(1, 1, 5, 1), kArrayIndexRange);
  EXPECT_EQ(CopyArray2DB(1, 1, 99, 1), kDbBadChannel);

  const int32_t square[3] = {2, 2, 0};
  ASSERT_EQ(CreateArray(2, 2, square), 0);
  EXPECT_EQ(CopyArray2DB(2, 0, 1, 1), kArrayNotOneDim);
  EXPECT_EQ(CopyArray2DB(3, 0, 1, 1), kArrayMissing);
}

}  // namespace
