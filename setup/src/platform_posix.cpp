// POSIX side of platform.h: dlopen/dlsym, flock, /proc/self/exe, access, and a self-pipe for the
// termination signals.
#include "platform.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>

namespace setup {

LoadedLibrary open_library(const std::vector<std::string>& candidates, const std::string& file_name,
                           std::string* error) {
  LoadedLibrary library;
  // Full paths first: a dlopen made through a sanitizer's interceptor does not see the program's
  // own run path. RTLD_LOCAL keeps the edition's names out of the global scope.
  for (const std::string& path : candidates) {
    if (access(path.c_str(), R_OK) != 0) continue;
    library.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library.handle != nullptr) {
      library.path = path;
      return library;
    }
  }
  library.handle = dlopen(file_name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library.handle != nullptr) {
    library.path = file_name;
  } else if (error != nullptr) {
    const char* why = dlerror();
    *error = why != nullptr ? why : "unknown reason";
  }
  return library;
}

void* find_symbol(const LoadedLibrary& library, const char* symbol) {
  if (library.handle == nullptr) return nullptr;
  return dlsym(library.handle, symbol);
}

std::string executable_folder() {
  char path[PATH_MAX] = {};
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  const std::string p(path, static_cast<size_t>(n));
  return p.substr(0, p.rfind('/'));
}

bool folder_writable(const std::string& folder) {
  return !folder.empty() && access(folder.c_str(), W_OK | X_OK) == 0;
}

bool make_folders(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  return std::filesystem::is_directory(folder, ignored);
}

int take_instance_lock(const std::string& path, bool* busy) {
  *busy = false;
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    *busy = errno == EWOULDBLOCK;
    close(fd);
    return -1;
  }
  return fd;
}

void release_instance_lock(int fd) {
  if (fd < 0) return;
  flock(fd, LOCK_UN);
  close(fd);
}

namespace {

int g_signal_pipe[2] = {-1, -1};

void on_termination_signal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = write(g_signal_pipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

int termination_signal_fd() {
  if (g_signal_pipe[0] >= 0) return g_signal_pipe[0];
  if (pipe2(g_signal_pipe, O_NONBLOCK | O_CLOEXEC) != 0) return -1;
  struct sigaction action = {};
  action.sa_handler = on_termination_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  return g_signal_pipe[0];
}

int drain_termination_signals(int fd) {
  int seen = 0;
  char buffer[16];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) seen += static_cast<int>(n);
  return seen;
}

}  // namespace setup
