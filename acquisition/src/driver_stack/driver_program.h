// A loaded driver stack: its statements with their argument texts, the five sections the kernel
// runs, the values of the file's directory, and the driver's numeric and text variables. The block
// and everything it points to are allocated through the platform seam and freed by free_stack.
#pragma once

#include <cstddef>
#include <cstdint>

#include "families/external/driver_stack.h"
#include "tallix32.h"

namespace tallix {

inline constexpr int32_t kSectionCount = 5;
inline constexpr size_t kMaxDriverFile = 16u << 20;  // larger files are not driver files
inline constexpr size_t kMaxTextVariable = 65535;     // longer texts are cut

struct DriverStatement {
  int32_t type;
  char* args[kAcqDriverArguments];  // owned, zero-terminated; nullptr when absent
};

struct SectionRange {
  int32_t first;  // index into the statement array
  int32_t count;
};

// The two 16-bit values of a directory entry, kept as the file has them.
struct DirectoryValues {
  uint16_t first;
  uint16_t second;
};

struct DriverStack {
  int32_t ready;
  int32_t running;  // a section of this stack is being interpreted
  SectionRange sections[kSectionCount];
  DirectoryValues* directory;
  int32_t directory_count;
  DriverStatement* statements;
  int32_t statement_count;
  double numbers[kAcqDriverVariables + 1];  // 1-based
  char* texts[kAcqDriverVariables + 1];     // 1-based, owned; nullptr when empty
};

// Parses a driver file image into a zeroed stack block: directory, sections and statements.
// -494 for a wrong magic or a malformed image (nothing is allocated beyond what the image's bytes
// justify), -490 when memory fails; on failure whatever was allocated stays in the block for
// free_stack.
int32_t parse_driver_image(const uint8_t* image, size_t size, DriverStack* stack);

// Frees the statements, texts, directory values and the block itself.
void free_stack(DriverStack* stack);

// The stack in a slot (0..63), or nullptr.
DriverStack* stack_in_slot(int32_t slot);

}  // namespace tallix
