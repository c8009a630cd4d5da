// The amplifier driver (English libcorvan32.so or German libcorvan32_de.so) and the interface
// library (liblinkar32.so) as the setup program sees them: bound by name at run time, each
// function at its first call. A library or function that cannot be found is reported once through
// the missing handler (the window shows it in a message box) and every call of it returns
// kSetupFunctionMissing, so the program goes on instead of crashing. The outside parallel-port
// driver PORTIX32 (libportix32.so, or the file $LINKAR32_PORTIX32 names) is bound the same way for
// its one call, CV_SetPrinterName; it is optional, so its absence is not reported.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "corvan32.h"
#include "corvan32_measure.h"
#include "linkar32.h"

// PORTIX32's printer-name export (its header is not included: its other exports share names with
// the driver's).
extern "C" int32_t CV_SetPrinterName(const char* name);

namespace setup {

// Status of a call whose library or function is missing.
inline constexpr int32_t kSetupFunctionMissing = -9000;

// Every export the program calls: X(library, name); library 0 the driver, 1 the interface library,
// 2 PORTIX32.
#define SETUP_BOUND_FUNCTIONS(X)                                                                    \
  X(0, CV_OpenPort) X(0, CV_ClosePort) X(0, CV_OpenDevice) X(0, CV_CloseDevice)                     \
  X(0, CV_GetErrorStatus) X(0, CV_GetChanSettings) X(0, CV_SetChanSettings) X(0, CV_GetDevSettings) \
  X(0, CV_SetDevSettings) X(0, CV_GetPsbleChanSettings) X(0, CV_GetPsbleDevSettings)                \
  X(0, CV_GetResString) X(0, GetIDString) X(0, CV_LoadDevSettings) X(0, CV_SaveDevSettings)         \
  X(0, CV_LoadChanSettings) X(0, CV_SaveChanSettings) X(0, CV_DoTara) X(0, CV_MeasOneVal)           \
  X(0, CV_WriteSettings) X(0, CV_ReadSettings) X(0, CV_GetVersion) X(0, CV_GetSystemSettings)      \
  X(1, QBX_SetTimeout) X(1, QBX_OpenPort) X(1, QBX_WritePort) X(1, QBX_ReadPort)                    \
  X(1, QBX_FlushInQueue) X(1, QBX_FlushOutQueue) X(1, QBX_Delay) X(1, QBX_EnableComLog)             \
  X(1, QBX_DisableComLog) X(1, QBX_SetLogFile) X(2, CV_SetPrinterName)

class DriverApi {
 public:
  // driver_file: "libcorvan32.so" or "libcorvan32_de.so"; interface_file: "liblinkar32.so".
  // Each library is looked for in the folders in order, then along the system's search path.
  DriverApi(std::string driver_file, std::string interface_file, std::vector<std::string> folders);
  DriverApi(const DriverApi&) = delete;
  DriverApi& operator=(const DriverApi&) = delete;

  // The sentence handler for a missing library or function (called once for each).
  void set_missing_handler(std::function<void(const std::string&)> handler) { missing_ = std::move(handler); }
  const std::string& driver_file() const { return files_[0]; }

#define SETUP_DECLARE_CALL(lib, name)                                    \
  template <typename... Args>                                            \
  int32_t name(Args... args) {                                           \
    return call(name##_, lib, #name, args...);                           \
  }
  SETUP_BOUND_FUNCTIONS(SETUP_DECLARE_CALL)
#undef SETUP_DECLARE_CALL

 private:
  template <typename Fn>
  struct Slot {
    Fn fn = nullptr;
    bool tried = false;
  };

  template <typename Fn, typename... Args>
  int32_t call(Slot<Fn>& slot, int lib, const char* name, Args... args) {
    if (!slot.tried) {
      slot.tried = true;
      slot.fn = reinterpret_cast<Fn>(resolve(lib, name));
    }
    if (slot.fn == nullptr) return kSetupFunctionMissing;
    return slot.fn(args...);
  }

  // Opens the library at its first use and looks the function up; null (reported) when missing.
  void* resolve(int lib, const char* name);

  static constexpr int kLibraries = 3;
  static constexpr int kOptionalLibrary = 2;
  std::string files_[kLibraries];
  std::vector<std::string> folders_;
  void* handles_[kLibraries] = {nullptr, nullptr, nullptr};
  bool opened_[kLibraries] = {false, false, false};
  std::function<void(const std::string&)> missing_;

#define SETUP_DECLARE_SLOT(lib, name) Slot<decltype(&::name)> name##_;
  SETUP_BOUND_FUNCTIONS(SETUP_DECLARE_SLOT)
#undef SETUP_DECLARE_SLOT
};

// File name of the driver edition for a language ("de" German, anything else English).
std::string driver_file_for(const std::string& language);

}  // namespace setup
