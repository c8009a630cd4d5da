// The real system behind the platform seam: dlopen/dlsym, malloc/free, and messages through the
// host's handler, else on standard error.
#include <dlfcn.h>

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

namespace {
Platform g_system;
Platform* g_platform = &g_system;
}  // namespace

Platform& platform() { return *g_platform; }

void set_platform(Platform* replacement) { g_platform = replacement ? replacement : &g_system; }

}  // namespace tallix
