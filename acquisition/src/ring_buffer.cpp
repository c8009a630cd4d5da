// Circular buffers: each channel's ring keeps the last ring-capacity values it was fed, numbered
// by running numbers from 0. Before the first wrap the value with running number k sits at ring
// index k; after it the oldest value sits at the write position and oldest = total - capacity.
#include "ring_buffer.h"

#include <cmath>
#include <cstring>

#include "export_guard.h"
#include "io_buffers.h"
#include "kernel_state.h"
#include "platform.h"

namespace tallix {
namespace {

void copy_values(double* to, const double* from, int64_t count) {
  if (count > 0) std::memcpy(to, from, static_cast<size_t>(count) * sizeof(double));
}

// Writes `count` values (count <= capacity) into the ring from index `at`, wrapping at its end.
void write_wrapped(IOBuf& b, int64_t at, const double* values, int64_t count) {
  const int64_t capacity = b.ring_capacity;
  at %= capacity;
  const int64_t first = count < capacity - at ? count : capacity - at;
  copy_values(b.ring + at, values, first);
  copy_values(b.ring, values + first, count - first);
}

}  // namespace

void free_ring(int32_t channel) {
  IOBuf& b = buffer(channel);
  release(b.ring);
  b.ring = nullptr;
  b.ring_capacity = 0;
  b.ring_write_pos = 0;
  b.oldest = 0;
  b.total = 0;
  b.ring_allocated = 0;
  b.ring_wrapped = 0;
}

int32_t ring_update(int32_t channel) {
  IOBuf& b = buffer(channel);
  if (!b.ring_allocated) return kAcqOk;
  if (b.ring == nullptr || b.ring_capacity < 1) return kAcqNotAllocated;
  const int64_t c = header(channel).read_block_count;
  if (c <= 0) return kAcqOk;
  if (b.values == nullptr) return kAcqNotAllocated;
  if (c > b.capacity) return kAcqDoesNotFit;
  const int64_t capacity = b.ring_capacity;
  const int64_t position = b.ring_write_pos;
  const bool wrapped_before = b.ring_wrapped != 0;
  if (c > capacity) {
    // Only the last `capacity` values stay; they land where they would after passing through.
    write_wrapped(b, position + c - capacity, b.values + (c - capacity), capacity);
    b.ring_write_pos = static_cast<int32_t>((position + c) % capacity);
    b.total += static_cast<uint32_t>(c);
    b.oldest = b.total - static_cast<uint32_t>(capacity);
    b.ring_wrapped = 1;
    return kAcqOk;
  }
  if (position + c <= capacity) {
    copy_values(b.ring + position, b.values, c);
    b.ring_write_pos = static_cast<int32_t>(position + c);
  } else {
    write_wrapped(b, position, b.values, c);
    b.ring_write_pos = static_cast<int32_t>(position + c - capacity);
    if (!wrapped_before) b.oldest += static_cast<uint32_t>(b.ring_write_pos);
    b.ring_wrapped = 1;
  }
  b.total += static_cast<uint32_t>(c);
  if (wrapped_before) b.oldest += static_cast<uint32_t>(c);
  return kAcqOk;
}

}  // namespace tallix

using namespace tallix;

extern "C" {

int32_t QBX_CBAllocateBuffer(int32_t argument, int32_t size) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, false, &channel)) return r;
  if (size < 1) return kAcqOutOfMemory;
  free_ring(channel);
  IOBuf& b = buffer(channel);
  b.ring = allocate_doubles(static_cast<size_t>(size));
  if (b.ring == nullptr) return kAcqOutOfMemory;
  b.ring_capacity = size;
  b.ring_allocated = 1;
  return kAcqOk;
}

int32_t QBX_CBResetBuffer(int32_t argument) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, false, &channel)) return r;
  IOBuf& b = buffer(channel);
  b.ring_write_pos = 0;
  b.oldest = 0;
  b.total = 0;
  b.ring_wrapped = 0;
  return kAcqOk;
}

int32_t QBX_CBFreeBuffer(int32_t argument) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, false, &channel)) return r;
  free_ring(channel);
  return kAcqOk;
}

int32_t QBX_CBGetCounters(int32_t argument, double* oldest, double* total) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, false, &channel)) return r;
  if (oldest == nullptr || total == nullptr) return kAcqBadArgument;
  const IOBuf& b = buffer(channel);
  *oldest = static_cast<double>(b.oldest);
  *total = static_cast<double>(b.total);
  return kAcqOk;
}

int32_t QBX_CBFetch(int32_t argument, double* destination, double first, int32_t count) {
  int32_t channel = 0;
  if (int32_t r = check_channel(argument, false, &channel)) return r;
  const IOBuf& b = buffer(channel);
  if (b.ring == nullptr || !b.ring_allocated || b.ring_capacity < 1) return kAcqNotAllocated;
  if (destination == nullptr) return kAcqBadArgument;
  const int64_t oldest = b.oldest;
  const int64_t total = b.total;
  // Running numbers are whole: a fraction is cut; anything below the oldest (or not a number)
  // starts at the oldest.
  int64_t from = oldest;
  if (first > static_cast<double>(oldest)) from = first >= static_cast<double>(total) ? total : static_cast<int64_t>(first);
  int64_t n = count;
  if (total <= from + n - 1) n = total - from;
  if (n <= 0) return kAcqBadArgument;
  const int64_t capacity = b.ring_capacity;
  const int64_t position = b.ring_wrapped ? (b.ring_write_pos + (from - oldest)) % capacity : from;
  const int64_t head = n < capacity - position ? n : capacity - position;
  std::memcpy(destination, b.ring + position, static_cast<size_t>(head) * sizeof(double));
  if (n > head) std::memcpy(destination + head, b.ring, static_cast<size_t>(n - head) * sizeof(double));
  return static_cast<int32_t>(n);
}

}  // extern "C"
