// The channel header table: its defaults (QBX_ACQInitAcqHdr), which also return every channel's
// kernel-owned memory except its ring and reset the trigger and ATMIO records, and the copies of a
// whole 76-byte header in and out.
#include <cstring>

#include "export_guard.h"
#include "io_buffers.h"
#include "kernel_state.h"
#include "platform.h"
#include "work_areas.h"

using namespace tallix;

namespace {

constexpr float kDefaultTimeInterval = 0.02f;  // seconds per value of a time channel
constexpr int16_t kDefaultSortIndex = 13;
constexpr int16_t kDefaultFormatWord = 4;

// Trigger record words and their defaults.
constexpr int32_t kTriggerDevice = 1;
constexpr int32_t kTriggerPretrigger = 12;
constexpr int32_t kDefaultPretriggerPercent = 25;
constexpr int32_t kNoTriggerDevice = -1;

// ATMIO control record defaults: words 0..3 = 0, word 4 = 20, words 5 and 6 = 2, words 7..70 = 1,
// the 16-bit value at byte 284 = 28100 and at byte 288 = 256.
void reset_atmio(int32_t (&record)[kAtmioWords]) {
  std::memset(record, 0, sizeof record);
  record[4] = 20;
  record[5] = 2;
  record[6] = 2;
  for (int32_t w = 7; w <= 70; ++w) record[w] = 1;
  const int16_t at284 = 28100, at288 = 256;
  std::memcpy(reinterpret_cast<char*>(record) + 284, &at284, sizeof at284);
  std::memcpy(reinterpret_cast<char*>(record) + 288, &at288, sizeof at288);
}

AcqHdr default_header(int32_t channel) {
  AcqHdr h{};
  h.device_type = -1;
  h.device_address = -1;
  h.interface = 1;
  h.hardware_channel = static_cast<int16_t>(channel);
  h.format_word = kDefaultFormatWord;
  h.full_scale = 1;
  h.range = 1.0f;
  std::memcpy(h.unit, "mV/V", 5);
  h.sensor_type = 1;
  h.sort_index = kDefaultSortIndex;
  h.time_interval = kDefaultTimeInterval;
  return h;
}

// Frees and clears the linearisation table (mode, type, points, count, formula text) and the
// formula record's text, length and kind.
void clear_scaling(int32_t channel) {
  KernelState& k = kernel();
  LinRecord& lin = k.lin[channel];
  release(lin.points);
  release(lin.formula);
  lin.points = nullptr;
  lin.formula = nullptr;
  lin.mode = lin.type = lin.count = lin.formula_length = 0;
  FormulaRecord& f = k.formulas[channel];
  release(f.text);
  f.text = nullptr;
  f.text_length = 0;
  f.kind = 0;
}

}  // namespace

extern "C" {

int32_t QBX_ACQInitAcqHdr(void) {
  KernelState& k = kernel();
  for (int32_t channel = 1; channel <= kAcqMaxChannels; ++channel) {
    k.headers[channel] = default_header(channel);
    free_io_buffer(channel);
    clear_scaling(channel);
    free_work_area(channel);
  }
  std::memset(k.trigger_global + kTriggerDevice, 0, sizeof(int32_t) * (kTriggerWords - kTriggerDevice));
  k.trigger_global[kTriggerDevice] = kNoTriggerDevice;
  k.trigger_global[kTriggerPretrigger] = kDefaultPretriggerPercent;
  for (auto& record : k.atmio) reset_atmio(record);
  return kAcqOk;
}

int32_t QBX_ACQSetAcqHdr(int32_t argument, const AcqHdr* in) {
  const int32_t channel = channel_arg(argument);
  if (!valid_channel(channel)) return kAcqBadChannel;
  if (in == nullptr) return kAcqBadArgument;
  std::memcpy(&header(channel), in, sizeof(AcqHdr));
  return kAcqOk;
}

int32_t QBX_ACQGetAcqHdr(int32_t argument, AcqHdr* out) {
  const int32_t channel = channel_arg(argument);
  if (!valid_channel(channel)) return kAcqBadChannel;
  if (out == nullptr) return kAcqBadArgument;
  std::memcpy(out, &header(channel), sizeof(AcqHdr));
  return kAcqOk;
}

}  // extern "C"
