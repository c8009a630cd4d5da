// Writing and reading numeric channels: appends, explicit positions, interleaved scans, bounds,
// the write cache, and the running extremes with their stale flag.
#include <cmath>
#include <numeric>
#include <random>

#include "db_fixture.h"

using namespace dbtest;

namespace {

std::vector<double> read_all(int32_t channel) {
  int32_t n = QBX_GetDatabaseChanCurrLen(channel);
  std::vector<double> out(static_cast<size_t>(std::max(n, 0)));
  EXPECT_EQ(QBX_ReadFromDatabase(channel, 1, n, out.data()), kDbOk);
  return out;
}

std::vector<double> ramp(int n, double base) {
  std::vector<double> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = base + i;
  return v;
}

}  // namespace

TEST_F(DbTest, AppendsGrowTheLengthAndBoundsAreEnforced) {
  create(3, 1000);
  const int32_t ch = 1;
  auto ten = ramp(10, 0);
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, ten.data(), -1, 10), kDbOk);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(1), 10);
  auto five = ramp(5, 10);
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, five.data(), -1, 5), kDbOk);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(1), 15);
  EXPECT_EQ(QBX_WriteToDatabase(1, &ch, five.data(), 20, 3), kDbWriteBeyondEnd);
  EXPECT_EQ(read_all(1), ramp(15, 0));

  std::vector<double> out(16);
  EXPECT_EQ(QBX_ReadFromDatabase(1, 1, 16, out.data()), kDbReadBeyondEnd);
  EXPECT_EQ(QBX_ReadFromDatabase(1, 0, 1, out.data()), kDbBadPosition);
  EXPECT_EQ(QBX_ReadFromDatabase(1, 1, -1, out.data()), kDbBadPosition);
  EXPECT_EQ(QBX_ReadFromDatabase(4, 1, 1, out.data()), kDbBadChannel);
  EXPECT_EQ(QBX_ReadFromDatabase(0, 1, 1, out.data()), kDbBadChannel);
  ASSERT_EQ(QBX_ReadFromDatabase(1, 15, 1, out.data()), kDbOk);
  EXPECT_EQ(out[0], 14.0);

  // The maximum length is a hard end; a position below -1 is refused.
  std::vector<double> big(986, 1.0);
  EXPECT_EQ(QBX_WriteToDatabase(1, &ch, big.data(), -1, 986), kDbWriteBeyondEnd);
  EXPECT_EQ(QBX_WriteToDatabase(1, &ch, big.data(), -1, 985), kDbOk);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(1), 1000);
  EXPECT_EQ(QBX_WriteToDatabase(1, &ch, big.data(), -2, 1), kDbBadPosition);
  EXPECT_EQ(QBX_WriteToDatabase(1, &ch, big.data(), -1, -1), kDbBadPosition);
  const int32_t bad = 4;
  EXPECT_EQ(QBX_WriteToDatabase(1, &bad, big.data(), -1, 1), kDbBadChannel);
  EXPECT_EQ(QBX_WriteToDatabaseBin(4, 1, big.data(), -1), kDbBadChannel);

  // Overwriting at an explicit position keeps the length.
  const double x[2] = {-7, -8};
  ASSERT_EQ(QBX_WriteToDatabaseBin(1, 2, x, 3), kDbOk);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(1), 1000);
  ASSERT_EQ(QBX_ReadFromDatabase(1, 4, 2, out.data()), kDbOk);
  EXPECT_EQ(out[0], -7.0);
  EXPECT_EQ(out[1], -8.0);
  unsigned char raw[16];
  ASSERT_EQ(QBX_ReadFromDatabaseBin(1, 4, 2, raw), kDbOk);
  EXPECT_EQ(std::memcmp(raw, x, 16), 0);
}

TEST_F(DbTest, NothingIsWrittenWithoutAFile) {
  const int32_t ch = 1;
  double v = 1;
  EXPECT_EQ(QBX_WriteToDatabase(1, &ch, &v, -1, 1), kDbNotOpen);
  EXPECT_EQ(QBX_ReadFromDatabase(1, 1, 1, &v), kDbNotOpen);
  EXPECT_EQ(QBX_WriteToDatabaseBin(1, 1, &v, -1), kDbNotOpen);
  ASSERT_EQ(QBX_CreateDatabase(0, nullptr, 2), kDbOk);
  EXPECT_EQ(QBX_WriteToDatabase(1, &ch, &v, -1, 1), kDbNotOpen);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(3), kDbBadChannel);
  EXPECT_EQ(QBX_GetDatabaseChanMaxLen(2), 2048);
}

