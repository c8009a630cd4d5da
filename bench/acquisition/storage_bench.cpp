// The storage of one read of 100 channels x 1000 values, as the kernel does it after every block,
// against raw pwrite of the same bytes to the same places in the same run:
//  - into the channel database (each channel's block appended to its data area, statistics and
//    length kept), against one pwrite per channel of its 8000 bytes at its offset in the file;
//  - into one online file (per channel its count and its values, one pwritev), against one pwrite
//    of the same 800400 bytes from a buffer prepared beforehand.
// The ratio (pwrite time / our time, higher is better) should be at least 0.7 for both.
// Files go to $TMPDIR (else /tmp); the database channels are emptied and the online file cut back
// outside the timing whenever they would fill.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kernel_state.h"
#include "multiscan/block_storage.h"
#include "qbx_bench/ratio_reporter.h"
#include "storage/online_files.h"
#include "storix32.h"
#include "tallix32.h"

namespace {

constexpr int32_t kChannels = 100;
constexpr int32_t kValues = 1000;
constexpr int32_t kBlocksPerFill = 40;  // reads that fit a database channel before it is emptied
constexpr int32_t kMaxLength = kValues * kBlocksPerFill;
constexpr int64_t kDataStart = 1000000;  // the database's first data area
constexpr int16_t kStoreDatabase = 1;
constexpr int16_t kStoreOnline = 2;

std::string temp_file(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/" + name + "." + std::to_string(getpid());
}

const std::vector<int32_t>& channel_list() {
  static std::vector<int32_t> list = [] {
    std::vector<int32_t> l;
    for (int32_t ch = 1; ch <= kChannels; ++ch) l.push_back(ch);
    return l;
  }();
  return list;
}

// Every channel's IO buffer holds a block of kValues values, as after a read.
void fill_kernel(int16_t storage_mode) {
  static bool filled = false;
  if (!filled) {
    filled = true;
    QBX_ACQInitAcqHdr();
    for (int32_t ch = 1; ch <= kChannels; ++ch) {
      QBX_ACQAllocIOBuf(ch, kValues, 0);
      IOBuf& b = tallix::buffer(ch);
      for (int32_t k = 0; k < kValues; ++k) b.values[k] = 0.001 * (ch * 7919 + k * 31 % 1000) - 3.0;
      b.current_length = kValues;
      tallix::header(ch).read_block_count = kValues;
    }
  }
  for (int32_t ch = 1; ch <= kChannels; ++ch) tallix::header(ch).storage_mode = storage_mode;
}

// Before each read: every kBlocksPerFill reads, outside the timing, reset() empties the target.
template <class Reset>
void before_read(benchmark::State& state, int32_t& blocks, Reset reset) {
  if (blocks < kBlocksPerFill) return;
  state.PauseTiming();
  reset();
  blocks = 0;
  state.ResumeTiming();
}

// The same bytes in one buffer: per channel its count and its values.
std::vector<char> online_bytes() {
  std::vector<char> bytes;
  for (int32_t ch = 1; ch <= kChannels; ++ch) {
    const int32_t count = kValues;
    const char* c = reinterpret_cast<const char*>(&count);
    bytes.insert(bytes.end(), c, c + sizeof count);
    const char* v = reinterpret_cast<const char*>(tallix::buffer(ch).values);
    bytes.insert(bytes.end(), v, v + sizeof(double) * kValues);
  }
  return bytes;
}

void BM_StoreDatabase(benchmark::State& state) {
  fill_kernel(kStoreDatabase);
  const std::string file = temp_file("storage_bench.db");
  QBX_CreateDatabase(0, nullptr, kChannels);
  DbChannelHeader config{};
  for (int32_t ch = 1; ch <= kChannels; ++ch) {
    QBX_GetDatabaseChanConfig(ch, &config);
    config.max_length = kMaxLength;
    QBX_SetDatabaseChanConfig(ch, &config);
  }
  if (QBX_CreateDatabase(1, file.c_str(), 0) != 0) {
    state.SkipWithError("database not created");
    return;
  }
  QBX_SetOLStorageFlag(kAcqStoreDatabaseOnly);
  int32_t blocks = 0;
  for (auto _ : state) {
    before_read(state, blocks, [] {
      for (int32_t ch = 1; ch <= kChannels; ++ch) QBX_SetDatabaseChanCurrLen(ch, 0);
    });
    if (tallix::store_block(kChannels, channel_list().data(), kValues) != 0) {
      state.SkipWithError("store failed");
      break;
    }
    ++blocks;
  }
  state.SetBytesProcessed(state.iterations() * kChannels * kValues * int64_t{sizeof(double)});
  QBX_RemoveDatabase(1);
}

void BM_PwriteDatabase(benchmark::State& state) {
  fill_kernel(kStoreDatabase);
  const std::string file = temp_file("storage_bench.raw");
  const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  const int64_t area = int64_t{kMaxLength} * sizeof(double);
  if (fd < 0 || ftruncate(fd, kDataStart + area * kChannels) != 0) {
    state.SkipWithError("file not created");
    return;
  }
  int32_t blocks = 0;
  for (auto _ : state) {
    if (blocks == kBlocksPerFill) blocks = 0;  // the same places as the database's reads
    for (int32_t ch = 1; ch <= kChannels; ++ch) {
      const int64_t at = kDataStart + area * (ch - 1) + int64_t{blocks} * kValues * int64_t{sizeof(double)};
      if (pwrite(fd, tallix::buffer(ch).values, sizeof(double) * kValues, at) != sizeof(double) * kValues) {
        state.SkipWithError("pwrite failed");
        break;
      }
    }
    ++blocks;
  }
  state.SetBytesProcessed(state.iterations() * kChannels * kValues * int64_t{sizeof(double)});
  close(fd);
  unlink(file.c_str());
}

void BM_StoreOnline(benchmark::State& state) {
  fill_kernel(kStoreOnline);
  const std::string file = temp_file("storage_bench.online");
  QBX_ACQCloseOnlineFile(0);
  QBX_ACQSetOnlineFile(0, 0, file.c_str(), 0, 0, 0, nullptr);
  QBX_SetOLStorageFlag(kAcqStoreOnlineOnly);
  int32_t blocks = 0;
  for (auto _ : state) {
    before_read(state, blocks, [&] {
      tallix::OnlineFile& f = tallix::online().single;  // cut back as a new file would be
      if (ftruncate(f.fd, 0) != 0) state.SkipWithError("truncate failed");
      f.end = 0;
    });
    if (tallix::store_block(kChannels, channel_list().data(), kValues) != 0) {
      state.SkipWithError("store failed");
      break;
    }
    ++blocks;
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(online_bytes().size()));
  QBX_ACQCloseOnlineFile(0);
  unlink(file.c_str());
}

void BM_PwriteOnline(benchmark::State& state) {
  fill_kernel(kStoreOnline);
  const std::vector<char> bytes = online_bytes();
  const std::string file = temp_file("storage_bench.online.raw");
  const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) {
    state.SkipWithError("file not created");
    return;
  }
  int32_t blocks = 0;
  for (auto _ : state) {
    before_read(state, blocks, [&] {
      if (ftruncate(fd, 0) != 0) state.SkipWithError("truncate failed");
    });
    const auto at = static_cast<off_t>(blocks) * static_cast<off_t>(bytes.size());
    if (pwrite(fd, bytes.data(), bytes.size(), at) != static_cast<ssize_t>(bytes.size())) {
      state.SkipWithError("pwrite failed");
      break;
    }
    ++blocks;
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
  close(fd);
  unlink(file.c_str());
}

BENCHMARK(BM_StoreDatabase)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_PwriteDatabase)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_StoreOnline)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_PwriteOnline)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return qbx_bench::run_with_ratios(argc, argv, [](const qbx_bench::RatioReporter& r) {
    std::printf("\nstorage of one read (100 channels x 1000 values) relative to raw pwrite of the same bytes\n"
                "(pwrite time / our time, higher is better, goal >= 0.7)\n");
    std::printf("%-10s %8.3f\n", "database", r.ratio("BM_StoreDatabase/real_time", "BM_PwriteDatabase/real_time"));
    std::printf("%-10s %8.3f\n", "online", r.ratio("BM_StoreOnline/real_time", "BM_PwriteOnline/real_time"));
  });
}
