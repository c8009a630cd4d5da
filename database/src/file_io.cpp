// Piecewise pread/pwrite over the platform seam.
#include "file_io.h"

#include <errno.h>

#include <algorithm>

#include "platform.h"
#include "storix32.h"

namespace storix {

namespace {

// Moves `bytes` bytes in pieces of at most kIoPiece through transfer(pointer, piece, offset), which
// behaves as pread/pwrite; interrupted calls are repeated, a failure or a zero transfer gives `failure`.
template <class Byte, class Transfer>
int32_t piecewise(Byte* p, size_t bytes, int64_t offset, int32_t failure, Transfer transfer) {
  while (bytes > 0) {
    size_t piece = std::min(bytes, kIoPiece);
    ssize_t done = transfer(p, piece, static_cast<off_t>(offset));
    if (done < 0 && platform().last_error() == EINTR) continue;
    if (done <= 0) return failure;
    p += done;
    bytes -= static_cast<size_t>(done);
    offset += done;
  }
  return kDbOk;
}

}  // namespace

int32_t write_at(int fd, const void* data, size_t bytes, int64_t offset) {
  return piecewise(static_cast<const unsigned char*>(data), bytes, offset, kDbWriteFailed,
                   [fd](const unsigned char* p, size_t n, off_t at) { return platform().pwrite(fd, p, n, at); });
}

int32_t read_at(int fd, void* out, size_t bytes, int64_t offset) {
  return piecewise(static_cast<unsigned char*>(out), bytes, offset, kDbReadFailed,
                   [fd](unsigned char* p, size_t n, off_t at) { return platform().pread(fd, p, n, at); });
}

}  // namespace storix
