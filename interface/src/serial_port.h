// Serial RS232/RS485 lines on termios. A line is opened exclusively (TIOCEXCL and an flock on the
// device) and read through a per-port input buffer: a terminated read takes what the driver has in
// one system call and hands it out up to the terminator, so it never costs one call per byte.
#pragma once

#include <linux/serial.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "input_buffer.h"
#include "line_settings.h"
#include "port.h"

namespace linkar {

class SerialPort : public Port {
 public:
  // Opens the device of serial port number `port` with the given settings and, when given, the
  // extended parameters. Writes the open's log lines. Returns 0 and the port in *out, or -1,
  // kQbxQueueSetupFailed, kQbxGetSettingsFailed, kQbxSetSettingsFailed.
  static int32_t open(int32_t port, const OpenParams& params, const ExtendedComPars& extended,
                      const LogTarget& log, std::unique_ptr<Port>* out);
  ~SerialPort() override;

  int handle() const override { return fd_; }
  int32_t read(char* buffer, int32_t count, int32_t* bytes_read, int32_t terminator, int32_t timeout_ms,
               const LogTarget& log) override;
  int32_t write(const char* data, size_t length, int32_t timeout_ms, const LogTarget& log) override;
  int32_t close(int32_t timeout_ms, const LogTarget& log) override;
  bool flushes_itself() const override { return true; }
  int32_t flush_in(const LogTarget& log) override;
  int32_t flush_out() override;
  int32_t in_queue() override;
  int32_t out_queue() override;
  uint32_t clear_error() override;
  int32_t set_break(bool on) override;
  int32_t set_cts_mode(bool handshake) override;
  // Takes new line settings and a new receive buffer size.
  int32_t reopen(const OpenParams& params, int32_t timeout_ms, const LogTarget& log) override;

 private:
  SerialPort(int32_t port, int fd);
  // Sets the size of the receive buffer; false for a negative size.
  bool set_queue(int32_t receive_buffer);
  // The line as the input buffer's source: waits for input, then reads what is there.
  struct LineSource : ByteSource {
    explicit LineSource(int descriptor) : fd(descriptor) {}
    long read_some(char* into, size_t room, int32_t wait_ms, int* error) override;
    int fd;
  };
  int32_t read_terminated(char* buffer, int32_t count, int32_t* bytes_read, char terminator,
                          int32_t timeout_ms, const LogTarget& log);
  int32_t read_exact(char* buffer, int32_t count, int32_t* bytes_read, int32_t timeout_ms, const LogTarget& log);
  void set_modem_line(int line, bool on);
  // How long closing waits for queued bytes to leave: their time at the line speed plus a margin.
  int drain_limit_ms(int queued) const;

  int32_t port_;
  int fd_;
  int32_t baud_ = 0;  // line speed in bit/s
  InputBuffer input_;
  // Line-error counters seen at the last clear; counters_ false when the driver has none (ptys).
  bool counters_ = true;
  struct serial_icounter_struct last_counts_ {};
};

}  // namespace linkar
