// The shared receive buffer of the port kinds: terminated and counted takes over a byte source,
// with the time-out counted per chunk or for the whole read.
#include "input_buffer.h"

#include <algorithm>
#include <cstring>

#include "clock.h"

namespace linkar {

void InputBuffer::resize(size_t capacity) {
  std::vector<char> resized(std::max(capacity, buffered()));
  std::copy(bytes_.begin() + static_cast<std::ptrdiff_t>(begin_), bytes_.begin() + static_cast<std::ptrdiff_t>(end_),
            resized.begin());
  end_ = buffered();
  begin_ = 0;
  bytes_ = std::move(resized);
}

long InputBuffer::wait_for(ByteSource& source, char* into, size_t room, uint32_t* start, int32_t timeout_ms,
                           TimeoutScope scope, TakeResult* result) {
  if (scope == TimeoutScope::kPerChunk) *start = sys_time_ms();
  for (;;) {
    const int32_t left = time_left(*start, timeout_ms);
    if (left == 0) {
      result->outcome = TakeResult::kTimedOut;
      return 0;
    }
    int error = 0;
    const long n = source.read_some(into, room, left, &error);
    if (n > 0) return n;
    if (n < 0) {
      result->outcome = TakeResult::kFailed;
      result->error = error;
      return 0;
    }
  }
}

TakeResult InputBuffer::take_until(ByteSource& source, char* out, int32_t count, char terminator,
                                   int32_t timeout_ms, TimeoutScope scope) {
  TakeResult result;
  uint32_t start = sys_time_ms();
  int32_t n = 0;
  while (n < count) {
    if (buffered() == 0) {
      begin_ = end_ = 0;
      const long got = wait_for(source, bytes_.data(), bytes_.size(), &start, timeout_ms, scope, &result);
      if (got <= 0) break;
      end_ = std::min(static_cast<size_t>(got), bytes_.size());
    }
    // Hand out buffered bytes up to and including the terminator.
    const size_t want = std::min(buffered(), static_cast<size_t>(count - n));
    const char* from = bytes_.data() + begin_;
    const void* hit = std::memchr(from, static_cast<unsigned char>(terminator), want);
    const size_t take = hit ? static_cast<size_t>(static_cast<const char*>(hit) - from) + 1 : want;
    std::memcpy(out + n, from, take);
    begin_ += take;
    n += static_cast<int32_t>(take);
    if (hit) break;
  }
  out[n] = '\0';
  result.stored = n;
  return result;
}

TakeResult InputBuffer::take(ByteSource& source, char* out, int32_t count, int32_t timeout_ms, TimeoutScope scope,
                             CountedFill fill) {
  TakeResult result;
  const uint32_t begun = sys_time_ms();
  uint32_t start = begun;
  const size_t wanted = count > 0 ? static_cast<size_t>(count) : 0;
  size_t n = 0;
  while (n < wanted) {
    if (buffered() > 0) {
      const size_t take = std::min(buffered(), wanted - n);
      std::memcpy(out + n, bytes_.data() + begin_, take);
      begin_ += take;
      n += take;
      continue;
    }
    long got = 0;
    if (fill == CountedFill::kOnlyCount) {
      got = wait_for(source, out + n, wanted - n, &start, timeout_ms, scope, &result);
      if (got <= 0) break;
      n += std::min(static_cast<size_t>(got), wanted - n);
    } else {
      begin_ = end_ = 0;
      got = wait_for(source, bytes_.data(), bytes_.size(), &start, timeout_ms, scope, &result);
      if (got <= 0) break;
      end_ = std::min(static_cast<size_t>(got), bytes_.size());
    }
  }
  result.stored = static_cast<int32_t>(n);
  return result;
}

}  // namespace linkar
