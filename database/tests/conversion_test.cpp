// Conversion between channels and packed arrays, and the free-space queries.
#include <limits>

#include "db_fixture.h"

using namespace dbtest;

TEST_F(DbTest, ChannelsPackIntoEveryType) {
  create(2, 100);
  const int32_t ch = 1;
  const double v[5] = {1.9, -1.9, 40000.5, -300.0, 1e10};
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, v, -1, 5), kDbOk);

  double d[5];
  ASSERT_EQ(QBX_Chan2String(1, d, kDbTypeDouble), kDbOk);
  EXPECT_EQ(std::memcmp(d, v, sizeof d), 0);
  float f[5];
  ASSERT_EQ(QBX_Chan2String(1, f, kDbTypeFloat), kDbOk);
  EXPECT_EQ(f[2], 40000.5f);
  int32_t i32[5];
  ASSERT_EQ(QBX_Chan2String(1, i32, kDbTypeInt32), kDbOk);
  EXPECT_EQ(i32[0], 1);
  EXPECT_EQ(i32[1], -1);
  EXPECT_EQ(i32[2], 40000);
  EXPECT_EQ(i32[4], std::numeric_limits<int32_t>::max());
  int16_t i16[5];
  ASSERT_EQ(QBX_Chan2String(1, i16, kDbTypeInt16), kDbOk);
  EXPECT_EQ(i16[2], 32767);
  EXPECT_EQ(i16[3], -300);
  int8_t i8[6] = {0, 0, 0, 0, 0, 99};
  ASSERT_EQ(QBX_Chan2String(1, i8, kDbTypeInt8), kDbOk);
  EXPECT_EQ(i8[0], 1);
  EXPECT_EQ(i8[3], -128);
  EXPECT_EQ(i8[5], 99);  // nothing written past the channel's values

  unsigned char empty[2] = {0xAA, 0xAA};
  ASSERT_EQ(QBX_Chan2String(2, empty, kDbTypeDouble), kDbOk);
  EXPECT_EQ(empty[0], 0);
  EXPECT_EQ(empty[1], 0xAA);

  EXPECT_EQ(QBX_Chan2String(1, d, 5), kDbBadPosition);
  EXPECT_EQ(QBX_Chan2String(3, d, 0), kDbBadChannel);
  EXPECT_EQ(QBX_Chan2String(10001, d, 0), kDbBadChannelRange);
}

TEST_F(DbTest, PackedArraysReplaceTheChannel) {
  std::string path = create(1, 100);
  const int32_t ch = 1;
  std::vector<double> old(50, 5.0);
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, old.data(), -1, 50), kDbOk);
  const int8_t bytes[4] = {-1, 127, -128, 3};
  ASSERT_EQ(QBX_String2Chan(1, bytes, kDbTypeInt8, 4), kDbOk);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(1), 4);
  double back[4];
  ASSERT_EQ(QBX_ReadFromDatabase(1, 1, 4, back), kDbOk);
  EXPECT_EQ(back[0], -1.0);
  EXPECT_EQ(back[2], -128.0);
  double value = 0;
  int32_t pos = 0;
  ASSERT_EQ(QBX_GetDatabaseChanMin(1, &value, &pos), kDbOk);
  EXPECT_EQ(value, -128.0);
  EXPECT_EQ(pos, 2);
  EXPECT_EQ(at<int32_t>(file_bytes(path), header_at(1)), 4);

  const int16_t words[2] = {-2, 300};
  ASSERT_EQ(QBX_String2Chan(1, words, kDbTypeInt16, 2), kDbOk);
  ASSERT_EQ(QBX_ReadFromDatabase(1, 1, 2, back), kDbOk);
  EXPECT_EQ(back[1], 300.0);
  EXPECT_EQ(QBX_String2Chan(1, words, kDbTypeInt16, 101), kDbWriteBeyondEnd);
  EXPECT_EQ(QBX_String2Chan(1, words, kDbTypeInt16, -1), kDbBadPosition);
}

TEST_F(DbTest, FreeSpaceOfTheFileSystemAPathLiesOn) {
  float total = 0, free_bytes = 0;
  ASSERT_EQ(QBX_GetFreeDiskSpaceEx(dir_.path().c_str(), &total, &free_bytes), kDbOk);
  EXPECT_GT(total, 0.0f);
  EXPECT_GT(free_bytes, 0.0f);
  EXPECT_LE(free_bytes, total);
  // A file that does not exist yet is measured by its folder.
  int32_t free32 = QBX_GetFreeDiskSpace(dir_.file("not-yet.dat").c_str());
  EXPECT_GT(free32, 0);
  EXPECT_LE(free32, 2000000000);

  EXPECT_EQ(QBX_GetFreeDiskSpace("/no/such/folder/x"), -1);
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0], "Err Disk Space: /no/such/folder/x 0 0 0");
  EXPECT_EQ(QBX_GetFreeDiskSpaceEx("/no/such/folder/x", &total, &free_bytes), -1);
  EXPECT_EQ(QBX_GetFreeDiskSpaceEx(dir_.path().c_str(), nullptr, &free_bytes), kDbBadPosition);
}
