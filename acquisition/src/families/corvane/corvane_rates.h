// The Corvane's measuring rates: the rate a requested kernel rate runs at and its rate code.
#pragma once

#include <cstdint>

namespace tallix::corvane {

struct RateCode {
  float rate;    // Hz
  int32_t code;  // "ICR" argument, also the parameter id of the rate's text
};

// The fastest rate of the table not above `requested` (at least 1 Hz); below 1 Hz and not a
// number: 1200 Hz.
RateCode quantise_rate(float requested);

}  // namespace tallix::corvane
