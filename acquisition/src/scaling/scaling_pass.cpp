// Scaling of measured channels from raw counts to physical values by the header's range, and the
// seam where linearisation, time channels and formula channels join the read.
#include "scaling/scaling_pass.h"

#include "export_guard.h"
#include "kernel_state.h"

namespace tallix {

namespace {

inline constexpr int32_t kLinNone = 0;

// Range scaling of `n` raw values in place: zero offset + range x raw / full-scale count.
void range_scale(const AcqHdr& h, double* values, int32_t n) {
  const double full_scale = h.full_scale != 0 ? static_cast<double>(h.full_scale) : 1.0;
  const double factor = static_cast<double>(h.range) / full_scale;
  for (int32_t i = 0; i < n; ++i) values[i] = h.zero_offset + factor * values[i];
}

}  // namespace

int32_t scale_channels(int32_t count, const int32_t* channels, int32_t block_length, double* value, int32_t pass) {
  for (int32_t i = 0; i < count; ++i) {
    const int32_t ch = channels[i];
    IOBuf& b = buffer(ch);
    const int32_t n = header(ch).read_block_count;
    b.current_length = n < 0 ? 0 : (n > b.capacity ? b.capacity : n);
  }
  if (pass != kPassMeasured) return kAcqOk;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t ch = channels[i];
    const AcqHdr& h = header(ch);
    if (h.acq_class != kPassMeasured) continue;
    const int32_t mode = kernel().lin[ch].mode;
    if (mode == kLinNone) continue;
    if (block_length < 1) {
      if (value != nullptr) range_scale(h, value, 1);
      continue;
    }
    IOBuf& b = buffer(ch);
    if (b.values == nullptr) continue;
    const int64_t n = h.read_block_count;
    if (n <= 0 || int64_t{b.write_offset} + n > b.capacity) continue;  // never past the buffer
    range_scale(h, b.values + b.write_offset, static_cast<int32_t>(n));
  }
  return kAcqOk;
}

int32_t compute_formula_channels(int32_t, const int32_t*, int32_t) { return kAcqOk; }

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
