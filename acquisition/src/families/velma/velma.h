// VELMA precision amplifier (device type 40): two inputs, hardware channels 1 and 2, chosen by the
// mask "CHS1", "CHS2" or "CHS3" (both). Commands end with LF; each is answered by one reply line
// ("0" for a set command, the value for a query, a text holding '?' for a refusal).
//
// Exchange sequences:
// - Device set-up: "SRB1" (one reply per command), "CHS1", "COF3" (ASCII values of full
//   resolution), "COF?" (must answer 3, else -207).
// - Channel set-up (channel h): "SRB1", "CHS<mask of h>", "CHM<mode>" (the header's sub-channel is
//   the input's measuring mode), "ACL0", "CMR?" (measuring rate, for the log), "ASS2" (measuring
//   signal), "ENU?1", "ENU?2" (the unit words of both inputs: input h's is the header's unit),
//   "IAD?1", "IAD?2" (measuring range and the count at that range of each input: input h's are the
//   header's range and full-scale count). A refusal or a channel outside 1..2: -217.
// - Start: none.
// - Read, pass 0: "CHS<mask of the device's measured channels>", "CHM<mode of the first>"; pass 1:
//   "MSV?<L>,1" (read mode -1.0: L = 1), answered by one line of L scans of the measured
//   channels' counts (ascending hardware channel), separated by ','. A line with fewer numbers:
//   -207; more than 64 values asked at once: -214.
// - Stop: "STP", "CLS".
// - Channel commands: "CHS<mask>", "CHM<mode of the first listed>", "ESR?" (error above 0: -207),
//   then calibration "CAL" (then VELMA_WaitForCalibrationComplete), zero "CPV", linearisation
//   point "LIV<point>,,,<input>,<output>", tare "TAR". A refusal: -270; other codes: -253.
// - Settling and calibration waits: "XST?" repeated (every 10 ms) until the bit is clear.
#pragma once

#include <cstdint>

#include "families/family.h"

namespace tallix::velma {

FamilyDeviceSetup device_setup;
FamilyChannelSetup channel_setup;
FamilyRead read;
FamilyStop stop;
FamilyCommand command;
// Polls "XST?" until `busy_bit` is clear in the reply's first integer (and its second when it has
// two): 0; -1 after the settling time-out; interface statuses.
int32_t wait_until_clear(int32_t busy_bit);

}  // namespace tallix::velma
