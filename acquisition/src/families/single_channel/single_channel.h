// The single-channel family (device type 3): one measured channel per device. Devices at the
// addresses 10..40 share a line and listen after "S<address>" (the family sends it before every
// exchange; they do not answer it); a device at another address is alone on its line. Commands end
// with LF; each is answered by one reply line ("0", the value, or a text holding '?').
//
// Exchange sequences:
// - Device set-up: no traffic; the device's access flag is cleared, so that the next channel
//   set-up opens the device's protected settings again.
// - Channel set-up: "TAS?" (tare state) and "TAV?" (tare value), kept; "SPW\"KRN\"" (the access
//   word, once after each device set-up), "LDW0" (linearisation off), "LWT1000000" (its weight
//   back to 1), "ACL0", "TAV<tare value kept>" and "TAS0"/"TAS1" (the tare as it was: the
//   linearisation words reset it), "COF12" (binary output: signed 32-bit little-endian),
//   "ICR2" (300 Hz), "IDN?". The header's full-scale count becomes 5120000. A refusal: -217.
// - Start: more than one measured channel on the device and a block length other than 1: -220.
//   "S98" (every device of the line listens, none answers), "ICR<code>" (the rate, for all of
//   them), "S<address>" (this device again), "MSV?<block length>": the device streams one
//   sample a scan from then on (block length 0: until the stop), no reply line. Rate codes: 1
//   600 Hz, 2 300, 3 150, 4 75, 5 50, 6 25, 7 10, 8 5, 9 2, 10 1 (the fastest not above the
//   kernel rate, at least 1 Hz; the kernel rate becomes it).
// - Read: the next L samples of the stream (read mode -1.0: those received); with block length 1
//   several listed channels of the device each get the device's one value.
// - Stop: "STP", then the input flushed until the line has been quiet for 10 ms.
// - Channel commands: tare "TAR", tare source "TAS<value>" (int32). A refusal: -270; other codes
//   -253.
#pragma once

#include <cstdint>

#include "families/family.h"

namespace tallix::single_channel {

FamilyDeviceSetup device_setup;
FamilyChannelSetup channel_setup;
FamilyStart start;
FamilyRead read;
FamilyStop stop;
FamilyCommand command;

}  // namespace tallix::single_channel
