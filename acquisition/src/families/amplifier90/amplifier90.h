// The amplifier family of device type 90: inputs addressed as ranges "<first>,<last>". Commands end
// with CR, and so do its reply lines: "0" for a set command, the value for a query, a text holding
// '?' for a refusal; "EST" answers the device's error number.
//
// Exchange sequences:
// - Device set-up: "EST" (an error above 0: -207), "SYN" (synchronise the inputs).
// - Channel set-up (input h): "ODU" (data output off), "ICH<h>,<h>,1" (input on), "OMM<h>,<h>"
//   (its measuring mode), "EST" (an error above 0: -217). A refusal: -217.
// - Start (measured channels only): "ODU", "ICH<h>,<h>,1" for each measured input, "COF4"
//   (binary output: signed 16-bit little-endian), "ISR<rate>" (the kernel rate in whole Hz, at
//   least 1; the kernel rate becomes it), "ICR<k>" (inputs per scan); when the first trigger
//   record of the device's port has mode 1 or 2: "TSV1,<trigger input>,<block length>,
//   <pre-trigger scans>,<mode>" and, for a level trigger (mode 2), "TRG<trigger input>,<raw
//   level>,<condition 0..3>" (one trigger channel; the raw level is the physical level run
//   backwards through the trigger channel's scaling, trigger_level.h). Each is answered by a line
//   (a refusal: -207; a refused "TRG": -225). A level trigger whose channel is not a valid
//   channel, whose condition is not 0..3, or whose level has no inverse or a count beyond 32 bits:
//   -225 before anything of the start is sent. Then
//   "MSV1,<k>,<block length>,<option>,<pre-trigger scans>", not answered by a line: the device
//   streams its scans (ascending input) from then on.
// - Read: the next L scans of the stream (read mode -1.0: those received, at most 1023).
// - Stop: "STP", then the input flushed until the line has been quiet for 10 ms.
// - Channel commands (the listed inputs as one range), each followed by "EST": tare
//   "TAR<first>,<last>,1", calibration "CAL<first>,<last>" (1500 ms for the amplifiers),
//   tare source "ITS<first>,<last>,<value>" (int32). A refusal or an error above 0: -270;
//   other codes -253.
#pragma once

#include <cstdint>

#include "families/family.h"

namespace tallix::amplifier90 {

FamilyDeviceSetup device_setup;
FamilyChannelSetup channel_setup;
FamilyStart start;
FamilyRead read;
FamilyStop stop;
FamilyCommand command;

}  // namespace tallix::amplifier90
