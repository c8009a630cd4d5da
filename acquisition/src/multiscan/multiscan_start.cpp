// The device-independent start of a multi-scan: each device's FIFO lists from the channel list
// (ascending sort key), the rate matches, the configuration signature, the list positions the
// math library resolves channels by, then the family starts in two passes (start role 2 first)
// and the host's timer callback.
#include <cstring>

#include "config_signature.h"
#include "device_line.h"
#include "export_guard.h"
#include "families/family.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "multiscan/acquisition_state.h"
#include "numera32_evaluate.h"

using namespace tallix;

namespace {

constexpr int16_t kClassMeasured = 0;
constexpr int16_t kClassTime = 2;
constexpr int16_t kSignalMeasured = 8;
constexpr int16_t kFifoBoth = 4;  // FIFO number 4: the channel stands in FIFO 0 and FIFO 1
constexpr int32_t kRestart = -1;   // start option that restarts a running acquisition
constexpr int32_t kFirstPassRole = 2;
constexpr int32_t kTypeYalplus = 2000;
constexpr int32_t kYalplusTimeChannels[3] = {17, 18, 19};
constexpr int32_t kYalplusBufferLimit = 76800;
constexpr int32_t kRateFifos = 3;  // FIFO 3 never matches the kernel rate
constexpr int32_t kClearAll = -1;  // SetOffsetInChList: every entry

int64_t sort_key(const AcqHdr& h) {
  return int64_t{h.hardware_channel} * 10000 + int64_t{h.sub_channel} * 10 + h.sort_index;
}

bool on_device(const AcqHdr& h, const DeviceRecord& d) {
  return h.interface == d.port && h.device_address == d.address;
}

// Inserts channel into a sorted list after every entry with a key not above its own; false when the
// list is full.
bool insert_sorted(int16_t* list, int32_t count, int32_t capacity, int32_t channel) {
  if (count >= capacity) return false;
  const int64_t key = sort_key(header(channel));
  int32_t at = count;
  while (at > 0 && sort_key(header(list[at - 1])) > key) {
    list[at] = list[at - 1];
    --at;
  }
  list[at] = static_cast<int16_t>(channel);
  return true;
}

bool add_to_fifo(DeviceRecord& d, int32_t fifo, int32_t channel) {
  if (!insert_sorted(d.fifo_list[fifo], d.fifo_channel_count[fifo], kAcqFifoListSize, channel)) return false;
  ++d.fifo_channel_count[fifo];
  d.fifo_reference_channel[fifo] = static_cast<int16_t>(channel);
  d.fifo_in_use[fifo] = 1;
  return true;
}

void clear_start_state(DeviceRecord& d) {
  d.has_channels = 0;
  std::memset(d.fifo_in_use, 0, sizeof d.fifo_in_use);
  d.measured_channel_count = 0;
  std::memset(d.fifo_channel_count, 0, sizeof d.fifo_channel_count);
  std::memset(d.fifo_reference_channel, 0, sizeof d.fifo_reference_channel);
  std::memset(d.fifo_read_done, 0, sizeof d.fifo_read_done);
  std::memset(d.fifo_length_accumulator, 0, sizeof d.fifo_length_accumulator);
  std::memset(d.time_flags, 0, sizeof d.time_flags);
  std::memset(d.time_channels, 0, sizeof d.time_channels);
  d.config_unchanged = 1;
}

// Steps 3 to 6 of a start for one device: its lists, counts, time channels' references, rate
// matches and signature. -1 when a FIFO number is outside 0..4 or a list would pass 256 entries.
int32_t prepare_device(int32_t number, int32_t count, const int32_t* channels, int32_t block_length) {
  DeviceRecord& d = device(number);
  AcquisitionState& a = acquisition();
  clear_start_state(d);
  BlockOrder& order = a.order[number];
  order.count = 0;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t ch = channels[i];
    const AcqHdr& h = header(ch);
    if (h.acq_class != kClassMeasured || h.signal_kind != kSignalMeasured || !on_device(h, d)) continue;
    if (h.fifo < 0 || h.fifo > kFifoBoth) return kAcqBadArgument;
    a.measured_present = 1;
    const int32_t fifo = h.fifo == kFifoBoth ? 0 : h.fifo;
    if (!add_to_fifo(d, fifo, ch)) return kAcqBadArgument;
    if (h.fifo == kFifoBoth && !add_to_fifo(d, 1, ch)) return kAcqBadArgument;
    if (!insert_sorted(order.channels, order.count, kAcqFifoCount * kAcqFifoListSize, ch)) return kAcqBadArgument;
    ++order.count;
    ++d.measured_channel_count;
    d.has_channels = 1;
    if (d.device_type == kTypeYalplus) {
      for (int t = 0; t < 3; ++t) {
        if (h.hardware_channel == kYalplusTimeChannels[t]) {
          d.time_flags[t] = 1;
          d.time_channels[t] = ch;
        }
      }
    }
  }
  for (int32_t i = 0; i < count; ++i) {
    AcqHdr& h = header(channels[i]);
    if (h.acq_class != kClassTime || !on_device(h, d)) continue;
    const int32_t fifo = h.fifo == kFifoBoth ? 0 : h.fifo;
    if (fifo >= 0 && fifo < kAcqFifoCount) h.dio_bit = d.fifo_reference_channel[fifo];
  }
  const float rate = a.scaling_rate;
  for (int32_t f = 0; f < kAcqFifoCount; ++f)
    d.fifo_rate_matches[f] = f < kRateFifos && (d.fifo_rate[f] == rate || block_length == 1) ? 1 : 0;
  if (d.device_type == kTypeYalplus) {
    for (int32_t f = 0; f < 3; ++f) d.fifo_buffer_limit[f] = kYalplusBufferLimit;
  }
  note_config_signature(number, config_signature(number, count, channels));
  return kAcqOk;
}

