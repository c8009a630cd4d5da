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

// The two LPT lines of a driver, the selected one taking reads, writes and close, and the driver's
// time-out: what PORTIX32 and PARLINK share behind their exports.
class LinePair {
 public:
  // Selects LPT port (1 or 2) and opens it with mode. 0, -1 (bad number), -2 as ParallelLine::open.
  int32_t open(int32_t port, int32_t mode);
  // Reads from the selected line as CV_ReadPort: *status and the result 0 or -10; -1 when the line
  // is not open or an argument is null or negative.
  int32_t read(char* buffer, int32_t count, int32_t* status, int32_t* bytes_read, int32_t terminator);
  // Writes the zero-terminated text to the selected line: bytes written, or -1.
  int32_t write(const char* text);
  // Closes the selected line: 0, or -1 when it was not open.
  int32_t close() { return selected().close(); }
  // 0, or -1 for a number other than 1 and 2.
  int32_t select(int32_t port);
  void set_timeout(int32_t milliseconds) { timeout_ms_ = milliseconds; }

 private:
  ParallelLine& selected() { return lines_[selected_]; }

  ParallelLine lines_[2];
  int selected_ = 0;
  int32_t timeout_ms_ = 3000;
};

// Status a failed or timed-out read reports.
constexpr int32_t kReadFailed = -10;

}  // namespace portkit
