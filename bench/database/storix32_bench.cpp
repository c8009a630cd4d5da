// Appending blocks of 256 to 4096 values round-robin over 1000 channels: through the database, as raw
// pwrite of the identical pattern into an identically pre-sized file, and into SQLite (WAL, one blob
// per block, one transaction per round). Also single-value appends with and without the write cache.
// One iteration is one round over all channels; compare bytes_per_second.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "storix32.h"

namespace {

constexpr int32_t kChannels = 1000;
constexpr int32_t kMaxLength = 16384;  // values per channel; a full channel starts over at 0
constexpr int64_t kDataStart = 1000000;
constexpr int kRounds = 16;            // distinct block-size rounds, repeated

// Block sizes of every (round, channel), 256..4096 values, the same for every contender.
const std::vector<int32_t>& block_sizes() {
  static const std::vector<int32_t> sizes = [] {
    std::mt19937 rng(2026);
    std::vector<int32_t> s(static_cast<size_t>(kRounds) * kChannels);
    for (auto& n : s) n = 256 + static_cast<int32_t>(rng() % (4096 - 256 + 1));
    return s;
  }();
  return sizes;
}

const std::vector<double>& values() {
  static const std::vector<double> v = [] {
    std::vector<double> d(4096);
    for (size_t i = 0; i < d.size(); ++i) d[i] = 0.001 * static_cast<double>(i) - 1.5;
    return d;
  }();
  return v;
}

std::string scratch_dir() {
  static const std::string dir = [] {
    char name[] = "/tmp/storix32-bench-XXXXXX";
    return std::string(mkdtemp(name));
  }();
  return dir;
}

int64_t bytes_of_round(int round) {
  int64_t total = 0;
  for (int32_t c = 0; c < kChannels; ++c) total += block_sizes()[static_cast<size_t>(round * kChannels + c)];
  return total * 8;
}

// Opens a fresh database of 1000 channels (cache as given).
void create_database(const std::string& path, int32_t cache_size) {
  QBX_SetCacheFlags(cache_size > 0, 0, cache_size, 0);
  QBX_CreateDatabase(0, nullptr, kChannels);
  for (int32_t ch = 1; ch <= kChannels; ++ch) {
    DbChannelHeader h;
    QBX_GetDatabaseChanConfig(ch, &h);
    h.max_length = kMaxLength;
    QBX_SetDatabaseChanConfig(ch, &h);
  }
  if (QBX_CreateDatabase(1, path.c_str(), 0) != kDbOk) std::abort();
}

void BM_DatabaseBlocks(benchmark::State& state) {
  const std::string path = scratch_dir() + "/db.dat";
  create_database(path, 0);
  std::vector<int32_t> length(kChannels + 1, 0);
  int round = 0;
  int64_t bytes = 0;
  for (auto _ : state) {
    for (int32_t ch = 1; ch <= kChannels; ++ch) {
      int32_t n = block_sizes()[static_cast<size_t>(round * kChannels + ch - 1)];
      if (length[ch] + n > kMaxLength) {
        QBX_SetDatabaseChanCurrLen(ch, 0);
        length[ch] = 0;
      }
      if (QBX_WriteToDatabase(1, &ch, values().data(), -1, n) != kDbOk) state.SkipWithError("write failed");
      length[ch] += n;
    }
    bytes += bytes_of_round(round);
    round = (round + 1) % kRounds;
  }
  state.SetBytesProcessed(bytes);
  QBX_RemoveDatabase(1);
}
BENCHMARK(BM_DatabaseBlocks)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_RawPwriteBlocks(benchmark::State& state) {
  const std::string path = scratch_dir() + "/raw.dat";
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0 || ftruncate(fd, kDataStart + int64_t{kChannels} * kMaxLength * 8) != 0) std::abort();
  std::vector<int32_t> length(kChannels + 1, 0);
  int round = 0;
  int64_t bytes = 0;
  for (auto _ : state) {
    for (int32_t ch = 1; ch <= kChannels; ++ch) {
      int32_t n = block_sizes()[static_cast<size_t>(round * kChannels + ch - 1)];
      if (length[ch] + n > kMaxLength) length[ch] = 0;
      int64_t offset = kDataStart + (int64_t{ch - 1} * kMaxLength + length[ch]) * 8;
      if (pwrite(fd, values().data(), static_cast<size_t>(n) * 8, offset) != n * 8) state.SkipWithError("pwrite");
      length[ch] += n;
    }
    bytes += bytes_of_round(round);
    round = (round + 1) % kRounds;
  }
  state.SetBytesProcessed(bytes);
  close(fd);
  unlink(path.c_str());
}
BENCHMARK(BM_RawPwriteBlocks)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SqliteBlocks(benchmark::State& state) {
  const std::string path = scratch_dir() + "/blocks.sqlite";
  unlink(path.c_str());
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) std::abort();
  // No fsync on either side: the database does not sync either.
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=OFF;", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "CREATE TABLE block(channel INTEGER, slot INTEGER, data BLOB, PRIMARY KEY(channel, slot))",
               nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO block VALUES(?, ?, ?)", -1, &insert, nullptr);
  int round = 0;
  int64_t bytes = 0;
  int64_t rounds_done = 0;
  for (auto _ : state) {
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (int32_t ch = 1; ch <= kChannels; ++ch) {
      int32_t n = block_sizes()[static_cast<size_t>(round * kChannels + ch - 1)];
      sqlite3_bind_int(insert, 1, ch);
      sqlite3_bind_int64(insert, 2, rounds_done % 8);  // bounded table, as the channels start over
      sqlite3_bind_blob(insert, 3, values().data(), n * 8, SQLITE_STATIC);
      if (sqlite3_step(insert) != SQLITE_DONE) state.SkipWithError("sqlite insert");
      sqlite3_reset(insert);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    bytes += bytes_of_round(round);
    round = (round + 1) % kRounds;
    ++rounds_done;
  }
  state.SetBytesProcessed(bytes);
  sqlite3_finalize(insert);
  sqlite3_close(db);
  unlink(path.c_str());
  unlink((path + "-wal").c_str());
  unlink((path + "-shm").c_str());
}
BENCHMARK(BM_SqliteBlocks)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Single values round-robin over the 1000 channels (one scan per call); argument = cache size
// (0: no cache).
void BM_DatabaseSingleValues(benchmark::State& state) {
  const std::string path = scratch_dir() + "/single.dat";
  create_database(path, static_cast<int32_t>(state.range(0)));
  std::vector<int32_t> length(kChannels + 1, 0);
  int64_t written = 0;
  for (auto _ : state) {
    for (int32_t ch = 1; ch <= kChannels; ++ch) {
      if (length[ch] + 1 > kMaxLength) {
        QBX_SetDatabaseChanCurrLen(ch, 0);
        length[ch] = 0;
      }
      if (QBX_WriteToDatabase(1, &ch, values().data() + (length[ch] & 4095), -1, 1) != kDbOk)
        state.SkipWithError("write failed");
      ++length[ch];
    }
    written += kChannels;
  }
  state.SetItemsProcessed(written);
  state.SetBytesProcessed(written * 8);
  QBX_RemoveDatabase(1);
  QBX_SetCacheFlags(0, 0, 0, 0);
}
BENCHMARK(BM_DatabaseSingleValues)->Arg(0)->Arg(256)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
