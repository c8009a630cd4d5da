// Formula inputs from the kernel, the interface library and the channel database. A build without
// the interface library (a narrowed developer build) keeps a monotonic clock of its own.
#include "evaluate/sources.h"

#include <chrono>
#include <cstdint>

#include "arrays/database_io.h"
#include "evaluate/kernel_link.h"
#include "evaluate/tables.h"
#include "numera32_evaluate.h"

#ifdef NUMERA32_HAVE_LINKAR
#include "linkar32.h"
#endif

namespace numera32::evaluate {

namespace {
constexpr int32_t kKernelNoValue = -1;  // QBX_ACQGetIOBuf index -1: current row beyond the data
constexpr int32_t kCurrentRow = -1;
}  // namespace

int32_t channel_value(int64_t channel, double& value) {
  value = 0.0;
  if (channel_blocked(channel)) return kFormulaChannelUnavailable;
  const kernel::GetIOBufFn get = kernel::get_iobuf();
  if (get == nullptr || channel > INT32_MAX) return kFormulaChannelUnavailable;
  double v = 0.0;
  const int32_t result = get(static_cast<int32_t>(channel), kCurrentRow, 1, &v);
  if (result == kKernelNoValue) {
    value = 1.0;
    return kFormulaNoValueAtRow;
  }
  if (result != 0) return kFormulaChannelUnavailable;
  value = v;
  return 0;
}

double system_time() {
#ifdef NUMERA32_HAVE_LINKAR
  return QBX_GetSysTimeEx();
#else
  using namespace std::chrono;
  return static_cast<double>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
#endif
}

int32_t database_value(int32_t channel, int32_t row, double& value) { return arrays::db::read(channel, row, 1, &value); }

int32_t database_store(int32_t channel, int32_t position, double value) {
  return arrays::db::write(channel, position, 1, &value);
}

}  // namespace numera32::evaluate
