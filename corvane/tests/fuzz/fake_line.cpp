// The stand-in line: the LINKAR32 operations the driver calls, over an in-memory byte script.
#include "fake_line.h"

#include <algorithm>
#include <cstring>

#include "linkar32.h"

namespace {

std::string g_script;
size_t g_pos = 0;
std::string g_written;

}  // namespace

namespace fake_line {

void serve(std::string script) {
  g_script = std::move(script);
  g_pos = 0;
  g_written.clear();
}

const std::string& written() { return g_written; }

}  // namespace fake_line

extern "C" {

int32_t QBX_OpenPort(int32_t, int32_t, const char*, int32_t, int32_t, int32_t) { return 0; }
int32_t QBX_ClosePort(void) { return 0; }
int32_t QBX_EnableNTPortIO(int32_t) { return 0; }
int32_t QBX_SetTimeout(int32_t) { return 0; }
int32_t QBX_Delay(int32_t) { return 0; }
uint32_t QBX_GetSysTime(void) {
  static uint32_t t = 0;
  return t += 100;  // every look at the clock moves it on, so polling loops end
}
int32_t QBX_FlushInQueue(void) {
  const int32_t n = static_cast<int32_t>(g_script.size() - g_pos);
  g_pos = g_script.size();
  return n;
}
int32_t QBX_WritePort(const char* text) {
  g_written += text;
  return 0;
}
int32_t QBX_ReadPort(char* buffer, int32_t count, int32_t* status, int32_t* bytes_read, int32_t terminator) {
  int32_t n = 0;
  int32_t result = kQbxOk;
  if (terminator != 0) {
    while (n < count && g_pos < g_script.size()) {
      const char c = g_script[g_pos++];
      buffer[n++] = c;
      if (static_cast<unsigned char>(c) == static_cast<unsigned char>(terminator)) break;
    }
    if (n < count && (n == 0 || static_cast<unsigned char>(buffer[n - 1]) != static_cast<unsigned char>(terminator)))
      result = kQbxReadFailed;
    buffer[n] = '\0';
  } else {
    n = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(count), g_script.size() - g_pos));
    std::memcpy(buffer, g_script.data() + g_pos, static_cast<size_t>(n));
    g_pos += static_cast<size_t>(n);
    if (n < count) result = kQbxReadFailed;
  }
  *status = result;
  *bytes_read = n;
  return result;
}

}  // extern "C"
