// The driver-stack slots before any stack can be loaded: none is ready, so the dispatch finds every
// stack not ready and goes on with 0, as it does for an empty slot.
#include "families/external/driver_stack.h"

namespace tallix {

bool driver_stack_ready(int32_t) { return false; }

bool driver_stack_has_section(int32_t, StackSection) { return false; }

int32_t run_driver_stack(int32_t, StackSection) { return 0; }

}  // namespace tallix
