// Crash safety: a child process appends blocks in a loop and is killed with SIGKILL at random moments;
// every time, the file must open and every visible value must be exactly the value written there.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "db_fixture.h"
#include "platform.h"

using namespace dbtest;

namespace {

constexpr int32_t kChannels = 8;
constexpr int32_t kMaxLength = 4096;

double pattern(int32_t channel, int64_t index) { return channel * 1e6 + static_cast<double>(index); }

// A disk that pauses before every write, so that the kills land between the writes of one operation
// (between values and length) rather than in the loop around them.
class SlowDisk : public storix::Platform {
 public:
  ssize_t pwrite(int fd, const void* data, size_t count, off_t offset) override {
    usleep(static_cast<useconds_t>(rng_() % 200));
    return Platform::pwrite(fd, data, count, offset);
  }

 private:
  std::mt19937 rng_{7};
};

// The child's loop: appends blocks of 1..60 values round-robin, single-channel and interleaved, and
// starts a channel over when it is full. Never returns.
[[noreturn]] void append_forever(const std::string& path, unsigned seed) {
  static SlowDisk slow;
  storix::set_platform(&slow);
  if (QBX_CreateDatabase(-1, path.c_str(), 0) != kDbOk) _exit(3);
  int32_t length[kChannels + 1];
  for (int32_t ch = 1; ch <= kChannels; ++ch) length[ch] = QBX_GetDatabaseChanCurrLen(ch);
  std::mt19937 rng(seed);
  std::vector<double> block(2 * 64);
  for (int32_t ch = 1;; ch = ch % kChannels + 1) {
    int32_t n = static_cast<int32_t>(rng() % 60) + 1;
    if (ch < kChannels && rng() % 3 == 0) {
      // Two neighbouring channels in one interleaved write.
      const int32_t list[2] = {ch, ch + 1};
      for (int32_t i = 0; i < 2; ++i)
        if (length[list[i]] + n > kMaxLength) {
          QBX_SetDatabaseChanCurrLen(list[i], 0);
          length[list[i]] = 0;
        }
      for (int32_t k = 0; k < n; ++k)
        for (int32_t i = 0; i < 2; ++i) block[static_cast<size_t>(2 * k + i)] = pattern(list[i], length[list[i]] + k);
      if (QBX_WriteToDatabase(2, list, block.data(), -1, n) != kDbOk) _exit(4);
      length[ch] += n;
      length[ch + 1] += n;
    } else {
      if (length[ch] + n > kMaxLength) {
        QBX_SetDatabaseChanCurrLen(ch, 0);
        length[ch] = 0;
      }
      for (int32_t k = 0; k < n; ++k) block[static_cast<size_t>(k)] = pattern(ch, length[ch] + k);
      if (QBX_WriteToDatabase(1, &ch, block.data(), -1, n) != kDbOk) _exit(4);
      length[ch] += n;
    }
  }
}

// Kills the appending child a few dozen times and checks the file after each kill. Returns the total
// number of visible values seen, to show that the child made progress.
int64_t run_kills(const std::string& path, int rounds) {
  std::mt19937 rng(12345);
  int64_t seen = 0;
  for (int round = 0; round < rounds; ++round) {
    SCOPED_TRACE(round);
    pid_t child = fork();
    if (child == 0) append_forever(path, static_cast<unsigned>(round));
    EXPECT_GT(child, 0);
    usleep(static_cast<useconds_t>(2000 + rng() % 20000));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "child ended by itself: " << WEXITSTATUS(status);

    EXPECT_EQ(QBX_CreateDatabase(-1, path.c_str(), 0), kDbOk);
    for (int32_t ch = 1; ch <= kChannels; ++ch) {
      int32_t n = QBX_GetDatabaseChanCurrLen(ch);
      EXPECT_GE(n, 0);
      EXPECT_LE(n, kMaxLength);
      std::vector<double> values(static_cast<size_t>(std::max(n, 0)));
      EXPECT_EQ(QBX_ReadFromDatabase(ch, 1, n, values.data()), kDbOk);
      for (int32_t i = 0; i < n; ++i) {
        if (values[static_cast<size_t>(i)] != pattern(ch, i)) {
          ADD_FAILURE() << "channel " << ch << " value " << i << " is " << values[static_cast<size_t>(i)];
          break;
        }
      }
      if (n > 0) {
        double min = 0;
        EXPECT_EQ(QBX_GetDatabaseChanMin(ch, &min, nullptr), kDbOk);
        EXPECT_EQ(min, pattern(ch, 0));
      }
      seen += n;
    }
    EXPECT_EQ(QBX_RemoveDatabase(0), kDbOk);
  }
  return seen;
}

}  // namespace

class CrashTest : public DbTest {
 protected:
  std::string make_file() {
    std::string path = create(kChannels, kMaxLength, "crash.dat");
    EXPECT_EQ(QBX_RemoveDatabase(0), kDbOk);
    return path;
  }
};

TEST_F(CrashTest, KilledWriterLeavesOnlyWrittenValuesVisible) {
  std::string path = make_file();
  EXPECT_GT(run_kills(path, 30), 0);
}

TEST_F(CrashTest, KilledCachingWriterLosesOnlyCachedValues) {
  QBX_SetCacheFlags(1, 0, 16, 0);
  std::string path = make_file();
  EXPECT_GT(run_kills(path, 30), 0);
}
