// The amplifier driver as a table of functions, loaded at run time from one of its two editions
// (libcorvan32.so English, libcorvan32_de.so German). Both editions export the same names, so the
// tool links neither and binds the chosen one by name; LINKAR32 is linked normally and shared by
// the tool and the driver (one port table per process).
#pragma once

#include <string>

#include "corvan32.h"
#include "corvan32_measure.h"

namespace corvane_cli {

// Every driver export the tool calls; X(name) once per entry.
#define CORVANE_CLI_DRIVER_FUNCTIONS(X)                                                              \
  X(CV_OpenPort) X(CV_ClosePort) X(CV_OpenDevice) X(CV_CloseDevice) X(CV_GetVersion)                \
  X(CV_GetErrorStatus) X(CV_GetChanSettings) X(CV_SetChanSettings) X(CV_GetDevSettings)             \
  X(CV_SetDevSettings) X(CV_GetPsbleChanSettings) X(CV_GetPsbleDevSettings) X(CV_GetSystemSettings) \
  X(GetIDString) X(CV_GetResString) X(CV_LoadDevSettings) X(CV_SaveDevSettings)                     \
  X(CV_LoadChanSettings) X(CV_SaveChanSettings) X(CV_TareSetup) X(CV_ACQSetup) X(CV_DoTara)         \
  X(CV_MeasOneVal) X(CV_ACQStart) X(CV_ACQRead) X(CV_ACQStop) X(CV_Trigger) X(CV_ACQShuntCal)       \
  X(CV_WriteSettings) X(CV_ReadSettings) X(CV_StatusText)

struct Driver {
#define CORVANE_CLI_DRIVER_MEMBER(name) decltype(&::name) name = nullptr;
  CORVANE_CLI_DRIVER_FUNCTIONS(CORVANE_CLI_DRIVER_MEMBER)
#undef CORVANE_CLI_DRIVER_MEMBER
  std::string library;  // file name of the loaded edition
};

// Loads the edition for language "en" or "de" and binds every export. Returns false with a
// sentence in *error when the library or one of its exports cannot be found.
bool load_driver(const std::string& language, Driver* driver, std::string* error);

}  // namespace corvane_cli
