// Two bit utilities for hosts that decode device words: setting one bit of a 32-bit number and
// swapping byte orders in place.
#include "numera32_arrays.h"

extern "C" {

NUMERA32_API int32_t SetBitInNumber(int32_t value, int32_t bit, int32_t set) {
  const uint32_t mask = 1u << static_cast<uint32_t>(((bit % 32) + 32) % 32);
  const uint32_t v = static_cast<uint32_t>(value);
  return static_cast<int32_t>(set != 0 ? (v | mask) : (v & ~mask));
}

NUMERA32_API int32_t SwapBytesLong(int32_t* value, int32_t mode) {
  if (value == nullptr) return kChannelOpFailed;
  const uint32_t v = static_cast<uint32_t>(*value);
  if (mode != 0) {
    *value = static_cast<int32_t>((v >> 24) | ((v >> 8) & 0xff00u) | ((v << 8) & 0xff0000u) | (v << 24));
  } else {
    const uint16_t low = static_cast<uint16_t>(((v & 0xffu) << 8) | ((v >> 8) & 0xffu));
    *value = static_cast<int16_t>(low);
  }
  return 0;
}

}  // extern "C"
