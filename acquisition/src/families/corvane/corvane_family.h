// The Corvane family's entry points (device type 8).
#pragma once

#include <cstdint>

#include "families/family.h"

namespace tallix::corvane {

// QBX_ACQInitDevice: "EST?" twice, "ACT100,0", "FMB1", "EST?", each answered by one line.
FamilyDeviceSetup device_setup;
// QBX_ACQInitChan for one channel: slot check ("AID?"), channel on, transducer and range into the
// header. -217 for an empty slot, a slot the device does not list, or a refusal; -253 for a
// digital signal kind on a slot that is not digital I/O.
FamilyChannelSetup channel_setup;
// Multi-scan start of the current device: rate, its measured channels on, "MSV" (trigger records
// of its port decide the mode). Nothing when the start has no measured channel.
FamilyStart start;
// Block read of one read cycle ("MSV?", "OMB?"): raw samples at each channel's IO buffer write
// offset, ascending sort key; *length in: scans asked, out: scans delivered (-1: nothing, read
// mode -1.0). -199 block not complete, -198 status query refused, -405 device overflow, -214 block
// too large, interface statuses.
FamilyRead read;
// "STP", "EST?"; 0.
FamilyStop stop;
// QBX_ACQCmd for the current device (see tallix32.h for the codes).
FamilyCommand command;

}  // namespace tallix::corvane
