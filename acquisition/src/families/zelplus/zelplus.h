// ZELPLUS (device type 91). Commands end with LF; every command is answered by one reply line: "0"
// for a set command, the value for a query, a text holding '?' for a refusal. Its commands address
// channel ranges "first,last" of the amplifier channels 1..28 (digital ports and analog outputs
// by port and line).
//
// Exchange sequences:
// - Device set-up: "SRB0,1" (one reply line per command).
// - Channel set-up (channel h): "AID?" (slot/amplifier-id pairs: h must be listed and not 5050,
//   "not connected"), "ACT<h>,<h>,1" (channel on), "CSA?<h>,<h>" (its circuit), "ASA?<h>,<h>"
//   (measuring range and the count at that range: the header's range and full-scale count).
//   A refusal or a missing slot: -217.
// - Start (measured channels only): "CHS<mask>", "EST?" (error above 0: -207), "COF3" (binary
//   output: signed 16-bit little-endian samples), "ICR<rate code>" (the Corvane rate table; the
//   kernel rate becomes the rate set), "WAI" (settings complete), then
//   - a restart (start option -1): "DOM0;MSV0,28,<block length>,0,0";
//   - when the first of the ten trigger records whose device is on the device's port has mode 1
//     or 2: "DOM2"; then for the level-trigger records (mode 2) of the port's records, in record
//     order, at most two: "DTR<hw>,<condition 0..3>,<n>,<raw level>,,16777215", n = 0 for the
//     first and 1 for the second trigger channel (the device triggers when either condition is
//     met), hw the trigger channel's hardware channel and the raw level the physical level run
//     backwards through that channel's scaling (trigger_level.h); then
//     "TSV0,28,<block length>,<pre-trigger scans>,<mode>,<option>" with the mode and the
//     pre-trigger percent of the port's first record (scans = percent of the block, at least 1).
//     -225 before anything of the start is sent: a third level record of the port, a trigger
//     channel that is not a valid channel, a condition outside 0..3, a level without an inverse
//     on its channel or whose count does not fit 32 bits. A refused "DTR": -225.
//   - else "DOM0" (block length 0: continuous) or "DOM1" (one block), and
//     "MSV0,28,<block length>,<option>,0".
//   A refusal: -207.
// - Read of L scans: "OMB?<L>,1,1" (exactly L scans, or none while fewer are buffered) or, in read
//   mode -1.0, "OMB?1023,1,2" (what is buffered, at most 1023 scans); the binary reply is a
//   2-byte little-endian scan count n, n scans of the measured channels (ascending hardware
//   channel), a 2-byte trailer. Then "EST?" (error above 0: -207). n = 0: -199 (read mode -1.0:
//   nothing).
// - Stop: "CLS".
// - Channel commands: "CHS<mask>", "EST?" (error above 0: -207), then tare "TAR1,28,<value>"
//   (int32 value, 0 when none), calibration "CAL1,28" (3000 ms), tare source "TAS1,28,<value>".
//   A refusal: -270; other codes: -253.
#pragma once

#include <cstdint>

#include "families/family.h"

namespace tallix::zelplus {

FamilyDeviceSetup device_setup;
FamilyChannelSetup channel_setup;
FamilyStart start;
FamilyRead read;
FamilyStop stop;
FamilyCommand command;

}  // namespace tallix::zelplus
