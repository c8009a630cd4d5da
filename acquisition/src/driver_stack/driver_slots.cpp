// The 64 driver-stack slots and their exports: loading a driver file into a slot, freeing slots,
// and the dispatch's view of a slot (ready, section present, run a section).
#include <new>
#include <string>

#include "driver_stack/driver_program.h"
#include "driver_stack/interpreter.h"
#include "export_guard.h"
#include "kernel_state.h"
#include "platform.h"

namespace tallix {
namespace {

DriverStack* g_slots[kAcqDriverSlots];

bool valid_slot(int32_t slot) { return slot >= 0 && slot < kAcqDriverSlots; }

// Frees a slot unless its stack is running; -492 then.
int32_t remove_slot(int32_t slot) {
  DriverStack* stack = g_slots[slot];
  if (stack == nullptr) return kAcqOk;
  if (stack->running) return kAcqStackBadStatement;
  g_slots[slot] = nullptr;
  free_stack(stack);
  return kAcqOk;
}

int32_t load(int32_t slot, const char* file) {
  if (g_slots[slot] != nullptr) return kAcqStackSlotInUse;
  std::string image;
  if (!platform().read_file(file, kMaxDriverFile, &image)) return kAcqStackFileNotFound;
  if (image.size() > kMaxDriverFile) return kAcqStackNotDriverFile;
  if (image.size() < 4) return kAcqStackNotDriverFile;
  const uint16_t magic = static_cast<uint16_t>(static_cast<uint8_t>(image[0]) | (static_cast<uint8_t>(image[1]) << 8));
  if (magic != kAcqDriverMagic1 && magic != kAcqDriverMagic2) return kAcqStackNotDriverFile;
  auto* stack = static_cast<DriverStack*>(platform().allocate(sizeof(DriverStack)));
  if (stack == nullptr) return kAcqStackNoMemory;
  *stack = DriverStack{};
  const int32_t r =
      parse_driver_image(reinterpret_cast<const uint8_t*>(image.data()), image.size(), stack);
  if (r != kAcqOk) {
    free_stack(stack);
    return r;
  }
  stack->ready = 1;
  g_slots[slot] = stack;
  return kAcqOk;
}

}  // namespace

DriverStack* stack_in_slot(int32_t slot) { return valid_slot(slot) ? g_slots[slot] : nullptr; }

bool driver_stack_ready(int32_t slot) {
  const DriverStack* stack = stack_in_slot(slot);
  return stack != nullptr && stack->ready;
}

bool driver_stack_has_section(int32_t slot, StackSection section) {
  const DriverStack* stack = stack_in_slot(slot);
  return stack != nullptr && stack->sections[static_cast<int>(section)].count > 0;
}

int32_t run_driver_stack(int32_t slot, StackSection section, const StackCall& call) {
  DriverStack* stack = stack_in_slot(slot);
  if (stack == nullptr || !stack->ready || stack->sections[static_cast<int>(section)].count == 0) return kAcqOk;
  // One run at a time: the interpreter's state is shared (a message handler could start another).
  static bool busy = false;
  if (busy) return kAcqStackBadStatement;
  busy = true;
  stack->running = 1;
  int32_t r = kAcqOk;
  try {
    r = interpret_section(slot, *stack, section, call);
  } catch (...) {
    stack->running = 0;
    busy = false;
    throw;
  }
  stack->running = 0;
  busy = false;
  return r;
}

}  // namespace tallix

using namespace tallix;

extern "C" {

int32_t QBX_ACQInitDriverStacks(void) {
  // Forgetting a loaded stack without freeing it would lose its memory for the life of the process.
  for (int32_t slot = 0; slot < kAcqDriverSlots; ++slot) remove_slot(slot);
  return kAcqOk;
}

int32_t QBX_ACQAllocDriverStack(int32_t slot, const char* file) {
  if (!valid_slot(slot)) return kAcqBadArgument;
  if (file == nullptr) return kAcqStackFileNotFound;
  return guarded([&] {
    try {
      return load(slot, file);
    } catch (const std::bad_alloc&) {
      return static_cast<int32_t>(kAcqStackNoMemory);  // reading the file's image failed
    }
  });
}

int32_t QBX_ACQRemoveDriverStack(int32_t slot) {
  if (!valid_slot(slot)) return kAcqBadArgument;
  if (slot != 0) return remove_slot(slot);
  int32_t result = kAcqOk;
  for (int32_t s = 0; s < kAcqDriverSlots; ++s) {
    if (int32_t r = remove_slot(s); r < 0) result = r;
  }
  return result;
}

}  // extern "C"
