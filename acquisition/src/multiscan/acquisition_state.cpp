// The acquisition state lives in static storage, zero at load, like the kernel's tables.
#include "multiscan/acquisition_state.h"

namespace tallix {

AcquisitionState& acquisition() {
  static AcquisitionState state{};
  return state;
}

}  // namespace tallix
