// The device-independent read of a multi-scan: every FIFO in use that has not delivered since the
// last QBX_ACQResetDeviceStatus is read by its family (device by device, or FIFO by FIFO for the
// asynchronous read), then the block is scaled, time and formula channels are computed, the block
// is stored and the circular buffers are fed.
#include <cstring>

#include "device_line.h"
#include "export_guard.h"
#include "families/family.h"
#include "families/yalplus/yalplus_family.h"
#include "kernel_state.h"
#include "multiscan/acquisition_state.h"
#include "multiscan/block_storage.h"
#include "numera32_formula.h"
#include "ring_buffer.h"
#include "scaling/scaling_pass.h"

using namespace tallix;

namespace {

constexpr int32_t kFormulaChannelUnavailable = -8;  // the math library's error flag after a failed channel read

struct ReadCycle {
  int32_t count;
  const int32_t* channels;
  int32_t requested;   // the caller's block length
  double mode;
  float fastest;       // the largest rate of the FIFOs in use
  int32_t block = -2;  // the largest length a FIFO returned
  bool incomplete = false;
  bool refused = false;
  bool served = false;  // some FIFO's family read ran in this call
  int32_t error = kAcqOk;
};

float fastest_rate() {
  KernelState& k = kernel();
  float fastest = 1.0f;
  for (int32_t n = 0; n < k.device_count; ++n) {
    const DeviceRecord& d = device(n);
    for (int32_t f = 0; f < kAcqFifoCount; ++f) {
      if (d.fifo_in_use[f] && !d.skip_fifo[f] && d.fifo_rate[f] > fastest) fastest = d.fifo_rate[f];
    }
  }
  return fastest;
}

// One FIFO of one device in one pass: selection, requested length, family read and the read-done
// bookkeeping. Pass 1 serves only the devices whose family asked for it in pass 0. A negative
// device selection ends the read.
int32_t read_fifo(ReadCycle& c, int32_t number, int32_t fifo, int32_t pass) {
  DeviceRecord& d = device(number);
  if (!d.fifo_in_use[fifo]) return kAcqOk;
  AcquisitionState& a = acquisition();
  if (pass == 1 && !a.second_pass[number]) return kAcqOk;
  KernelState& k = kernel();
  k.current = CurrentDevice{d.port, d.address, number, d.device_type};
  a.current_fifo = fifo;
  a.read_pass = pass;
  int32_t r = select_device_line(d.port, d.address);
  if (r < 0) return r;
  int32_t length = c.requested;
  if (!d.fifo_rate_matches[fifo]) {
    if (pass == 0 && k.first_read_after_reset && !d.fifo_read_done[fifo])
      d.fifo_length_accumulator[fifo] += static_cast<float>(c.requested) * d.fifo_rate[fifo] / c.fastest;
    length = static_cast<int32_t>(d.fifo_length_accumulator[fifo]);
  }
  if (d.fifo_read_done[fifo]) return kAcqOk;
  c.served = true;
  r = family_for(d.device_type).read(number, c.count, c.channels, &length, c.mode);
  if (r == 0 && length != kNothingRead) {
    d.fifo_read_done[fifo] = 1;
    const float acc = d.fifo_length_accumulator[fifo];  // packed record: no reference into it
    d.fifo_length_accumulator[fifo] = acc - static_cast<float>(static_cast<int32_t>(acc));
  }
  if (r == kAcqBlockNotComplete) {
    c.incomplete = true;
  } else if (r < 0) {
    if (r == kAcqDeviceStatusRefused) c.refused = true;
    c.error = r;
    d.last_error = r;
  }
  // Only a FIFO that answered counts: a failed one delivered nothing, whatever its length says.
  if (r == 0 && length > c.block) c.block = length;
  return kAcqOk;
}

int32_t read(int32_t count, const int32_t* channels, int32_t* block_length, double mode, uint32_t time_low,
             uint32_t time_high, bool asynchronous) {
  KernelState& k = kernel();
  AcquisitionState& a = acquisition();
  if (!a.running) return kAcqNotRunning;
  const uint64_t bits = (uint64_t{time_high} << 32) | time_low;
  std::memcpy(&a.external_time, &bits, sizeof a.external_time);
  a.asynchronous = asynchronous ? 1 : 0;

  ReadCycle c{count, channels, *block_length, mode, fastest_rate()};
  if (int32_t r = yalplus::synchronise_fifos(); r < 0) return r;
  std::memset(a.second_pass, 0, sizeof a.second_pass);
  for (int32_t pass = 0; pass < 2; ++pass) {
    if (pass == 1 && std::memchr(a.second_pass, 1, sizeof a.second_pass) == nullptr) break;
    if (asynchronous) {
      for (int32_t f = 0; f < kAcqFifoCount; ++f)
        for (int32_t n = 0; n < k.device_count; ++n)
          if (int32_t r = read_fifo(c, n, f, pass); r < 0) return r;
    } else {
      for (int32_t n = 0; n < k.device_count; ++n)
        for (int32_t f = 0; f < kAcqFifoCount; ++f)
          if (int32_t r = read_fifo(c, n, f, pass); r < 0) return r;
    }
  }
  a.read_pass = 0;
  // Every FIFO had delivered before this call (no reset since): nothing new to process, and the
  // blocks already scaled must not be scaled again.
  if (!c.served) {
    *block_length = 0;
    return kAcqOk;
  }
  // A synchronous read that found nothing leaves the caller's length; the asynchronous one says -1.
  if (c.block >= 0) *block_length = c.block;
  const bool read_all = mode == kReadAll;
  if ((!read_all && c.incomplete) || (read_all && c.block < 1)) {
    k.first_read_after_reset = 0;
    if (asynchronous && read_all) *block_length = kNothingRead;
    return kAcqBlockNotComplete;
  }
  if (c.error != kAcqOk && c.error != kAcqDeviceStatusRefused) return c.error;

  const int32_t n = *block_length;
  int32_t r = scale_channels(count, channels, n, nullptr, kPassMeasured);
  if (r < 0) return r;
  r = scale_channels(count, channels, n, nullptr, kPassTime);
  if (r < 0) return r;
  if (k.sample_rate > 0.0f) a.elapsed_ms += static_cast<double>(n) / k.sample_rate * 1000.0;
  GetFormulaErrFlag();
  r = compute_formula_channels(count, channels, n);
  if (r < 0) return r;
  if (GetFormulaErrFlag() == kFormulaChannelUnavailable) return kAcqFormulaError;
  const int32_t stored = store_block(count, channels, n);
  for (int32_t i = 0; i < count; ++i) ring_update(channels[i]);
  return c.refused ? kAcqDeviceStatusRefused : stored;
}

int32_t checked_read(int32_t count, const int32_t* channels, int32_t* block_length, double mode, uint32_t low,
                     uint32_t high, bool asynchronous) {
  if (block_length == nullptr || count < 0 || (count > 0 && channels == nullptr)) return kAcqBadArgument;
  for (int32_t i = 0; i < count; ++i)
    if (!valid_channel(channels[i])) return kAcqBadChannel;
  return guarded([&] { return read(count, channels, block_length, mode, low, high, asynchronous); });
}

}  // namespace

extern "C" {

int32_t QBX_ACQReadMultiScan(int32_t count, const int32_t* channels, int32_t* block_length, double read_mode,
                             int32_t, uint32_t time_low, uint32_t time_high) {
  return checked_read(count, channels, block_length, read_mode, time_low, time_high, false);
}

int32_t QBX_ACQReadMultiScanAsynch(int32_t count, const int32_t* channels, int32_t* block_length, double read_mode,
                                   int32_t, uint32_t time_low, uint32_t time_high) {
  return checked_read(count, channels, block_length, read_mode, time_low, time_high, true);
}

}  // extern "C"
