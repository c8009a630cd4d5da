// The YAL amplifier system (device type 2). Commands end with LF; the device answers every command
// line with one reply line (CR LF): "0" for a set command taken, the value for a query, a text
// holding '?' for a refusal. Amplifier channels are the hardware channels 1..31, chosen by a bit
// mask ("CHS" with bit h - 1 for channel h).
//
// Exchange sequences:
// - Device set-up: none.
// - Channel set-up (channel h): "SRB1" (one reply per command), "CHS<mask of h>", "ACL0"
//   (automatic calibration off), "ENU?1" (the unit word: the header's unit), "IMR?1" (the
//   measuring range: the header's range), "IAD?1" (the count at that range: the header's
//   full-scale count). A refusal, or a channel outside 1..31: -217.
// - Start (measured channels only): "SRB1", "ISS?" (interface settings: two numbers kept for the
//   stop), "ISS,0" (no reply delay), "CMR1" (continuous measurement), "AFS1" (fast filter
//   settling), "COF3" (binary output: 4 bytes a sample, the signed 24-bit value in the three high
//   bytes, big-endian, then a status byte), then with block length 0 or above 1 the rate through
//   YALSMP32 (its result is the kernel rate; -1: -252), "CHS<mask of the measured channels>",
//   "ESR?" (an error above 0: -207), and "MSV?<block length>,<channels>", which the device does
//   not answer by a line: it streams the scans (one sample per channel, ascending hardware
//   channel) from then on. A refusal: -207.
// - Read: the next L scans from the stream (read mode -1.0: what has arrived, at most 1023 scans).
// - Stop: "STP", the input flushed until the line has been quiet for 10 ms, "CLS",
//   "ISS<kept settings>".
// - Channel commands (QBX_ACQCmd): "CHS<mask of the listed channels>", "ESR?" (error above 0:
//   -207), then tare "TAR", calibration "CAL" (3000 ms for the amplifier to calibrate), zero "CPV",
//   linearisation point "LIV<point>,,,<input>,<output>"; a refusal: -270; other codes: -253.
#pragma once

#include <cstdint>

#include "families/family.h"

namespace tallix::yal {

FamilyChannelSetup channel_setup;
FamilyStart start;
FamilyRead read;
FamilyStop stop;
FamilyCommand command;

}  // namespace tallix::yal
