// Driver stacks as the dispatch sees them: a device's slot is either ready with its five sections
// or not. The loading of driver files and the interpreter live in driver_stack/; until a stack is
// loaded into a slot, the slot is not ready and each section run answers 0.
#pragma once

#include <cstdint>

namespace tallix {

enum class StackSection { kInitDevice, kInitChan, kStart, kRead, kStop };

// What a section run works on besides the stack: the dispatch's channel list (start, read), the
// requested block length of a read (in: requested; out: the values delivered), and the channel a
// channel set-up initialises.
struct StackCall {
  int32_t count = 0;
  const int32_t* channels = nullptr;
  int32_t* length = nullptr;
  int32_t channel = 0;
};

// True when a driver stack is loaded into the slot and ready.
bool driver_stack_ready(int32_t slot);
// True when the slot's section has statements.
bool driver_stack_has_section(int32_t slot, StackSection section);
// Runs a section of the slot's stack for the current device; 0 when the stack is not ready or the
// section is empty, else the run's result.
int32_t run_driver_stack(int32_t slot, StackSection section, const StackCall& call = {});

}  // namespace tallix
