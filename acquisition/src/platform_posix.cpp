// The real system behind the platform seam: dlopen/dlsym, malloc/free, messages through the host's
// handler (else on standard error), and plain file reads.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

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

bool Platform::read_file(const char* path, size_t limit, std::string* bytes) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bytes->clear();
  char chunk[65536];
  bool ok = true;
  while (bytes->size() <= limit) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) break;
    bytes->append(chunk, static_cast<size_t>(n));
  }
  ::close(fd);
  if (bytes->size() > limit + 1) bytes->resize(limit + 1);
  return ok;
}

namespace {
Platform g_system;
Platform* g_platform = &g_system;
}  // namespace

Platform& platform() { return *g_platform; }

void set_platform(Platform* replacement) { g_platform = replacement ? replacement : &g_system; }

}  // namespace tallix
