// Whole writes of many pieces over the platform's pwritev.
#include "storage/file_writes.h"

#include <climits>
#include <cerrno>

#include "platform.h"
#include "tallix32.h"

namespace tallix {

namespace {
#ifdef IOV_MAX
constexpr int32_t kMaxPieces = IOV_MAX;
#else
constexpr int32_t kMaxPieces = 1024;
#endif
}  // namespace

int64_t write_pieces(int fd, iovec* pieces, int32_t count, int64_t offset) {
  int64_t total = 0;
  int32_t first = 0;
  while (first < count) {
    if (pieces[first].iov_len == 0) {
      ++first;
      continue;
    }
    const int32_t n = count - first < kMaxPieces ? count - first : kMaxPieces;
    const int64_t written = platform().write_at(fd, pieces + first, n, offset + total);
    if (written < 0) return written;
    if (written == 0) return -EIO;
    total += written;
    // Skip the pieces written whole; the one written in part continues where it stopped.
    auto left = static_cast<uint64_t>(written);
    while (left > 0) {
      if (left >= pieces[first].iov_len) {
        left -= pieces[first].iov_len;
        pieces[first].iov_len = 0;
        ++first;
      } else {
        pieces[first].iov_base = static_cast<char*>(pieces[first].iov_base) + left;
        pieces[first].iov_len -= left;
        left = 0;
      }
    }
  }
  return total;
}

int32_t write_new_file(const char* name, const void* data, int64_t bytes) {
  const int fd = platform().create_file(name);
  if (fd < 0) return kAcqFileNotCreated;
  iovec piece{const_cast<void*>(data), static_cast<size_t>(bytes)};
  const int64_t written = write_pieces(fd, &piece, 1, 0);
  platform().close_file(fd);
  if (written != bytes) return kAcqFileWriteFailed;
  return kAcqOk;
}

}  // namespace tallix
