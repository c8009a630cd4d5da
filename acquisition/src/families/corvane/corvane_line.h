// Wire code of the kernel's Corvane family: one command line out, one reply line back, through the
// interface library's current port (the dispatch has selected the device's port and address).
// Commands are ASCII lines ending in LF; every line the Corvane receives is answered by one line
// ending in CR LF, fields separated by ",".
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tallix::corvane {

inline constexpr int32_t kReplyLimit = 1024;  // longest reply line read, LF included
inline constexpr int32_t kLineFeed = 10;

// One reply line as received (zero-terminated, CR LF included when it came).
struct Reply {
  char text[kReplyLimit + 1] = {};
  int32_t length = 0;

  // A refusal: the reply holds a "?".
  bool refused() const;
  // The reply begins with "0" (a set command was taken).
  bool accepted() const { return length > 0 && text[0] == '0'; }
  // The fields converted to integers (leading blanks skipped, optional sign, digits up to the
  // first non-digit; a field without digits is 0).
  std::vector<int32_t> integers() const;
  // Field `index` as an integer (0 when missing).
  int32_t integer(size_t index) const;
  // The line without its line end.
  int32_t text_length() const;
};

// Formats a command line (printf-style; only %i and %s are used, which do not depend on the locale).
struct Line {
  char text[96];
};
[[gnu::format(printf, 1, 2)]] Line line(const char* format, ...);

// Writes the line; 0 or the interface status.
int32_t send(const Line& l);
// Reads one reply line (terminator LF, at most kReplyLimit bytes); 0 or the interface status.
int32_t receive(Reply* reply);
// Reads one reply line of at most `limit` bytes (1..kReplyLimit); 0 or the interface status.
int32_t receive_at_most(Reply* reply, int32_t limit);
// send, then receive.
int32_t exchange(const Line& l, Reply* reply);
// "EST?": the device's error number into *error (clearing it on the device); 0 or the interface
// status.
int32_t error_status(int32_t* error);

// The parameter id that tells the host why the device refused: 32001 for an unknown command,
// 32767 for a value the device does not take, 32002 for everything else.
int32_t refusal_parameter(int32_t error);

}  // namespace tallix::corvane
