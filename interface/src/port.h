// The operations every kind of port offers to the port table. Serial lines implement all of them;
// the other kinds keep the defaults where an operation means nothing for them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "comlog.h"

namespace linkar {

// Settings given to QBX_OpenPort; each kind gives them its own meaning.
struct OpenParams {
  int32_t baud = 0;
  const char* parity = nullptr;
  int32_t data_bits = 0;
  int32_t stop_bits = 0;
  int32_t receive_buffer = 0;
};

class Port {
 public:
  virtual ~Port() = default;

  // The handle kept in the port table (a descriptor, or 0 for kinds that share one entry).
  virtual int handle() const = 0;

  // Reads into buffer: with terminator != 0 up to count bytes ending after the terminator, each
  // byte within timeout_ms, zero-terminated (count + 1 bytes); with terminator == 0 exactly count
  // bytes within timeout_ms for the whole read. *bytes_read gets what was stored.
  // timeout_ms <= 0 waits without limit. Returns 0 or a status.
  virtual int32_t read(char* buffer, int32_t count, int32_t* bytes_read, int32_t terminator, int32_t timeout_ms,
                       const LogTarget& log) = 0;
  // Writes length bytes within timeout_ms. 0 or a status.
  virtual int32_t write(const char* data, size_t length, int32_t timeout_ms, const LogTarget& log) = 0;
  // Writes binary data (QBX_WritePortCount); the same as write unless the kind cannot.
  virtual int32_t write_count(const char* data, size_t length, int32_t timeout_ms, const LogTarget& log) {
    return write(data, length, timeout_ms, log);
  }
  // Closes the port: 0, or kQbxCloseFailed (the port is gone either way).
  virtual int32_t close(int32_t timeout_ms, const LogTarget& log) = 0;

  // True when the port discards input itself; otherwise the table reads and drops bytes.
  virtual bool flushes_itself() const { return false; }
  // Discards pending input and returns the number of bytes discarded.
  virtual int32_t flush_in(const LogTarget&) { return 0; }
  virtual int32_t flush_out() { return 0; }
  virtual int32_t in_queue() { return 0; }
  virtual int32_t out_queue() { return 0; }
  // Clears the line's error state and returns the error mask (kLineError* bits).
  virtual uint32_t clear_error() { return 0; }
  virtual int32_t set_break(bool) { return 0; }
  virtual int32_t set_cts_mode(bool) { return 0; }
  // QBX_OpenPort on a number already in the table: a serial line takes the new settings, a parallel
  // port is opened again in the driver the settings select, TCP and USB open a further connection
  // (or make an open one current). 0 or a status.
  virtual int32_t reopen(const OpenParams&, int32_t /*timeout_ms*/, const LogTarget&) { return 0; }
  // Writes to every device the port reaches (every connection of a TCP port); one write otherwise.
  virtual int32_t write_to_all(const char* data, size_t length, int32_t timeout_ms, const LogTarget& log) {
    return write(data, length, timeout_ms, log);
  }
  // False for ports whose devices are not woken by the interpreter byte (parallel through PORTIX32).
  virtual bool wakes_interpreter() const { return true; }
  // Ports with several connections (TCP, USB): close() ends the current connection only, and the
  // table entry stays while this is true afterwards.
  virtual bool keeps_entry() const { return false; }
  // Ends every connection (closing all ports).
  virtual int32_t close_all(int32_t timeout_ms, const LogTarget& log) { return close(timeout_ms, log); }
  // True for ports whose device address selects a connection (TCP, USB).
  virtual bool has_connections() const { return false; }
  // Makes the connection with this id current: 0, or -1 when there is none.
  virtual int32_t select_connection(int32_t) { return -1; }
  // 1-based position of the connection with this id (logged as a selection), -1 when none.
  virtual int32_t connection_position(int32_t) { return -1; }
  // Id of the connection at a 1-based position (shown in named-port log entries); the position itself
  // when there is none.
  virtual int32_t connection_id_at(int32_t position) const { return position; }
  // Called when the port becomes current.
  virtual void selected() {}
  // Called when the time-out that applies to this port changes (the process-wide one, or the short
  // one of a flush by reading while it lasts).
  virtual void timeout_changed(int32_t) {}
  // Power handling of ports that power the amplifier (QBX_Corvane_WakeUp, QBX_Corvane_Sleep);
  // nothing to do for the other kinds.
  virtual int32_t wake_up() { return 0; }
  virtual int32_t sleep() { return 0; }
};

// Error-mask bits of a serial line, as the line-status calls report them.
constexpr uint32_t kLineErrorRxOverflow = 0x0001;
constexpr uint32_t kLineErrorOverrun = 0x0002;
constexpr uint32_t kLineErrorParity = 0x0004;
constexpr uint32_t kLineErrorFrame = 0x0008;
constexpr uint32_t kLineErrorBreak = 0x0010;

}  // namespace linkar
