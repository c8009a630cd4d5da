// The one place where this area reaches the channel database: lengths, block reads, the maximum
// and buffered appends, all through the database's exports. A build of the math library without
// the database has no channels: every call then reports the database's "no open database" status.
#ifndef NUMERA32_SPECTRA_CHANNEL_IO_H
#define NUMERA32_SPECTRA_CHANNEL_IO_H

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace numera::signal::db {

inline constexpr int32_t kNotOpen = -99;  // the database's status for "no database open"
inline constexpr int32_t kNoRoom = -106;  // the database's status for a write beyond the maximum length
inline constexpr int32_t kReadBlock = 256;

// Current length of the channel (>= 0), or a negative database status.
int32_t length(int32_t channel);
// Sets the current length (the database's own check applies).
int32_t set_length(int32_t channel, int32_t length);
// Reads rows first .. first+count-1 (1-based) into out; 0 or a negative database status.
int32_t read(int32_t channel, int32_t first, int32_t count, double* out);
// Reads rows 1 .. count into values, in blocks of kReadBlock rows; 0 or a status. Throws
// std::bad_alloc when the values do not fit in memory.
int32_t read_rows(int32_t channel, int32_t count, std::vector<double>& values);
// Largest value of the channel (the database's maximum query); 0 or a status.
int32_t maximum(int32_t channel, double& value);
// Rows the channel can still take behind its current length (>= 0), or a negative database status
// (a text channel gives the database's status for numbers written to text).
int32_t room(int32_t channel);
// Appends count values to the end of the channel in one write; 0 or a negative database status.
int32_t append(int32_t channel, const double* values, int32_t count);

// One target of append_together: a channel and the values that go to its end.
struct Output {
  int32_t channel;
  const std::vector<double>& values;
};
// Appends results that belong together all or not at all: every target's room is checked before
// anything is written. 0; kNoRoom (nothing written) when a target cannot take all its values;
// the status of a room query or of a write that fails even so.
int32_t append_together(std::initializer_list<Output> outputs);

// Appends values to the end of a channel in blocks; the first failed write is kept and returned
// by flush(), later values are dropped.
class Appender {
 public:
  explicit Appender(int32_t channel) : channel_(channel) { buffer_.reserve(kReadBlock); }
  void push(double v) {
    buffer_.push_back(v);
    if (buffer_.size() == static_cast<std::size_t>(kReadBlock)) flush();
  }
  int32_t flush();
  int32_t status() const { return status_; }

 private:
  int32_t channel_;
  int32_t status_ = 0;
  std::vector<double> buffer_;
};

}  // namespace numera::signal::db

#endif
