// The Corvane's multi-scan: start (rate, channels on, "MSV" in one of three trigger modes), the
// block read of one read cycle ("MSV?" for the state and the scans buffered, "OMB?" for the binary
// block of the device's measured channels, ascending by sort key) and stop ("STP").
//
// A Corvane has one data stream: every measured channel of the device is in each block, whatever
// FIFO its header names. The block is therefore fetched once per read cycle, for the device's first
// FIFO in use; a further FIFO in use (a FIFO-4 channel, or channels on FIFO 1..3) reports what the
// first one delivered without traffic.
#include <cstring>
#include <vector>

#include "families/corvane/corvane_family.h"
#include "families/corvane/corvane_line.h"
#include "families/corvane/corvane_rates.h"
#include "families/corvane/corvane_trigger.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "multiscan/acquisition_state.h"

namespace tallix::corvane {
namespace {

constexpr int16_t kClassMeasured = 0;
constexpr int16_t kSignalMeasured = 8;
constexpr int32_t kStatusReplyLimit = 19;   // "MSV?" reply line
constexpr int32_t kStopReplyLimit = 6;      // "STP" reply line
constexpr int32_t kErrorReplyLimit = 9;     // "EST?" reply line after the stop
constexpr int32_t kStartReplyLimit = 10;    // set-command replies of the start
constexpr int32_t kMaxScansPerRequest = 1023;
constexpr int64_t kMaxBlockPayload = 524280;  // bytes of samples one request may carry
constexpr int32_t kFrameBytes = 4;            // lead-in and trailer of a binary block
constexpr int32_t kLeadInBytes = 2;
constexpr int32_t kMaxPretrigger = 500;
constexpr int32_t kMaxTriggerHardware = 7;    // only amplifier channels 0..7 trigger on a level
constexpr int32_t kOverflowCode = 32767;      // |sample| >= this: the channel overflowed
constexpr int32_t kLargestReading = 32765;    // |first sample| above this: measured-value status -400
constexpr int16_t kStatusOverflow = 16;
constexpr int32_t kStateWaiting = 1;          // device states 1..4: measuring, the block may still come
constexpr int32_t kStateLastMeasuring = 4;
constexpr int32_t kStateOverflow = 5;

// Per device: what its first FIFO in use returned in this read cycle.
struct FirstFifo {
  int32_t result;
  int32_t length;
};
FirstFifo g_first_fifo[kAcqMaxDevices];

bool measured_on_current(const AcqHdr& h) {
  const CurrentDevice& c = kernel().current;
  return h.acq_class == kClassMeasured && h.signal_kind == kSignalMeasured && h.interface == c.port &&
         h.device_address == c.address;
}

int32_t first_fifo_in_use(const DeviceRecord& d) {
  for (int32_t f = 0; f < kAcqFifoCount; ++f)
    if (d.fifo_in_use[f]) return f;
  return 0;
}

// A set command of the start: send, read its reply line. A refusal of the rate or a channel is
// what a running device answers to a restart (option -1) and is let pass; a refused "MSV" means
// nothing is measured: the device's error is fetched and -270 returned.
int32_t start_command(const Line& l, int32_t write_failure, bool refusal_fails = false) {
  int32_t r = send(l);
  if (r < 0) return write_failure != 0 ? write_failure : r;
  Reply reply;
  r = receive_at_most(&reply, kStartReplyLimit);
  if (r < 0) return r;
  if (refusal_fails && reply.refused()) {
    int32_t error = 0;
    error_status(&error);
    return kAcqDeviceRefused;
  }
  return r;
}

void clear_block_counts(int32_t number) {
  const BlockOrder& order = acquisition().order[number];
  for (int32_t j = 0; j < order.count; ++j) header(order.channels[j]).read_block_count = 0;
}

// True when every channel of the block has an IO buffer that holds `scans` values from its write
// offset.
bool buffers_hold(const BlockOrder& order, int32_t scans) {
  for (int32_t j = 0; j < order.count; ++j) {
    const IOBuf& b = buffer(order.channels[j]);
    if (b.values == nullptr || b.write_offset < 0 || int64_t{b.write_offset} + scans > b.capacity) return false;
  }
  return true;
}

int16_t sample_at(const uint8_t* payload, int64_t index) {
  return static_cast<int16_t>(static_cast<uint16_t>(payload[2 * index]) |
                              static_cast<uint16_t>(payload[2 * index + 1]) << 8);
}

// Spreads L scans of k samples (little-endian int16, channel by channel) into the IO buffers.
void distribute(const BlockOrder& order, const uint8_t* payload, int32_t scans) {
  const int32_t k = order.count;
  for (int32_t j = 0; j < k; ++j) {
    const int32_t ch = order.channels[j];
    IOBuf& b = buffer(ch);
    double* out = b.values + b.write_offset;
    for (int32_t i = 0; i < scans; ++i) out[i] = sample_at(payload, int64_t{i} * k + j);
    const int32_t last = scans > 0 ? sample_at(payload, int64_t{scans - 1} * k + j) : 0;
    b.status = last >= kOverflowCode || last <= -kOverflowCode ? kStatusOverflow : 0;
    b.current_length = scans;
    header(ch).read_block_count = scans;
  }
  if (scans > 0 && k > 0) {
    const int32_t first = sample_at(payload, 0);
    acquisition().mv_status = first > kLargestReading || first < -kLargestReading ? kAcqMeasuredOverflow : 0;
  }
}

int32_t read_block(int32_t number, int32_t* length, double mode) {
  const BlockOrder& order = acquisition().order[number];
  int32_t L = *length;
  if (L == 0) {
    clear_block_counts(number);
    return kAcqOk;
  }
  Reply reply;
  int32_t r = send(line("MSV?\n"));
  if (r < 0) return r;
  if ((r = receive_at_most(&reply, kStatusReplyLimit)) < 0) return r;
  if (reply.refused()) {
    int32_t error = 0;
    error_status(&error);
    clear_block_counts(number);
    return kAcqDeviceStatusRefused;
  }
  const int32_t state = reply.integer(0);
  const int32_t buffered = reply.integer(1);
  const bool read_all = mode == kReadAll;
  if (buffered < (read_all ? 1 : L) && state >= kStateWaiting && state <= kStateLastMeasuring) {
    if (!read_all) return kAcqBlockNotComplete;
    *length = kNothingRead;
    clear_block_counts(number);
    return kAcqOk;
  }
  if (state == kStateOverflow) {
    clear_block_counts(number);
    return kAcqDeviceBufferOverflow;
  }
  if (read_all) L = buffered;
  if (L > kMaxScansPerRequest) L = kMaxScansPerRequest;
  if (L <= 0) {
    *length = read_all ? kNothingRead : 0;
    clear_block_counts(number);
    return kAcqOk;
  }
  const int32_t k = order.count;
  const int64_t payload = int64_t{L} * k * 2;
  // Checked before the request: a block fetched from the device is gone from its buffer.
  if (payload > kMaxBlockPayload || !buffers_hold(order, L)) {
    clear_block_counts(number);
    return kAcqBlockTooLarge;
  }
  const auto bytes = static_cast<int32_t>(payload + kFrameBytes);
  std::vector<uint8_t> large;
  uint8_t* area = acquisition().receive_area;
  if (bytes > kReceiveAreaSize - 1) {
    large.resize(static_cast<size_t>(bytes) + 1);
    area = large.data();
  }
  if ((r = send(line("OMB?%i\n", L))) < 0) return r;
  int32_t status = 0;
  int32_t got = 0;
  r = QBX_ReadPort(reinterpret_cast<char*>(area), bytes, &status, &got, 0);
  if (r == 0) r = status;
  if (r == 0 && got != bytes) r = kAcqBlockTooLarge;
  if (r < 0) {
    // What is left of a cut block must not pass for the reply of the next exchange.
    QBX_FlushInQueue();
    clear_block_counts(number);
    return r;
  }
  distribute(order, area + kLeadInBytes, L);
  *length = L;
  return kAcqOk;
}

}  // namespace

int32_t start(int32_t number, int32_t count, const int32_t* channels, int32_t block_length, int32_t option) {
  KernelState& k = kernel();
  if (!acquisition().measured_present) return kAcqOk;
  QBX_Corvane_WakeUp();
  const RateCode rate = quantise_rate(k.sample_rate);
  k.sample_rate = rate.rate;
  const int32_t* trigger = trigger_of_current_port();
  const int32_t mode = trigger != nullptr ? trigger[kTrigMode] : kTriggerNone;
  if (trigger != nullptr) {
    if (mode == kTriggerLevel) {
      const int32_t ch = trigger[kTrigChannel];
      if (!valid_channel(ch) || header(ch).hardware_channel > kMaxTriggerHardware) return kAcqTriggerChannelBad;
    }
    if (trigger[kTrigBusy] != 0) return kAcqTriggerBusy;
    if (block_length == 0 && mode != kTriggerNone) return kAcqTriggerNeedsLength;
  }
  int32_t r = start_command(line("ICR%i\n", rate.code), kAcqRateNotSet);
  if (r < 0) return r;
  if ((r = start_command(line("ACT100,0\n"), 0)) < 0) return r;
  for (int32_t i = 0; i < count; ++i) {
    const AcqHdr& h = header(channels[i]);
    if (!measured_on_current(h)) continue;
    if ((r = start_command(line("ACT%i,1\n", h.hardware_channel), 0)) < 0) return r;
  }
  (void)number;
  if (mode != kTriggerPretrigger && mode != kTriggerLevel)
    return start_command(line("MSV%i,1,6100,%i\n", block_length, option), 0, true);
  int32_t pre = static_cast<int32_t>(static_cast<double>(trigger[kTrigPretrigger]) * block_length * 0.01);
  if (pre > kMaxPretrigger) return kAcqPretriggerTooLong;
  if (pre < 1) pre = 1;
  if (mode == kTriggerLevel) {
    if ((r = send_trigger_condition(trigger)) < 0) return r;
    return start_command(line("MSV%i,%i,6103,%i\n", block_length, pre, option), 0, true);
  }
  return start_command(line("MSV%i,%i,6102,%i\n", block_length, pre, option), 0, true);
}

int32_t read(int32_t number, int32_t, const int32_t*, int32_t* length, double mode) {
  const DeviceRecord& d = device(number);
  if (d.measured_channel_count <= 0) return kAcqOk;
  FirstFifo& first = g_first_fifo[number];
  if (acquisition().current_fifo != first_fifo_in_use(d)) {
    *length = first.length;
    return first.result;
  }
  first.result = read_block(number, length, mode);
  first.length = *length;
  return first.result;
}

int32_t stop(int32_t) {
  Reply reply;
  if (send(line("STP\n")) >= 0) receive_at_most(&reply, kStopReplyLimit);
  QBX_FlushInQueue();
  if (send(line("EST?\n")) >= 0) receive_at_most(&reply, kErrorReplyLimit);
  QBX_Corvane_Sleep();
  return kAcqOk;
}

}  // namespace tallix::corvane
