// The IO buffer exports: allocation, lengths, block copies in and out, storage into the channel
// database, and statistics. Every export takes the low 16 bits of its channel argument, checks the
// channel and, where it needs one, the buffer.
#include "io_buffers.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "export_guard.h"
#include "platform.h"
#include "storix32.h"

using namespace tallix;

namespace tallix {

int32_t check_channel(int32_t argument, bool need_buffer, int32_t* channel) {
  *channel = channel_arg(argument);
  if (!valid_channel(*channel)) return kAcqBadChannel;
  if (need_buffer && buffer(*channel).values == nullptr) return kAcqNotAllocated;
  return kAcqOk;
}

void free_io_buffer(int32_t channel) {
  IOBuf& b = buffer(channel);
  release(b.values);
  b.values = nullptr;
  b.capacity = 0;
  b.current_length = 0;
  b.block_start = 0;
  b.write_offset = 0;
  b.tag = 0;
}

}  // namespace tallix

namespace {

constexpr int32_t kAppend = -1;           // database position: append at the channel's end
constexpr int32_t kFormulaValue = -1;     // QBX_ACQGetIOBuf index: the current formula row
constexpr int32_t kLastValue = -2;        // QBX_ACQGetIOBuf index: the last value
constexpr const char kStoreErrorText[] = "ACQStore error: I/O buffer not allocated for channel %i";

void copy_values(double* to, const double* from, int32_t count) {
  if (count > 0) std::memcpy(to, from, static_cast<size_t>(count) * sizeof(double));
}

int32_t store(int32_t db_channel, int32_t count, const double* values) {
  return QBX_WriteToDatabaseEx(1, &db_channel, &count, values, kAppend);
}

// The first value over the current length that no later value beats, and its index (-413 when
// the buffer is empty).
template <class Beats>
int32_t extreme(int32_t argument, double* value, int32_t* index, Beats beats) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, true, &channel)) return r;
  if (value == nullptr || index == nullptr) return kAcqBadArgument;
  const IOBuf& b = buffer(channel);
  if (b.current_length < 1) return kAcqBadIndex;
  int32_t at = 0;
  for (int32_t i = 1; i < b.current_length; ++i) {
    if (beats(b.values[i], b.values[at])) at = i;
  }
  *value = b.values[at];
  *index = at;
  return kAcqOk;
}

}  // namespace

extern "C" {

int32_t QBX_ACQAllocIOBuf(int32_t argument, int32_t size, int32_t tag) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, false, &channel)) return r;
  if (size < 1) return kAcqOutOfMemory;
  free_io_buffer(channel);
  IOBuf& b = buffer(channel);
  b.values = allocate_doubles(static_cast<size_t>(size));
  if (b.values == nullptr) return kAcqOutOfMemory;
  b.capacity = size;
  b.tag = static_cast<int16_t>(tag);
  return kAcqOk;
}

int32_t QBX_ACQFreeIOBuf(int32_t argument) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, false, &channel)) return r;
  free_io_buffer(channel);
  return kAcqOk;
}

int32_t QBX_ACQResetIOBuf(int32_t argument) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, false, &channel)) return r;
  IOBuf& b = buffer(channel);
  b.current_length = b.block_start = b.write_offset = 0;
  return kAcqOk;
}

int32_t QBX_ACQGetIOBufCurrLen(int32_t argument) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, false, &channel)) return r;
  return buffer(channel).current_length;
}

int32_t QBX_ACQSetIOBufCurrLen(int32_t argument, int32_t length_argument) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, true, &channel)) return r;
  const int32_t length = static_cast<int16_t>(length_argument & 0xFFFF);
  IOBuf& b = buffer(channel);
  if (length < 0 || length > b.capacity) return kAcqDoesNotFit;
  b.current_length = length;
  header(channel).read_block_count = length;
  return kAcqOk;
}

int32_t QBX_ACQGetIOBuf(int32_t argument, int32_t index, int32_t count, double* destination) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, true, &channel)) return r;
  if (destination == nullptr) return kAcqBadArgument;
  const IOBuf& b = buffer(channel);
  if (index == kFormulaValue) {
    const int64_t position = static_cast<int64_t>(b.block_start) + kernel().formula_row;
    if (position < 0 || position >= b.current_length) return kAcqBadArgument;
    destination[0] = b.values[position];
    return kAcqOk;
  }
  if (index == kLastValue) {
    if (b.current_length < 1) return kAcqBadIndex;
    destination[0] = b.values[b.current_length - 1];
    return kAcqOk;
  }
  if (index < 0 || count < 0 || index >= b.current_length) return kAcqBadIndex;
  const int32_t available = b.current_length - index;
  const int32_t n = (count == 0 || count > available) ? available : count;
  copy_values(destination, b.values + index, n);
  return kAcqOk;
}

