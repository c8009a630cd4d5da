// Shared fixture of the database tests: a private folder, a clean database state before and after
// each test, captured messages, and plain-file helpers that read the file back without the library.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "storix32.h"
#include "testkit/temp_dir.h"

namespace dbtest {

// Messages the library showed since the fixture started.
std::vector<std::string>& messages();
void capture_message(const char* caption, const char* text);

class DbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QBX_RemoveDatabase(0);
    QBX_SetCacheFlags(0, 0, 0, 0);
    QBX_SetTimerCallback(nullptr);
    QBX_SetDatabaseMessageHandler(capture_message);
    messages().clear();
  }
  void TearDown() override {
    QBX_RemoveDatabase(0);
    QBX_SetCacheFlags(0, 0, 0, 0);
    QBX_SetTimerCallback(nullptr);
    QBX_SetDatabaseMessageHandler(nullptr);
  }

  // Creates a database file of `channels` numeric channels with maximum length `max_length`.
  std::string create(int32_t channels, int32_t max_length, const char* name = "db.dat") {
    std::string path = dir_.file(name);
    EXPECT_EQ(QBX_CreateDatabase(0, nullptr, channels), kDbOk);
    for (int32_t k = 1; k <= channels; ++k) set_numeric(k, max_length);
    EXPECT_EQ(QBX_CreateDatabase(1, path.c_str(), 0), kDbOk);
    return path;
  }

  static void set_numeric(int32_t channel, int32_t max_length) {
    DbChannelHeader h;
    ASSERT_EQ(QBX_GetDatabaseChanConfig(channel, &h), kDbOk);
    h.max_length = max_length;
    ASSERT_EQ(QBX_SetDatabaseChanConfig(channel, &h), kDbOk);
  }

  static void set_text_channel(int32_t channel, int32_t max_length, uint16_t element_size) {
    DbChannelHeader h;
    ASSERT_EQ(QBX_GetDatabaseChanConfig(channel, &h), kDbOk);
    h.kind = kDbKindText;
    h.element_size = element_size;
    h.max_length = max_length;
    ASSERT_EQ(QBX_SetDatabaseChanConfig(channel, &h), kDbOk);
  }

  testkit::TempDir dir_;
};

// Bytes of a file read with plain file I/O.
std::string file_bytes(const std::string& path);

template <class T>
T at(const std::string& bytes, size_t offset) {
  T v{};
  if (offset + sizeof v <= bytes.size()) std::memcpy(&v, bytes.data() + offset, sizeof v);
  return v;
}

// Offset of channel k's description in the file.
inline size_t header_at(int32_t channel) { return 4 + 246 * static_cast<size_t>(channel - 1); }

// Overwrites bytes of a file in place.
void patch_file(const std::string& path, size_t offset, const void* data, size_t size);

}  // namespace dbtest
