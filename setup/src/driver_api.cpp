// Lazy binding of the driver and interface libraries (see driver_api.h).
#include "driver_api.h"

#include <cstdlib>

#include "platform.h"

namespace setup {

DriverApi::DriverApi(std::string driver_file, std::string interface_file, std::vector<std::string> folders)
    : files_{std::move(driver_file), std::move(interface_file), "libportix32.so"}, folders_(std::move(folders)) {}

void* DriverApi::resolve(int lib, const char* name) {
  if (!opened_[lib]) {
    opened_[lib] = true;
    std::vector<std::string> candidates;
    // The interface library finds PORTIX32 through this variable too.
    const char* portix = std::getenv("LINKAR32_PORTIX32");
    if (lib == kOptionalLibrary && portix != nullptr && portix[0] != '\0') candidates.emplace_back(portix);
    for (const std::string& folder : folders_) candidates.push_back(folder + "/" + files_[lib]);
    std::string why;
    handles_[lib] = open_library(candidates, files_[lib], &why).handle;
    if (handles_[lib] == nullptr && missing_ && lib != kOptionalLibrary) {
      missing_("The library " + files_[lib] + " cannot be loaded (" + why +
               "). The program cannot reach the amplifier without it.");
    }
  }
  if (handles_[lib] == nullptr) return nullptr;
  void* address = find_symbol(LoadedLibrary{handles_[lib], files_[lib]}, name);
  if (address == nullptr && missing_ && lib != kOptionalLibrary) {
    missing_("The library " + files_[lib] + " has no function " + name +
             "; it does not belong to this version of the program.");
  }
  return address;
}

std::string driver_file_for(const std::string& language) {
  return language == "de" ? "libcorvan32_de.so" : "libcorvan32.so";
}

}  // namespace setup
