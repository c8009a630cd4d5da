// The driver stack interpreter: runs one section of a loaded stack statement by statement.
#pragma once

#include <cstdint>

#include "driver_stack/driver_program.h"

namespace tallix {

// Runs the section of the stack in `slot` for the current device. The stack's numeric variables
// are handed to the math library first (x1..x63). 0 when the run passes the section's end; a
// negative statement result or a return statement's value otherwise; -491 when the abort flag
// stopped it (the flag is cleared).
int32_t interpret_section(int32_t slot, DriverStack& stack, StackSection section, const StackCall& call);

}  // namespace tallix
