// Exported entry points of the settings file.
#include "corvan32_measure.h"
#include "export_guard.h"
#include "settings_file.h"

namespace {
enum SettingsForm : int32_t { kBinaryForm = 0, kTextReport = 1 };
}

extern "C" CORVAN32_API int32_t CV_WriteSettings(const char* file_name, int32_t form) {
  if (form != kBinaryForm && form != kTextReport) return kCvBadValue;
  if (file_name == nullptr) return kCvFileOpenFailed;
  return corvan::guarded([&]() -> int32_t {
    return form == kBinaryForm ? corvan::write_settings_binary(file_name) : corvan::write_settings_report(file_name);
  });
}

extern "C" CORVAN32_API int32_t CV_ReadSettings(const char* file_name, int32_t form) {
  if (form == kTextReport) return kCvOk;
  if (form != kBinaryForm) return kCvUnknownReadForm;
  if (file_name == nullptr) return kCvFileOpenFailed;
  return corvan::guarded([&]() -> int32_t { return corvan::read_settings(file_name); });
}
