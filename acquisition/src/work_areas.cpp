// Sizes of the channel work areas. Elements are pairs of 32-bit words; several kinds reserve more
// bytes than their elements fill, as the table of sizes says.
#include "work_areas.h"

#include <cmath>
#include <cstring>

#include "kernel_state.h"
#include "platform.h"
#include "scaling/formula_kinds.h"

namespace tallix {
namespace {

constexpr int16_t kClassTime = 2;
constexpr int32_t kTimeAreaBytes = 16;      // running time (f64) and a spare
constexpr int32_t kElementBytes = 8;

struct AreaSize {
  int32_t first_kind;
  int32_t last_kind;
  int32_t elements;
  int32_t bytes;
};
constexpr AreaSize kAreaSizes[] = {
    {21, 21, 1, 16}, {15, 17, 2, 24}, {25, 25, 2, 24}, {40, 40, 2, 24},
    {10, 12, 4, 64}, {43, 43, 8, 64}, {44, 44, 4, 32}, {45, 45, 4, 40},
    // The rosette kinds 50..58 keep the previous reading of a ring-core or hole-drilling rosette
    // as kinds 10..12 do.
    {50, 58, 4, 64},
};

// Elements and bytes the channel needs; false when its parameters ask for an impossible size.
bool area_size(int32_t channel, int32_t* elements, int32_t* bytes) {
  const FormulaRecord& f = kernel().formulas[channel];
  *elements = 0;
  *bytes = 0;
  for (const AreaSize& a : kAreaSizes) {
    if (f.kind >= a.first_kind && f.kind <= a.last_kind) {
      *elements = a.elements;
      *bytes = a.bytes;
      return true;
    }
  }
  if (f.kind == kKindMovingMean || f.kind == kKindMovingMeanOffset) {
    // The last w values and the mean, w being the width the moving mean uses (at least 2).
    const double p1 = (f.parameters != nullptr && f.parameter_count > 1) ? f.parameters[1] : 0.0;
    const int32_t w = moving_mean_width(p1);
    if (w < 0) return false;
    *elements = w + 1;
    *bytes = *elements * kElementBytes;
    return true;
  }
  if (header(channel).acq_class == kClassTime) *bytes = kTimeAreaBytes;
  return true;
}

}  // namespace

void free_work_area(int32_t channel) {
  WorkArea& w = kernel().work[channel];
  release(w.block);
  w = WorkArea{};
}

int32_t renew_work_area(int32_t channel) {
  free_work_area(channel);
  int32_t elements = 0, bytes = 0;
  if (!area_size(channel, &elements, &bytes)) return kAcqWorkAreaFailed;
  if (bytes == 0) return kAcqOk;
  void* block = platform().allocate(static_cast<size_t>(bytes));
  if (block == nullptr) return kAcqWorkAreaFailed;
  std::memset(block, 0, static_cast<size_t>(bytes));
  kernel().work[channel] = WorkArea{block, elements, bytes};
  return kAcqOk;
}

}  // namespace tallix
