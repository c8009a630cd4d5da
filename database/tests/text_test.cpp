// Text channels and the four description texts: cutting to size, blank filling, shifting entries,
// clearing, and refusing numeric operations on text channels and vice versa.
#include "db_fixture.h"

using namespace dbtest;

namespace {

std::string get(int32_t channel, int32_t position, size_t element_size) {
  std::string out(element_size, '#');
  EXPECT_EQ(QBX_DatabaseGetString(channel, position, out.data()), kDbOk);
  return std::string(out.c_str());
}

}  // namespace

class TextChannelTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    ASSERT_EQ(QBX_CreateDatabase(0, nullptr, 2), kDbOk);
    set_text_channel(1, 6, 8);
    set_numeric(2, 10);
    path_ = dir_.file("text.dat");
    ASSERT_EQ(QBX_CreateDatabase(1, path_.c_str(), 0), kDbOk);
  }
  std::string path_;
};

TEST_F(TextChannelTest, PutCutsToTheElementSizeAndGrowsTheLength) {
  ASSERT_EQ(QBX_DatabasePutString(1, -1, "abcdefghij"), kDbOk);
  EXPECT_EQ(get(1, 0, 8), "abcdefg");
  ASSERT_EQ(QBX_DatabasePutString(1, -1, "xy"), kDbOk);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(1), 2);
  ASSERT_EQ(QBX_DatabasePutString(1, 4, nullptr), kDbOk);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(1), 5);
  EXPECT_EQ(get(1, 3, 8), " ");  // never written: still the prepared blank
  EXPECT_EQ(get(1, 4, 8), "");

  std::string bytes = file_bytes(path_);
  EXPECT_EQ(at<int32_t>(bytes, header_at(1)), 5);
  EXPECT_EQ(bytes.substr(1000000, 8), std::string("abcdefg\0", 8));
  EXPECT_EQ(bytes.substr(1000008, 3), std::string("xy\0", 3));

  EXPECT_EQ(QBX_DatabasePutString(1, 6, "x"), kDbWriteBeyondEnd);
  EXPECT_EQ(QBX_DatabasePutString(1, -2, "x"), kDbBadPosition);
  char out[8];
  EXPECT_EQ(QBX_DatabaseGetString(1, 6, out), kDbReadBeyondEnd);
  EXPECT_EQ(QBX_DatabaseGetString(1, -1, out), kDbBadPosition);
  EXPECT_EQ(QBX_DatabasePutString(2, 0, "x"), kDbNotText);
  EXPECT_EQ(QBX_DatabaseGetString(2, 0, out), kDbNotText);
  EXPECT_EQ(QBX_DatabasePutString(3, 0, "x"), kDbBadChannel);

  // Numeric operations refuse the text channel instead of writing 8-byte values over its texts.
  const int32_t ch = 1;
  double v = 1;
  EXPECT_EQ(QBX_WriteToDatabase(1, &ch, &v, -1, 1), kDbNotText);
  EXPECT_EQ(QBX_ReadFromDatabase(1, 1, 1, &v), kDbNotText);
  EXPECT_EQ(QBX_GetDatabaseChanMean(1, &v), kDbNotText);
}

TEST_F(TextChannelTest, ShiftInsertsAndDeletesEntries) {
  for (const char* t : {"a", "b", "c", "d"}) ASSERT_EQ(QBX_DatabasePutString(1, -1, t), kDbOk);
  // Insert two places before the second entry.
  ASSERT_EQ(QBX_ShiftDBTextChan(1, 2, 2, 1), kDbOk);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(1), 6);
  EXPECT_EQ(get(1, 0, 8), "a");
  EXPECT_EQ(get(1, 3, 8), "b");
  EXPECT_EQ(get(1, 4, 8), "c");
  EXPECT_EQ(get(1, 5, 8), "d");
  EXPECT_EQ(QBX_ShiftDBTextChan(1, 1, 1, 1), kDbBadPosition);  // would exceed the maximum length
  // Delete three entries from the third.
  ASSERT_EQ(QBX_ShiftDBTextChan(1, 3, 3, 0), kDbOk);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(1), 3);
  EXPECT_EQ(get(1, 0, 8), "a");
  EXPECT_EQ(get(1, 2, 8), "d");
  EXPECT_EQ(at<int32_t>(file_bytes(path_), header_at(1)), 3);

  EXPECT_EQ(QBX_ShiftDBTextChan(1, 4, 1, 1), kDbReadBeyondEnd);
  EXPECT_EQ(QBX_ShiftDBTextChan(1, 0, 1, 1), kDbBadPosition);
  EXPECT_EQ(QBX_ShiftDBTextChan(1, 2, 5, 0), kDbBadPosition);
  EXPECT_EQ(QBX_ShiftDBTextChan(1, 1, 0, 0), kDbBadPosition);
  EXPECT_EQ(QBX_ShiftDBTextChan(2, 1, 1, 0), kDbNotText);
}

TEST_F(TextChannelTest, ClearZeroesTheWholeArea) {
  ASSERT_EQ(QBX_DatabasePutString(1, -1, "keep"), kDbOk);
  ASSERT_EQ(QBX_ClearDBTextChan(1), kDbOk);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(1), 0);
  std::string bytes = file_bytes(path_);
  EXPECT_EQ(at<int32_t>(bytes, header_at(1)), 0);
  EXPECT_EQ(bytes.substr(1000000, 48), std::string(48, '\0'));
  EXPECT_EQ(QBX_ClearDBTextChan(2), kDbNotText);
}

