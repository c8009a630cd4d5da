// Serial lines: exclusive open, line settings, buffered terminated reads, exact-count reads within
// one time-out, writes, queue status, break and RTS handshake.
#include "serial_port.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "clock.h"
#include "platform.h"
#include "port_numbers.h"
#include "text_format.h"
#include "traffic_log.h"

namespace linkar {
namespace {

// Input buffer used when the caller gives no receive buffer size.
constexpr int32_t kDefaultReceiveBuffer = 4096;
constexpr int32_t kMinReceiveBuffer = 64;
constexpr int32_t kMaxReceiveBuffer = 1 << 20;

// Plain words for a failed device open, written after the error dump line.
std::string open_failure_reason(const std::string& name, const std::string& path, int error) {
  switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
      return strprintf("%s: the device %s does not exist\r\n", name.c_str(), path.c_str());
    case EBUSY:
    case EWOULDBLOCK:
      return strprintf("%s: the device %s is in use by another program\r\n", name.c_str(), path.c_str());
    case EACCES:
    case EPERM:
      return strprintf("%s: no permission to open %s (the user is not in the dialout group)\r\n", name.c_str(),
                       path.c_str());
    default:
      return strprintf("%s: the device %s cannot be opened (system error %i)\r\n", name.c_str(), path.c_str(),
                       error);
  }
}

// Modem-line and counter ioctls that the driver does not offer (pseudo-terminals) fail with these.
bool not_offered(int error) { return error == ENOTTY || error == EINVAL; }

// Writes line settings. Pseudo-terminals keep 8 data bits and no parity whatever is asked, and
// the C library then reports EINVAL although the rest was applied; a re-read that shows everything
// else in place counts as success, since such a line has no framing to set.
bool write_settings(int fd, const struct termios& wanted) {
  Platform& sys = platform();
  if (sys.tcsetattr(fd, TCSANOW, &wanted) == 0) return true;
  if (sys.last_error() != EINVAL) return false;
  struct termios now {};
  if (sys.tcgetattr(fd, &now) != 0) {
    errno = EINVAL;
    return false;
  }
  constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD;
  bool applied = now.c_iflag == wanted.c_iflag && now.c_oflag == wanted.c_oflag && now.c_lflag == wanted.c_lflag &&
                 (now.c_cflag & ~kFraming) == (wanted.c_cflag & ~kFraming) &&
                 cfgetospeed(&now) == cfgetospeed(&wanted) && cfgetispeed(&now) == cfgetispeed(&wanted);
  errno = EINVAL;
  return applied;
}

// Sets a rate that has no B* constant through the platform's custom-rate call, once the rest of
// the settings are written; standard rates are already in them. False when the system refuses.
bool write_custom_speed(int fd, int32_t baud) {
  if (is_standard_speed(baud)) return true;
  return platform().set_custom_speed(fd, static_cast<uint32_t>(baud)) == 0;
}

// Longest time a character can take on the line: start bit, 8 data bits, parity and 2 stop bits.
constexpr int64_t kMaxBitsPerChar = 12;
// What closing waits for queued output beyond the time the bytes need at the line speed.
constexpr int kDrainMarginMs = 2000;
// Pause between looks at the output queue while it drains.
constexpr int kDrainPollMs = 5;

}  // namespace

SerialPort::SerialPort(int32_t port, int fd) : port_(port), fd_(fd) {}

SerialPort::~SerialPort() {
  if (fd_ >= 0) {
    platform().ioctl(fd_, TIOCNXCL, nullptr);
    platform().close(fd_);
  }
}

