// What the kernel keeps for the YALPLUS family beside its tables: the family settings the host
// sets through the exports, each channel's scale factor and offset from its set-up, each device's
// firmware and pre-trigger, the FIFO modes and their values, and the trigger-logic values a start
// sends. Static storage, zero at load (the defaults come from reset_settings()).
#pragma once

#include <cstdint>

#include "kernel_state.h"

namespace tallix::yalplus {

inline constexpr int32_t kFifos = 3;             // data streams 0..2 carry samples
inline constexpr int32_t kDefaultMaxDynBlock = 1000;
inline constexpr int32_t kFullScale4 = 7680000;  // count at the span, 4-byte samples
inline constexpr int32_t kFullScale2 = 30000;    // count at the span, 2-byte samples

struct FifoMode {
  int32_t mode;
  int32_t values[3];
};

struct DeviceState {
  float firmware;
  int32_t pretrigger_percent;
  FifoMode fifo[kAcqFifoCount];
  int32_t available[kFifos];  // from the last synchronisation
  int32_t flag[kFifos];
};

struct FamilyState {
  int32_t dyn_read_mode;
  int32_t max_dyn_block;
  int32_t min_pretrigger;
  int32_t read_mode;
  int32_t disk_recording;  // the last start recorded to the device's disk
  int32_t min_available[kFifos];  // smallest available count over the devices, last synchronisation
  float scale[kTableSize];   // value = count x scale - offset
  float offset[kTableSize];
  float span[kTableSize];    // the set-up's span (physical value at the full-scale count)
  DeviceState devices[kAcqMaxDevices];
};

FamilyState& family_state();
// Global settings back to their defaults (block limit 1000, minimal pre-trigger 1, modes 0).
void reset_settings();

// A channel of the current device that the family measures (class 0, signal kind 8).
bool measured_on(const AcqHdr& h, const DeviceRecord& d);

// Full-scale count of a FIFO's samples (by the device's sample width of that FIFO).
int32_t full_scale_of(const DeviceRecord& d, int32_t fifo);

}  // namespace tallix::yalplus
