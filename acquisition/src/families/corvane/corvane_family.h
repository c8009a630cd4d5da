// The Corvane family's entry points (device type 8).
#pragma once

#include <cstdint>

namespace tallix::corvane {

// QBX_ACQInitDevice: "EST?" twice, "ACT100,0", "FMB1", "EST?", each answered by one line.
int32_t device_setup(int32_t device, int32_t address);
// QBX_ACQInitChan for one channel: slot check ("AID?"), channel on, transducer and range into the
// header. -217 for an empty slot, a slot the device does not list, or a refusal; -253 for a
// digital signal kind on a slot that is not digital I/O.
int32_t channel_setup(int32_t channel);
// QBX_ACQCmd for the current device (see tallix32.h for the codes).
int32_t command(int32_t device, int32_t count, const int16_t* channels, int32_t code, void* value);

}  // namespace tallix::corvane
