// Channel database access for the transform, filter and fit functions (see channel_io.h).
#include "channel_io.h"

#ifdef NUMERA32_HAVE_STORIX
#include "storix32.h"
#endif

namespace numera::signal::db {

#ifdef NUMERA32_HAVE_STORIX

int32_t length(int32_t channel) { return QBX_GetDatabaseChanCurrLen(channel); }

int32_t set_length(int32_t channel, int32_t len) { return QBX_SetDatabaseChanCurrLen(channel, len); }

int32_t read(int32_t channel, int32_t first, int32_t count, double* out) {
  return QBX_ReadFromDatabase(channel, first, count, out);
}

int32_t maximum(int32_t channel, double& value) {
  int32_t position = 0;
  return QBX_GetDatabaseChanMax(channel, &value, &position);
}

int32_t room(int32_t channel) {
  DbChannelHeader config {};
  if (const int32_t st = QBX_GetDatabaseChanConfig(channel, &config); st < 0) return st;
  if (config.kind != kDbKindNumeric) return kDbNotText;
  const int32_t capacity = QBX_GetDatabaseChanMaxLen(channel);
  if (capacity < 0) return capacity;
  const int32_t used = QBX_GetDatabaseChanCurrLen(channel);  // flushes the channel's write cache
  if (used < 0) return used;
  return capacity > used ? capacity - used : 0;
}

int32_t append(int32_t channel, const double* values, int32_t count) {
  if (count == 0) return 0;
  const int32_t list[1] = {channel};
  const int32_t st = QBX_WriteToDatabase(1, list, values, -1, count);
  return st < 0 ? st : 0;
}

#else

int32_t length(int32_t) { return kNotOpen; }
int32_t set_length(int32_t, int32_t) { return kNotOpen; }
int32_t read(int32_t, int32_t, int32_t, double*) { return kNotOpen; }
int32_t maximum(int32_t, double&) { return kNotOpen; }
int32_t room(int32_t) { return kNotOpen; }
int32_t append(int32_t, const double*, int32_t count) { return count == 0 ? 0 : kNotOpen; }

#endif

int32_t Appender::flush() {
  if (status_ == 0 && !buffer_.empty()) {
    const int32_t st = append(channel_, buffer_.data(), static_cast<int32_t>(buffer_.size()));
    if (st < 0) status_ = st;
  }
  buffer_.clear();
  return status_;
}

int32_t append_together(std::initializer_list<Output> outputs) {
  for (const Output& o : outputs) {
    const int32_t free_rows = room(o.channel);
    if (free_rows < 0) return free_rows;
    if (o.values.size() > static_cast<std::size_t>(free_rows)) return kNoRoom;
  }
  for (const Output& o : outputs) {
    if (const int32_t st = append(o.channel, o.values.data(), static_cast<int32_t>(o.values.size())); st < 0)
      return st;
  }
  return 0;
}

int32_t read_rows(int32_t channel, int32_t count, std::vector<double>& values) {
  values.resize(static_cast<std::size_t>(count < 0 ? 0 : count));
  for (int32_t first = 1; first <= count; first += kReadBlock) {
    const int32_t n = count - first + 1 < kReadBlock ? count - first + 1 : kReadBlock;
    const int32_t st = read(channel, first, n, values.data() + (first - 1));
    if (st < 0) return st;
  }
  return 0;
}

}  // namespace numera::signal::db