TEST_F(DbTest, DescriptionTextsAreBlankFilledAndCut) {
  std::string path = create(2, 10);
  ASSERT_EQ(QBX_SetDatabaseChanText(1, kDbTextUnit, "millimetres"), kDbOk);  // 11 characters, field 10
  char out[129];
  std::memset(out, '#', sizeof out);
  ASSERT_EQ(QBX_GetDatabaseChanText(1, kDbTextUnit, out), kDbOk);
  EXPECT_EQ(std::string(out, 11), "millimetre#");  // full field: no terminator written
  ASSERT_EQ(QBX_SetDatabaseChanText(1, kDbTextName, "Strain 1"), kDbOk);
  ASSERT_EQ(QBX_GetDatabaseChanText(1, kDbTextName, out), kDbOk);
  EXPECT_EQ(std::string(out, 32), "Strain 1" + std::string(24, ' '));
  ASSERT_EQ(QBX_SetDatabaseChanText(1, kDbTextComment, nullptr), kDbOk);
  ASSERT_EQ(QBX_SetDatabaseChanText(1, kDbTextFourth, "0123456789abcdefXYZ"), kDbOk);
  ASSERT_EQ(QBX_CopyDatabaseChanText(2, 1, kDbTextName), kDbOk);
  ASSERT_EQ(QBX_CopyDatabaseChanText(2, 1, kDbTextFourth), kDbOk);

  // Every change is in the file header at once.
  std::string bytes = file_bytes(path);
  EXPECT_EQ(bytes.substr(header_at(1) + 92, 10), "millimetre");
  EXPECT_EQ(bytes.substr(header_at(1) + 102, 128), std::string(128, ' '));
  EXPECT_EQ(bytes.substr(header_at(1) + 230, 16), "0123456789abcdef");
  EXPECT_EQ(bytes.substr(header_at(2) + 60, 32), "Strain 1" + std::string(24, ' '));
  EXPECT_EQ(bytes.substr(header_at(2) + 230, 16), "0123456789abcdef");
  EXPECT_EQ(bytes.substr(header_at(1) + 246, 4), std::string(4, '\0'));  // channel 2 starts with its length

  EXPECT_EQ(QBX_SetDatabaseChanText(1, 4, "x"), kDbBadPosition);
  EXPECT_EQ(QBX_GetDatabaseChanText(3, 0, out), kDbBadChannel);
  EXPECT_EQ(QBX_CopyDatabaseChanText(1, 3, 0), kDbBadChannel);
}

TEST_F(DbTest, ConfigurationAndFlagsOfDescriptions) {
  ASSERT_EQ(QBX_CreateDatabase(0, nullptr, 2), kDbOk);
  DbChannelHeader h;
  ASSERT_EQ(QBX_GetDatabaseChanConfig(1, &h), kDbOk);
  EXPECT_EQ(h.max_length, 2048);
  EXPECT_EQ(h.element_size, 8);
  h.element_size = 3;  // numeric forces 8
  h.max_length = 5000;
  ASSERT_EQ(QBX_SetDatabaseChanConfig(1, &h), kDbOk);
  EXPECT_EQ(QBX_GetDatabaseMaxLen(), 5000);
  ASSERT_EQ(QBX_GetDatabaseChanConfig(1, &h), kDbOk);
  EXPECT_EQ(h.element_size, 8);
  h.max_length = 0;
  EXPECT_EQ(QBX_SetDatabaseChanConfig(1, &h), kDbBadMaxLen);
  h.max_length = 2000000001;
  EXPECT_EQ(QBX_SetDatabaseChanConfig(1, &h), kDbBadMaxLen);
  h.max_length = 10;
  h.kind = 2;
  EXPECT_EQ(QBX_SetDatabaseChanConfig(1, &h), kDbBadPosition);
  EXPECT_EQ(QBX_SetDatabaseChanConfig(3, &h), kDbBadChannel);
  EXPECT_EQ(QBX_GetDatabaseChanConfig(0, &h), kDbBadChannel);

  std::string path = dir_.file("cfg.dat");
  ASSERT_EQ(QBX_CreateDatabase(1, path.c_str(), 0), kDbOk);
  // With the file open a description may shrink its area but never outgrow it.
  ASSERT_EQ(QBX_GetDatabaseChanConfig(2, &h), kDbOk);
  h.max_length = 2049;
  EXPECT_EQ(QBX_SetDatabaseChanConfig(2, &h), kDbBadMaxLen);
  h.max_length = 1000;
  h.usage_flag = 3;
  ASSERT_EQ(QBX_SetDatabaseChanConfig(2, &h), kDbOk);
  std::string bytes = file_bytes(path);
  EXPECT_EQ(at<int32_t>(bytes, header_at(2) + 8), 1000);
  EXPECT_EQ(at<int64_t>(bytes, header_at(2) + 12), 1000000 + 5000 * 8);
  EXPECT_EQ(at<uint16_t>(bytes, header_at(2) + 44), 3);

  EXPECT_EQ(QBX_SetDatabaseChanUsageFlag(2, 0x1234), kDbOk);
  EXPECT_EQ(QBX_GetDatabaseChanUsageFlag(2), 0x1234);
  EXPECT_EQ(QBX_GetDatabaseChanUsageFlag(3), kDbBadChannelRange);
  EXPECT_EQ(QBX_SetDatabaseChanUsageFlag(10001, 1), kDbBadChannelRange);
  EXPECT_EQ(QBX_SetDatabaseChanAlias(3, 1), kDbBadChannel);
  EXPECT_EQ(QBX_SetDatabaseChanModified(0, 1.0), kDbBadChannel);
  EXPECT_EQ(QBX_GetDatabaseChanMaxLen(1), 5000);
  EXPECT_EQ(QBX_GetDatabaseChanMaxLen(3), kDbBadChannel);
}
