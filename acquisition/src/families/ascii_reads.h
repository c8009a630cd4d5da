// Reads shared by the families that answer measurements with ASCII value lines (types 55/56, 60,
// 100, 157): the two-pass read that requests in pass 0 and fetches in pass 1, values spread by
// block order or by hardware channel, and the unit text of a reply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "families/ascii_line.h"
#include "families/family.h"

namespace tallix::ascii {

// How the values of a fetched line map onto a device's channels.
enum class OnePerScan {
  kDeviceValue,    // one value a scan, which every listed channel of the device gets
  kChannelValues,  // one value a scan for each block-order channel, in block order
};

// The two-pass read: pass 0 sends request(L) (read mode -1.0: L = 1) and asks for pass 1, which
// reads the reply line (ended by `terminator`) and spreads L scans of values. 0; -207 for a line
// with fewer values; -214 for more than 64 values at once or an IO buffer that cannot hold L;
// interface statuses.
int32_t requested_values_read(int32_t device, int32_t* length, double read_mode, int32_t terminator,
                              Line (*request)(int32_t scans), OnePerScan layout);

// The stop of the families that have no stop command: what the instrument still sends is flushed
// from the input queue; 0.
FamilyStop stop_by_flushing_input;

// Pass 0 of a two-pass read after its request went out: asks for pass 1, delivers nothing yet.
int32_t await_second_pass(int32_t device, int32_t* length);

// Pass 1 of the families that answer a measurement of all inputs with one line of a value per
// input (types 60 and 100): reads the line, spreads it by input, one scan. -207 for a refusal.
int32_t fetch_input_line(int32_t device, int32_t* length);

// One scan of a line that holds a value for every input 0..n-1: each block-order channel gets the
// value of its hardware channel. -207 when a channel's input is not in the line.
int32_t distribute_by_input(int32_t device, const std::vector<double>& values);

// The unit text of a reply: its unit word when it starts with one, else the reply without line
// end and padding blanks (cut to `size` - 1 bytes).
void unit_from_reply(const Reply& reply, char* unit, size_t size);

}  // namespace tallix::ascii