int32_t SerialPort::open(int32_t port, const OpenParams& params, const ExtendedComPars& extended,
                         const LogTarget& log, std::unique_ptr<Port>* out) {
  Platform& sys = platform();
  const std::string name = display_name(port);
  const int line = com_line(port);
  const std::string path = line ? com_device_path(line) : std::string("NONE");
  int fd = -1;
  int error = ENOENT;
  if (line) {
    fd = sys.open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK, 0);
    if (fd < 0) error = sys.last_error();
  }
  // Exclusive use: an flock that every cooperating program honours, and TIOCEXCL against others.
  if (fd >= 0 && sys.flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error = sys.last_error();
    sys.close(fd);
    fd = -1;
  }
  if (fd < 0) {
    note_error_dump(log, error);
    note(log, open_failure_reason(name, path, error));
    return kQbxOpenFailed;
  }
  sys.ioctl(fd, TIOCEXCL, nullptr);
  std::unique_ptr<SerialPort> serial(new SerialPort(port, fd));

  if (!serial->set_queue(params.receive_buffer)) {
    note_error_dump(log, EINVAL);
    return kQbxQueueSetupFailed;
  }
  struct termios settings {};
  if (sys.tcgetattr(fd, &settings) != 0) {
    note_error_dump(log, sys.last_error());
    return kQbxGetSettingsFailed;
  }
  make_raw(settings);
  if (!set_line_params(settings, params)) {
    note_error_dump(log, EINVAL);
    return kQbxSetSettingsFailed;
  }
  if (!write_settings(fd, settings) || !write_custom_speed(fd, params.baud)) {
    note_error_dump(log, sys.last_error());
    return kQbxSetSettingsFailed;
  }
  serial->baud_ = params.baud;
  serial->set_modem_line(TIOCM_DTR, true);

  if (extended.given()) {
    std::string reason;
    if (sys.tcgetattr(fd, &settings) != 0) {
      note_error_dump(log, sys.last_error());
      return kQbxSetSettingsFailed;
    }
    if (!extended.apply(settings, &reason)) {
      note_error_dump(log, EINVAL);
      note(log, strprintf("%s: %s\r\n", name.c_str(), reason.c_str()));
      return kQbxSetSettingsFailed;
    }
    if (!write_settings(fd, settings)) {
      note_error_dump(log, sys.last_error());
      return kQbxSetSettingsFailed;
    }
    serial->set_modem_line(TIOCM_DTR, extended.dtr_on());
    for (const std::string& text : extended.log_lines()) note(log, text);
  }
  note(log, strprintf("Successfully opened port: %s\r\n", name.c_str()));
  serial->clear_error();
  *out = std::move(serial);
  return kQbxOk;
}

int32_t SerialPort::reopen(const OpenParams& params, int32_t, const LogTarget& log) {
  Platform& sys = platform();
  struct termios settings {};
  if (sys.tcgetattr(fd_, &settings) != 0) {
    note_error_dump(log, sys.last_error());
    return kQbxGetSettingsFailed;
  }
  if (!set_line_params(settings, params)) {
    note_error_dump(log, EINVAL);
    return kQbxSetSettingsFailed;
  }
  if (!write_settings(fd_, settings) || !write_custom_speed(fd_, params.baud)) {
    note_error_dump(log, sys.last_error());
    return kQbxSetSettingsFailed;
  }
  baud_ = params.baud;
  if (!set_queue(params.receive_buffer)) {
    note_error_dump(log, EINVAL);
    return kQbxQueueSetupFailed;
  }
  return kQbxOk;
}

bool SerialPort::set_queue(int32_t receive_buffer) {
  if (receive_buffer < 0) return false;
  size_t size = receive_buffer == 0 ? kDefaultReceiveBuffer
                                    : std::clamp(receive_buffer, kMinReceiveBuffer, kMaxReceiveBuffer);
  // Bytes already buffered stay.
  input_.resize(size);
  return true;
}

void SerialPort::set_modem_line(int line, bool on) {
  // Lines without modem signals (pseudo-terminals) refuse; nothing depends on it there.
  platform().ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &line);
}

long SerialPort::LineSource::read_some(char* into, size_t room, int32_t wait_ms, int* error) {
  Platform& sys = platform();
  // Wait first: a reply is seldom there yet when the read begins, and one poll costs less than a
  // read that finds nothing.
  struct pollfd p {fd, POLLIN, 0};
  const int r = sys.poll(&p, 1, wait_ms);
  if (r < 0) {
    if (sys.last_error() == EINTR) return 0;
    *error = sys.last_error();
    return -1;
  }
  if (r == 0) return 0;
  const ssize_t n = sys.read(fd, into, room);
  if (n > 0) return static_cast<long>(n);
  if (n == 0) {  // hung up: the other end of the line is gone
    *error = EIO;
    return -1;
  }
  if (sys.last_error() == EAGAIN) return 0;
  *error = sys.last_error();
  return -1;
}

