// Parallel line: ppdev claim and IEEE 1284 negotiation, or a plain byte stream on other devices.
#include "parallel_line.h"

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace portkit {
namespace {

uint64_t now_ms() {
  struct timespec ts {};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

int remaining(uint64_t start, int32_t timeout_ms) {
  if (timeout_ms <= 0) return -1;
  uint64_t elapsed = now_ms() - start;
  return elapsed >= static_cast<uint64_t>(timeout_ms) ? 0 : timeout_ms - static_cast<int>(elapsed);
}

// The IEEE 1284 mode for a mode parameter; ECP stands in for the mode Linux lacks.
// Pause between tries on a ppdev device, which cannot be polled for data.
constexpr long kPpdevPollNs = 1000000;

int ieee1284_mode(int32_t mode) {
  switch (mode) {
    case 1:
      return IEEE1284_MODE_NIBBLE;
    case 2:
      return IEEE1284_MODE_ECP;
    case 3:
      return IEEE1284_MODE_BYTE;
    case 4:
      return IEEE1284_MODE_EPP;
    default:
      return IEEE1284_MODE_COMPAT;
  }
}

}  // namespace

std::string ParallelLine::device_path(int32_t n) {
  std::string var = "LINKAR32_LPT" + std::to_string(n);
  const char* path = std::getenv(var.c_str());
  if (path && *path) return path;
  return "/dev/parport" + std::to_string(n - 1);
}

int32_t ParallelLine::open(int32_t n, int32_t mode) {
  close();
  if (n != 1 && n != 2) return -1;
  int fd = ::open(device_path(n).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (ioctl(fd, PPCLAIM) == 0) {
    int wanted = ieee1284_mode(mode);
    if (ioctl(fd, PPNEGOT, &wanted) != 0 || ioctl(fd, PPSETMODE, &wanted) != 0) {
      ioctl(fd, PPRELEASE);
      ::close(fd);
      return -2;
    }
    ppdev_ = true;
  } else if (errno == ENOTTY || errno == EINVAL) {
    // Not a parallel port (a pseudo-terminal standing in for one): a plain byte stream.
    ppdev_ = false;
  } else {
    ::close(fd);
    return -2;
  }
  fd_ = fd;
  begin_ = end_ = 0;
  return 0;
}

int32_t ParallelLine::close() {
  if (fd_ < 0) return -1;
  if (ppdev_) ioctl(fd_, PPRELEASE);
  ::close(fd_);
  fd_ = -1;
  return 0;
}

int ParallelLine::fill(int32_t timeout_ms) {
  if (ppdev_ && timeout_ms > 0) {
    // The port's own hand-shake time-out follows the caller's.
    struct timeval tv {
      timeout_ms / 1000, (timeout_ms % 1000) * 1000
    };
    ioctl(fd_, PPSETTIME, &tv);
  }
  const uint64_t start = now_ms();
  begin_ = end_ = 0;
  for (;;) {
    if (!wait_ready(POLLIN, remaining(start, timeout_ms))) return 0;
    ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
    if (n > 0) {
      end_ = static_cast<size_t>(n);
      return static_cast<int>(n);
    }
    // A ppdev reverse transfer that found no data returns 0 or EAGAIN: the peer has nothing yet.
    if (n == 0 && !ppdev_) return -1;
    if (n < 0 && errno != EAGAIN && errno != EINTR) return -1;
    if (timeout_ms > 0 && remaining(start, timeout_ms) == 0) return 0;
  }
}

bool ParallelLine::wait_ready(short events, int wait_ms) {
  if (wait_ms == 0) return false;
  if (ppdev_) {
    // poll() on a ppdev device reports interrupts, not data: try again after a short pause.
    struct timespec pause {
      0, kPpdevPollNs
    };
    nanosleep(&pause, nullptr);
    return true;
  }
  for (;;) {
    struct pollfd p {
      fd_, events, 0
    };
    int r = poll(&p, 1, wait_ms);
    if (r < 0 && errno == EINTR) continue;
    return r > 0;
  }
}

int32_t ParallelLine::read(char* buffer, int32_t count, int32_t* bytes_read, int32_t terminator,
                           int32_t timeout_ms) {
  *bytes_read = 0;
  int32_t n = 0;
  const uint64_t start = now_ms();
  while (n < count) {
    if (begin_ == end_) {
      // A terminated read gives each chunk the whole time-out; an exact read what is left of it.
      // -1: no limit.
      int wait = terminator ? (timeout_ms > 0 ? timeout_ms : -1) : remaining(start, timeout_ms);
      if (wait == 0 || fill(wait) <= 0) {
        if (terminator) buffer[n] = '\0';
        *bytes_read = n;
        return kReadFailed;
      }
    }
    size_t want = std::min(end_ - begin_, static_cast<size_t>(count - n));
    const char* from = buffer_.data() + begin_;
    const void* hit = terminator ? std::memchr(from, static_cast<unsigned char>(terminator), want) : nullptr;
    size_t take = hit ? static_cast<size_t>(static_cast<const char*>(hit) - from) + 1 : want;
    std::memcpy(buffer + n, from, take);
    begin_ += take;
    n += static_cast<int32_t>(take);
    if (hit) break;
  }
  if (terminator) buffer[n] = '\0';
  *bytes_read = n;
  return 0;
}

int32_t ParallelLine::write(const char* data, size_t length, int32_t timeout_ms) {
  if (fd_ < 0) return -1;
  const uint64_t start = now_ms();
  size_t done = 0;
  while (done < length) {
    ssize_t n = ::write(fd_, data + done, length - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return -1;
    if (!wait_ready(POLLOUT, remaining(start, timeout_ms)) && remaining(start, timeout_ms) == 0) return -1;
  }
  return static_cast<int32_t>(done);
}

int32_t LinePair::select(int32_t port) {
  if (port != 1 && port != 2) return -1;
  selected_ = port - 1;
  return 0;
}

int32_t LinePair::open(int32_t port, int32_t mode) {
  if (select(port) != 0) return -1;
  return selected().open(port, mode);
}

int32_t LinePair::read(char* buffer, int32_t count, int32_t* status, int32_t* bytes_read, int32_t terminator) {
  if (!buffer || !status || !bytes_read || count < 0 || !selected().is_open()) {
    if (status) *status = -1;
    if (bytes_read) *bytes_read = 0;
    return -1;
  }
  *status = selected().read(buffer, count, bytes_read, terminator, timeout_ms_);
  return *status;
}

int32_t LinePair::write(const char* text) {
  if (!text) return -1;
  return selected().write(text, std::strlen(text), timeout_ms_);
}

}  // namespace portkit
