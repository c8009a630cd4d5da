// The receive buffer every port kind reads through: bytes come from the kind's source in chunks and
// are handed out up to a terminator or by count, and what follows a terminator stays for the next
// read. The kinds differ only in their source and in how the time-out counts, which each read
// states explicitly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace linkar {

// Where a port's input comes from (a line, a socket, a USB pipe).
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads at most room bytes into `into`, waiting up to wait_ms (-1: without limit) for them.
  // > 0: bytes read; 0: nothing yet (the buffer asks again while time is left); < 0: the source
  // failed, with the system error (or the kind's status) in *error.
  virtual long read_some(char* into, size_t room, int32_t wait_ms, int* error) = 0;
};

// How the time-out of a read counts.
enum class TimeoutScope {
  kPerChunk,   // every chunk gets the whole time-out: the wait starts anew when bytes arrive
  kWholeRead,  // the time-out covers the whole read from its start
};

// How a counted read takes from the source.
enum class CountedFill {
  kOnlyCount,   // nothing beyond the count is taken: the rest goes straight into the caller's buffer
  kWholeChunk,  // whole chunks into the buffer, the surplus kept (pipes that deliver whole packets)
};

// The outcome of a read: what was stored, and why it ended.
struct TakeResult {
  enum Outcome { kDone, kTimedOut, kFailed };
  Outcome outcome = kDone;
  int32_t stored = 0;
  int error = 0;  // the source's error when kFailed
};

class InputBuffer {
 public:
  InputBuffer() = default;
  explicit InputBuffer(size_t capacity) : bytes_(capacity) {}

  // Changes the chunk size; bytes already buffered stay (the buffer never shrinks below them).
  void resize(size_t capacity);
  size_t capacity() const { return bytes_.size(); }
  // Bytes received and not yet handed out.
  size_t buffered() const { return end_ - begin_; }
  // Drops what is buffered.
  void discard() { begin_ = end_ = 0; }

  // Stores up to count bytes ending after terminator into out and zero-terminates them (out holds
  // count + 1 bytes). Ends kDone at the terminator or after count bytes.
  TakeResult take_until(ByteSource& source, char* out, int32_t count, char terminator, int32_t timeout_ms,
                        TimeoutScope scope);
  // Stores exactly count bytes into out (nothing is terminated).
  TakeResult take(ByteSource& source, char* out, int32_t count, int32_t timeout_ms, TimeoutScope scope,
                  CountedFill fill);

 private:
  // Reads into room bytes at `into` until something comes; the time-out starts at *start (which a
  // per-chunk wait moves to now first). > 0 bytes, or the outcome that ends the read.
  long wait_for(ByteSource& source, char* into, size_t room, uint32_t* start, int32_t timeout_ms,
                TimeoutScope scope, TakeResult* result);

  std::vector<char> bytes_;
  size_t begin_ = 0;
  size_t end_ = 0;
};

}  // namespace linkar
