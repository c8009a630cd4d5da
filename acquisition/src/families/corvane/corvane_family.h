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
// Multi-scan start of the current device: rate, its measured channels on, "MSV" (trigger records
// of its port decide the mode). Nothing when the start has no measured channel.
int32_t start(int32_t device, int32_t count, const int32_t* channels, int32_t block_length, int32_t option);
// Block read of one read cycle ("MSV?", "OMB?"): raw samples at each channel's IO buffer write
// offset, ascending sort key; *length in: scans asked, out: scans delivered (-1: nothing, read
// mode -1.0). -199 block not complete, -198 status query refused, -405 device overflow, -214 block
// too large, interface statuses.
int32_t read(int32_t device, int32_t count, const int32_t* channels, int32_t* length, double read_mode);
// "STP", "EST?"; 0.
int32_t stop(int32_t device);
// QBX_ACQCmd for the current device (see tallix32.h for the codes).
int32_t command(int32_t device, int32_t count, const int16_t* channels, int32_t code, void* value);

}  // namespace tallix::corvane
