// The file a database creates, read back byte by byte with plain file I/O: N, the descriptions at
// their offsets, the data areas in channel order, text elements prepared, lengths written with data.
#include <sys/stat.h>

#include "db_fixture.h"

using namespace dbtest;

namespace {

double g_stamp_value = 0;
int g_stamp_calls = 0;
void count_stamp(double* stamp) {
  ++g_stamp_calls;
  *stamp = g_stamp_value;
}

}  // namespace

TEST_F(DbTest, NewFileHasTheExactLayout) {
  g_stamp_calls = 0;
  g_stamp_value = 45000.5;
  QBX_SetTimerCallback(count_stamp);
  ASSERT_EQ(QBX_CreateDatabase(0, nullptr, 3), kDbOk);
  EXPECT_EQ(QBX_GetDatabaseMaxChans(), 3);
  EXPECT_EQ(QBX_GetDatabaseMaxLen(), 2048);
  for (int k = 1; k <= 3; ++k) set_numeric(k, 1000);
  ASSERT_EQ(QBX_SetDatabaseChanText(2, kDbTextName, "Force"), kDbOk);
  ASSERT_EQ(QBX_SetDatabaseChanText(2, kDbTextUnit, "kN"), kDbOk);
  std::string path = dir_.file("three.dat");
  ASSERT_EQ(QBX_CreateDatabase(1, path.c_str(), 0), kDbOk);
  EXPECT_EQ(g_stamp_calls, 3);
  EXPECT_EQ(QBX_GetDatabaseMaxLen(), 1000);

  std::string bytes = file_bytes(path);
  ASSERT_EQ(bytes.size(), 1000000u + 24000u);
  EXPECT_EQ(at<int32_t>(bytes, 0), 3);
  for (int k = 1; k <= 3; ++k) {
    size_t h = header_at(k);
    EXPECT_EQ(at<int32_t>(bytes, h + 0), 0);
    EXPECT_EQ(at<uint16_t>(bytes, h + 4), 0);
    EXPECT_EQ(at<uint16_t>(bytes, h + 6), 8);
    EXPECT_EQ(at<int32_t>(bytes, h + 8), 1000);
    EXPECT_EQ(at<int64_t>(bytes, h + 12), 1000000 + 8000 * (k - 1));
    EXPECT_EQ(at<double>(bytes, h + 52), 45000.5);
  }
  EXPECT_EQ(bytes.substr(header_at(2) + 60, 32), "Force" + std::string(27, ' '));
  EXPECT_EQ(bytes.substr(header_at(2) + 92, 10), "kN" + std::string(8, ' '));
  EXPECT_EQ(bytes.substr(header_at(1) + 102, 128), std::string(128, ' '));
  EXPECT_EQ(bytes.substr(header_at(1) + 230, 16), std::string(16, ' '));
  // Nothing after the last description up to the data start.
  EXPECT_EQ(bytes.find_first_not_of('\0', header_at(4)), std::string::npos);

  // Appended values land in the channel's area and the length in its description.
  const int32_t ch2 = 2;
  const double values[3] = {1.5, -2.25, 1e300};
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch2, values, -1, 3), kDbOk);
  EXPECT_EQ(g_stamp_calls, 4);
  bytes = file_bytes(path);
  EXPECT_EQ(at<int32_t>(bytes, header_at(2)), 3);
  EXPECT_EQ(at<double>(bytes, 1008000), 1.5);
  EXPECT_EQ(at<double>(bytes, 1008008), -2.25);
  EXPECT_EQ(at<double>(bytes, 1008016), 1e300);
  EXPECT_EQ(at<int32_t>(bytes, header_at(1)), 0);
  EXPECT_EQ(at<int32_t>(bytes, header_at(3)), 0);
}

TEST_F(DbTest, TextChannelsStartAsBlankTextsAndAreasFollowEachOther) {
  ASSERT_EQ(QBX_CreateDatabase(0, nullptr, 3), kDbOk);
  set_numeric(1, 10);
  set_text_channel(2, 5, 12);
  set_numeric(3, 7);
  std::string path = dir_.file("text.dat");
  ASSERT_EQ(QBX_CreateDatabase(1, path.c_str(), 0), kDbOk);
  std::string bytes = file_bytes(path);
  ASSERT_EQ(bytes.size(), 1000000u + 80 + 60 + 56);
  EXPECT_EQ(at<int64_t>(bytes, header_at(2) + 12), 1000080);
  EXPECT_EQ(at<uint16_t>(bytes, header_at(2) + 4), 1);
  EXPECT_EQ(at<uint16_t>(bytes, header_at(2) + 6), 12);
  EXPECT_EQ(at<int64_t>(bytes, header_at(3) + 12), 1000140);
  for (int e = 0; e < 5; ++e) {
    EXPECT_EQ(bytes[1000080 + 12 * e], ' ');
    EXPECT_EQ(bytes[1000080 + 12 * e + 1], '\0');
  }
  // The numeric areas around it read as zeros.
  EXPECT_EQ(bytes.substr(1000000, 80), std::string(80, '\0'));
  EXPECT_EQ(bytes.substr(1000140, 56), std::string(56, '\0'));
}

