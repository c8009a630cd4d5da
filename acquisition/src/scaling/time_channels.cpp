// Time channels: each kind's values in milliseconds (the header's full-scale count 0) or in days
// (any other full-scale count), continuing from the running time the channel's work area keeps.
#include "scaling/time_channels.h"

#include <cmath>

#include "kernel_state.h"
#include "multiscan/acquisition_state.h"

namespace tallix {
namespace {

constexpr double kMsPerDay = 86400000.0;
constexpr double kSecondsPerDay = 86400.0;
constexpr double kMsPerSecond = 1000.0;

// The channel's running time: the first double of its work area, or a scratch value that is not
// kept when the channel has none (QBX_ACQInitChan was not called for it).
double& running_time(int32_t channel) {
  static double unkept = 0.0;
  WorkArea& w = kernel().work[channel];
  if (w.block == nullptr || w.bytes < static_cast<int32_t>(sizeof(double))) {
    unkept = 0.0;
    return unkept;
  }
  return *static_cast<double*>(w.block);
}

// Room at the write offset of the channel's IO buffer.
int64_t room(const IOBuf& b) {
  if (b.values == nullptr || b.write_offset < 0) return 0;
  return int64_t{b.capacity} - b.write_offset;
}

void set_count(int32_t channel, int32_t n) {
  header(channel).read_block_count = n;
  buffer(channel).current_length = n;
}

// n values origin + step x j, each x scale + offset, at the write offset; w advances by step x n.
void write_series(int32_t channel, int32_t n, double step, double scale, double offset, double& w) {
  IOBuf& b = buffer(channel);
  double* out = b.values + b.write_offset;
  for (int32_t j = 0; j < n; ++j) out[j] = (step * j + w) * scale + offset;
  w += step * n;
  set_count(channel, n);
}

// Per-value time in ms of a rate in Hz; 0 for a rate that is not positive.
double period_ms(double rate) { return rate > 0.0 ? kMsPerSecond / rate : 0.0; }

}  // namespace

int32_t compute_time_channel(int32_t channel, int32_t block_length) {
  const AcquisitionState& k = acquisition();  // the acquisition's clock
  AcqHdr& h = header(channel);
  const IOBuf& b = buffer(channel);
  const bool in_days = h.full_scale != 0;
  const double range = h.range;
  double& w = running_time(channel);
  const int16_t kind = h.time_kind;

  if (kind == kTimeElapsed) {
    if (room(b) < 1) return kAcqBufferTooSmall;
    b.values[b.write_offset] = in_days ? k.start_time : range * k.elapsed_ms;
    h.time_interval = static_cast<float>(k.elapsed_ms - w);
    w = k.elapsed_ms;
    set_count(channel, 1);
    return kAcqOk;
  }
  if (kind == kTimePerScan) {
    const int32_t n = block_length > 0 ? block_length : 0;
    if (room(b) < n) return kAcqBufferTooSmall;
    const double step = period_ms(k.scaling_rate);
    if (in_days)
      write_series(channel, n, step, 1.0 / kMsPerDay, k.start_time, w);
    else
      write_series(channel, n, step, range, 0.0, w);
    return kAcqOk;
  }
  if (kind == kTimeEverySeconds) {
    const double interval = h.time_interval;
    const double count = (interval > 0.0 && k.scaling_rate > 0.0)
                             ? std::trunc(1.0 / interval * block_length / k.scaling_rate + 0.0001)
                             : 0.0;
    if (room(b) < block_length || !(count >= 0.0 && count <= static_cast<double>(room(b))))
      return kAcqBufferTooSmall;
    const double step = in_days ? interval / kSecondsPerDay : interval * kMsPerSecond;
    write_series(channel, static_cast<int32_t>(count), step, range, 0.0, w);
    return kAcqOk;
  }
  // 3 + device: the times of that device's block, or the read's external time.
  const int32_t d = kind - kTimeOfDevice;
  const int32_t reference = h.dio_bit;
  if (!valid_device(d) || !valid_channel(reference)) {
    set_count(channel, 0);
    return kAcqOk;
  }
  const int32_t reference_count = header(reference).read_block_count;
  const DeviceRecord& dev = device(d);
  if (dev.block_mode == 0) {
    if (room(b) < 1) return kAcqBufferTooSmall;
    b.values[b.write_offset] = in_days ? k.start_time : range * k.external_time;
    // The channel counts the reference channel's block, as far as its buffer reaches.
    const int64_t counted = reference_count < 0 ? 0 : reference_count;
    const int32_t n = static_cast<int32_t>(counted < room(b) ? counted : room(b));
    header(channel).read_block_count = n;
    buffer(channel).current_length = n;
    return kAcqOk;
  }
  const int32_t n = reference_count > 0 ? reference_count : 0;
  if (room(b) < n) return kAcqBufferTooSmall;
  const int16_t fifo = (h.fifo >= 0 && h.fifo < 4) ? h.fifo : 0;  // 4 (streams 0 and 1) runs at stream 0's rate
  const double step = period_ms(dev.fifo_rate[fifo]);
  if (in_days)
    write_series(channel, n, step, 1.0 / kMsPerDay, k.start_time, w);
  else
    write_series(channel, n, step, range, 0.0, w);
  return kAcqOk;
}

}  // namespace tallix
