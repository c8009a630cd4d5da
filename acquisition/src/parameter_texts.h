// The kernel's parameter string table: the English text of every parameter id (transducers,
// ranges, filters, rates, module designations, status texts).
#pragma once

#include <cstdint>
#include <string>

namespace tallix {

inline constexpr int32_t kParUnknown = 32000;               // "Unknown"
inline constexpr int32_t kParNotSupported = 32001;          // "Function not supported by firmware"
inline constexpr int32_t kParNotAvailable = 32002;          // "Not available"
inline constexpr int32_t kParIllegalValue = 32767;          // "Illegal parameter value"
inline constexpr int32_t kParNotConnected = 5050;           // module slot without amplifier
inline constexpr int32_t kParDigitalIo = 5055;              // digital I/O module slot

// The text of a parameter id; false (and no text) for an id without one.
bool parameter_text(int32_t id, std::string* text);

}  // namespace tallix
