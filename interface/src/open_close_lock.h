// The open/close lock: one permit that serialises opening and closing ports, waking interpreters
// and the named-port log writer, between the threads of this process and between processes. It is
// an flock on a lock file, so the system releases it when its holder dies. The file is opened
// read-only and created readable by all, so that every user who reaches the ports shares it,
// whoever created it.
#pragma once

#include <mutex>
#include <string>

namespace linkar {

class OpenCloseLock {
 public:
  // Waits up to timeout_ms for the permit (also while the lock file cannot be opened); true when
  // obtained.
  bool acquire(int timeout_ms);
  void release();
  // Path of the lock file: $XDG_RUNTIME_DIR/linkar32-CloseOpen.lock, else /run/lock/..., else /tmp/...
  static std::string path();

 private:
  bool open_file();
  // Opens file read-only, creating it (mode 0644) when it does not exist. The descriptor, or -1.
  static int open_lock_file(const std::string& file);

  std::timed_mutex threads_;
  int fd_ = -1;
  int owner_pid_ = -1;
  std::string open_path_;
};

OpenCloseLock& open_close_lock();

// Holds the lock for a scope when it was obtained.
class LockHold {
 public:
  LockHold(OpenCloseLock& lock, int timeout_ms) : lock_(lock), held_(lock.acquire(timeout_ms)) {}
  ~LockHold() {
    if (held_) lock_.release();
  }
  LockHold(const LockHold&) = delete;
  LockHold& operator=(const LockHold&) = delete;
  bool held() const { return held_; }

 private:
  OpenCloseLock& lock_;
  bool held_;
};

}  // namespace linkar
