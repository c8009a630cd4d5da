// One parallel line as both drivers use it: a ppdev device with a negotiated IEEE 1284 mode, or any
// other character device moved as a byte stream; terminated reads (each byte within the time-out)
// and exact reads (the whole read within the time-out) through a small buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace portkit {

class ParallelLine {
 public:
  ParallelLine() = default;
  ~ParallelLine() { close(); }
  ParallelLine(const ParallelLine&) = delete;
  ParallelLine& operator=(const ParallelLine&) = delete;

  // Opens LPT n (1 or 2) with a mode (1 nibble, 2 ECP, 3 byte, 4 EPP). 0, -1, -2.
  int32_t open(int32_t n, int32_t mode);
  bool is_open() const { return fd_ >= 0; }
  // Reads as CV_ReadPort; returns the status (0 or -10).
  int32_t read(char* buffer, int32_t count, int32_t* bytes_read, int32_t terminator, int32_t timeout_ms);
  // Bytes written, or -1.
  int32_t write(const char* data, size_t length, int32_t timeout_ms);
  // 0, or -1 when not open.
  int32_t close();

  // The device path of LPT n: $LINKAR32_LPT<n>, else /dev/parport<n-1>.
  static std::string device_path(int32_t n);

 private:
  // Waits up to timeout_ms (-1: no limit) for input and reads it into the buffer: > 0 bytes,
  // 0 time-out, -1 failure.
  int fill(int32_t timeout_ms);
  // Waits up to wait_ms (-1: no limit) for the device to be ready for events: false when the time
  // is up. A ppdev device is only paused for, since it cannot be polled.
  bool wait_ready(short events, int wait_ms);

  int fd_ = -1;
  bool ppdev_ = false;
  std::vector<char> buffer_ = std::vector<char>(4096);
  size_t begin_ = 0;
  size_t end_ = 0;
};

// Status a failed or timed-out read reports.
constexpr int32_t kReadFailed = -10;

}  // namespace portkit
