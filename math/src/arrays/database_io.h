// The channel database as the array and channel operations use it: lengths, reads and writes of
// numeric channels, and a reader that walks a channel row by row in blocks.
#ifndef NUMERA32_ARRAYS_DATABASE_IO_H
#define NUMERA32_ARRAYS_DATABASE_IO_H

#include <cstdint>
#include <vector>

namespace numera32::arrays::db {

// Current length (>= 0) or a negative database status.
int32_t length(int32_t channel);
int32_t set_length(int32_t channel, int32_t length);
// Reads rows first..first+count-1 (1-based).
int32_t read(int32_t channel, int32_t first, int32_t count, double* out);
// Writes count values of one channel at 0-based position (-1 appends).
int32_t write(int32_t channel, int32_t position, int32_t count, const double* values);
// Writes interleaved scans of several channels (QBX_WriteToDatabaseEx).
int32_t write_scans(int32_t channels, const int32_t* list, const int32_t* counts, const double* data,
                    int32_t position);

// Reads a channel row by row through a buffer of kBlock rows.
class RowReader {
 public:
  static constexpr int32_t kBlock = 1024;
  explicit RowReader(int32_t channel) : channel_(channel) {}
  // The value at 1-based row (within the channel's length); false when the read fails.
  bool at(int32_t row, double& value);

 private:
  int32_t channel_;
  int32_t first_ = 0;  // row of buffer_[0]; 0 = nothing held
  std::vector<double> buffer_;
};

}  // namespace numera32::arrays::db

#endif
