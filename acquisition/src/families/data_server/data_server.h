// The data server family (device type 2001): a server that delivers physical values of named
// channels. Commands carry no line end: an at sign and a number end each ("RDS_START@3"; "STP@"
// has no number). Every command is answered by a 4-byte little-endian status (0 taken, negative
// refused), except "RDS_READ", which answers with its block.
//
// Exchange sequences:
// - Device set-up: the plug-in driver or driver stack of the device, as for any other type.
// - Channel set-up: no traffic; full-scale count 1 and range 1.0 (the values are physical).
// - Start (measured channels only): "RDS_START@<k>" with the number of measured channels, then
//   "RDS_ADD@<h>" with each one's hardware channel in block order. A negative status is returned.
// - Read of L scans: "RDS_READ@<L>", answered by L scans or, while the server holds fewer, none
//   (read mode -1.0: "RDS_READ@0", what the server holds, at most 1023 scans); the reply is a 4-byte
//   little-endian byte count n, then n bytes: scans of k little-endian 8-byte doubles in block order. n = 0:
//   -199 (read mode -1.0: nothing). A count that is negative, not whole scans or more scans than asked: -214
//   (the input is flushed, the block not read). Blocks above 511999 bytes go into a heap block (-214 when it
//   cannot be had).
// - Stop: "STP@".
#pragma once

#include <cstdint>

#include "families/family.h"

namespace tallix::data_server {

FamilyStart start;
FamilyRead read;
FamilyStop stop;

}  // namespace tallix::data_server
