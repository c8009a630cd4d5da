// The shell around every export: runs the C++ internals and turns any exception into a status, so
// that nothing but a status code crosses the library boundary. The exports that exchange commands
// with the amplifier also keep the status they return as the last device status; the internals
// below them return their statuses instead of keeping them, so that a step nested inside an export
// never leaves its own status behind.
#pragma once

#include <cstdint>
#include <new>

#include "connection.h"
#include "corvan32.h"

namespace corvan {

template <class F>
int32_t guarded(F&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return kCvOutOfMemory;
  } catch (...) {
    return kCvBadValue;
  }
}

// guarded, and the result kept as the last device status.
template <class F>
int32_t recorded(F&& body) noexcept {
  return note_device(guarded(static_cast<F&&>(body)));
}

}  // namespace corvan