TEST_F(DbTest, InterleavedScansAreSplitByChannel) {
  create(3, 1000);
  const int32_t list[2] = {3, 1};
  const double scans[8] = {0.0, 100.0, 0.1, 100.1, 0.2, 100.2, 0.3, 100.3};
  ASSERT_EQ(QBX_WriteToDatabase(2, list, scans, -1, 4), kDbOk);
  EXPECT_EQ(read_all(3), (std::vector<double>{0.0, 0.1, 0.2, 0.3}));
  EXPECT_EQ(read_all(1), (std::vector<double>{100.0, 100.1, 100.2, 100.3}));
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(2), 0);

  // Per-channel counts, and a negative first count standing for all; more than 256 scans go through
  // the heap.
  const int32_t counts[2] = {3, 1};
  ASSERT_EQ(QBX_WriteToDatabaseEx(2, list, counts, scans, -1), kDbOk);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(3), 7);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(1), 5);
  std::vector<double> many(2 * 300);
  for (int k = 0; k < 300; ++k) {
    many[2 * k] = k;
    many[2 * k + 1] = -k;
  }
  const int32_t all[1] = {-300};
  const int32_t pair[2] = {2, 1};
  ASSERT_EQ(QBX_WriteToDatabaseEx(2, pair, all, many.data(), -1), kDbOk);
  auto two = read_all(2);
  ASSERT_EQ(two.size(), 300u);
  EXPECT_EQ(two[299], 299.0);
  EXPECT_EQ(read_all(1).back(), -299.0);

  // One bad channel in the list stops the write before anything is written.
  const int32_t mixed[2] = {2, 9};
  EXPECT_EQ(QBX_WriteToDatabase(2, mixed, scans, -1, 4), kDbBadChannel);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(2), 300);
  // So does one channel that would overflow.
  const int32_t counts2[2] = {1, 800};
  std::vector<double> wide(1600, 0.0);
  EXPECT_EQ(QBX_WriteToDatabaseEx(2, pair, counts2, wide.data(), -1), kDbWriteBeyondEnd);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(2), 300);
}

TEST_F(DbTest, ExtremesFollowWritesAndAreRecomputedWhenStale) {
  create(2, 100);
  const int32_t ch = 1;
  const double v[6] = {5, 2, 9, 2, 9, 4};
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, v, -1, 6), kDbOk);
  double value = 0;
  int32_t pos = -1;
  ASSERT_EQ(QBX_GetDatabaseChanMin(1, &value, &pos), kDbOk);
  EXPECT_EQ(value, 2.0);
  EXPECT_EQ(pos, 1);
  ASSERT_EQ(QBX_GetDatabaseChanMax(1, &value, &pos), kDbOk);
  EXPECT_EQ(value, 9.0);
  EXPECT_EQ(pos, 2);

  // Overwriting the minimum at position 1 makes the stored extremes stale; the recompute reads the file.
  const double over[1] = {7};
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, over, 1, 1), kDbOk);
  DbChannelHeader h;
  ASSERT_EQ(QBX_GetDatabaseChanConfig(1, &h), kDbOk);
  EXPECT_EQ(h.stats_stale, 1);
  // An append afterwards must not hide that the extremes are stale.
  const double more[1] = {6};
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, more, -1, 1), kDbOk);
  ASSERT_EQ(QBX_GetDatabaseChanMin(1, &value, &pos), kDbOk);
  EXPECT_EQ(value, 2.0);
  EXPECT_EQ(pos, 3);
  ASSERT_EQ(QBX_GetDatabaseChanConfig(1, &h), kDbOk);
  EXPECT_EQ(h.stats_stale, 0);

  // Shrinking the length drops values that may hold an extreme.
  ASSERT_EQ(QBX_SetDatabaseChanCurrLen(1, 2), kDbOk);
  ASSERT_EQ(QBX_GetDatabaseChanMax(1, &value, &pos), kDbOk);
  EXPECT_EQ(value, 7.0);
  EXPECT_EQ(pos, 1);
  EXPECT_EQ(QBX_SetDatabaseChanCurrLen(1, 101), kDbBadPosition);
  EXPECT_EQ(QBX_SetDatabaseChanCurrLen(1, -1), kDbBadPosition);
}

