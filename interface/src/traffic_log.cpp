// The sent and received lines of the communication log (see traffic_log.h).
#include "traffic_log.h"

#include <cstring>

#include "text_format.h"

namespace linkar {

void note_sent(const LogTarget& log, const char* data, size_t length, SentGap gap) {
  if (log.quiet || !comlog().active()) return;
  const void* zero = std::memchr(data, 0, length);
  const int shown = static_cast<int>(zero ? static_cast<const char*>(zero) - data : length);
  const char* blanks = gap == SentGap::kOneBlank ? " " : "  ";
  note(log, strprintf("Sent %i bytes:%s%.*s\r\n", static_cast<int>(length), blanks, shown, data));
}

void note_received(const LogTarget& log, int32_t n, const char* text) {
  if (log.quiet || !comlog().active()) return;
  note(log, strprintf("Received %i bytes: %s\r\n", n, text));
}

void note_counted(const LogTarget& log, int32_t requested, int32_t received) {
  if (log.quiet || !comlog().active()) return;
  note(log, strprintf("Requested %u Bytes - Received %u Bytes\r\n", static_cast<unsigned>(requested),
                      static_cast<unsigned>(received)));
}

}  // namespace linkar
