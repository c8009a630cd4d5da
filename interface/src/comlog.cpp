// Communication log: file handling, the entry prefix, and the 160-byte pieces.
#include "comlog.h"

#include <fcntl.h>

#include "clock.h"
#include "linkar32.h"
#include "open_close_lock.h"
#include "platform.h"
#include "port_table.h"
#include "text_format.h"

namespace linkar {
namespace {

// Long texts are cut into pieces of this size, each full piece ended by CR LF, so that viewers
// with fixed line buffers can show every line.
constexpr size_t kPieceBytes = 160;
constexpr int kLogExLockMs = 1000;

}  // namespace

ComLog& comlog() {
  static ComLog* log = new ComLog;  // never destroyed: the unload handler may still write to it
  return *log;
}

void ComLog::set_file(std::string_view name) { name_.assign(name); }

void ComLog::write_raw(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = platform().write(fd_, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return;  // errors of the log file itself are ignored
    done += static_cast<size_t>(n);
  }
}

int32_t ComLog::enable() {
  if (on_ && fd_ >= 0) return kQbxOk;
  // A paused log is opened anew, so that a name set meanwhile takes effect and the file shows
  // where the log was enabled again; the paused file stays until the new one is open.
  const int fd = platform().open(name_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd < 0) return kQbxLogError;
  if (fd_ >= 0) platform().close(fd_);
  fd_ = fd;
  char now[9];
  platform().time_of_day(now);
  write_raw(strprintf("Communication log enabled at %s\r\n", now));
  start_ms_ = high_res_ms();
  on_ = true;
  return kQbxOk;
}

int32_t ComLog::disable() {
  // A paused log is closed too, so that its file is not left open until the process ends.
  if (fd_ >= 0) {
    char now[9];
    platform().time_of_day(now);
    write_raw(strprintf("Communication log disabled at %s\r\n\r\n", now));
    platform().close(fd_);
    fd_ = -1;
  }
  on_ = false;
  return kQbxOk;
}

unsigned long ComLog::ms_since_enable() const {
  double ms = high_res_ms() - start_ms_;
  return ms > 0 ? static_cast<unsigned long>(ms) : 0ul;
}

int32_t ComLog::write_entry(std::string_view prefix, std::string_view text) {
  if (!active()) return kQbxLogError;
  std::string entry;
  entry.reserve(prefix.size() + text.size() + 2 * (text.size() / kPieceBytes) + 2);
  entry.append(prefix);
  size_t pos = 0;
  while (text.size() - pos >= kPieceBytes) {
    entry.append(text.substr(pos, kPieceBytes));
    entry.append("\r\n");
    pos += kPieceBytes;
  }
  entry.append(text.substr(pos));
  write_raw(entry);
  return kQbxOk;
}

int32_t log_entry(std::string_view text) {
  ComLog& log = comlog();
  if (!log.active()) return kQbxLogError;
  PortTable& ports = table();
  // A serial line's error state is cleared first, so a logged reply is not followed by a stale
  // error on the next read.
  ports.clear_current_serial_error();
  if (ports.current_is_gpib()) return log.write_entry({}, text);
  return log.write_entry(strprintf("(%lu ms) >>> ", log.ms_since_enable()), text);
}

int32_t log_entry_ex(int32_t device, std::string_view text) {
  ComLog& log = comlog();
  if (!log.active()) return kQbxLogError;
  LockHold hold(open_close_lock(), kLogExLockMs);
  if (!hold.held()) return kQbxLockTimeout;
  PortTable& ports = table();
  if (ports.current_is_gpib()) return log.write_entry({}, text);
  return log.write_entry(strprintf("(%lu ms) >>> Device: %i ", log.ms_since_enable(), ports.device_id_for_log(device)),
                         text);
}

void note(const LogTarget& target, std::string_view text) {
  if (target.quiet || !comlog().active()) return;
  if (target.named) {
    log_entry_ex(target.device, text);
  } else {
    log_entry(text);
  }
}

void note_error_dump(const LogTarget& target, int error) {
  if (!target.quiet && comlog().active()) note(target, strprintf("Win32 error dump: %i\r\n", error));
}

}  // namespace linkar