TEST_F(DbTest, MeanAndSampleStandardDeviation) {
  create(2, 100);
  const int32_t ch = 2;
  const double v[8] = {2, 4, 4, 4, 5, 5, 7, 9};
  double value = 0;
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, v, -1, 1), kDbOk);
  EXPECT_EQ(QBX_GetDatabaseChanSTD(2, &value), kDbTooFewValues);
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, v + 1, -1, 7), kDbOk);
  ASSERT_EQ(QBX_GetDatabaseChanMean(2, &value), kDbOk);
  EXPECT_DOUBLE_EQ(value, 5.0);
  ASSERT_EQ(QBX_GetDatabaseChanSTD(2, &value), kDbOk);
  EXPECT_NEAR(value, std::sqrt(32.0 / 7.0), 1e-15);
  EXPECT_NEAR(value, 2.138, 5e-4);

  // Channel checks of the statistics: above N no values, outside 1..10000 a range error.
  EXPECT_EQ(QBX_GetDatabaseChanMean(1, &value), kDbTooFewValues);
  EXPECT_EQ(QBX_GetDatabaseChanMean(3, &value), kDbTooFewValues);
  EXPECT_EQ(QBX_GetDatabaseChanMin(10000, &value, nullptr), kDbTooFewValues);
  EXPECT_EQ(QBX_GetDatabaseChanMax(10001, &value, nullptr), kDbBadChannelRange);
  EXPECT_EQ(QBX_GetDatabaseChanSTD(0, &value), kDbBadChannelRange);
}

TEST_F(DbTest, ExtendedPrecisionMeanKeepsSmallValuesNextToLargeOnes) {
  create(1, 5000);
  const int32_t ch = 1;
  std::vector<double> v(4097, 1.0);
  v[0] = 1e16;
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, v.data(), -1, 4097), kDbOk);
  double mean = 0;
  ASSERT_EQ(QBX_GetDatabaseChanMean(1, &mean), kDbOk);
  // In plain double precision every 1.0 would vanish against 1e16.
  EXPECT_DOUBLE_EQ(mean, (1e16 + 4096.0) / 4097.0);
}

TEST_F(DbTest, CacheHoldsSmallAppendsUntilFlushed) {
  QBX_SetCacheFlags(1, 0, 4, 0);
  std::string path = create(2, 100);
  const int32_t ch = 2;
  const double one[1] = {1.25};
  const double two[2] = {2.5, 3.75};
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, one, -1, 1), kDbOk);
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, two, -1, 2), kDbOk);
  // Held in the cache: the file shows neither values nor length yet.
  std::string bytes = file_bytes(path);
  EXPECT_EQ(at<int32_t>(bytes, header_at(2)), 0);
  EXPECT_EQ(at<double>(bytes, 1000800), 0.0);
  // Reading the length flushes.
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(2), 3);
  bytes = file_bytes(path);
  EXPECT_EQ(at<int32_t>(bytes, header_at(2)), 3);
  EXPECT_EQ(at<double>(bytes, 1000800), 1.25);
  EXPECT_EQ(at<double>(bytes, 1000816), 3.75);

  // A write that does not fit the cache flushes it and goes straight to the file.
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, one, -1, 1), kDbOk);
  std::vector<double> five(5, 9.0);
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, five.data(), -1, 5), kDbOk);
  bytes = file_bytes(path);
  EXPECT_EQ(at<int32_t>(bytes, header_at(2)), 9);
  EXPECT_EQ(at<double>(bytes, 1000800 + 3 * 8), 1.25);
  EXPECT_EQ(at<double>(bytes, 1000800 + 8 * 8), 9.0);

  // A write before the end flushes first; reads and closing flush.
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, one, -1, 1), kDbOk);
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, two, 0, 2), kDbOk);
  std::vector<double> all(10);
  ASSERT_EQ(QBX_ReadFromDatabase(2, 1, 10, all.data()), kDbOk);
  EXPECT_EQ(all[0], 2.5);
  EXPECT_EQ(all[9], 1.25);
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, one, -1, 1), kDbOk);
  ASSERT_EQ(QBX_RemoveDatabase(0), kDbOk);
  bytes = file_bytes(path);
  EXPECT_EQ(at<int32_t>(bytes, header_at(2)), 11);
  EXPECT_EQ(at<double>(bytes, 1000800 + 10 * 8), 1.25);
}

