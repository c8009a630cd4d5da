// Log lines of the data a port sends and receives, spelled in one place for every port kind. Texts
// are shown as a C string shows them: up to the first zero byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "comlog.h"

namespace linkar {

// The blanks between "Sent %i bytes:" and the text. TCP lines have always had one, the lines of the
// other kinds two; log readers match both, so each kind keeps its own.
enum class SentGap { kOneBlank, kTwoBlanks };

// "Sent %i bytes:" with the gap and the text, when the log is active.
void note_sent(const LogTarget& log, const char* data, size_t length, SentGap gap);
// "Received %i bytes: %s" for a terminated read of n bytes (text is zero-terminated).
void note_received(const LogTarget& log, int32_t n, const char* text);
// "Requested %u Bytes - Received %u Bytes" for a counted read.
void note_counted(const LogTarget& log, int32_t requested, int32_t received);

}  // namespace linkar
