// The ATMIO exports: the 64 control records the kernel keeps for the host (copied in and out
// whole; QBX_ACQInitAcqHdr resets them) and the board functions, which the kernel does not carry:
// each answers "family not supported".
#include <cstring>

#include "kernel_state.h"
#include "tallix32.h"

using namespace tallix;

namespace {

bool valid_record(int32_t index) {
  return index >= 0 && index < kAcqMaxDevices;
}

}  // namespace

extern "C" {

int32_t QBX_ACQSetATMIOCtrlStruct(int32_t index, const void* record) {
  if (!valid_record(index) || record == nullptr) return kAcqBadArgument;
  std::memcpy(kernel().atmio[index], record, sizeof kernel().atmio[index]);
  return kAcqOk;
}

int32_t QBX_ACQGetATMIOCtrlStruct(int32_t index, void* record) {
  if (!valid_record(index) || record == nullptr) return kAcqBadArgument;
  std::memcpy(record, kernel().atmio[index], sizeof kernel().atmio[index]);
  return kAcqOk;
}

int32_t ATMIO_DIGCONF(int16_t, int16_t, int16_t) {
  return kAcqFamilyNotSupported;
}
int32_t ATMIO_DIGPRTOUT(int16_t, int16_t, int32_t) {
  return kAcqFamilyNotSupported;
}
int32_t ATMIO_DIGLINECONF(int16_t, int16_t, int16_t, int16_t) {
  return kAcqFamilyNotSupported;
}
int32_t ATMIO_DIGLININ(int16_t, int16_t, int16_t, int16_t*) {
  return kAcqFamilyNotSupported;
}
int32_t ATMIO_DIGLINOUT(int16_t, int16_t, int16_t, int16_t) {
  return kAcqFamilyNotSupported;
}

int32_t ATMIO_DIGPRTIN(int16_t, int16_t, int32_t* value) {
  if (value != nullptr) *value = 0;
  return kAcqFamilyNotSupported;
}

}  // extern "C"