TEST_F(DbTest, CacheSettingAppliesToTheNextDatabase) {
  std::string path = create(1, 100);
  QBX_SetCacheFlags(1, 0, 16, 0);
  const int32_t ch = 1;
  const double one[1] = {4.0};
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, one, -1, 1), kDbOk);
  EXPECT_EQ(at<int32_t>(file_bytes(path), header_at(1)), 1);  // this database has no cache
  ASSERT_EQ(QBX_RemoveDatabase(0), kDbOk);
  ASSERT_EQ(QBX_CreateDatabase(-1, path.c_str(), 0), kDbOk);
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, one, -1, 1), kDbOk);
  EXPECT_EQ(at<int32_t>(file_bytes(path), header_at(1)), 1);  // now it has
  // Bin writes bypass the cache after flushing it.
  ASSERT_EQ(QBX_WriteToDatabaseBin(1, 1, one, -1), kDbOk);
  EXPECT_EQ(at<int32_t>(file_bytes(path), header_at(1)), 3);
}

TEST_F(DbTest, TimeStampCallbackRunsAfterEveryWrite) {
  static int calls;
  calls = 0;
  QBX_SetTimerCallback([](double* stamp) { *stamp = ++calls; });
  create(2, 10);
  EXPECT_EQ(calls, 2);
  const int32_t list[2] = {1, 2};
  const double v[2] = {1, 2};
  ASSERT_EQ(QBX_WriteToDatabase(2, list, v, -1, 1), kDbOk);
  EXPECT_EQ(calls, 4);
  EXPECT_EQ(QBX_GetDatabaseChanModified(1), 3.0);
  EXPECT_EQ(QBX_GetDatabaseChanModified(2), 4.0);
  EXPECT_EQ(QBX_GetDatabaseChanModified(3), -114.0);
  QBX_SetTimerCallback(nullptr);
  ASSERT_EQ(QBX_WriteToDatabase(2, list, v, -1, 1), kDbOk);
  EXPECT_EQ(QBX_GetDatabaseChanModified(2), 4.0);
}

TEST_F(DbTest, NotComparableValuesBecomeTheMinimum) {
  create(1, 10);
  const int32_t ch = 1;
  const double v[3] = {1.0, NAN, 3.0};
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, v, -1, 3), kDbOk);
  double value = 0;
  int32_t pos = -1;
  ASSERT_EQ(QBX_GetDatabaseChanMax(1, &value, &pos), kDbOk);
  EXPECT_EQ(value, 3.0);
  EXPECT_EQ(pos, 2);
  ASSERT_EQ(QBX_GetDatabaseChanMin(1, &value, &pos), kDbOk);
  EXPECT_EQ(pos, 2);  // after the NaN, nothing compares: the last value takes the place
}

TEST_F(DbTest, RunningExtremesMatchAPlainScanOfEveryBlock) {
  // Blocks of odd sizes with ties, signed zeros and the odd NaN, appended after a wrap to length 0;
  // the reference applies the rule value by value: lower or not comparable takes the minimum, higher
  // takes the maximum.
  create(1, 20000);
  const int32_t ch = 1;
  std::mt19937 rng(99);
  for (int trial = 0; trial < 40; ++trial) {
    SCOPED_TRACE(trial);
    ASSERT_EQ(QBX_SetDatabaseChanCurrLen(1, 0), kDbOk);
    std::vector<double> all;
    for (int block = 0; block < 5; ++block) {
      std::vector<double> v(1 + rng() % 300);
      for (double& x : v) {
        int r = static_cast<int>(rng() % 1000);
        x = r == 0 && trial % 4 == 3 ? NAN : r == 1 ? -0.0 : static_cast<double>(static_cast<int>(rng() % 2001) - 1000) / 8;
      }
      ASSERT_EQ(QBX_WriteToDatabase(1, &ch, v.data(), -1, static_cast<int32_t>(v.size())), kDbOk);
      all.insert(all.end(), v.begin(), v.end());
    }
    double lo = all[0], hi = all[0];
    int32_t lo_at = 0, hi_at = 0;
    for (size_t i = 1; i < all.size(); ++i) {
      if (!(all[i] >= lo)) {
        lo = all[i];
        lo_at = static_cast<int32_t>(i);
      }
      if (all[i] > hi) {
        hi = all[i];
        hi_at = static_cast<int32_t>(i);
      }
    }
    DbChannelHeader h;
    ASSERT_EQ(QBX_GetDatabaseChanConfig(1, &h), kDbOk);
    const double min = h.minimum, max = h.maximum;
    EXPECT_EQ(std::memcmp(&min, &lo, 8), 0) << min << " " << lo;
    EXPECT_EQ(std::memcmp(&max, &hi, 8), 0) << max << " " << hi;
    EXPECT_EQ(h.min_position, lo_at);
    EXPECT_EQ(h.max_position, hi_at);
  }
}
