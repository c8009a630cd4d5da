// Pseudo-terminal pair and environment override for device-playing tests.
#include "testkit/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace testkit {
namespace {

using Clock = std::chrono::steady_clock;

int remaining_ms(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

PtyPair::PtyPair() {
  char name[256] = {};
  struct termios raw {};
  cfmakeraw(&raw);
  if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
    throw std::runtime_error("openpty failed");
  }
  slave_path_ = name;
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair() {
  if (master_ >= 0) close(master_);
  if (slave_ >= 0) close(slave_);
}

void PtyPair::write(std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      throw std::runtime_error("pty write failed");
    } else {
      struct pollfd p {master_, POLLOUT, 0};
      poll(&p, 1, 100);
    }
  }
}

std::string PtyPair::read_exact(size_t n, int timeout_ms) {
  std::string out;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (out.size() < n) {
    char buf[4096];
    ssize_t got = ::read(master_, buf, std::min(sizeof buf, n - out.size()));
    if (got > 0) {
      out.append(buf, static_cast<size_t>(got));
      continue;
    }
    int left = remaining_ms(deadline);
    if (left == 0) break;
    struct pollfd p {master_, POLLIN, 0};
    poll(&p, 1, left);
  }
  return out;
}

std::string PtyPair::read_until(char terminator, int timeout_ms) {
  std::string out;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    char c;
    ssize_t got = ::read(master_, &c, 1);
    if (got == 1) {
      out.push_back(c);
      if (c == terminator) break;
      continue;
    }
    int left = remaining_ms(deadline);
    if (left == 0) break;
    struct pollfd p {master_, POLLIN, 0};
    poll(&p, 1, left);
  }
  return out;
}

std::string PtyPair::read_available(int quiet_ms) {
  std::string out;
  for (;;) {
    struct pollfd p {master_, POLLIN, 0};
    if (poll(&p, 1, quiet_ms) <= 0) break;
    char buf[4096];
    ssize_t got = ::read(master_, buf, sizeof buf);
    if (got <= 0) break;
    out.append(buf, static_cast<size_t>(got));
  }
  return out;
}

void PtyPair::drain() { read_available(0); }

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  if (const char* old = std::getenv(name)) {
    old_ = old;
    had_old_ = true;
  }
  setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (had_old_) {
    setenv(name_.c_str(), old_.c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

}  // namespace testkit