int32_t QBX_ACQSetIOBuf(int32_t argument, int32_t index, int32_t count, const double* source) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, true, &channel)) return r;
  IOBuf& b = buffer(channel);
  if (index < 0 || count < 0 || static_cast<int64_t>(index) + count > b.capacity) return kAcqDoesNotFit;
  if (count > 0 && source == nullptr) return kAcqBadArgument;
  copy_values(b.values + index, source, count);
  if (index + count > b.current_length) b.current_length = index + count;
  return kAcqOk;
}

int32_t QBX_ACQSetIOBufEx(int32_t n, const int32_t* channels, const int32_t* counts, const double* source,
                          int32_t start) {
  if (n < 0 || (n > 0 && (channels == nullptr || counts == nullptr || source == nullptr)) || start < 0)
    return kAcqBadArgument;
  for (int32_t i = 0; i < n; ++i) {
    int32_t channel = 0;
    if (!valid_channel(channels[i])) return kAcqBadChannel;
    if (int32_t r = check_channel(channels[i], true, &channel)) return r;
    IOBuf& b = buffer(channel);
    const int64_t count = counts[i];
    if (count < 0 || b.current_length + count > b.capacity || start + count > b.capacity) return kAcqDoesNotFit;
    for (int64_t j = start; j < count; ++j) b.values[start + j] = source[j * n + i];
    if (start + count > b.current_length) b.current_length = static_cast<int32_t>(start + count);
  }
  return kAcqOk;
}

int32_t QBX_ACQSetIOBufBin(int32_t argument, int32_t count, const double* source) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, true, &channel)) return r;
  IOBuf& b = buffer(channel);
  if (count < 0 || count > b.capacity) return kAcqDoesNotFit;
  if (count > 0 && source == nullptr) return kAcqBadArgument;
  copy_values(b.values, source, count);
  b.current_length = count;
  return kAcqOk;
}

int32_t QBX_ACQGetIOBufBin(int32_t argument, double* destination) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, true, &channel)) return r;
  if (destination == nullptr) return kAcqBadArgument;
  const IOBuf& b = buffer(channel);
  copy_values(destination, b.values, b.current_length);
  return kAcqOk;
}

int32_t QBX_ACQStoreIOBuf(int32_t argument, int32_t db_argument) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, true, &channel)) return r;
  const IOBuf& b = buffer(channel);
  if (b.block_start < 0 || static_cast<int64_t>(b.block_start) + b.current_length > b.capacity) return kAcqDoesNotFit;
  int32_t db_channel = static_cast<int16_t>(db_argument & 0xFFFF);
  if (db_channel == 0) db_channel = channel;
  return store(db_channel, b.current_length, b.values + b.block_start);
}

int32_t QBX_ACQStoreIOBufSingle(int32_t argument, int32_t db_argument, int32_t index) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, false, &channel)) return r;
  const IOBuf& b = buffer(channel);
  if (b.values == nullptr) {
    char text[96];
    std::snprintf(text, sizeof text, kStoreErrorText, channel);
    platform().show_message("", text);
    return kAcqNotAllocated;
  }
  if (b.current_length == 0) return kAcqOk;
  const int32_t position = (index < 1 || index > b.current_length) ? b.current_length - 1 : index - 1;
  int32_t db_channel = static_cast<int16_t>(db_argument & 0xFFFF);
  if (db_channel == 0) db_channel = channel;
  return store(db_channel, 1, b.values + position);
}

int32_t QBX_ACQGetIOBufMin(int32_t argument, double* value, int32_t* index) {
  return extreme(argument, value, index, [](double a, double b) { return a < b; });
}

int32_t QBX_ACQGetIOBufMax(int32_t argument, double* value, int32_t* index) {
  return extreme(argument, value, index, [](double a, double b) { return a > b; });
}

int32_t QBX_ACQGetIOBufMean(int32_t argument, double* mean, double* deviation) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, true, &channel)) return r;
  if (mean == nullptr || deviation == nullptr) return kAcqBadArgument;
  const IOBuf& b = buffer(channel);
  const int32_t n = b.current_length;
  if (n < 1) return kAcqBadIndex;
  double sum = 0.0;
  for (int32_t i = 0; i < n; ++i) sum += b.values[i];
  const double m = sum / n;
  double squares = 0.0;
  for (int32_t i = 0; i < n; ++i) squares += (b.values[i] - m) * (b.values[i] - m);
  *mean = m;
  // One value: the divisor n - 1 is 0, so the deviation is not a number.
  *deviation = n == 1 ? std::numeric_limits<double>::quiet_NaN() : std::sqrt(squares / static_cast<double>(n - 1));
  return kAcqOk;
}

int32_t QBX_ACQGetIOBufStatus(int32_t argument) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, true, &channel)) return r;
  return buffer(channel).status;
}

}  // extern "C"
