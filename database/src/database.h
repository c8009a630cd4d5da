// The process-wide state of the channel database (the one open file, its channel descriptions, the
// write caches and the time-stamp callback) and the operations every other part builds on: channel
// checks, header writes, cache flushes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storix32.h"

namespace storix {

// Byte offset of channel k's description in the file (k >= 1).
inline int64_t header_offset(int32_t channel) {
  return kDbHeaderStart + static_cast<int64_t>(channel - 1) * static_cast<int64_t>(sizeof(DbChannelHeader));
}

// Defaults of a new description.
inline constexpr int32_t kDefaultMaxLength = 2048;
inline constexpr uint16_t kNumericElementSize = 8;

// Write cache of one channel: values appended since the last flush, starting at position `first`.
struct WriteCache {
  std::vector<double> values;  // capacity = cache size
  int32_t count = 0;
  int32_t first = 0;
  bool dirty() const { return count > 0; }
};

struct Database {
  int fd = -1;                         // open file, -1 when none
  std::string path;                    // its name
  int32_t n = 0;                       // number of channels (0: no descriptions)
  std::vector<DbChannelHeader> hdr;    // descriptions, index 0 unused
  std::vector<int64_t> area_bytes;     // size of each channel's area in the open file
  unsigned char* header_map = nullptr; // shared mapping of the description table, or none
  size_t header_map_bytes = 0;
  int32_t max_length = 0;              // largest maximum length
  bool caching = false;                // caches in use for this database
  std::vector<WriteCache> caches;      // index 0 unused; empty when not caching
};

// Settings that outlive a database.
struct Settings {
  bool cache_enable = false;
  int32_t cache_size = 0;
  DbTimeStampCallback stamp = nullptr;
};

Database& db();
Settings& settings();

// True when `channel` is 1..N and inside the description table.
bool valid_channel(int32_t channel);
inline bool file_open() { return db().fd >= 0; }

// A description with the defaults (blank texts, numeric, maximum length 2048).
DbChannelHeader default_header();

// Recomputes the largest maximum length.
void update_max_length();

// Calls the time-stamp callback for the channel, if one is set.
void stamp_channel(int32_t channel);

// Maps the description table of the open file so that lengths are stored without a system call; a
// failed mapping leaves lengths to pwrite.
void map_headers();

// Writes the channel's in-memory length (4 bytes) into its description in the file.
int32_t write_length(int32_t channel);
// Flushes the channel's cache, then writes its whole description to the file (no file: 0).
int32_t write_header(int32_t channel);

// Writes the values held in the channel's write cache, then the length that makes them visible.
int32_t flush_cache(int32_t channel);
// Flushes every channel's cache; the first failure is returned, the others are still tried.
int32_t flush_all();

// Allocates the write caches when caching is switched on; a failed allocation switches it off.
void allocate_caches();

// Flushes, writes the descriptions, closes the file and forgets the database (descriptions too unless
// keep_descriptions). Returns the first failure.
int32_t close_database(bool keep_descriptions);

}  // namespace storix
