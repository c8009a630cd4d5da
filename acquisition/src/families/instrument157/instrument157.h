// The further instrument family of device type 157: channels addressed by their hardware channel.
// Commands end with LF; each is answered by one reply line ("0", the value, or a text holding '?').
//
// Exchange sequences (the family has no command words of its own beyond these):
// - Device set-up: "IDN?" (the identity).
// - Channel set-up (channel h): "ENU?<h>" (its unit: the header's unit text). A refusal: -217.
// - Start: none.
// - Read, pass 0: "MSV?<L>,1" (read mode -1.0: L = 1) starts L measurements of every measured
//   channel; pass 1 fetches their reply line: L scans of the channels' counts (ascending
//   hardware channel) separated by ','. Fewer values: -207; more than 64 at once: -214.
// - Stop: "STP".
// - Channel commands: tare "TAR". A refusal: -270; other codes -253.
#pragma once

#include <cstdint>

#include "families/family.h"

namespace tallix::instrument157 {

FamilyDeviceSetup device_setup;
FamilyChannelSetup channel_setup;
FamilyRead read;
FamilyStop stop;
FamilyCommand command;

}  // namespace tallix::instrument157
