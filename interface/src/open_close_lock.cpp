// The open/close lock on an flock'd lock file with timed waits.
#include "open_close_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>

#include "clock.h"
#include "platform.h"

namespace linkar {
namespace {

constexpr const char* kLockName = "linkar32-CloseOpen.lock";
// Poll interval while another process holds the lock.
constexpr int kRetryMs = 2;
// The lock file is readable by every user: all of them lock it, none needs to write it.
constexpr mode_t kLockFileMode = 0644;

bool is_directory(const char* path) {
  if (!path || !*path) return false;
  int fd = platform().open(path, O_RDONLY | O_DIRECTORY, 0);
  if (fd < 0) return false;
  platform().close(fd);
  return true;
}

}  // namespace

OpenCloseLock& open_close_lock() {
  static OpenCloseLock* lock = new OpenCloseLock;  // outlives the unload handler
  return *lock;
}

std::string OpenCloseLock::path() {
  const char* runtime = platform().getenv("XDG_RUNTIME_DIR");
  std::string dir;
  if (is_directory(runtime)) {
    dir = runtime;
  } else if (is_directory("/run/lock")) {
    dir = "/run/lock";
  } else {
    dir = "/tmp";
  }
  return dir + "/" + kLockName;
}

int OpenCloseLock::open_lock_file(const std::string& file) {
  Platform& sys = platform();
  // Read-only: flock needs no write permission, so a file another user created serves every user.
  // The file is not opened with O_CREAT when it exists: in a sticky shared folder the system may
  // refuse O_CREAT on another user's file (fs.protected_regular) even where reading is allowed.
  for (int attempt = 0; attempt < 2; ++attempt) {
    int fd = sys.open(file.c_str(), O_RDONLY, 0);
    if (fd >= 0 || sys.last_error() != ENOENT) return fd;
    fd = sys.open(file.c_str(), O_RDONLY | O_CREAT | O_EXCL, kLockFileMode);
    if (fd >= 0) {
      // Readable by all whatever the creator's umask.
      sys.fchmod(fd, kLockFileMode);
      return fd;
    }
    if (sys.last_error() != EEXIST) return -1;
    // Another process created it in between: open that one.
  }
  return -1;
}

bool OpenCloseLock::open_file() {
  // The folder is looked up at each acquisition: a process that changes $XDG_RUNTIME_DIR (tests do)
  // moves to the new file once nothing holds the old one.
  std::string wanted = path();
  const int pid = platform().process_id();
  if (fd_ >= 0 && wanted == open_path_ && pid == owner_pid_) return true;
  if (fd_ >= 0) {
    // A forked child shares its parent's descriptor, and with it the parent's lock: it opens its own.
    platform().close(fd_);
    fd_ = -1;
  }
  owner_pid_ = pid;
  fd_ = open_lock_file(wanted);
  if (fd_ < 0) return false;
  open_path_ = wanted;
  return true;
}

bool OpenCloseLock::acquire(int timeout_ms) {
  if (timeout_ms < 0) timeout_ms = 0;
  const uint32_t start = sys_time_ms();
  if (!threads_.try_lock_for(std::chrono::milliseconds(timeout_ms))) return false;
  // A lock file that cannot be opened (yet) is tried again like a lock that is held: the wait is
  // the caller's time-out, never an immediate refusal.
  for (;;) {
    if (open_file()) {
      if (platform().flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
      if (platform().last_error() != EWOULDBLOCK) {
        platform().close(fd_);
        fd_ = -1;
      }
    }
    if (elapsed_since(start) >= static_cast<uint32_t>(timeout_ms)) {
      threads_.unlock();
      return false;
    }
    platform().sleep_ms(kRetryMs);
  }
}

void OpenCloseLock::release() {
  if (fd_ >= 0) platform().flock(fd_, LOCK_UN);
  threads_.unlock();
}

}  // namespace linkar
