// The possible-value lists of the settings and the amplifier rules that select the values an
// amplifier, transducer, measuring rate or filter type allows, with the membership test and the
// replacement rule that the settings transfer applies before sending.
#pragma once

#include <cstdint>
#include <span>

namespace corvan {

// A fixed list with a mask: bit k selects the k-th entry.
struct Allowed {
  std::span<const int32_t> list;
  uint32_t mask = 0;
};

// The fixed lists in their order.
std::span<const int32_t> state_list();
std::span<const int32_t> signal_list();
std::span<const int32_t> filter_mode_list();
std::span<const int32_t> transducer_list();
std::span<const int32_t> range_list();
std::span<const int32_t> filter_frequency_list();
std::span<const int32_t> filter_type_list();
std::span<const int32_t> rate_list();
std::span<const int32_t> baud_code_list();
std::span<const int32_t> user_amplifier_list();

// Rules.
Allowed allowed_states(int32_t amplifier);
Allowed allowed_signals(int32_t amplifier);
Allowed allowed_transducers(int32_t amplifier);
Allowed allowed_ranges(int32_t amplifier, int32_t transducer);
Allowed allowed_filter_frequencies(int32_t rate, int32_t filter_type);

// Membership test: the value itself when it is an allowed entry, else 0. *position (optional) gets
// the value's position among the allowed entries.
int32_t member(const Allowed& allowed, int32_t value, int32_t* position = nullptr);
// A value is valid when the test gives it back. The id 0 ("not set", as the digital I/O and spare
// slots hold it after creation) therefore always passes.
inline bool is_allowed(const Allowed& allowed, int32_t value) { return member(allowed, value) == value; }
// Replacement rule: the first allowed entry, 0 when none is allowed.
int32_t first_allowed(const Allowed& allowed);
// Writes the allowed entries and a closing 0 to out; returns the number of entries written.
int32_t write_list(const Allowed& allowed, int32_t* out);

// Baud code sent with "BDR" for a line speed; 0 when the speed has no code.
int32_t baud_code(int32_t baud);

}  // namespace corvan
