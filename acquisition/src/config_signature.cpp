// Configuration signature sums. Hardware channels are 16-bit, so the products fit 32 bits, but
// their sums over many channels may not: the sums wrap (unsigned arithmetic), which keeps them a
// signature without overflow.
#include "config_signature.h"

#include <cstring>

#include "kernel_state.h"

namespace tallix {
namespace {
constexpr int16_t kClassMeasured = 0;
constexpr int16_t kSignalMeasured = 8;
}  // namespace

ConfigSignature config_signature(int32_t number, int32_t count, const int32_t* channels) {
  const DeviceRecord& d = device(number);
  uint32_t sums[4] = {};
  for (int32_t i = 0; i < count; ++i) {
    if (!valid_channel(channels[i])) continue;
    const AcqHdr& h = header(channels[i]);
    if (h.acq_class != kClassMeasured || h.signal_kind != kSignalMeasured || h.interface != d.port ||
        h.device_address != d.address)
      continue;
    const auto hw = static_cast<uint32_t>(static_cast<int32_t>(h.hardware_channel));
    sums[0] += hw * hw;
    sums[1] += hw * static_cast<uint32_t>(h.sub_channel + 1);
    sums[2] += hw * static_cast<uint32_t>(h.sort_index + 1);
    sums[3] += hw * static_cast<uint32_t>(h.fifo + 1);
  }
  ConfigSignature s{};
  for (int k = 0; k < 4; ++k) s.sums[k] = static_cast<int32_t>(sums[k]);
  return s;
}

void note_config_signature(int32_t number, const ConfigSignature& signature) {
  DeviceRecord& d = device(number);
  if (std::memcmp(d.config_signature, signature.sums, sizeof signature.sums) != 0) d.config_unchanged = 0;
  std::memcpy(d.config_signature, signature.sums, sizeof signature.sums);
}

}  // namespace tallix
