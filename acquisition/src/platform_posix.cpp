// The real system behind the platform seam: dlopen/dlsym, malloc/free, file descriptors, and
// messages through the host's handler, else on standard error.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdio>
#include <cstdlib>

#include "message_handler.h"
#include "platform.h"

namespace tallix {

void* Platform::load_library(const char* name) { return dlopen(name, RTLD_NOW | RTLD_LOCAL); }

void* Platform::find_symbol(void* library, const char* name) { return dlsym(library, name); }

void* Platform::allocate(size_t bytes) { return std::malloc(bytes == 0 ? 1 : bytes); }

void Platform::release(void* block) { std::free(block); }

void Platform::show_message(const char* caption, const char* text) {
  if (AcqMessageHandler handler = message_handler()) {
    handler(caption, text);
  } else {
    std::fprintf(stderr, "%s\n", text);
  }
}

int Platform::create_file(const char* name) {
  int fd;
  do {
    fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd >= 0 ? fd : -errno;
}

int64_t Platform::file_size(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -errno;
}

int64_t Platform::write_at(int fd, const iovec* pieces, int count, int64_t offset) {
  ssize_t n;
  do {
    n = ::pwritev(fd, pieces, count, static_cast<off_t>(offset));
  } while (n < 0 && errno == EINTR);
  return n >= 0 ? static_cast<int64_t>(n) : -errno;
}

int Platform::truncate_file(int fd, int64_t size) {
  int r;
  do {
    r = ::ftruncate(fd, static_cast<off_t>(size));
  } while (r < 0 && errno == EINTR);
  return r == 0 ? 0 : -errno;
}

void Platform::close_file(int fd) { ::close(fd); }

namespace {
Platform g_system;
Platform* g_platform = &g_system;
}  // namespace

Platform& platform() { return *g_platform; }

void set_platform(Platform* replacement) { g_platform = replacement ? replacement : &g_system; }

}  // namespace tallix
