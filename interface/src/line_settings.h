// termios settings of a serial line: baud, parity, data and stop bits, and the extended flow-control
// parameters that a host stores before opening a line.
#pragma once

#include <termios.h>

#include <cstdint>
#include <string>
#include <vector>

#include "linkar32.h"
#include "port.h"

namespace linkar {

// Puts a line into raw mode (no echo, no line editing, no translation), receiver on, modem lines
// ignored for open, and blocking reads of at least one byte (the library waits with poll).
void make_raw(struct termios& settings);

// True when baud has a B* constant; any other positive rate is a custom rate, which termios cannot
// hold and which set_custom_speed of the platform sets after the rest of the settings.
bool is_standard_speed(int32_t baud);

// Sets baud (a standard rate; a custom rate leaves the speed fields for set_custom_speed), parity
// (first character "n"/"o"/"e"; anything else leaves it), data bits (5..8) and stop bits (1 or 2;
// other values leave it). False when the baud rate is not positive or the data bits cannot be set.
bool set_line_params(struct termios& settings, const OpenParams& params);

// Extended serial parameters as stored by QBX_SetExtendedComPars.
class ExtendedComPars {
 public:
  // Takes each field whose value is in its list; limits only when 1; the characters always.
  void store(const QbxExtComPars& given);
  bool given() const { return given_; }
  void forget() { given_ = false; }
  const QbxExtComPars& values() const { return values_; }
  // Sets the flow-control flags and characters in settings. False (with reason) when a value
  // has no equivalent on this system (DSR flow or sensitivity, DTR handshake, RTS toggle).
  bool apply(struct termios& settings, std::string* reason) const;
  // Whether DTR should be raised (DTR control 1) or dropped (0) after applying.
  bool dtr_on() const { return values_.dtr_control != 0; }
  // The log lines that list the applied values, one entry each.
  std::vector<std::string> log_lines() const;

 private:
  bool given_ = false;
  QbxExtComPars values_{};
};

}  // namespace linkar
