// Sending on a non-blocking socket within a time-out (see socket_send.h).
#include "socket_send.h"

#include <poll.h>

#include <cerrno>

#include "clock.h"
#include "platform.h"

namespace linkar {

ssize_t send_within(int fd, const char* data, size_t size, int32_t timeout_ms, int* error) {
  Platform& sys = platform();
  const uint32_t start = sys_time_ms();
  size_t done = 0;
  while (done < size) {
    const ssize_t n = sys.send(fd, data + done, size - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    *error = n < 0 ? sys.last_error() : EPIPE;
    if (*error == EINTR) continue;
    if (*error != EAGAIN && *error != EWOULDBLOCK) return -1;
    const int32_t left = time_left(start, timeout_ms);
    if (left == 0) break;
    struct pollfd p {fd, POLLOUT, 0};
    sys.poll(&p, 1, left);
  }
  return static_cast<ssize_t>(done);
}

}  // namespace linkar
