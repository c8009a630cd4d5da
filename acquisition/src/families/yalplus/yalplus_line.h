// Wire code of the YALPLUS family: command lines of any length (slot and sub-channel lists grow
// long), reply lines through the Corvane family's reader (the same line discipline), the error
// status "ESR?", numbers and quoted texts of replies, and the binary blocks of "RMB?" and the
// YALPRESS curves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "families/ascii_line.h"
#include "families/corvane/corvane_line.h"

namespace tallix::yalplus {

using corvane::Reply;

// printf-style formatting of a command line (only %i, %li and %s are used: locale-free).
[[gnu::format(printf, 1, 2)]] std::string line(const char* format, ...);
// Writes the line; 0 or the interface status.
int32_t send(const std::string& text);
// Reads one reply line; 0 or the interface status.
int32_t receive_reply(Reply* reply);
// send, then receive.
int32_t exchange(const std::string& text, Reply* reply);
// "ESR?": the device's error number (0 none); 0 or the interface status.
int32_t device_error(int32_t* error);
// Sends a set command and reads its reply; a refusal becomes `refused_status`.
int32_t set(const std::string& text, int32_t refused_status);

// The reply's fields as numbers (locale-free; a field without a number is 0).
using ascii::numbers;
// The reply without line end and without the quotes around a text.
std::string text_of(const Reply& reply);
// A number as the device takes it: shortest round-trip decimal text, '.' as the point.
std::string number_text(double value);

// Reads a binary block: '#', the payload byte count in 3 big-endian bytes, then the payload into
// `area` (capacity bytes). *payload gets the count. -207 for a block that does not start with '#'
// (its announced bytes are read first, so the line stays in step) or announces more than
// capacity; interface statuses for a cut block. After a failure the input queue is flushed.
int32_t read_block(uint8_t* area, int32_t capacity, int32_t* payload);
// Reads exactly `count` bytes; 0, -214 for fewer bytes, or the interface status.
int32_t read_exact(uint8_t* area, int32_t count);

// Big-endian sample decoding.
inline int32_t be16(const uint8_t* p) { return static_cast<int16_t>(static_cast<uint16_t>(p[0] << 8 | p[1])); }
inline int32_t be24(const uint8_t* p) {
  const int32_t v = static_cast<int32_t>(static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2]);
  return v >= 0x800000 ? v - 0x1000000 : v;
}

}  // namespace tallix::yalplus
