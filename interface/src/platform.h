// The seam between the interface library and the operating system. Every system call the library
// makes (device and file descriptors, termios, ioctl, flock, poll, clocks) goes through Platform, so
// that tests can replace it with one that fails a chosen call or runs a chosen clock.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <termios.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace linkar {

class Platform {
 public:
  virtual ~Platform() = default;

  // Each call returns what the system call of the same name returns (-1 with errno set on failure).
  virtual int open(const char* path, int flags, int mode);
  virtual int close(int fd);
  virtual ssize_t read(int fd, void* buffer, size_t count);
  virtual ssize_t write(int fd, const void* data, size_t count);
  virtual int poll(struct pollfd* fds, nfds_t count, int timeout_ms);
  virtual int ioctl(int fd, unsigned long request, void* argument);
  virtual int tcgetattr(int fd, struct termios* settings);
  virtual int tcsetattr(int fd, int when, const struct termios* settings);
  virtual int tcflush(int fd, int queue);
  virtual int tcdrain(int fd);
  // Sets a line speed that has no B* constant: the kernel's custom-rate interface (termios2 with
  // BOTHER through TCSETS2), both directions. 0, or -1 with errno set.
  virtual int set_custom_speed(int fd, uint32_t baud);
  virtual int flock(int fd, int operation);
  virtual int fchmod(int fd, mode_t mode);

  // Sockets (TCP connections and the simulated USB pipes).
  virtual int socket(int domain, int type, int protocol);
  virtual int connect(int fd, const struct sockaddr* address, socklen_t length);
  virtual int getsockopt(int fd, int level, int name, void* value, socklen_t* length);
  virtual int setsockopt(int fd, int level, int name, const void* value, socklen_t length);
  virtual ssize_t send(int fd, const void* data, size_t count);
  virtual ssize_t recv(int fd, void* buffer, size_t count);
  // Switches a descriptor to non-blocking mode.
  virtual int set_nonblocking(int fd);
  // TCP port of a service in the services database (network byte order), -1 when unknown.
  virtual int service_port(const char* name, const char* protocol);

  // Run-time loading of libraries.
  virtual void* dlopen(const char* file);
  virtual void* dlsym(void* library, const char* name);
  virtual int dlclose(void* library);
  // Folder of the file this library was loaded from ("" when unknown).
  virtual std::string library_directory();

  // CLOCK_MONOTONIC in nanoseconds.
  virtual uint64_t monotonic_ns();
  // Local time of day as "hh:mm:ss" into text (9 bytes).
  virtual void time_of_day(char text[9]);
  // Sleeps a short while (waits on locks and drains; never used by QBX_Delay).
  virtual void sleep_ms(int milliseconds);
  // Gives up the processor for a moment without sleeping (the busy-wait delay).
  virtual void yield();
  // Value of an environment variable, nullptr when unset.
  virtual const char* getenv(const char* name);
  // Id of the calling process (a forked child must not share the parent's lock descriptor).
  virtual int process_id();
  // errno after the last failing call.
  virtual int last_error();
};

// The platform in use; the real system unless a test installed another one.
Platform& platform();

// Installs a platform (nullptr restores the real system). For tests only; not exported.
void set_platform(Platform* replacement);

}  // namespace linkar
