// Sending on a non-blocking socket within a time-out: the TCP port and the simulated USB pipes
// both move their bytes this way.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace linkar {

// Sends data[0..size) on the non-blocking socket fd through the platform, waiting for room up to
// timeout_ms (<= 0: without limit). Returns the bytes sent: size, or fewer when the time ran out
// (*error then EAGAIN); -1 when the socket failed or the peer took nothing (*error the system
// error, EPIPE for the latter).
ssize_t send_within(int fd, const char* data, size_t size, int32_t timeout_ms, int* error);

}  // namespace linkar
