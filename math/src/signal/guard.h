// The shell every export of this area runs its work in: no exception crosses the C boundary; one
// that escapes (out of memory in a container) becomes the area's general failure status.
#ifndef NUMERA32_SPECTRA_GUARD_H
#define NUMERA32_SPECTRA_GUARD_H

#include <cstdint>

#include "numera32_signal.h"

namespace numera::signal {

template <class F>
int32_t guarded(F&& work) noexcept {
  try {
    return work();
  } catch (...) {
    return kSpectraFailed;
  }
}

}  // namespace numera::signal

#endif
