// Opening files that are not sound databases: each gives -101 with its message and leaves no database
// open; a sound file opens with every value intact.
#include <unistd.h>

#include <functional>

#include "db_fixture.h"

using namespace dbtest;

namespace {

struct Corruption {
  const char* what;
  std::function<void(const std::string& path)> apply;
};

void put_i32(const std::string& path, size_t offset, int32_t v) { patch_file(path, offset, &v, sizeof v); }
void put_i64(const std::string& path, size_t offset, int64_t v) { patch_file(path, offset, &v, sizeof v); }
void put_u16(const std::string& path, size_t offset, uint16_t v) { patch_file(path, offset, &v, sizeof v); }

}  // namespace

TEST_F(DbTest, UnsoundFilesAreRefusedAndOpenNothing) {
  // Three channels of 100 values: areas at 1000000, 1000800, 1001600; file of 1002400 bytes.
  const std::vector<Corruption> cases = {
      {"N zero", [](const std::string& p) { put_i32(p, 0, 0); }},
      {"N negative", [](const std::string& p) { put_i32(p, 0, -3); }},
      {"N above 4065", [](const std::string& p) { put_i32(p, 0, 4066); }},
      {"truncated header", [](const std::string& p) { ASSERT_EQ(truncate(p.c_str(), 4 + 246 * 2 + 100), 0); }},
      {"file shorter than N", [](const std::string& p) { ASSERT_EQ(truncate(p.c_str(), 2), 0); }},
      {"negative length", [](const std::string& p) { put_i32(p, header_at(2), -1); }},
      {"length above maximum", [](const std::string& p) { put_i32(p, header_at(2), 101); }},
      {"maximum length zero", [](const std::string& p) { put_i32(p, header_at(1) + 8, 0); }},
      {"maximum length huge", [](const std::string& p) { put_i32(p, header_at(1) + 8, 2000000001); }},
      {"areas overlap", [](const std::string& p) { put_i64(p, header_at(2) + 12, 1000000 + 400); }},
      {"same area twice", [](const std::string& p) { put_i64(p, header_at(3) + 12, 1000000); }},
      {"area in the header", [](const std::string& p) { put_i64(p, header_at(1) + 12, 999999); }},
      {"area negative", [](const std::string& p) { put_i64(p, header_at(1) + 12, -8); }},
      {"area past the end", [](const std::string& p) { put_i64(p, header_at(3) + 12, 1001608); }},
      {"area far past the end", [](const std::string& p) { put_i64(p, header_at(3) + 12, INT64_MAX - 10); }},
      {"file cut in the data", [](const std::string& p) { ASSERT_EQ(truncate(p.c_str(), 1002399), 0); }},
      {"unknown kind", [](const std::string& p) { put_u16(p, header_at(1) + 4, 7); }},
      {"numeric element size", [](const std::string& p) { put_u16(p, header_at(1) + 6, 4); }},
      {"text element size zero", [](const std::string& p) {
         put_u16(p, header_at(1) + 4, 1);
         put_u16(p, header_at(1) + 6, 0);
       }},
      {"text area too big", [](const std::string& p) {
         put_u16(p, header_at(3) + 4, 1);
         put_u16(p, header_at(3) + 6, 9);
       }},
  };
  for (const Corruption& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = create(3, 100, "bad.dat");
    const int32_t ch = 2;
    const double v[2] = {1, 2};
    ASSERT_EQ(QBX_WriteToDatabase(1, &ch, v, -1, 2), kDbOk);
    ASSERT_EQ(QBX_RemoveDatabase(0), kDbOk);
    c.apply(path);
    messages().clear();
    EXPECT_EQ(QBX_CreateDatabase(-1, path.c_str(), 0), kDbOpenFailed);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].rfind("DB creation error: ", 0), 0u);
    EXPECT_EQ(QBX_GetDatabaseMaxChans(), 0);
    double out;
    EXPECT_EQ(QBX_ReadFromDatabase(2, 1, 1, &out), kDbNotOpen);
  }
}

TEST_F(DbTest, OpeningAMissingFileFailsWithTheSystemError) {
  std::string path = dir_.file("absent.dat");
  EXPECT_EQ(QBX_CreateDatabase(-1, path.c_str(), 0), kDbOpenFailed);
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0], "DB creation error: 2");
  EXPECT_EQ(QBX_CreateDatabase(-1, nullptr, 0), kDbOpenFailed);
}

TEST_F(DbTest, ReopenedFileKeepsValuesAndTexts) {
  QBX_SetCacheFlags(1, 0, 64, 0);
  std::string path = create(4, 300);
  std::vector<double> v(250);
  for (size_t i = 0; i < v.size(); ++i) v[i] = 0.5 * static_cast<double>(i) - 17;
  for (int32_t ch = 1; ch <= 4; ++ch) {
    for (size_t i = 0; i < v.size(); i += 10) ASSERT_EQ(QBX_WriteToDatabase(1, &ch, v.data() + i, -1, 10), kDbOk);
  }
  ASSERT_EQ(QBX_SetDatabaseChanText(3, kDbTextComment, "calibrated"), kDbOk);
  ASSERT_EQ(QBX_RemoveDatabase(0), kDbOk);
  ASSERT_EQ(QBX_CreateDatabase(-1, path.c_str(), 0), kDbOk);
  EXPECT_EQ(QBX_GetDatabaseMaxChans(), 4);
  EXPECT_EQ(QBX_GetDatabaseMaxLen(), 300);
  for (int32_t ch = 1; ch <= 4; ++ch) {
    std::vector<double> back(250);
    ASSERT_EQ(QBX_GetDatabaseChanCurrLen(ch), 250);
    ASSERT_EQ(QBX_ReadFromDatabase(ch, 1, 250, back.data()), kDbOk);
    EXPECT_EQ(back, v);
  }
  char comment[128];
  ASSERT_EQ(QBX_GetDatabaseChanText(3, kDbTextComment, comment), kDbOk);
  EXPECT_EQ(std::string(comment, 10), "calibrated");
  double max = 0;
  int32_t at_pos = 0;
  ASSERT_EQ(QBX_GetDatabaseChanMax(4, &max, &at_pos), kDbOk);
  EXPECT_EQ(max, v.back());
  EXPECT_EQ(at_pos, 249);
}
