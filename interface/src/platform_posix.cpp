// The real system behind Platform: thin forwards to the POSIX calls. No other file of the library
// makes a system call, except platform_custom_speed.cpp, its termios2 part.
#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <sys/socket.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform.h"

namespace linkar {

// In platform_custom_speed.cpp, which cannot include <termios.h>.
int set_custom_speed_termios2(int fd, uint32_t baud);

int Platform::open(const char* path, int flags, int mode) { return ::open(path, flags | O_CLOEXEC, mode); }
int Platform::close(int fd) { return ::close(fd); }

ssize_t Platform::read(int fd, void* buffer, size_t count) {
  ssize_t n;
  do {
    n = ::read(fd, buffer, count);
  } while (n < 0 && errno == EINTR);
  return n;
}

ssize_t Platform::write(int fd, const void* data, size_t count) {
  ssize_t n;
  do {
    n = ::write(fd, data, count);
  } while (n < 0 && errno == EINTR);
  return n;
}

int Platform::poll(struct pollfd* fds, nfds_t count, int timeout_ms) { return ::poll(fds, count, timeout_ms); }
int Platform::ioctl(int fd, unsigned long request, void* argument) { return ::ioctl(fd, request, argument); }
int Platform::tcgetattr(int fd, struct termios* settings) { return ::tcgetattr(fd, settings); }
int Platform::tcsetattr(int fd, int when, const struct termios* settings) {
  return ::tcsetattr(fd, when, settings);
}
int Platform::tcflush(int fd, int queue) { return ::tcflush(fd, queue); }

int Platform::tcdrain(int fd) {
  int r;
  do {
    r = ::tcdrain(fd);
  } while (r < 0 && errno == EINTR);
  return r;
}

int Platform::flock(int fd, int operation) {
  int r;
  do {
    r = ::flock(fd, operation);
  } while (r < 0 && errno == EINTR);
  return r;
}

int Platform::set_custom_speed(int fd, uint32_t baud) { return set_custom_speed_termios2(fd, baud); }

int Platform::fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }

int Platform::socket(int domain, int type, int protocol) { return ::socket(domain, type | SOCK_CLOEXEC, protocol); }
int Platform::connect(int fd, const struct sockaddr* address, socklen_t length) {
  return ::connect(fd, address, length);
}
int Platform::getsockopt(int fd, int level, int name, void* value, socklen_t* length) {
  return ::getsockopt(fd, level, name, value, length);
}
int Platform::setsockopt(int fd, int level, int name, const void* value, socklen_t length) {
  return ::setsockopt(fd, level, name, value, length);
}

ssize_t Platform::send(int fd, const void* data, size_t count) {
  ssize_t n;
  do {
    n = ::send(fd, data, count, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  return n;
}

ssize_t Platform::recv(int fd, void* buffer, size_t count) {
  ssize_t n;
  do {
    n = ::recv(fd, buffer, count, 0);
  } while (n < 0 && errno == EINTR);
  return n;
}

int Platform::set_nonblocking(int fd) {
  int flags = ::fcntl(fd, F_GETFL);
  return flags < 0 ? -1 : ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

int Platform::service_port(const char* name, const char* protocol) {
  struct servent entry {};
  struct servent* found = nullptr;
  char scratch[1024];
  if (getservbyname_r(name, protocol, &entry, scratch, sizeof scratch, &found) != 0 || !found) return -1;
  return found->s_port;
}

void* Platform::dlopen(const char* file) { return ::dlopen(file, RTLD_NOW | RTLD_LOCAL); }
void* Platform::dlsym(void* library, const char* name) { return ::dlsym(library, name); }
int Platform::dlclose(void* library) { return ::dlclose(library); }

std::string Platform::library_directory() {
  Dl_info info {};
  if (!dladdr(reinterpret_cast<void*>(&platform), &info) || !info.dli_fname) return {};
  std::string file = info.dli_fname;
  size_t slash = file.rfind('/');
  return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

uint64_t Platform::monotonic_ns() {
  struct timespec ts {};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

void Platform::time_of_day(char text[9]) {
  time_t now = time(nullptr);
  struct tm local {};
  localtime_r(&now, &local);
  const int parts[3] = {local.tm_hour, local.tm_min, local.tm_sec};
  for (int i = 0; i < 3; ++i) {
    text[3 * i] = static_cast<char>('0' + parts[i] / 10 % 10);
    text[3 * i + 1] = static_cast<char>('0' + parts[i] % 10);
    text[3 * i + 2] = i < 2 ? ':' : '\0';
  }
}

void Platform::sleep_ms(int milliseconds) {
  struct timespec ts {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

void Platform::yield() { sched_yield(); }
const char* Platform::getenv(const char* name) { return std::getenv(name); }

int Platform::process_id() { return static_cast<int>(getpid()); }

int Platform::last_error() { return errno; }

namespace {
Platform g_system;
Platform* g_current = &g_system;
}  // namespace

Platform& platform() { return *g_current; }
void set_platform(Platform* replacement) { g_current = replacement ? replacement : &g_system; }

}  // namespace linkar
