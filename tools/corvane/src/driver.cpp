// Binding the driver edition with dlopen/dlsym. The library is looked for beside an installed
// program (../lib), then in the driver's build folder, then by name along the system's search
// path. Full paths are tried first because a dlopen made through a sanitizer's interceptor does
// not see the program's own run path.
#include "driver.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <vector>

#include "messages.h"

namespace corvane_cli {
namespace {

std::string program_folder() {
  char path[PATH_MAX] = {};
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  std::string p(path, static_cast<size_t>(n));
  return p.substr(0, p.rfind('/'));
}

}  // namespace

bool load_driver(const std::string& language, Driver* driver, std::string* error) {
  const std::string file = language == "de" ? "libcorvan32_de.so" : "libcorvan32.so";
  std::vector<std::string> candidates;
  const std::string folder = program_folder();
  if (!folder.empty()) candidates.push_back(folder + "/../" CORVANE_CLI_INSTALL_LIBDIR "/" + file);
  candidates.push_back(CORVANE_CLI_DRIVER_BUILD_DIR "/" + file);
  // RTLD_LOCAL keeps the edition's names out of the global scope; the handle is kept for the
  // life of the process (the driver's static state must outlive every call).
  void* handle = nullptr;
  for (const auto& path : candidates) {
    if (access(path.c_str(), R_OK) == 0 && (handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) != nullptr) break;
  }
  if (handle == nullptr) handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    *error = tr("The driver library {} cannot be loaded: {}.", file, why ? std::string(why) : tr("unknown reason"));
    return false;
  }
#define CORVANE_CLI_DRIVER_BIND(name)                                                          \
  driver->name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name));                  \
  if (driver->name == nullptr) {                                                              \
    *error = tr("The driver library {} has no function {}; it is too old for this tool.", file, #name);  \
    return false;                                                                             \
  }
  CORVANE_CLI_DRIVER_FUNCTIONS(CORVANE_CLI_DRIVER_BIND)
#undef CORVANE_CLI_DRIVER_BIND
  driver->library = file;
  return true;
}

}  // namespace corvane_cli
