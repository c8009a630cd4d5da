// The amplifier family of device type 100: inputs 0..99 addressed as ranges "<first>,<last>".
// Commands end with CR LF; each is answered by one reply line (CR LF): "0" for a set command, the
// value for a query, a text holding '?' for a refusal. The values it measures are physical:
// channel set-up makes the header's scaling neutral.
//
// Exchange sequences:
// - Device set-up: "DTR0" (no data transfer), "BMP0,99" (buffer mode of all inputs), "IMM0"
//   (single measurements), "IRC,1" (remote control), "SKP0,99,0" (every input out of the scan),
//   "CYC1,0,0" (one cycle a request).
// - Channel set-up (input h): "ODU?" (the output format), "OEU?<h>,<h>" (its unit: the header's
//   unit text), "FEU?<h>,<h>" (its full-scale value), "SKP<h>,<h>,1" (into the scan), "CAL?"
//   (calibration state); full-scale count 1, range 1.0. A refusal: -217.
// - Start: only a restart (start option -1) sends "MSV?0,99,4", from which on the device answers
//   a value line for every cycle without further requests.
// - Read, pass 0: "MSV?0,99,4" (one cycle of every input in the scan; not in read mode -1.0,
//   which takes what the running device sent); pass 1 fetches the reply, one value per input
//   0..99 separated by ',' (read mode -1.0 with nothing received: nothing). One scan per read.
// - Stop: the input queue flushed.
// - Channel commands (the listed inputs as a range; queries on the first listed input): tare
//   "TAR<first>,<last>"; tare source "ITS<value>"; calibration check "CAL?1" (int32 out); queries
//   transducer "TDC?" (109, int32 out), amplification "AMP?" (116, float), unit "OEU?" (120, text
//   of 8 bytes), full-scale value "FEU?" (117, float), scale "OSC?" (118, float), tare value
//   "OTV?" (115, float), input type "OIT?" (119, int32), each "<h>,<h>". A refusal: -270; other
//   codes -253.
#pragma once

#include <cstdint>

#include "families/family.h"

namespace tallix::amplifier100 {

FamilyDeviceSetup device_setup;
FamilyChannelSetup channel_setup;
FamilyStart start;
FamilyRead read;
FamilyCommand command;

}  // namespace tallix::amplifier100
