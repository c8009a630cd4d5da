// Reading and writing byte ranges of the open database file in pieces of at most 65536 bytes (one
// system call each), turning short or failed transfers into the database's status codes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace storix {

// Largest transfer of one system call.
inline constexpr size_t kIoPiece = 65536;

// Writes `bytes` bytes at `offset`; 0, or kDbWriteFailed when a piece fails or writes nothing.
int32_t write_at(int fd, const void* data, size_t bytes, int64_t offset);
// Reads `bytes` bytes at `offset`; 0, or kDbReadFailed on failure or end of file.
int32_t read_at(int fd, void* out, size_t bytes, int64_t offset);

}  // namespace storix
