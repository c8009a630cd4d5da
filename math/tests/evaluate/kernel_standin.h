// Loading the stand-in kernel module into the test process and steering it.
#ifndef NUMERA32_TESTS_EVALUATE_KERNEL_STANDIN_H
#define NUMERA32_TESTS_EVALUATE_KERNEL_STANDIN_H

#include <cstdint>
#include <vector>

namespace standin {

// Loads the module with global symbols (as a host loads the kernel), once per process; false when
// it cannot be loaded.
bool load();
void reset();
// Gives channel `channel` a buffer of `capacity` values holding `values`.
void fill(int32_t channel, const std::vector<double>& values, int32_t capacity = 64);
// The kernel's current formula row (0-based within the block).
void set_row(int32_t row);
// The channel's current values.
std::vector<double> values(int32_t channel);

}  // namespace standin

#endif
