// PORTIX32 exports: two LPT lines, the selected one taking reads and writes.
#include <cstring>
#include <string>

#include "parallel_line.h"
#include "portix32.h"

namespace {

constexpr size_t kMaxPrinterName = 255;

struct State {
  portkit::ParallelLine lines[2];
  int selected = 0;  // index of the selected line
  int32_t timeout_ms = 3000;
  std::string printer;
};

State& state() {
  static State* s = new State;  // outlives other libraries' unload handlers that may still close
  return *s;
}

portkit::ParallelLine& selected() { return state().lines[state().selected]; }

}  // namespace

extern "C" {

int32_t CV_OpenPort(int32_t port, int32_t* mode) {
  if (port != 1 && port != 2) return -1;
  state().selected = port - 1;
  return selected().open(port, mode ? *mode : 1);
}

int32_t CV_ReadPort(char* buffer, int32_t count, int32_t* status, int32_t* bytes_read, int32_t terminator) {
  if (!buffer || !status || !bytes_read || count < 0 || !selected().is_open()) {
    if (status) *status = -1;
    if (bytes_read) *bytes_read = 0;
    return -1;
  }
  *status = selected().read(buffer, count, bytes_read, terminator, state().timeout_ms);
  return *status;
}

int32_t CV_WritePort(const char* text) {
  if (!text) return -1;
  return selected().write(text, std::strlen(text), state().timeout_ms);
}

int32_t CV_ClosePort(void) { return selected().close(); }

int32_t CV_SelectPort(int32_t port) {
  if (port != 1 && port != 2) return -1;
  state().selected = port - 1;
  return 0;
}

int32_t CV_SetSysTimeout(int32_t milliseconds) {
  state().timeout_ms = milliseconds;
  return 0;
}

int32_t CV_SetPrinterName(const char* name) {
  if (!name || std::strlen(name) > kMaxPrinterName) return -1;
  state().printer = name;
  return 0;
}

}  // extern "C"
