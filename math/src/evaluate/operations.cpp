// The pseudo-random generator behind rnd(: a linear congruential generator with 15-bit results,
// one sequence per process.
#include "evaluate/operations.h"

namespace numera32::evaluate {

namespace {
uint32_t g_seed = 1;
}

int32_t random_15bit() {
  g_seed = g_seed * 214013u + 2531011u;
  return static_cast<int32_t>((g_seed >> 16) & 0x7fffu);
}

}  // namespace numera32::evaluate
