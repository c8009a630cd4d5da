// The shell around every export: runs the C++ internals and turns any exception into a status, so
// that nothing but a status code crosses the library boundary.
#pragma once

#include <cstdint>
#include <new>

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

}  // namespace corvan
