// Piecewise pread/pwrite over the platform seam.
#include "file_io.h"

#include <errno.h>

#include <algorithm>

#include "platform.h"
#include "storix32.h"

namespace storix {

int32_t write_at(int fd, const void* data, size_t bytes, int64_t offset) {
  const auto* p = static_cast<const unsigned char*>(data);
  while (bytes > 0) {
    size_t piece = std::min(bytes, kIoPiece);
    ssize_t done = platform().pwrite(fd, p, piece, static_cast<off_t>(offset));
    if (done < 0 && platform().last_error() == EINTR) continue;
    if (done <= 0) return kDbWriteFailed;
    p += done;
    bytes -= static_cast<size_t>(done);
    offset += done;
  }
  return kDbOk;
}

int32_t read_at(int fd, void* out, size_t bytes, int64_t offset) {
  auto* p = static_cast<unsigned char*>(out);
  while (bytes > 0) {
    size_t piece = std::min(bytes, kIoPiece);
    ssize_t done = platform().pread(fd, p, piece, static_cast<off_t>(offset));
    if (done < 0 && platform().last_error() == EINTR) continue;
    if (done <= 0) return kDbReadFailed;
    p += done;
    bytes -= static_cast<size_t>(done);
    offset += done;
  }
  return kDbOk;
}

}  // namespace storix
