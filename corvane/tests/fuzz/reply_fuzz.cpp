// Fuzz target: the device's replies are arbitrary bytes. The chain is opened with well-formed
// replies, then every loading, saving and reading path parses what the fuzz input says; nothing
// may read or write outside a buffer, whatever arrives.
#include <cstddef>
#include <cstdint>
#include <string>

#include "corvan32.h"
#include "corvan32_measure.h"
#include "fake_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  // "EST?" and "AID?" of the online open: a ten-channel chain.
  fake_line::serve("0\r\n0,5051,1,5051,2,5052,3,5052,4,5054,5,5053,6,5053,7,5058,8,5055,9,5050\r\n" + input);
  int32_t n = 0;
  if (CV_OpenDevice(0, &n) != 0) return 0;
  CV_LoadDevSettings(0xFF);
  for (int32_t c = 0; c < n; ++c) CV_LoadChanSettings(c, 0xFFFF);
  CV_LoadChanSettings(4, kCvChanAmplifier);
  for (int32_t c = 0; c < n; ++c) CV_SaveChanSettings(c, 0xFFFF);
  CV_SaveDevSettings(0xFF);
  CV_MeasOneVal();
  CV_DoTara();
  float values[64];
  CV_ACQRead(2, 100, values);
  CV_GetErrorStatus();
  char text[256];
  for (int32_t k = 0; k < 11; ++k) CV_GetSystemSettings(k, 64, text);
  CV_CloseDevice();
  return 0;
}
