// Port exports of the driver: opening the line (with the amplifier's line-speed switch on COM1 and
// COM2), closing it, raw writes and reads, the error-status query, the version text and the
// reserved entry points.
#include <cstring>

#include "connection.h"
#include "ids.h"
#include "export_guard.h"
#include "linkar32.h"
#include "operations.h"
#include "settings_rules.h"

using namespace corvan;

namespace {

constexpr int32_t kConnectBaud = 9600;  // the amplifier talks at 9600 Baud after power-on

// Threefold error-status query at connection: the first two clear stale error states, the third
// must report no error.
int32_t clear_error_states(Reply& reply) {
  error_status(reply);
  error_status(reply);
  return error_status(reply);
}

// Opens the port and discards whatever waits in its receive queue: bytes a program that was
// killed mid-exchange left on the line (the rest of a measured-data block, a late reply) would
// otherwise be read as the reply to the next command. The flush result is kept as last interface
// status only; the open's status is returned.
int32_t open_clean(int32_t port, int32_t baud, const char* parity, int32_t data_bits, int32_t stop_bits,
                   int32_t receive_buffer) {
  const int32_t r = note_interface(QBX_OpenPort(port, baud, parity, data_bits, stop_bits, receive_buffer));
  if (r == 0) note_interface(QBX_FlushInQueue());
  return r;
}

// Switches the amplifier to `baud` over the line opened at 9600 Baud. Returns 0 or the failure; the
// port is closed on every path after it was opened.
int32_t switch_line_speed(int32_t port, int32_t baud, const char* parity, int32_t data_bits, int32_t stop_bits,
                          int32_t receive_buffer, Reply& reply) {
  int32_t r = open_clean(port, kConnectBaud, parity, data_bits, stop_bits, receive_buffer);
  if (r != 0) return r;
  r = clear_error_states(reply);
  if (r == 0) {
    int32_t code = baud_code(baud);
    if (code == 0) code = id::kBaud9600;
    r = set_command(command("BDR", {code}), reply);
  }
  note_interface(QBX_ClosePort());
  return r;
}

}  // namespace

namespace corvan {

int32_t open_port(int32_t port, int32_t baud, const char* parity, int32_t data_bits, int32_t stop_bits,
                  int32_t receive_buffer, Reply& reply) {
  if (port == kQbxPortLpt1 || port == kQbxPortLpt2) note_interface(QBX_EnableNTPortIO(port));
  if ((port == 1 || port == 2) && baud != kConnectBaud) {
    int32_t r = switch_line_speed(port, baud, parity, data_bits, stop_bits, receive_buffer, reply);
    if (r != 0) return r;
    // A rate without a code was sent as 9600 Baud: continue at 9600.
    if (baud_code(baud) == 0) baud = kConnectBaud;
  }
  return open_clean(port, baud, parity, data_bits, stop_bits, receive_buffer);
}

int32_t close_port() { return note_interface(QBX_ClosePort()); }

int32_t write_port(const char* text) { return note_interface(QBX_WritePort(text)); }

int32_t read_port(int32_t count, int32_t terminator, int32_t* status, char* buffer, int32_t* bytes_read) {
  return note_interface(QBX_ReadPort(buffer, count, status, bytes_read, terminator));
}

int32_t get_version(char* text) {
  std::memcpy(text, kLibraryVersion, std::strlen(kLibraryVersion) + 1);
  return kCvOk;
}

}  // namespace corvan

extern "C" {

CORVAN32_API int32_t CV_OpenPort(int32_t port, int32_t baud, const char* parity, int32_t data_bits,
                                 int32_t stop_bits, int32_t receive_buffer) {
  return recorded([&]() -> int32_t {
    return open_port(port, baud, parity, data_bits, stop_bits, receive_buffer, state().reply);
  });
}

CORVAN32_API int32_t CV_ClosePort(void) {
  return guarded([]() -> int32_t { return close_port(); });
}

CORVAN32_API int32_t CV_GetErrorStatus(void) {
  return recorded([]() -> int32_t { return error_status(state().reply); });
}

CORVAN32_API int32_t CV_WritePort(const char* text) {
  if (text == nullptr) return kCvBadValue;
  return guarded([&]() -> int32_t { return write_port(text); });
}

CORVAN32_API int32_t CV_ReadPort(int32_t count, int32_t terminator, int32_t* status, char* buffer,
                                 int32_t* bytes_read) {
  if (status == nullptr || buffer == nullptr || bytes_read == nullptr || count < 0) return kCvBadValue;
  return guarded([&]() -> int32_t { return read_port(count, terminator, status, buffer, bytes_read); });
}

CORVAN32_API int32_t CV_GetVersion(char* text) {
  if (text == nullptr) return kCvBadValue;
  return get_version(text);
}

CORVAN32_API int32_t CV_DoSelfTest(int32_t, int32_t, int32_t) { return kCvOk; }
CORVAN32_API int32_t CV_GetChanInfo(int32_t, int32_t, int32_t, int32_t, int32_t) { return kCvOk; }
CORVAN32_API int32_t CV_GetDevInfo(int32_t, int32_t, int32_t, int32_t) { return kCvOk; }

}  // extern "C"
