// Fuzz target for loading driver files: every input is the file that QBX_ACQAllocDriverStack reads
// (handed over through the platform seam, so no disk is involved). A file that loads is checked for
// what the loader promises (sections inside the statement array, argument texts no larger than the
// file) and removed again, so that leaks show.
#include <cstdint>
#include <cstring>
#include <string>

#include "driver_stack/driver_program.h"
#include "platform.h"
#include "tallix32.h"

namespace {

// Every file read gives the current input.
class InputPlatform : public tallix::Platform {
 public:
  bool read_file(const char*, size_t limit, std::string* bytes) override {
    bytes->assign(reinterpret_cast<const char*>(data), size > limit + 1 ? limit + 1 : size);
    return true;
  }
  const uint8_t* data = nullptr;
  size_t size = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static InputPlatform input;
  input.data = data;
  input.size = size;
  tallix::set_platform(&input);
  constexpr int32_t kSlot = 9;
  const int32_t r = QBX_ACQAllocDriverStack(kSlot, "input.drv");
  tallix::DriverStack* stack = tallix::stack_in_slot(kSlot);
  if (r != kAcqOk) {
    if (stack != nullptr || (r != kAcqStackNotDriverFile && r != kAcqStackNoMemory)) __builtin_trap();
    return 0;
  }
  if (stack == nullptr || !stack->ready) __builtin_trap();
  for (const tallix::SectionRange& s : stack->sections) {
    if (s.first < 0 || s.count < 0 || s.first + s.count > stack->statement_count) __builtin_trap();
  }
  size_t bytes = 0;
  for (int32_t i = 0; i < stack->statement_count; ++i)
    for (const char* arg : stack->statements[i].args)
      if (arg != nullptr) bytes += std::strlen(arg) + 1;
  if (bytes > size) __builtin_trap();  // texts come from the file's bytes
  QBX_ACQRemoveDriverStack(kSlot);
  return 0;
}
