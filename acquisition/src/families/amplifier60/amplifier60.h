// The amplifier family of device type 60: inputs 0..59 addressed as ranges "<first>,<last>".
// Commands end with CR LF; each is answered by one reply line (CR LF): "0" for a set command, the
// value for a query, a text holding '?' for a refusal; "EST" answers the device's error number.
// The values it measures are physical: channel set-up makes the header's scaling neutral.
//
// Exchange sequences:
// - Device set-up: "DTR0" (no data transfer running), "BMP0,59" (buffer mode of all inputs),
//   "EST" (an error above 0: -207), "IPP0,59,,,0" (every input out of the scan).
// - Channel set-up (input h): "IPP<h>,<h>,,,1" (into the scan), "EST" (an error above 0: -217),
//   "OEU<h>,<h>" (its unit: the header's unit text); full-scale count 1, range 1.0.
// - Start: none.
// - Read, pass 0: "MSV0,59,0" measures every input once (the device answers when done); pass 1
//   fetches that answer, one value per input 0..59 separated by ','. One scan per read; each
//   channel gets its input's value (an input missing from the line: -207).
// - Stop: the input queue flushed.
// - Channel commands (the listed inputs as one range): tare "TAR<first>,<last>", "EST",
//   "BMP0,59" (the tare clears the buffer mode); tare source "ITS<value>" (int32), "EST". A
//   refusal or an error above 0: -270; other codes -253.
#pragma once

#include <cstdint>

#include "families/family.h"

namespace tallix::amplifier60 {

FamilyDeviceSetup device_setup;
FamilyChannelSetup channel_setup;
FamilyRead read;
FamilyCommand command;

}  // namespace tallix::amplifier60
