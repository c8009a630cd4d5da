// The communication log: one file that records every open, close, command and reply with the
// milliseconds since the log was enabled. Entries are written whole with one append each, so the
// file is current even if the host process dies.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace linkar {

class ComLog {
 public:
  // Stores the file name used by the next enable (default "COMLOG.LOG" in the current folder).
  void set_file(std::string_view name);
  // Opens the file for appending, writes the "enabled at" line and switches the log on.
  // 0, or kQbxLogError when the file cannot be opened. A paused log is closed and opened again
  // under the name set last (a failure leaves it paused as it was); an active log stays as it is.
  int32_t enable();
  // Writes the "disabled at" line and an empty line, closes the file, switches the log off.
  int32_t disable();
  // Switches the on flag without touching the file.
  void pause(bool on) { on_ = on; }
  // True when entries are written: switched on and the file is open.
  bool active() const { return on_ && fd_ >= 0; }
  // Appends prefix + text, the text in pieces of 160 bytes each followed by CR LF.
  // kQbxLogError when the log is not active. Write errors of the file itself are ignored.
  int32_t write_entry(std::string_view prefix, std::string_view text);
  // Whole milliseconds since the log was enabled.
  unsigned long ms_since_enable() const;

 private:
  void write_raw(const std::string& bytes);

  bool on_ = false;
  int fd_ = -1;
  std::string name_ = "COMLOG.LOG";
  double start_ms_ = 0.0;
};

ComLog& comlog();

// Where the messages of one port operation go: the plain log entry (operations on the current
// port) or the entry with the device id taken under the open/close lock (named-port operations).
struct LogTarget {
  bool named = false;
  int32_t device = 0;
  bool quiet = false;  // nothing is logged (the byte-wise flush of non-serial ports)
};

// Writes one log entry as QBX_WriteLog does (clearing a serial current port's error state first,
// no prefix on GPIB ports). Returns 0 or kQbxLogError.
int32_t log_entry(std::string_view text);
// Writes one entry with "Device: %i" in the prefix under the open/close lock (1000 ms):
// 0, kQbxLogError, or kQbxLockTimeout.
int32_t log_entry_ex(int32_t device, std::string_view text);
// Writes a message to the destination when the log is active; nothing otherwise.
void note(const LogTarget& target, std::string_view text);
// The "Win32 error dump: %i\r\n" line with the given system error.
void note_error_dump(const LogTarget& target, int error);

}  // namespace linkar
