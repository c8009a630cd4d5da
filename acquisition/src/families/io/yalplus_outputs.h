// The YALPLUS digital and analog outputs and digital inputs (device type 2000), on the current
// port and address. Digital ports 1..16 are selected with "PCS<port>"; the bits 1..8 of a port's
// first bank are outputs/inputs 1..8, those of its second bank (hardware channel field 1) 9..16.
// Every command is answered by one line; a reply beginning with '?' is a refusal (-207).
#pragma once

#include <cstdint>

namespace tallix::yalplus_io {

// "PCS<port>", then "SOP<bit>,1" or "SOP<bit>,0" with bit 1..8 (+8 for bank 1). -253 for another
// port, bit or bank.
int32_t digital_out(int32_t port, int32_t bank, int32_t bit, int32_t value);
// "PCS<port>", "RIP?"; *value = the output/input's bit of the reply's number (bit 1 = value 1).
int32_t digital_in(int32_t port, int32_t bank, int32_t bit, int32_t* value);
// "PCS<slot>", "LVL<output>,<value>" (the value as the shortest text that reads back the same).
int32_t analog_out(int32_t slot, int32_t output, double value);

}  // namespace tallix::yalplus_io
