// The shell around every export: runs the C++ internals and turns any exception into a status, so
// that nothing but a status code crosses the library boundary.
#pragma once

#include <cstdint>
#include <new>

#include "tallix32.h"

namespace tallix {

template <class F>
int32_t guarded(F&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return kAcqOutOfMemory;
  } catch (...) {
    return kAcqBadArgument;
  }
}

}  // namespace tallix
