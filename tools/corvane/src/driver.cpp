// Binding the driver edition with dlopen/dlsym. The library is looked up by file name along the
// program's run path (the build folder of the driver, or ../lib of an installed tree).
#include "driver.h"

#include <dlfcn.h>

namespace corvane_cli {

bool load_driver(const std::string& language, Driver* driver, std::string* error) {
  const std::string file = language == "de" ? "libcorvan32_de.so" : "libcorvan32.so";
  // RTLD_LOCAL keeps the edition's names out of the global scope; the handle is kept for the
  // life of the process (the driver's static state must outlive every call).
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    *error = "The driver library " + file + " cannot be loaded: " + (why ? why : "unknown reason") + ".";
    return false;
  }
#define CORVANE_CLI_DRIVER_BIND(name)                                                          \
  driver->name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name));                  \
  if (driver->name == nullptr) {                                                              \
    *error = "The driver library " + file + " has no function " #name "; it is too old for this tool."; \
    return false;                                                                             \
  }
  CORVANE_CLI_DRIVER_FUNCTIONS(CORVANE_CLI_DRIVER_BIND)
#undef CORVANE_CLI_DRIVER_BIND
  driver->library = file;
  return true;
}

}  // namespace corvane_cli
