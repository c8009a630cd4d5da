// The scaling pass of a read: measured channels from raw counts to physical values by their range
// and linearisation (pass 0), time channels (pass 2); and QBX_ACQScaleMultiScan, the host's door to
// the same passes.
#include "scaling/scaling_pass.h"

#include "export_guard.h"
#include "kernel_state.h"
#include "scaling/linearisation.h"
#include "scaling/thermo_linearisation.h"
#include "scaling/time_channels.h"

namespace tallix {

namespace {

constexpr int16_t kPhysicalValuesType = kAcqTypeYalplus;  // delivers physical values already
constexpr double kThermoInputScale = 1000.0;              // V -> mV, Ohm -> milliohm
constexpr int16_t kCompensated = 1;

// Range scaling of n raw values in place: zero offset + range x raw / full-scale count.
void range_scale(const AcqHdr& h, double* values, int32_t n) {
  const double full_scale = h.full_scale != 0 ? static_cast<double>(h.full_scale) : 1.0;
  const double factor = static_cast<double>(h.range) / full_scale;
  const double zero = h.zero_offset;
  for (int32_t i = 0; i < n; ++i) values[i] = zero + factor * values[i];
}

// The values of a measured channel's block at its write offset, or nullptr when the block does
// not lie inside its IO buffer.
double* block_of(int32_t channel, int32_t n) {
  IOBuf& b = buffer(channel);
  if (b.values == nullptr || n <= 0 || b.write_offset < 0 || int64_t{b.write_offset} + n > b.capacity)
    return nullptr;
  return b.values + b.write_offset;
}

// Scales n values of a measured channel: range, then its lin mode. single: the one value behind
// the caller's pointer, never compensated.
int32_t scale_measured(int32_t channel, double* values, int32_t n, bool single) {
  const AcqHdr& h = header(channel);
  const LinRecord& lin = kernel().lin[channel];
  const bool raw = h.device_type != kPhysicalValuesType;
  if (lin.mode == kLinThermo) {
    // Range scaling, x 1000 and the table in one pass over the block.
    double factor = kThermoInputScale, zero = 0.0;
    if (raw) {
      factor *= static_cast<double>(h.range) / (h.full_scale != 0 ? static_cast<double>(h.full_scale) : 1.0);
      zero = kThermoInputScale * h.zero_offset;
    }
    const ThermoSensor* sensor = find_thermo_sensor(h.sensor_type);
    if (sensor != nullptr) {
      thermo_forward_block(*sensor, values, n, factor, zero);
    } else {  // an unknown sensor type: the values stay in mV or milliohm
      for (int32_t j = 0; j < n; ++j) values[j] = values[j] * factor + zero;
    }
    return kAcqOk;
  }
  if (raw) range_scale(h, values, n);
  if (lin.mode == kLinTable) {
    const double* reference = nullptr;
    if (!single && lin.input[0] == kCompensated && lin.type == kLinTypeBridge) {
      const int32_t ref = lin.input[1];
      reference = valid_channel(ref) ? block_of(ref, n) : nullptr;
      if (reference == nullptr) return kAcqBadLinTable;  // no reference value at some index
    }
    return apply_lin_type(lin, values, n, reference);
  }
  return kAcqOk;
}

}  // namespace

int32_t scale_channels(int32_t count, const int32_t* channels, int32_t block_length, double* value, int32_t pass) {
  for (int32_t i = 0; i < count; ++i) {
    const int32_t ch = channels[i];
    IOBuf& b = buffer(ch);
    const int32_t n = header(ch).read_block_count;
    b.current_length = n < 0 ? 0 : (n > b.capacity ? b.capacity : n);
  }
  int32_t status = kAcqOk;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t ch = channels[i];
    const AcqHdr& h = header(ch);
    if (h.acq_class != pass) continue;
    if (pass == kPassTime) {
      const int32_t rc = compute_time_channel(ch, block_length);
      if (rc != kAcqOk) return rc;
      continue;
    }
    if (pass != kPassMeasured || kernel().lin[ch].mode <= kLinNone) continue;
    int32_t rc = kAcqOk;
    if (block_length < 1) {
      if (value != nullptr) rc = scale_measured(ch, value, 1, true);
    } else {
      double* values = block_of(ch, h.read_block_count);
      if (values != nullptr) rc = scale_measured(ch, values, h.read_block_count, false);
    }
    if (rc != kAcqOk && status == kAcqOk) status = rc;
  }
  return status;
}

}  // namespace tallix

extern "C" TALLIX32_API int32_t QBX_ACQScaleMultiScan(int32_t count, const int32_t* channels, int32_t block_length,
                                                      double* value, int32_t, int32_t pass) {
  return tallix::guarded([&]() -> int32_t {
    if (count < 0 || (count > 0 && channels == nullptr) || count > kAcqMaxChannels) return kAcqBadArgument;
    for (int32_t i = 0; i < count; ++i)
      if (!tallix::valid_channel(channels[i])) return kAcqBadChannel;
    return tallix::scale_channels(count, channels, block_length, value, pass);
  });
}
