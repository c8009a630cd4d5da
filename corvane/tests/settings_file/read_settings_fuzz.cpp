// Fuzz target: any bytes as a settings file. The reader must give a status and never read or write
// outside its records; the text report written afterwards must stay inside every text field even
// when the file left a field without terminator.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "corvan32_measure.h"

namespace {

std::string temp_path(const char* stem) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir != nullptr ? dir : "/tmp") + "/" + stem + "." + std::to_string(getpid());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string input = temp_path("corvan32_fuzz_settings");
  static const std::string report = temp_path("corvan32_fuzz_report");
  int32_t channels = 100;
  CV_OpenDevice(1, &channels);  // offline: every record exists, counts follow the file
  if (std::FILE* f = std::fopen(input.c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  const int32_t r = CV_ReadSettings(input.c_str(), 0);
  if (r > 0) std::abort();  // the reader returns 0 or a negative status, nothing else
  CV_WriteSettings(report.c_str(), 1);
  CV_WriteSettings(report.c_str(), 0);
  CV_CloseDevice();
  std::remove(input.c_str());
  std::remove(report.c_str());
  return 0;
}