TEST_F(DbTest, CloseSavesDescriptionsAndReopenMarksStatisticsStale) {
  std::string path = create(2, 100);
  const int32_t ch = 1;
  const double values[4] = {3, 1, 4, 1};
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, values, -1, 4), kDbOk);
  ASSERT_EQ(QBX_SetDatabaseChanUsageFlag(1, 7), kDbOk);
  ASSERT_EQ(QBX_SetDatabaseChanAlias(1, 9), kDbOk);
  ASSERT_EQ(QBX_SetDatabaseChanModified(1, 123.25), kDbOk);
  ASSERT_EQ(QBX_RemoveDatabase(0), kDbOk);
  EXPECT_EQ(QBX_GetDatabaseMaxChans(), 0);

  std::string bytes = file_bytes(path);
  EXPECT_EQ(at<uint16_t>(bytes, header_at(1) + 44), 7);
  EXPECT_EQ(at<uint16_t>(bytes, header_at(1) + 48), 9);
  EXPECT_EQ(at<double>(bytes, header_at(1) + 52), 123.25);
  EXPECT_EQ(at<double>(bytes, header_at(1) + 20), 1.0);
  EXPECT_EQ(at<double>(bytes, header_at(1) + 28), 4.0);
  EXPECT_EQ(at<int32_t>(bytes, header_at(1) + 40), 2);

  // Extremes in the file are stale after reopening; a recompute finds the same here.
  ASSERT_EQ(QBX_CreateDatabase(-1, path.c_str(), 0), kDbOk);
  DbChannelHeader h;
  ASSERT_EQ(QBX_GetDatabaseChanConfig(1, &h), kDbOk);
  EXPECT_EQ(h.stats_stale, 1);
  EXPECT_EQ(h.length, 4);
  EXPECT_EQ(QBX_GetDatabaseChanUsageFlag(1), 7);
  EXPECT_EQ(QBX_GetDatabaseChanModified(1), 123.25);
  ASSERT_EQ(QBX_GetDatabaseChanConfig(2, &h), kDbOk);
  EXPECT_EQ(h.stats_stale, 0);

  // Removing with delete removes the file.
  ASSERT_EQ(QBX_RemoveDatabase(1), kDbOk);
  struct stat info;
  EXPECT_NE(stat(path.c_str(), &info), 0);
}

TEST_F(DbTest, CreationArgumentsAreChecked) {
  EXPECT_EQ(QBX_CreateDatabase(0, nullptr, 0), kDbBadPosition);
  EXPECT_EQ(QBX_CreateDatabase(0, nullptr, 4066), kDbBadPosition);
  EXPECT_EQ(QBX_CreateDatabase(2, nullptr, 1), kDbBadPosition);
  // Mode 1 without descriptions.
  EXPECT_EQ(QBX_CreateDatabase(1, dir_.file("x.dat").c_str(), 0), kDbBadPosition);
  ASSERT_EQ(QBX_CreateDatabase(0, nullptr, 4065), kDbOk);
  EXPECT_EQ(QBX_CreateDatabase(1, (dir_.path() + "/missing/x.dat").c_str(), 0), kDbOpenFailed);
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0], "Unable to determine available disk space: 2");
  // A folder cannot become a database file.
  EXPECT_EQ(QBX_CreateDatabase(1, dir_.path().c_str(), 0), kDbOpenFailed);
  ASSERT_EQ(messages().size(), 2u);
  EXPECT_EQ(messages()[1], "DB creation error: 21");
  // The largest database the header allows: descriptions end before the data start.
  std::string path = dir_.file("full.dat");
  ASSERT_EQ(QBX_CreateDatabase(1, path.c_str(), 0), kDbOk);
  std::string bytes = file_bytes(path);
  EXPECT_EQ(bytes.size(), 1000000u + 4065u * 2048u * 8u);
  EXPECT_EQ(at<int64_t>(bytes, header_at(4065) + 12), 1000000 + 4064LL * 2048 * 8);
  EXPECT_LE(header_at(4066), 1000000u);
}
