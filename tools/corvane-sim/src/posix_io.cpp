// System calls of the servers: pipe, poll, read, write, posix_openpt and the socket calls.
#include "posix_io.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <system_error>

namespace corvane_sim {
namespace {

[[noreturn]] void fail(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

}  // namespace

StopSignal::StopSignal() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) fail("pipe");
  read_fd_ = fds[0];
  write_fd_ = fds[1];
}

StopSignal::~StopSignal() {
  close_fd(read_fd_);
  close_fd(write_fd_);
}

void StopSignal::request() {
  char byte = 1;
  ssize_t n = ::write(write_fd_, &byte, 1);
  (void)n;  // a full pipe already holds a request
}

void StopSignal::clear() {
  char buf[64];
  while (::read(read_fd_, buf, sizeof buf) > 0) {
  }
}

bool StopSignal::requested() const {
  struct pollfd p {read_fd_, POLLIN, 0};
  return poll(&p, 1, 0) > 0;
}

bool StopSignal::wait_ms(int ms) const {
  struct pollfd p {read_fd_, POLLIN, 0};
  int rc;
  do {
    rc = poll(&p, 1, ms);
  } while (rc < 0 && errno == EINTR);
  return rc > 0;
}

bool wait_readable(const std::vector<int>& fds, const StopSignal& stop, int timeout_ms,
                   std::vector<Readiness>* ready) {
  std::vector<struct pollfd> polls;
  polls.push_back({stop.fd(), POLLIN, 0});
  for (int fd : fds) polls.push_back({fd, POLLIN, 0});
  int rc;
  do {
    rc = poll(polls.data(), polls.size(), timeout_ms);
  } while (rc < 0 && errno == EINTR);
  ready->assign(fds.size(), Readiness{});
  if (polls[0].revents != 0) return false;
  for (size_t i = 0; i < fds.size(); ++i) {
    short ev = polls[i + 1].revents;
    (*ready)[i].readable = (ev & POLLIN) != 0;
    (*ready)[i].hung_up = (ev & (POLLHUP | POLLERR | POLLNVAL)) != 0;
  }
  return true;
}

ssize_t read_some(int fd, char* buffer, size_t size) {
  while (true) {
    ssize_t n = ::read(fd, buffer, size);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return -1;
    return -2;
  }
}

IoResult write_all(int fd, std::string_view bytes, const StopSignal& stop, int stall_ms) {
  using Clock = std::chrono::steady_clock;
  size_t done = 0;
  auto last_progress = Clock::now();
  // Sockets are written with send so that a peer that went away gives EPIPE, not SIGPIPE.
  bool socket = true;
  while (done < bytes.size()) {
    ssize_t n = socket ? ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL) : -1;
    if (n < 0 && socket && errno == ENOTSOCK) socket = false;
    if (!socket) n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      last_progress = Clock::now();
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return IoResult::kBroken;
    if (Clock::now() - last_progress > std::chrono::milliseconds(stall_ms)) return IoResult::kBroken;
    struct pollfd polls[2] = {{stop.fd(), POLLIN, 0}, {fd, POLLOUT, 0}};
    int rc = poll(polls, 2, 50);
    if (rc > 0 && polls[0].revents != 0) return IoResult::kStopped;
  }
  return IoResult::kOk;
}

void set_nonblocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

void close_fd(int fd) {
  if (fd >= 0) ::close(fd);
}

int open_pty_master(std::string* slave_path) {
  int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) fail("posix_openpt");
  if (grantpt(master) != 0 || unlockpt(master) != 0) {
    int saved = errno;
    ::close(master);
    errno = saved;
    fail("unlockpt");
  }
  char name[128] = {};
  if (ptsname_r(master, name, sizeof name) != 0) {
    int saved = errno;
    ::close(master);
    errno = saved;
    fail("ptsname_r");
  }
  // Raw mode once through a short-lived slave descriptor: the settings stay with the terminal.
  int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) {
    int saved = errno;
    ::close(master);
    errno = saved;
    fail("open pty slave");
  }
  struct termios raw {};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  raw.c_cflag |= CLOCAL | CREAD;
  tcsetattr(slave, TCSANOW, &raw);
  ::close(slave);
  set_nonblocking(master);
  *slave_path = name;
  return master;
}

int listen_loopback(uint16_t port, uint16_t* bound, const std::string& address) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) fail("socket");
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  struct sockaddr_in addr {};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  // Only loopback addresses: the simulator is never reachable from another machine.
  if (inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1 || (ntohl(addr.sin_addr.s_addr) >> 24) != 127) {
    ::close(fd);
    errno = EINVAL;
    fail(("loopback address " + address).c_str());
  }
  if (::bind(fd, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0) {
    int saved = errno;
    ::close(fd);
    errno = saved;
    fail(("bind/listen " + address).c_str());
  }
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<struct sockaddr*>(&addr), &len);
  *bound = ntohs(addr.sin_port);
  set_nonblocking(fd);
  return fd;
}

int accept_client(int listen_fd) {
  int fd = ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) return -1;
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

void remove_socket_file(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) ::unlink(path.c_str());
}

int listen_unix(const std::string& path) {
  struct sockaddr_un addr {};
  if (path.empty() || path.size() >= sizeof addr.sun_path) {
    errno = ENAMETOOLONG;
    fail("unix socket path");
  }
  addr.sun_family = AF_UNIX;
  path.copy(addr.sun_path, path.size());
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) fail("socket");
  // A socket file left by an earlier run is replaced; any other file is not touched.
  remove_socket_file(path);
  if (::bind(fd, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
    int saved = errno;
    ::close(fd);
    errno = saved;
    fail("bind/listen unix socket");
  }
  set_nonblocking(fd);
  return fd;
}

}  // namespace corvane_sim
