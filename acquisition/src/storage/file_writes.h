// Whole writes through the platform seam: a write of many pieces that the system may take in
// parts (at most IOV_MAX pieces per call, short writes resumed), so that callers see all or an
// error.
#pragma once

#include <sys/uio.h>

#include <cstdint>

namespace tallix {

// Writes `count` pieces at `offset`. The pieces are consumed (their bases and lengths advance).
// The bytes written, or -errno when a call fails (-EIO when the system takes nothing); the bytes
// before a failure may be in the file.
int64_t write_pieces(int fd, iovec* pieces, int32_t count, int64_t offset);

// Creates `name` and writes `bytes` bytes into it, then closes it: 0, -303 when the file cannot be
// created, -304 when the write fails.
int32_t write_new_file(const char* name, const void* data, int64_t bytes);

}  // namespace tallix
