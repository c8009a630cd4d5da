// PARLINK exports: a line per LPT port, the selected one taking reads, writes and close.
#include "parallel_line.h"
#include "parlink.h"

namespace {

// The link protocol runs in nibble mode on a real port.
constexpr int32_t kNibbleMode = 1;

portkit::LinePair& lines() {
  static auto* pair = new portkit::LinePair;  // outlives other libraries' unload handlers that may still close
  return *pair;
}

}  // namespace

extern "C" {

int32_t PL_PPOpenParLink(int32_t port) { return lines().open(port, kNibbleMode); }

int32_t PL_PPReadParLink(char* buffer, int32_t count, int32_t* status, int32_t* bytes_read, int32_t terminator) {
  return lines().read(buffer, count, status, bytes_read, terminator);
}

int32_t PL_PPWriteParLink(const char* text) { return lines().write(text); }

int32_t PL_PPCloseParLink(void) { return lines().close(); }

int32_t PL_PPSelectParLink(int32_t port) { return lines().select(port); }

int32_t PL_SetSysTimeout(int32_t milliseconds) {
  lines().set_timeout(milliseconds);
  return 0;
}

}  // extern "C"
