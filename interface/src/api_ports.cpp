// Exports of the port table: argument checks, then the table's operations.
#include <climits>
#include <cstring>

#include "clock.h"
#include "guarded.h"
#include "linkar32.h"
#include "port_table.h"

using linkar::guarded;
using linkar::table;

namespace {

// Stores the outcome of a read in the caller's optional out-values.
int32_t finish_read(int32_t result, int32_t got, int32_t* status, int32_t* bytes_read) {
  if (status) *status = result;
  if (bytes_read) *bytes_read = got;
  return result;
}

bool read_args_ok(const char* buffer, int32_t count) { return buffer != nullptr && count >= 0 && count < INT32_MAX; }

}  // namespace

extern "C" {

int32_t QBX_OpenInterfaceLib(void) {
  return guarded<int32_t>(kQbxOk, [] {
    table().reset();
    return kQbxOk;
  });
}

int32_t QBX_CloseInterfaceLib(void) {
  return guarded<int32_t>(kQbxCloseFailed, [] {
    linkar::comlog().disable();
    return table().close_port(-1);
  });
}

int32_t QBX_OpenPort(int32_t port, int32_t baud, const char* parity, int32_t data_bits, int32_t stop_bits,
                     int32_t receive_buffer) {
  return guarded<int32_t>(kQbxOpenFailed, [&] {
    return table().open_port(port, linkar::OpenParams{baud, parity, data_bits, stop_bits, receive_buffer});
  });
}

int32_t QBX_SelectPort(int32_t port) {
  return guarded<int32_t>(kQbxPortNotOpen, [&] { return table().select_port(port); });
}

int32_t QBX_SelectDevice(int32_t address) {
  return guarded<int32_t>(kQbxWriteFailed, [&] { return table().select_device(address); });
}

int32_t QBX_ClosePort(void) {
  return guarded<int32_t>(kQbxCloseFailed, [] { return table().close_current(); });
}

int32_t QBX_ClosePortEx(int32_t port) {
  return guarded<int32_t>(kQbxCloseFailed, [&] { return table().close_port(port); });
}

int32_t QBX_SetTimeout(int32_t milliseconds) {
  return guarded<int32_t>(kQbxOk, [&] { return table().set_timeout(milliseconds); });
}

int32_t QBX_GetCurrTimeout(void) { return table().timeout(); }

int32_t QBX_ReadPort(char* buffer, int32_t count, int32_t* status, int32_t* bytes_read, int32_t terminator) {
  if (!read_args_ok(buffer, count)) return finish_read(kQbxBadArgument, 0, status, bytes_read);
  int32_t got = 0;
  int32_t result = guarded<int32_t>(kQbxReadFailed, [&] { return table().read(buffer, count, &got, terminator); });
  return finish_read(result, got, status, bytes_read);
}

int32_t QBX_ReadPortEx(int32_t handle, int32_t port, int32_t device, char* buffer, int32_t count, int32_t* status,
                       int32_t* bytes_read, int32_t terminator) {
  (void)handle;  // the port number names the entry; its handle is the table's own
  if (!read_args_ok(buffer, count)) return finish_read(kQbxBadArgument, 0, status, bytes_read);
  int32_t got = 0;
  int32_t result = guarded<int32_t>(
      kQbxReadFailed, [&] { return table().read_named(port, device, buffer, count, &got, terminator); });
  return finish_read(result, got, status, bytes_read);
}

int32_t QBX_WritePort(const char* text) {
  if (!text) return kQbxBadArgument;
  return guarded<int32_t>(kQbxWriteFailed, [&] { return table().write(text, std::strlen(text)); });
}

int32_t QBX_WritePortEx(int32_t handle, int32_t port, int32_t device, const char* text) {
  (void)handle;
  if (!text) return kQbxBadArgument;
  return guarded<int32_t>(kQbxWriteFailed,
                          [&] { return table().write_named(port, device, text, std::strlen(text)); });
}

int32_t QBX_WritePortCount(const char* data, int32_t count) {
  if (count < 0 || (!data && count > 0)) return kQbxBadArgument;
  return guarded<int32_t>(kQbxWriteFailed,
                          [&] { return table().write_count(data ? data : "", static_cast<size_t>(count)); });
}

int32_t QBX_FlushInQueue(void) {
  return guarded<int32_t>(kQbxNoCurrentPort, [] { return table().flush_in(); });
}

int32_t QBX_FlushInQueueEx(int32_t handle, int32_t port, int32_t device) {
  (void)handle;
  return guarded<int32_t>(kQbxNoCurrentPort, [&] { return table().flush_in_named(port, device); });
}

int32_t QBX_FlushOutQueue(void) {
  return guarded<int32_t>(kQbxNoCurrentPort, [] { return table().flush_out(); });
}

int32_t QBX_GetSerInQLen(void) {
  return guarded<int32_t>(0, [] { return table().in_queue(); });
}

int32_t QBX_GetSerOutQLen(void) {
  return guarded<int32_t>(0, [] { return table().out_queue(); });
}

int32_t QBX_ResetInterface(void) {
  return guarded<int32_t>(kQbxWriteFailed, [] { return table().reset_interface(); });
}

int32_t QBX_ComBreak(int32_t on) {
  return guarded<int32_t>(kQbxBreakFailed, [&] { return table().com_break(on); });
}

int32_t QBX_ActivateInterpreter(int32_t delay) {
  return guarded<int32_t>(kQbxWriteFailed, [&] { return table().activate_interpreter(delay); });
}

int32_t QBX_CloseInterpreterEx(int32_t port, int32_t address) {
  return guarded<int32_t>(kQbxWriteFailed, [&] { return table().close_interpreter(port, address); });
}

int32_t QBX_SetCTSMode(int32_t mode) {
  return guarded<int32_t>(kQbxSetSettingsFailed, [&] { return table().set_cts_mode(mode); });
}

int64_t QBX_SetExtendedComPars(const QbxExtComPars* parameters) {
  if (!parameters) return kQbxBadArgument;
  table().store_extended(*parameters);
  return 0;
}

}  // extern "C"

namespace {

// Unloading the library (or ending the process) closes every open port.
__attribute__((destructor)) void close_ports_at_unload() {
  try {
    table().close_all_at_unload();
  } catch (...) {
  }
}

}  // namespace
