// Fuzz target for loading driver files: every input is written to a file and loaded into a slot.
// A file that loads is checked for what the loader promises (sections inside the statement array,
// every argument text terminated) and removed again, so that leaks show.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "driver_stack/driver_program.h"
#include "tallix32.h"

namespace {

const std::string& scratch_path() {
  static const std::string path = [] {
    char name[] = "/tmp/tallix32-driver-fuzz-XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return std::string(name);
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = scratch_path();
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);
  constexpr int32_t kSlot = 9;
  const int32_t r = QBX_ACQAllocDriverStack(kSlot, path.c_str());
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
