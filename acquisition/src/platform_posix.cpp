// The real system behind the platform seam: dlopen/dlsym, malloc/free, messages through the
// host's handler (else on standard error), statvfs and stdio files.
#include <dlfcn.h>
#include <sys/statvfs.h>

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

int Platform::free_disk_space(const char* folder, double* free_bytes) {
  struct statvfs info {};
  if (statvfs(folder, &info) != 0) return errno != 0 ? errno : -1;
  *free_bytes = static_cast<double>(info.f_bavail) * static_cast<double>(info.f_frsize);
  return 0;
}

std::FILE* Platform::create_file(const char* path) { return std::fopen(path, "wb"); }

bool Platform::write_file(std::FILE* file, const void* bytes, size_t count) {
  return std::fwrite(bytes, 1, count, file) == count;
}

bool Platform::close_file(std::FILE* file) { return std::fclose(file) == 0; }

namespace {
Platform g_system;
Platform* g_platform = &g_system;
}  // namespace

Platform& platform() { return *g_platform; }

void set_platform(Platform* replacement) { g_platform = replacement ? replacement : &g_system; }

}  // namespace tallix
