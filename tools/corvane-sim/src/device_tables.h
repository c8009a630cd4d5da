// The amplifier's fixed tables: default amplifier per slot, what each amplifier type allows
// (states, signal selectors, transducers, ranges, filter modes), range values, measuring rates,
// the filter-frequency windows and the accepted line-speed codes. They are written here again on
// purpose and never shared with the driver's tables (corvane/src): the simulator is the tests'
// independent oracle, so a mistake in one set of tables shows up as a disagreement.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace corvane_sim {

// Amplifier type ids.
inline constexpr int32_t kAmpNotConnected = 5050;
inline constexpr int32_t kAmpDigitalIo = 5055;
inline constexpr int32_t kAmpAux = 5056;

// State ids and their bits.
inline constexpr int32_t kStatePassive = 6200;
inline constexpr int32_t kStateBitMeasure = 1;
inline constexpr int32_t kStateBitTare = 2;

inline constexpr int32_t kSelectorMeasure = 42;
inline constexpr int32_t kSelectorShunt = 43;

inline constexpr int32_t kFilterAveraging = 1199;
inline constexpr int32_t kFilterTypeNone = 140;

// Trigger modes and conditions.
inline constexpr int32_t kTriggerImmediate = 6100;
inline constexpr int32_t kTriggerCommand = 6101;
inline constexpr int32_t kTriggerExternal = 6102;
inline constexpr int32_t kTriggerInternal = 6103;
inline constexpr int32_t kConditionGreaterEqual = 6000;
inline constexpr int32_t kConditionLessEqual = 6001;
inline constexpr int32_t kConditionRisingEdge = 6002;
inline constexpr int32_t kConditionFallingEdge = 6003;

// Channel number that addresses every channel in ACT.
inline constexpr int kAllChannels = 100;

// Amplifier type of slot position 0..9 when the configuration names none.
int32_t default_slot_type(int position);
bool is_amplifier_type(int32_t type);

// Power-on transducer and range of an amplifier type.
struct TransducerRange {
  int32_t transducer;
  int32_t range;
};
TransducerRange default_transducer_range(int32_t amplifier);

bool state_allowed(int32_t amplifier, int32_t state);
bool selector_allowed(int32_t amplifier, int32_t selector);
bool transducer_allowed(int32_t amplifier, int32_t transducer);
bool range_allowed(int32_t amplifier, int32_t transducer, int32_t range);
bool filter_mode_allowed(int32_t amplifier, int32_t mode);
// Amplifiers that keep a tare value and a filter mode (not 5050, 5055, 5056).
bool is_analog_amplifier(int32_t amplifier);
bool has_shunt(int32_t amplifier);

// Full-scale value of a range id in its unit (25000 for ranges without a physical unit).
double range_value(int32_t range);

// Scans per second of a measuring rate id; nullopt for ids that are not rates.
std::optional<int32_t> rate_hz(int32_t rate_id);

bool is_filter_type(int32_t type);
bool is_filter_frequency(int32_t frequency);
bool filter_allowed(int32_t rate_id, int32_t filter_type, int32_t frequency);
// First frequency of the filter-frequency list allowed for rate and type (0 when none).
int32_t first_allowed_filter(int32_t rate_id, int32_t filter_type);

bool is_baud_code(int32_t code);

// Nominal resistance at 0 degC of a Pt transducer (501, 502, 503); 0 for other transducers.
double pt_nominal_ohm(int32_t transducer);
bool is_thermocouple(int32_t transducer);

}  // namespace corvane_sim
