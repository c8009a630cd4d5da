// The channel database file as the tool uses it: created for a recording (one channel per recorded
// or formula channel, named, with its unit, its rate and start time), opened for `corvane db`,
// listed and read in pieces. The library keeps one database per process; so does this class.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane_cli {

// A channel of a new database.
struct NewDbChannel {
  std::string name;     // UTF-8; stored in Latin-1, cut to 32 bytes
  std::string unit;     // UTF-8; stored in Latin-1, cut to 10 bytes
  std::string comment;  // UTF-8; cut to 128 bytes
};

struct DbChannelInfo {
  int32_t number = 0;  // 1-based
  std::string name, unit, comment;  // UTF-8, trailing blanks removed
  int32_t length = 0, max_length = 0;
  std::optional<double> minimum, maximum;  // none for an empty channel
  std::optional<double> rate_hz;           // values per second, when the recording noted it
  std::string start;                       // ISO 8601 time of the first value, when noted
  std::optional<std::chrono::system_clock::time_point> modified;  // last write, when stamped
};

class ChannelDatabase {
 public:
  // Creates `path` (which must not exist unless replace) with every channel numeric, of
  // `capacity` values, rate_hz and start noted; leaves it open. Throws CommandError with the
  // library's status text. Every write stamps the channel with the time (UTC).
  static ChannelDatabase create(const std::string& path, const std::vector<NewDbChannel>& channels,
                                int32_t capacity, double rate_hz, std::chrono::system_clock::time_point start,
                                bool replace);
  // Opens an existing database; throws CommandError.
  static ChannelDatabase open(const std::string& path);
  ChannelDatabase(ChannelDatabase&& other) noexcept;
  ChannelDatabase& operator=(ChannelDatabase&&) = delete;
  ChannelDatabase(const ChannelDatabase&) = delete;
  // Closes the file (writing every description).
  ~ChannelDatabase();
  // Closes now; throws nothing. Idempotent.
  void close();

  const std::string& path() const { return path_; }
  int32_t channel_count() const;
  DbChannelInfo channel(int32_t number) const;
  // Reads count values of the channel from 0-based position first into out; throws CommandError.
  void read(int32_t number, int64_t first, int32_t count, double* out) const;
  // The bytes values of a recording of `channels` channels and `scans` scans need on disk.
  static double file_bytes(size_t channels, int64_t scans);

 private:
  explicit ChannelDatabase(std::string path) : path_(std::move(path)) {}
  std::string path_;
  bool open_ = false;
};

// Free bytes on the file system that would hold path (its folder when it does not exist); a
// negative number when unknown.
double free_disk_bytes(const std::string& path);

}  // namespace corvane_cli
