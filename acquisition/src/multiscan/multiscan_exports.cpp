// The multi-scan exports around start and read: sample rate, time base, port control values,
// skipped FIFOs, stop and reset, read block counts and the measured-value status (the read mode
// belongs to the YALPLUS family).
#include <cstring>

#include "device_line.h"
#include "export_guard.h"
#include "families/family.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "multiscan/acquisition_state.h"

using namespace tallix;

namespace {

constexpr int16_t kClassTime = 2;
constexpr int32_t kResetWaitMs = 150;
constexpr int32_t kTypesResettingInterface[] = {60, 100};

int32_t stop() {
  KernelState& k = kernel();
  AcquisitionState& a = acquisition();
  if (!a.running) return kAcqNotRunning;
  for (int32_t n = 0; n < k.device_count; ++n) {
    const DeviceRecord& d = device(n);
    if (!d.has_channels) continue;
    k.current = CurrentDevice{d.port, d.address, n, d.device_type};
    int32_t r = select_device_line(d.port, d.address);
    if (r < 0) return r;
    family_for(d.device_type).stop(n);
  }
  a.running = 0;
  return kAcqOk;
}

// The running time of a time channel: the first double of its work area.
void set_running_time(int32_t channel, double value) {
  const WorkArea& w = kernel().work[channel];
  if (header(channel).acq_class == kClassTime && w.block != nullptr && w.bytes >= static_cast<int32_t>(sizeof value))
    std::memcpy(w.block, &value, sizeof value);
}

}  // namespace

extern "C" {

int32_t QBX_ACQSetSampleRate(float rate) {
  kernel().sample_rate = rate;
  acquisition().scaling_rate = rate;
  return kAcqOk;
}

int32_t QBX_ACQGetSampleRate(float* rate) {
  if (rate == nullptr) return kAcqBadArgument;
  *rate = kernel().sample_rate;
  return kAcqOk;
}

int32_t QBX_ACQSetTimeBase(int32_t argument, double time_base) {
  AcquisitionState& a = acquisition();
  const int32_t channel = channel_arg(argument);
  if (channel != 0 && !valid_channel(channel)) return kAcqBadChannel;
  a.elapsed_ms = time_base;
  if (channel == 0) {
    for (int32_t ch = 1; ch <= kAcqMaxChannels; ++ch) set_running_time(ch, time_base);
  } else {
    set_running_time(channel, time_base);
  }
  for (double& base : a.device_time_base) base = time_base;
  return kAcqOk;
}

int32_t QBX_ACQSetPortCtrlStruct(int32_t port, const char* text, int32_t value1, int32_t value2, int32_t value3) {
  AcquisitionState& a = acquisition();
  std::memset(a.port_ctrl_text, 0, sizeof a.port_ctrl_text);
  if (text != nullptr) std::strncpy(a.port_ctrl_text, text, sizeof a.port_ctrl_text - 1);
  a.port_ctrl[0] = port;
  a.port_ctrl[1] = value1;
  a.port_ctrl[2] = value2;
  a.port_ctrl[3] = value3;
  return kAcqOk;
}

int32_t QBX_ACQSetSkipFiFo(int32_t number, int32_t fifo, int32_t value) {
  if (!valid_device(number) || fifo < 0 || fifo >= kAcqFifoCount) return kAcqBadArgument;
  device(number).skip_fifo[fifo] = static_cast<int16_t>(value);
  return kAcqOk;
}

int32_t QBX_ACQStopMultiScan(void) { return guarded(stop); }

int32_t QBX_ACQResetMultiScan(void) {
  KernelState& k = kernel();
  QBX_SelectPort(k.current.port);
  for (int32_t type : kTypesResettingInterface) {
    if (k.last_initialised_type == type) {
      QBX_ResetInterface();
      QBX_Delay(kResetWaitMs);
      QBX_FlushInQueue();
    }
  }
  acquisition().running = 0;
  return kAcqOk;
}

int32_t QBX_ACQResetReadBlockCount(int32_t count, const int32_t* channels) {
  if (count < 0 || (count > 0 && channels == nullptr)) return kAcqBadArgument;
  for (int32_t i = 0; i < count; ++i)
    if (!valid_channel(channels[i])) return kAcqBadChannel;
  for (int32_t i = 0; i < count; ++i) {
    header(channels[i]).read_block_count = 0;
    buffer(channels[i]).current_length = 0;
  }
  return kAcqOk;
}

int32_t QBX_ACQGetMVStatus(void) { return acquisition().mv_status; }

}  // extern "C"
