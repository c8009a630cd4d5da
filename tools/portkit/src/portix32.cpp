// PORTIX32 exports: two LPT lines, the selected one taking reads and writes.
#include <cstring>
#include <string>

#include "parallel_line.h"
#include "portix32.h"

namespace {

constexpr size_t kMaxPrinterName = 255;
// Mode taken when the caller passes no mode parameter.
constexpr int32_t kNibbleMode = 1;

struct State {
  portkit::LinePair lines;
  std::string printer;
};

State& state() {
  static State* s = new State;  // outlives other libraries' unload handlers that may still close
  return *s;
}

}  // namespace

extern "C" {

int32_t CV_OpenPort(int32_t port, int32_t* mode) { return state().lines.open(port, mode ? *mode : kNibbleMode); }

int32_t CV_ReadPort(char* buffer, int32_t count, int32_t* status, int32_t* bytes_read, int32_t terminator) {
  return state().lines.read(buffer, count, status, bytes_read, terminator);
}

int32_t CV_WritePort(const char* text) { return state().lines.write(text); }

int32_t CV_ClosePort(void) { return state().lines.close(); }

int32_t CV_SelectPort(int32_t port) { return state().lines.select(port); }

int32_t CV_SetSysTimeout(int32_t milliseconds) {
  state().lines.set_timeout(milliseconds);
  return 0;
}

int32_t CV_SetPrinterName(const char* name) {
  if (!name || std::strlen(name) > kMaxPrinterName) return -1;
  state().printer = name;
  return 0;
}

}  // extern "C"