int32_t SerialPort::read(char* buffer, int32_t count, int32_t* bytes_read, int32_t terminator, int32_t timeout_ms,
                         const LogTarget& log) {
  *bytes_read = 0;
  if (terminator != 0) {
    return read_terminated(buffer, count, bytes_read, static_cast<char>(terminator), timeout_ms, log);
  }
  return read_exact(buffer, count, bytes_read, timeout_ms, log);
}

int32_t SerialPort::read_terminated(char* buffer, int32_t count, int32_t* bytes_read, char terminator,
                                    int32_t timeout_ms, const LogTarget& log) {
  LineSource line{fd_};
  // Every byte gets the whole time-out: the wait starts anew for each chunk that arrives.
  const TakeResult got = input_.take_until(line, buffer, count, terminator, timeout_ms, TimeoutScope::kPerChunk);
  *bytes_read = got.stored;
  if (got.outcome != TakeResult::kDone) {
    note_error_dump(log, got.error);
    note(log, strprintf("Read operation failed: requested %u Bytes - received %u Bytes\r\n",
                        static_cast<unsigned>(count), static_cast<unsigned>(got.stored)));
    return kQbxReadFailed;
  }
  uint32_t mask = clear_error();
  int32_t status = (mask & kLineErrorRxOverflow) ? kQbxRxOverflow : (mask & kLineErrorOverrun) ? kQbxRxOverrun : kQbxOk;
  note_received(log, got.stored, buffer);
  return status;
}

int32_t SerialPort::read_exact(char* buffer, int32_t count, int32_t* bytes_read, int32_t timeout_ms,
                               const LogTarget& log) {
  uint32_t mask = clear_error();
  if (mask & kLineErrorRxOverflow) {
    note(log, "RX Buffer Overflow\r\n");
    return kQbxRxOverflow;
  }
  if (mask & kLineErrorOverrun) {
    note(log, "RS232 Overrun error\r\n");
    return kQbxRxOverrun;
  }
  // Bytes a terminated read left in the buffer come first; the rest goes straight into the caller's
  // buffer, and nothing beyond count is taken from the line. The time-out covers the whole read.
  LineSource line{fd_};
  const TakeResult got =
      input_.take(line, buffer, count, timeout_ms, TimeoutScope::kWholeRead, CountedFill::kOnlyCount);
  *bytes_read = got.stored;
  if (got.outcome != TakeResult::kDone) {
    note_error_dump(log, got.error);
    note(log, strprintf("Read operation failed: requested %u Bytes - Received %u Bytes\r\n",
                        static_cast<unsigned>(count), static_cast<unsigned>(got.stored)));
    return kQbxReadFailed;
  }
  if (comlog().active()) {
    note_counted(log, count, got.stored);
    note(log, strprintf("COM port status: %X \r\n", mask));
  }
  return kQbxOk;
}

int32_t SerialPort::write(const char* data, size_t length, int32_t timeout_ms, const LogTarget& log) {
  Platform& sys = platform();
  const uint32_t start = sys_time_ms();
  size_t done = 0;
  int error = 0;
  while (done < length) {
    ssize_t n = sys.write(fd_, data + done, length - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && sys.last_error() != EAGAIN) {
      error = sys.last_error();
      break;
    }
    // The driver's output queue is full (flow control or a slow line): wait within the time-out.
    int left = time_left(start, timeout_ms);
    if (left == 0) {
      error = ETIMEDOUT;
      break;
    }
    struct pollfd p {fd_, POLLOUT, 0};
    if (sys.poll(&p, 1, left) < 0 && sys.last_error() != EINTR) {
      error = sys.last_error();
      break;
    }
  }
  if (done < length) {
    note_error_dump(log, error);
    note(log, "Write operation failed\r\n");
    clear_error();
    return kQbxWriteFailed;
  }
  note_sent(log, data, length, SentGap::kTwoBlanks);
  clear_error();
  return kQbxOk;
}

