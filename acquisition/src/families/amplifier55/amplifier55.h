// The amplifier family of device types 55 and 56: one measured signal per device. Commands end with
// LF; each is answered by one reply line ("0", the value, or a text holding '?').
//
// Exchange sequences:
// - Device set-up: "COF1" (values as ASCII numbers).
// - Channel set-up: "ENU?" (the unit: the header's unit text, its padding blanks dropped). A
//   refusal: -217.
// - Start: none.
// - Read, pass 0: "MSV?<L>,1" (read mode -1.0: L = 1) starts L measurements; pass 1 fetches their
//   reply line, L values separated by ','; each listed channel of the device gets them. A line
//   with fewer values: -207; more than 64 values at once: -214.
// - Stop: the device's plug-in driver or driver stack, as for any other type.
// - Channel commands: zero "CPV", calibration "CAL", linearisation point
//   "LIV<point>,,,,<input>,<output>," (type 55) or "LIV<point>,,,,<input>,<output>,," (type 56)
//   with the numbers as their shortest texts, tare "TAR". A refusal: -270; other codes: -253.
#pragma once

#include <cstdint>

#include "families/family.h"

namespace tallix::amplifier55 {

FamilyDeviceSetup device_setup;
FamilyChannelSetup channel_setup;
FamilyRead read;
FamilyCommand command;

}  // namespace tallix::amplifier55
