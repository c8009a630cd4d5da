// The YALPLUS family (device type 2000): a rack of 16 amplifier slots with sub-channels, slots 17
// and 18 for the time count (high and low word) and 19 for a counter, and three data streams
// (FIFOs 0..2) with their own rates and 2- or 4-byte samples. Every command is an ASCII line
// ending in LF and is answered by one line ending in CR LF; a reply holding '?' is a refusal,
// "0" takes a set command, queries answer comma-separated numbers or a quoted text.
//
// Exchanges (each command is followed by reading its reply line):
// - Device set-up: flush, "SRB1", 100 ms, reply; "IDN?" (64 bytes at most; the firmware version is
//   the number that starts one character before the identity's first '.').
// - Channel set-up of one channel of slots 17..19: no traffic (full-scale 1, range 1, unit "s" for
//   the time slots); of an amplifier slot: "PCS<slot>" (refused: -217), "SPS1", "AMT?" (amplifier type;
//   0: empty slot, -217), "SPS<sub-channel>" (0: the slot's own signal),
//   "CAN0" (measured signal) or "CAN1" (digital signal kinds 5, 6), "OSP<sub>,219" (the output
//   signal follows the measured value), "PAR130,<FIFO>" (the stream it feeds), "PAR140,1942"
//   (binary samples), "LVS<sub>,0" (limit switch off), "IUN?0" (the input unit, quoted), when that
//   is no known unit word "IUN"<header unit>"" (the host's unit goes to the device), "EUN?1" (the
//   engineering unit, quoted), "ISV?" ("<offset>,<span>": value = count x span / full-scale count
//   - offset; full-scale count 7680000 for a FIFO of 4-byte samples, 30000 for 2-byte ones). The
//   header takes the full-scale count, the span as range and the engineering unit (else the input
//   unit) when it is a known unit word. A channel of FIFO number 4 keeps the span unscaled until
//   YALPLUS_SetFIFOMode (mode 0) fixes its sample width. Other refusals: "ESR?" and -207.
// - Read-back (QBX_ACQInitChan mode -100), for each listed YALPLUS channel: "PCS<slot>",
//   "SPS<sub>" when it has one, then items, each a message (item, channel) after the item is in
//   QBX_ACQGetItem: 109 "CBT?" (card type), 110 "SNR?" (serial number), 111..150 "DSB?1".."DSB?40"
//   (the amplifier's data-sheet entries), 151 "DSB?0,<sub>" (the sub-channel's entry). An item's
//   reply text (quotes and line end removed) is the text item, its first number the integer and
//   real items. A refused item sends (-1, channel) and the read-back goes on; the abort flag ends
//   it (cleared) with 0.
// - Start (trigger conditions "TRE", logic words "TRD", the full channel set-up, "MBF"/"ICR" per
//   FIFO, "TOM", "TSV", "IHD"): yalplus_start.cpp. Stop, FIFO synchronisation ("OMP?" answers
//   "<f>,<flag>,<taken>,<available>,<flag>", "OMP6409,<d>,<f>"), "EES?1" and block reads:
//   yalplus_read.cpp. Channel commands: yalplus_commands.cpp.
// - YALPRESS (yalpress_exports.cpp): "CHS<mask>", "ESR?", then the evaluation words; "ISV?" over
//   the selected channels answers an offset and a span per channel; "FDE?1" a block "#48", a status
//   byte, 48 big-endian 16-bit words and CR LF; "FDB?4,<n>" and "FDB?<curve>,<first>,<n>,<step>"
//   a curve block ('#', 3-byte big-endian byte count, big-endian 16-bit x, y pairs).
// - Disk transfer (disk_transfer.cpp): "RHD?<name>" answers a 4-byte big-endian length and the
//   file's bytes.
// - Binary blocks ("RMB?"): '#', the payload byte count in 3 big-endian bytes, then the scans in
//   the order of the FIFO's channel list: 4-byte samples are a big-endian signed 24-bit value and
//   a status byte; 2-byte samples a big-endian signed 16-bit value. Slots 17..19 come after the
//   amplifier slots in every FIFO that carries measured signals.
#pragma once

#include <cstdint>

#include "families/family.h"

namespace tallix::yalplus {

FamilyDeviceSetup device_setup;
FamilyChannelSetup channel_setup;
// The read-back of QBX_ACQInitChan mode -100 over the listed YALPLUS channels.
FamilyReadBack read_back;
FamilyStart start;
FamilyRead read;
FamilyStop stop;
FamilyCommand command;
// The pre-read synchronisation of every YALPLUS device's FIFOs ("OMP?"); 0 without such devices.
int32_t synchronise_fifos();

}  // namespace tallix::yalplus