int SerialPort::drain_limit_ms(int queued) const {
  const int64_t line_ms = baud_ > 0 ? int64_t{queued} * kMaxBitsPerChar * 1000 / baud_ : 0;
  return static_cast<int>(std::min<int64_t>(kDrainMarginMs + line_ms, INT32_MAX));
}

int32_t SerialPort::close(int32_t, const LogTarget& log) {
  Platform& sys = platform();
  // Written bytes leave before the line closes: wait while the driver's queue empties, for the
  // time the queued bytes need at the line speed and a margin (flow control may hold them for
  // ever, so the wait has an end), then let tcdrain wait for the last character to leave the
  // hardware. What is still queued after that is discarded, so that closing cannot block.
  int queued = 0;
  if (sys.ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0) {
    const uint32_t start = sys_time_ms();
    const int limit = drain_limit_ms(queued);
    while (queued > 0 && time_left(start, limit) != 0) {
      sys.sleep_ms(kDrainPollMs);
      if (sys.ioctl(fd_, TIOCOUTQ, &queued) != 0) queued = 0;
    }
  }
  if (queued == 0) sys.tcdrain(fd_);
  sys.tcflush(fd_, TCOFLUSH);
  sys.ioctl(fd_, TIOCNXCL, nullptr);
  int fd = fd_;
  fd_ = -1;  // the descriptor is released even when close reports an error
  if (sys.close(fd) != 0) {
    int error = sys.last_error();
    note(log, strprintf("Failed closing port: %s  Handle %i\r\n", display_name(port_).c_str(), fd));
    note_error_dump(log, error);
    return kQbxCloseFailed;
  }
  return kQbxOk;
}

int32_t SerialPort::flush_in(const LogTarget& log) {
  int32_t length = in_queue();
  note(log, strprintf("Flushed IN-Queue: %i Bytes\r\n", length));
  platform().tcflush(fd_, TCIFLUSH);
  input_.discard();
  clear_error();
  return length;
}

int32_t SerialPort::flush_out() {
  platform().tcflush(fd_, TCOFLUSH);
  clear_error();
  return kQbxOk;
}

int32_t SerialPort::in_queue() {
  int waiting = 0;
  if (platform().ioctl(fd_, FIONREAD, &waiting) != 0) waiting = 0;
  return static_cast<int32_t>(input_.buffered()) + waiting;
}

int32_t SerialPort::out_queue() {
  int waiting = 0;
  if (platform().ioctl(fd_, TIOCOUTQ, &waiting) != 0) waiting = 0;
  return waiting;
}

uint32_t SerialPort::clear_error() {
  if (!counters_) return 0;
  struct serial_icounter_struct now {};
  if (platform().ioctl(fd_, TIOCGICOUNT, &now) != 0) {
    if (not_offered(platform().last_error())) counters_ = false;
    return 0;
  }
  uint32_t mask = 0;
  if (now.buf_overrun != last_counts_.buf_overrun) mask |= kLineErrorRxOverflow;
  if (now.overrun != last_counts_.overrun) mask |= kLineErrorOverrun;
  if (now.parity != last_counts_.parity) mask |= kLineErrorParity;
  if (now.frame != last_counts_.frame) mask |= kLineErrorFrame;
  if (now.brk != last_counts_.brk) mask |= kLineErrorBreak;
  last_counts_ = now;
  return mask;
}

int32_t SerialPort::set_break(bool on) {
  if (platform().ioctl(fd_, on ? TIOCSBRK : TIOCCBRK, nullptr) != 0) {
    note_error_dump(LogTarget{}, platform().last_error());
    return kQbxBreakFailed;
  }
  return kQbxOk;
}

int32_t SerialPort::set_cts_mode(bool) {
  // Only RTS changes. Linux ties an RTS handshake to CTS output flow (CRTSCTS switches both), so
  // neither mode touches the line settings: output flow stays as the open and the extended
  // parameters set it, and RTS is raised, as both the enabled state and a handshake with room in
  // the receive buffer have it. With CRTSCTS on, the driver takes RTS over from there.
  set_modem_line(TIOCM_RTS, true);
  return kQbxOk;
}

}  // namespace linkar
