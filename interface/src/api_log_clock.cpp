// Exports of the communication log and the clocks.
#include "clock.h"
#include "comlog.h"
#include "guarded.h"
#include "linkar32.h"

using linkar::comlog;
using linkar::guarded;

extern "C" {

int32_t QBX_SetLogFile(const char* name) {
  if (!name) return kQbxBadArgument;
  return guarded<int32_t>(kQbxLogError, [&] {
    comlog().set_file(name);
    return kQbxOk;
  });
}

int32_t QBX_EnableComLog(void) {
  return guarded<int32_t>(kQbxLogError, [] { return comlog().enable(); });
}

int32_t QBX_DisableComLog(void) {
  return guarded<int32_t>(kQbxOk, [] { return comlog().disable(); });
}

int32_t QBX_PauseComLog(int32_t on) {
  comlog().pause((on & 0xFFFF) != 0);
  return kQbxOk;
}

int32_t QBX_WriteLog(const char* text) {
  if (!text) return kQbxBadArgument;
  return guarded<int32_t>(kQbxLogError, [&] { return linkar::log_entry(text); });
}

int32_t QBX_WriteLogEx(int32_t port, int32_t direction, int32_t device, const char* text) {
  (void)port;
  (void)direction;  // not used: the entry shows the device only
  if (!text) return kQbxBadArgument;
  return guarded<int32_t>(kQbxLogError, [&] { return linkar::log_entry_ex(device, text); });
}

uint32_t QBX_GetSysTime(void) { return linkar::sys_time_ms(); }

double QBX_GetSysTimeEx(void) { return linkar::sys_time_ex_ms(); }

double QBX_GetHighResTime(void) { return linkar::high_res_ms(); }

int32_t QBX_Delay(int32_t milliseconds) {
  linkar::busy_delay(milliseconds);
  return kQbxOk;
}

}  // extern "C"
