// Failures of the system calls under the database, injected at the platform seam: each gives its
// status, and a failed data write never leaves a length in the file that shows unwritten values.
#include <errno.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include "db_fixture.h"
#include "platform.h"

using namespace dbtest;

namespace {

// Fails chosen calls of the real platform.
class FaultyPlatform : public storix::Platform {
 public:
  int64_t fail_pwrite_from = -1;  // pwrites at or beyond this offset fail (-1: none)
  bool fail_ftruncate = false;
  bool fail_statvfs = false;
  bool fail_pread = false;
  bool fail_map = false;
  uint64_t fake_free_blocks = 0;  // when set, statvfs reports this many free 4096-byte blocks
  int error = 0;

  ssize_t pwrite(int fd, const void* data, size_t count, off_t offset) override {
    if (fail_pwrite_from >= 0 && offset >= fail_pwrite_from) return fail(ENOSPC);
    return Platform::pwrite(fd, data, count, offset);
  }
  ssize_t pread(int fd, void* buffer, size_t count, off_t offset) override {
    if (fail_pread) return fail(EIO);
    return Platform::pread(fd, buffer, count, offset);
  }
  void* map_shared(int fd, size_t length) override {
    if (fail_map) {
      fail(ENOMEM);
      return MAP_FAILED;
    }
    return Platform::map_shared(fd, length);
  }
  int ftruncate(int fd, off_t length) override {
    if (fail_ftruncate) return fail(EFBIG);
    return Platform::ftruncate(fd, length);
  }
  int statvfs(const char* path, struct statvfs* info) override {
    if (fail_statvfs) return fail(EACCES);
    int rc = Platform::statvfs(path, info);
    if (rc == 0 && fake_free_blocks) {
      info->f_frsize = 4096;
      info->f_bavail = fake_free_blocks;
    }
    return rc;
  }
  int last_error() override { return error ? error : Platform::last_error(); }

 private:
  int fail(int e) {
    error = e;
    return -1;
  }
};

class FaultTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    storix::set_platform(&faulty_);
  }
  void TearDown() override {
    storix::set_platform(nullptr);
    DbTest::TearDown();
  }
  FaultyPlatform faulty_;
};

bool exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

}  // namespace

TEST_F(FaultTest, FailedDataWriteLeavesTheLengthUnchanged) {
  std::string path = create(2, 100);
  const int32_t ch = 2;
  const double v[3] = {1, 2, 3};
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, v, -1, 3), kDbOk);
  faulty_.fail_pwrite_from = 1000000;  // data areas fail, the header still works
  EXPECT_EQ(QBX_WriteToDatabase(1, &ch, v, -1, 3), kDbWriteFailed);
  EXPECT_EQ(QBX_WriteToDatabaseBin(2, 3, v, -1), kDbWriteFailed);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(2), 3);
  EXPECT_EQ(at<int32_t>(file_bytes(path), header_at(2)), 3);
  faulty_.fail_pwrite_from = -1;
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, v, -1, 3), kDbOk);
  EXPECT_EQ(at<int32_t>(file_bytes(path), header_at(2)), 6);
}

TEST_F(FaultTest, FailedCacheFlushKeepsTheValuesHidden) {
  QBX_SetCacheFlags(1, 0, 8, 0);
  std::string path = create(1, 100);
  const int32_t ch = 1;
  const double v[2] = {1, 2};
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, v, -1, 2), kDbOk);
  faulty_.fail_pwrite_from = 1000000;
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(1), kDbWriteFailed);
  EXPECT_EQ(at<int32_t>(file_bytes(path), header_at(1)), 0);
  faulty_.fail_pwrite_from = -1;
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(1), 2);
  EXPECT_EQ(at<int32_t>(file_bytes(path), header_at(1)), 2);
}

TEST_F(FaultTest, FailedReadsAndHeaderWritesReportTheirStatus) {
  create(1, 100);
  const int32_t ch = 1;
  const double v[3] = {4, 5, 6};
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, v, -1, 3), kDbOk);
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, v, 0, 1), kDbOk);  // extremes now stale
  faulty_.fail_pread = true;
  double out[3];
  EXPECT_EQ(QBX_ReadFromDatabase(1, 1, 3, out), kDbReadFailed);
  double value;
  EXPECT_EQ(QBX_GetDatabaseChanMin(1, &value, nullptr), kDbReadFailed);
  faulty_.fail_pread = false;
  faulty_.fail_pwrite_from = 0;
  EXPECT_EQ(QBX_SetDatabaseChanText(1, kDbTextName, "x"), kDbWriteFailed);
}

TEST_F(FaultTest, CreationFailuresRemoveTheHalfMadeFile) {
  ASSERT_EQ(QBX_CreateDatabase(0, nullptr, 2), kDbOk);
  std::string path = dir_.file("fail.dat");
  faulty_.fail_ftruncate = true;
  EXPECT_EQ(QBX_CreateDatabase(1, path.c_str(), 0), kDbSeekFailed);
  EXPECT_FALSE(exists(path));
  faulty_.fail_ftruncate = false;
  faulty_.fail_pwrite_from = 0;
  EXPECT_EQ(QBX_CreateDatabase(1, path.c_str(), 0), kDbWriteFailed);
  EXPECT_FALSE(exists(path));
  faulty_.fail_pwrite_from = -1;
  // The descriptions survived the failures: a retry creates the file.
  EXPECT_EQ(QBX_CreateDatabase(1, path.c_str(), 0), kDbOk);
  EXPECT_EQ(file_bytes(path).size(), 1000000u + 2 * 2048 * 8);
}

TEST_F(FaultTest, FreeSpaceDecidesWhetherTheFileIsCreated) {
  ASSERT_EQ(QBX_CreateDatabase(0, nullptr, 1), kDbOk);
  std::string path = dir_.file("space.dat");
  faulty_.fail_statvfs = true;
  EXPECT_EQ(QBX_CreateDatabase(1, path.c_str(), 0), kDbOpenFailed);
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0], "Unable to determine available disk space: 13");
  EXPECT_EQ(QBX_GetFreeDiskSpace(dir_.path().c_str()), -1);
  faulty_.fail_statvfs = false;
  // 1000000 + 16384 bytes needed: 248 blocks of 4096 are not enough, 249 are.
  faulty_.fake_free_blocks = 248;
  EXPECT_EQ(QBX_CreateDatabase(1, path.c_str(), 0), kDbDiskFull);
  EXPECT_FALSE(exists(path));
  faulty_.fake_free_blocks = 249;
  EXPECT_EQ(QBX_CreateDatabase(1, path.c_str(), 0), kDbOk);
  EXPECT_EQ(QBX_GetFreeDiskSpace(dir_.path().c_str()), 249 * 4096);
}

TEST_F(FaultTest, LengthsReachTheFileWithoutAMapping) {
  faulty_.fail_map = true;
  std::string path = create(2, 100);
  const int32_t ch = 2;
  const double v[3] = {1, 2, 3};
  ASSERT_EQ(QBX_WriteToDatabase(1, &ch, v, -1, 3), kDbOk);
  EXPECT_EQ(at<int32_t>(file_bytes(path), header_at(2)), 3);
  // Without the mapping a failing header write is reported.
  faulty_.fail_pwrite_from = 4;
  EXPECT_EQ(QBX_String2Chan(2, v, kDbTypeDouble, 3), kDbWriteFailed);
}
