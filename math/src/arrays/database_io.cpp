// Channel database access for arrays and channel math. A build of the library without the database
// has no channels: every call reports the database's "no open database" status.
#include "arrays/database_io.h"

#include <algorithm>

#include "signal/channel_io.h"

#ifdef NUMERA32_HAVE_STORIX
#include "storix32.h"
#endif

namespace numera32::arrays::db {

// Lengths and reads as the signal functions use them.
int32_t length(int32_t channel) { return numera::signal::db::length(channel); }
int32_t set_length(int32_t channel, int32_t len) { return numera::signal::db::set_length(channel, len); }
int32_t read(int32_t channel, int32_t first, int32_t count, double* out) {
  return numera::signal::db::read(channel, first, count, out);
}

#ifdef NUMERA32_HAVE_STORIX

int32_t write(int32_t channel, int32_t position, int32_t count, const double* values) {
  const int32_t list[1] = {channel};
  return QBX_WriteToDatabase(1, list, values, position, count);
}
int32_t write_scans(int32_t channels, const int32_t* list, const int32_t* counts, const double* data,
                    int32_t position) {
  return QBX_WriteToDatabaseEx(channels, list, counts, data, position);
}

#else

int32_t write(int32_t, int32_t, int32_t, const double*) { return numera::signal::db::kNotOpen; }
int32_t write_scans(int32_t, const int32_t*, const int32_t*, const double*, int32_t) {
  return numera::signal::db::kNotOpen;
}

#endif

bool RowReader::at(int32_t row, double& value) {
  if (first_ == 0 || row < first_ || row >= first_ + static_cast<int32_t>(buffer_.size())) {
    const int32_t len = length(channel_);
    if (row < 1 || row > len) return false;
    const int32_t count = std::min(kBlock, len - row + 1);
    buffer_.resize(static_cast<std::size_t>(count));
    if (read(channel_, row, count, buffer_.data()) != 0) {
      first_ = 0;
      return false;
    }
    first_ = row;
  }
  value = buffer_[static_cast<std::size_t>(row - first_)];
  return true;
}

}  // namespace numera32::arrays::db
