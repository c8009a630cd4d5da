// The configuration signature of a device: four sums over the measured channels a start gives it,
// so that family start code can skip its full set-up when the channels have not changed since the
// last start (QBX_ACQEnforceStartInit forces the full set-up).
#pragma once

#include <cstdint>

namespace tallix {

struct ConfigSignature {
  int32_t sums[4];  // h*h, h*(sub-channel+1), h*(sort index+1), h*(FIFO+1); h = hardware channel
};

// The signature of the device's measured channels in the list (class 0, signal kind 8, on the
// device's interface and address). Sums wrap at 32 bits.
ConfigSignature config_signature(int32_t device, int32_t count, const int32_t* channels);

// Compares with the device's stored signature: any difference clears its configuration-unchanged
// flag (the start set it to 1 before); the new signature is stored.
void note_config_signature(int32_t device, const ConfigSignature& signature);

}  // namespace tallix