// Step 8 for one device: select it and run its family's start.
int32_t start_device(int32_t number, int32_t count, const int32_t* channels, int32_t block_length, int32_t option) {
  DeviceRecord& d = device(number);
  KernelState& k = kernel();
  notify(kAcqMsgStartDevice, number);
  k.current = CurrentDevice{d.port, d.address, number, d.device_type};
  QBX_SelectPort(d.port);  // a port that is not open shows in the family's first exchange
  int32_t r = QBX_SelectDevice(d.address);
  if (r < 0) return r;
  QBX_FlushInQueue();
  k.sample_rate = d.fifo_rate[0] != 0.0f ? d.fifo_rate[0] : 1.0f;
  r = family_for(d.device_type).start(number, count, channels, block_length, option);
  if (r != 0) return r;
  d.fifo_rate[0] = k.sample_rate;
  return kAcqOk;
}

int32_t start(int32_t count, const int32_t* channels, int32_t block_length, int32_t option, const char* text) {
  KernelState& k = kernel();
  AcquisitionState& a = acquisition();
  if (a.running && option != kRestart) return kAcqRunning;
  std::memset(a.start_text, 0, sizeof a.start_text);
  if (text != nullptr) std::strncpy(a.start_text, text, sizeof a.start_text - 1);
  a.running = 0;
  a.measured_present = 0;
  a.block_mode_option = block_length;
  for (int32_t i = 0; i < count; ++i) header(channels[i]).read_block_count = 0;
  for (int32_t n = 0; n < k.device_count; ++n) {
    int32_t r = prepare_device(n, count, channels, block_length);
    if (r != 0) return r;
  }
  SetOffsetInChList(kClearAll, 0);
  for (int32_t i = 0; i < count; ++i) {
    header(channels[i]).list_position = static_cast<int16_t>(i);
    SetOffsetInChList(channels[i], i);
  }
  // A YALPLUS device recording to its disk under the start text ends the start.
  bool recording = false;
  for (int pass = 1; pass <= 2 && !recording; ++pass) {
    for (int32_t n = 0; n < k.device_count && !recording; ++n) {
      const DeviceRecord& d = device(n);
      if (!d.has_channels || (d.start_role == kFirstPassRole) != (pass == 1)) continue;
      int32_t r = start_device(n, count, channels, block_length, option);
      if (r != 0) return r;
      recording = d.device_type == kTypeYalplus && a.start_text[0] != '\0';
    }
  }
  if (k.timer_callback != nullptr) k.timer_callback(&a.start_time);
  a.running = 1;
  return kAcqOk;
}

}  // namespace

extern "C" int32_t QBX_ACQStartMultiScan(int32_t count, const int32_t* channels, int32_t block_length, int32_t,
                                         int32_t option, const char* text) {
  if (count < 0 || (count > 0 && channels == nullptr)) return kAcqBadArgument;
  for (int32_t i = 0; i < count; ++i)
    if (!valid_channel(channels[i])) return kAcqBadChannel;
  return guarded([&] { return start(count, channels, block_length, option, text); });
}
