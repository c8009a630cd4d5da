// Driver stacks as the dispatch sees them: a device's slot is either ready with its five sections
// or not. The interpreter and the loading of driver files come with their own code; until a stack
// is loaded into a slot, every slot is not ready and each section run answers 0.
#pragma once

#include <cstdint>

namespace tallix {

enum class StackSection { kInitDevice, kInitChan, kStart, kRead, kStop };

// True when a driver stack is loaded into the slot and ready.
bool driver_stack_ready(int32_t slot);
// True when the slot's section has statements.
bool driver_stack_has_section(int32_t slot, StackSection section);
// Runs a section of the slot's stack; 0 when the stack is not ready.
int32_t run_driver_stack(int32_t slot, StackSection section);

}  // namespace tallix
