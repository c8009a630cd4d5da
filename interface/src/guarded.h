// The shell around every export: C++ internals run inside a catch-all so that no exception crosses
// the C boundary; an exception becomes the export's own failure status.
#pragma once

#include <cstdint>

namespace linkar {

template <typename Result, typename Body>
Result guarded(Result on_exception, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return on_exception;
  }
}

}  // namespace linkar
