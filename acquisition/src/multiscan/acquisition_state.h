// The state of a multi-scan acquisition beside the kernel's tables: whether it runs, the rates and
// times the read and the time channels use, the measured-value status, the read cycle's
// bookkeeping that family read code looks at, and the receive area binary blocks are read into.
#pragma once

#include <cstdint>

#include "tallix32.h"

namespace tallix {

inline constexpr int32_t kReceiveAreaSize = 512000;  // static: reads of usual size allocate nothing
inline constexpr double kReadAll = -1.0;              // read mode: whatever the devices hold
inline constexpr int32_t kNothingRead = -1;           // block length of a read mode -1.0 without data

// The order of a device's samples in its blocks: the device's measured channels of the start,
// each once, ascending by sort key.
struct BlockOrder {
  int16_t channels[kAcqFifoCount * kAcqFifoListSize];
  int32_t count;
};

struct AcquisitionState {
  int32_t running;
  int32_t measured_present;  // the start's list holds a measured channel of the device being started
  float scaling_rate;        // the host's rate (QBX_ACQSetSampleRate), used by time channels
  double elapsed_ms;         // since the start; every read adds block length / kernel rate x 1000
  double start_time;         // days, filled by the host through the timer callback
  double device_time_base[kAcqMaxDevices];
  double external_time;      // the read's external time value
  int32_t mv_status;         // -400 after a block whose first raw sample was an overflow code
  int32_t asynchronous;      // the read in progress serves FIFO by FIFO
  int32_t current_fifo;      // the FIFO the read loop is serving
  int32_t block_mode_option; // the start's block length (family start code reads it)
  char start_text[kAcqPathSize];  // the start's text (device type 2000 records under it)
  // Families that first trigger a measurement and then fetch it: pass 0 of a read sends the
  // request and marks the device here; pass 1 then fetches from the marked devices only.
  int32_t read_pass;
  uint8_t second_pass[kAcqMaxDevices];
  BlockOrder order[kAcqMaxDevices];
  char port_ctrl_text[8];    // QBX_ACQSetPortCtrlStruct, kept for the host
  int32_t port_ctrl[4];
  alignas(8) uint8_t receive_area[kReceiveAreaSize];
};

AcquisitionState& acquisition();

}  // namespace tallix
