// Looking the kernel's functions up in the process. dlsym with RTLD_DEFAULT searches every library
// loaded with global symbols, which is where the kernel (linked by its host) lives. A found address
// is kept: the kernel links this library, so it cannot be unloaded while this library is used.
#include "evaluate/kernel_link.h"

#include <dlfcn.h>

namespace numera32::evaluate::kernel {

namespace {

template <class Fn>
Fn lookup(Fn& cached, const char* name) {
  if (cached == nullptr) cached = reinterpret_cast<Fn>(dlsym(RTLD_DEFAULT, name));
  return cached;
}

GetIOBufFn g_get = nullptr;
SetIOBufExFn g_set = nullptr;
ResetIOBufFn g_reset = nullptr;
GetIOBufCurrLenFn g_length = nullptr;

}  // namespace

GetIOBufFn get_iobuf() { return lookup(g_get, "QBX_ACQGetIOBuf"); }
SetIOBufExFn set_iobuf_ex() { return lookup(g_set, "QBX_ACQSetIOBufEx"); }
ResetIOBufFn reset_iobuf() { return lookup(g_reset, "QBX_ACQResetIOBuf"); }
GetIOBufCurrLenFn iobuf_length() { return lookup(g_length, "QBX_ACQGetIOBufCurrLen"); }

}  // namespace numera32::evaluate::kernel
