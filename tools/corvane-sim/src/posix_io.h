// The servers' seam to the operating system: pseudo-terminals, loopback TCP sockets, waiting
// for input with a stop signal, and writing a reply whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace corvane_sim {

// A self-pipe that wakes a server thread's waits when stop is requested.
class StopSignal {
 public:
  StopSignal();
  ~StopSignal();
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;

  void request();
  void clear();
  bool requested() const;
  int fd() const { return read_fd_; }
  // Sleeps up to ms milliseconds; true when stop was requested meanwhile.
  bool wait_ms(int ms) const;

 private:
  int read_fd_ = -1;
  int write_fd_ = -1;
};

enum class IoResult { kOk, kStopped, kBroken };

// Readiness of one descriptor after wait_readable.
struct Readiness {
  bool readable = false;
  bool hung_up = false;
};

// Waits until one of fds is readable or hung up, the stop signal fires (returns false) or
// timeout_ms passes (-1: no limit). ready gets one entry per fd.
bool wait_readable(const std::vector<int>& fds, const StopSignal& stop, int timeout_ms,
                   std::vector<Readiness>* ready);

// Reads what is there: > 0 bytes, 0 at end of stream, -1 when nothing is there now (EAGAIN),
// -2 on a failure or hang-up (EIO on a pty master whose slave is closed).
ssize_t read_some(int fd, char* buffer, size_t size);

// Writes every byte (the descriptor may be non-blocking). kBroken when the peer is gone or no
// byte could be written for `stall_ms`.
IoResult write_all(int fd, std::string_view bytes, const StopSignal& stop, int stall_ms = 10000);

void set_nonblocking(int fd);
void close_fd(int fd);

// Opens a pseudo-terminal master (non-blocking) with the slave in raw mode; the slave is not
// kept open. Throws std::system_error.
int open_pty_master(std::string* slave_path);

// Listening socket on address:port (a loopback address 127.x.y.z; port 0: any free port); *bound
// gets the port. Throws, also for an address outside the loopback network.
int listen_loopback(uint16_t port, uint16_t* bound, const std::string& address = "127.0.0.1");
// Listening Unix stream socket at path (a socket file already there is replaced). Throws.
int listen_unix(const std::string& path);
// Removes the socket file at path (nothing when it is some other kind of file).
void remove_socket_file(const std::string& path);
// Accepts one connection (non-blocking); -1 when none is pending.
int accept_client(int listen_fd);

}  // namespace corvane_sim
