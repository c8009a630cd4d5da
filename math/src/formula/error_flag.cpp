// The library-wide formula error flag. One value per process, 0 at load; formulas are evaluated from
// one thread at a time, so it needs no lock.
#include "formula/error_flag.h"

namespace numera32::formula {

namespace {
int32_t g_error_flag = 0;
}

void set_error_flag(int32_t status) { g_error_flag = status; }

int32_t take_error_flag() {
  const int32_t status = g_error_flag;
  g_error_flag = 0;
  return status;
}

}  // namespace numera32::formula
