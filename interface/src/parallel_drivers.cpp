// Run-time loading of the parallel-port drivers through the platform seam.
#include "parallel_drivers.h"

#include <mutex>
#include <string>

#include "platform.h"

namespace linkar {
namespace {

// PARLINK opens by port number alone; this adapter gives it the common open signature.
int32_t (*g_parlink_open)(int32_t) = nullptr;
int32_t parlink_open(int32_t n, int32_t*) {
  return g_parlink_open(n);
}

// Opens the driver library: the path in the environment variable, else beside this library, else
// by name through the search path.
void* open_library(const char* variable, const char* file) {
  Platform& sys = platform();
  if (const char* path = sys.getenv(variable); path && *path) return sys.dlopen(path);
  std::string beside = sys.library_directory();
  if (!beside.empty()) {
    if (void* library = sys.dlopen((beside + "/" + file).c_str())) return library;
  }
  return sys.dlopen(file);
}

template <typename F>
bool take(void* library, const char* name, F* into) {
  *into = reinterpret_cast<F>(platform().dlsym(library, name));
  return *into != nullptr;
}

// A driver found once is kept; a failed lookup is tried again at the next open, so a driver
// installed while the host runs is found without a restart. The entry points are only ever
// replaced by a complete set, since open ports call through them.
struct Loaded {
  ParallelDriver driver;
  bool ok = false;
};

std::mutex g_lock;
Loaded g_portix32;
Loaded g_parlink;

}  // namespace

const ParallelDriver* portix32_driver() {
  std::lock_guard<std::mutex> hold(g_lock);
  if (!g_portix32.ok) {
    void* library = open_library("LINKAR32_PORTIX32", "libportix32.so");
    if (!library) return nullptr;
    ParallelDriver d;
    g_portix32.ok = take(library, "CV_OpenPort", &d.open) && take(library, "CV_ReadPort", &d.read) &&
                    take(library, "CV_WritePort", &d.write) && take(library, "CV_ClosePort", &d.close) &&
                    take(library, "CV_SetSysTimeout", &d.set_timeout) &&
                    take(library, "CV_SelectPort", &d.select);
    if (!g_portix32.ok) {
      platform().dlclose(library);
      return nullptr;
    }
    g_portix32.driver = d;
  }
  return g_portix32.ok ? &g_portix32.driver : nullptr;
}

const ParallelDriver* parlink_driver() {
  std::lock_guard<std::mutex> hold(g_lock);
  if (!g_parlink.ok) {
    void* library = open_library("LINKAR32_PARLINK", "libparlink.so");
    if (!library) return nullptr;
    ParallelDriver d;
    int32_t (*open)(int32_t) = nullptr;
    g_parlink.ok = take(library, "PL_PPOpenParLink", &open) && take(library, "PL_PPReadParLink", &d.read) &&
                   take(library, "PL_PPWriteParLink", &d.write) &&
                   take(library, "PL_PPCloseParLink", &d.close) &&
                   take(library, "PL_SetSysTimeout", &d.set_timeout) &&
                   take(library, "PL_PPSelectParLink", &d.select);
    if (!g_parlink.ok) {
      platform().dlclose(library);
      return nullptr;
    }
    g_parlink_open = open;
    d.open = parlink_open;
    g_parlink.driver = d;
  }
  return g_parlink.ok ? &g_parlink.driver : nullptr;
}

void forget_parallel_drivers() {
  std::lock_guard<std::mutex> hold(g_lock);
  g_portix32.ok = false;
  g_parlink.ok = false;
}

}  // namespace linkar
