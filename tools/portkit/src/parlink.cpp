// PARLINK exports: one LPT line at a time.
#include <cstring>

#include "parallel_line.h"
#include "parlink.h"

namespace {

// The link protocol runs in nibble mode on a real port.
constexpr int32_t kNibbleMode = 1;

struct State {
  portkit::ParallelLine line;
  int32_t timeout_ms = 3000;
};

State& state() {
  static State* s = new State;
  return *s;
}

}  // namespace

extern "C" {

int32_t PL_PPOpenParLink(int32_t port) { return state().line.open(port, kNibbleMode); }

int32_t PL_PPReadParLink(char* buffer, int32_t count, int32_t* status, int32_t* bytes_read, int32_t terminator) {
  if (!buffer || !status || !bytes_read || count < 0 || !state().line.is_open()) {
    if (status) *status = -1;
    if (bytes_read) *bytes_read = 0;
    return -1;
  }
  *status = state().line.read(buffer, count, bytes_read, terminator, state().timeout_ms);
  return *status;
}

int32_t PL_PPWriteParLink(const char* text) {
  if (!text) return -1;
  return state().line.write(text, std::strlen(text), state().timeout_ms);
}

int32_t PL_PPCloseParLink(void) { return state().line.close(); }

int32_t PL_SetSysTimeout(int32_t milliseconds) {
  state().timeout_ms = milliseconds;
  return 0;
}

}  // extern "C"
