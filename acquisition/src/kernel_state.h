// The kernel's process-wide state: the device table, the channel header table, the IO buffer table
// (the three tables a plug-in works on in place), the per-channel linearisation, formula and work
// area records, the trigger and ATMIO records, and the kernel globals. Everything lives in static
// storage, zero at load.
#pragma once

#include <cstdint>

#include "tallix32.h"

namespace tallix {

inline constexpr int32_t kTableSize = kAcqMaxChannels + 1;  // channel tables, index 0 unused
inline constexpr int32_t kTriggerRecords = 10;               // indexed trigger records 1..10
inline constexpr int32_t kTriggerWords = 14;                 // a trigger record is 56 bytes
inline constexpr int32_t kAtmioWords = 87;                   // an ATMIO control record is 348 bytes
inline constexpr int32_t kItemTextSize = 256;
inline constexpr int32_t kItemRecordSize = 16;

// Per-channel linearisation record; the kernel owns points and formula text.
struct LinRecord {
  int32_t mode = 0;
  int32_t type = 0;
  double* points = nullptr;
  int32_t count = 0;
  char* formula = nullptr;
  int32_t formula_length = 0;
  int16_t input[5] = {};
  double software_tare = 0.0;
};

// Per-channel formula record; the kernel owns text and parameters.
struct FormulaRecord {
  char* text = nullptr;
  int32_t text_length = 0;
  int32_t kind = 0;
  double* parameters = nullptr;
  int32_t parameter_count = 0;
};

// A channel's work area: a zeroed heap block of `elements` pairs of 32-bit words (at least `bytes`).
struct WorkArea {
  void* block = nullptr;
  int32_t elements = 0;
  int32_t bytes = 0;
};

// The items of QBX_ACQGetItem, filled by family read-back code.
struct Items {
  int32_t integer = 0;
  float real = 0.0f;
  char text[kItemTextSize] = {};
  uint8_t record[kItemRecordSize] = {};
};

// The device the dispatch loops are serving: set before family code runs, read by it.
struct CurrentDevice {
  int32_t port = 0;
  int32_t address = 0;
  int32_t number = 0;
  int32_t type = 0;
};

struct KernelState {
  DeviceRecord devices[kAcqMaxDevices];
  AcqHdr headers[kTableSize];
  IOBuf buffers[kTableSize];
  LinRecord lin[kTableSize];
  FormulaRecord formulas[kTableSize];
  WorkArea work[kTableSize];
  int32_t trigger_global[kTriggerWords];
  int32_t triggers[kTriggerRecords + 1][kTriggerWords];  // index 0 unused
  int32_t atmio[kAcqMaxDevices][kAtmioWords];

  char app_path[kAcqPathSize];
  int32_t abort_flag;
  CurrentDevice current;
  AcqMsgCallback message_callback;
  AcqTimerCallback timer_callback;
  int32_t device_count;
  int32_t last_initialised_type;  // device type of the latest QBX_ACQInitDevice
  float sample_rate;
  int32_t first_read_after_reset;
  int32_t formula_row;  // index of the value a formula channel is computing (block start relative)
  // The acquisition's clock, read by time channels: the host's sample rate, milliseconds since the
  // start, the start in days and the external time value of the current read.
  float scaling_rate;
  double elapsed_time;
  double start_time;
  double external_time;
  Items items;
};

KernelState& kernel();

// Tables by channel number; callers check the number first (valid_channel).
inline AcqHdr& header(int32_t channel) { return kernel().headers[channel]; }
inline IOBuf& buffer(int32_t channel) { return kernel().buffers[channel]; }
inline DeviceRecord& device(int32_t number) { return kernel().devices[number]; }

// The channel number an export takes: the low 16 bits of the argument as a signed number.
inline int32_t channel_arg(int32_t argument) { return static_cast<int16_t>(argument & 0xFFFF); }
inline bool valid_channel(int32_t channel) { return channel >= 1 && channel <= kAcqMaxChannels; }
inline bool valid_device(int32_t number) { return number >= 0 && number < kAcqMaxDevices; }

// Sends a message to the host's message callback when one is registered.
void notify(int32_t code, int32_t value);

}  // namespace tallix
