// Possible-value lists of the Corvane settings and the amplifier rules over them. Each rule is data:
// the values an amplifier (and transducer, or measuring rate and filter type) allows, turned into a
// mask over the fixed list so that lists always come out in the list's order.
#include "settings_rules.h"

#include <array>
#include <initializer_list>

#include "ids.h"

namespace corvan {

namespace {

constexpr int32_t kStates[] = {6200, 6201, 6202, 6203};
constexpr int32_t kSignals[] = {42, 43};
constexpr int32_t kFilterModes[] = {148, 149};
constexpr int32_t kTransducers[] = {350, 351, 352, 420, 421, 450, 451, 452, 453, 454, 455, 456,
                                    475, 501, 502, 503, 510, 520, 521, 522, 523, 525, 528};
constexpr int32_t kRanges[] = {700, 701, 702, 703, 710, 711, 712, 720, 721, 730, 731, 740, 741,
                               742, 743, 744, 750, 751, 752, 753, 754, 760, 761, 765, 770};
constexpr int32_t kFilterFrequencies[] = {914, 918, 921, 927, 932, 935, 941, 945,
                                          948, 952, 957, 960, 964, 971, 1199};
constexpr int32_t kFilterTypes[] = {140, 141, 142};
constexpr int32_t kRates[] = {6300, 6301, 6302, 6303, 6304, 6305, 6306, 6307, 6308, 6309, 6310,
                              6311, 6312, 6313, 6314, 6315, 6316, 6317, 6318, 6319, 6320};
constexpr int32_t kBaudCodes[] = {1404, 1405, 1406, 1407, 1408, 1410, 1412, 1414, 1415};
constexpr int32_t kUserAmplifiers[] = {5053, 5054, 5058};

// Line speed → "BDR" code.
constexpr std::array<std::array<int32_t, 2>, 8> kBaudTable = {{{600, 1404},
                                                               {1200, 1405},
                                                               {2400, 1406},
                                                               {4800, 1407},
                                                               {9600, 1408},
                                                               {19200, 1410},
                                                               {38400, 1412},
                                                               {76800, 1415}}};

// A rule row: the amplifiers it applies to and the values they allow (zero-terminated lists).
struct AmpRule {
  int32_t amps[4];
  int32_t values[16];
};

constexpr AmpRule kStateRules[] = {
    {{5051, 5052, 5053, 5054}, {6200, 6201, 6202, 6203}},
    {{5057, 5058}, {6200, 6201, 6202, 6203}},
    {{5055, 5056}, {6200, 6201}},
};

constexpr AmpRule kSignalRules[] = {
    {{5057, 5058}, {42, 43}},
    {{5050, 5051, 5052, 5053}, {42}},
    {{5054, 5055, 5056}, {42}},
};

constexpr AmpRule kTransducerRules[] = {
    {{5051}, {350, 351, 420, 520, 521, 522, 523}},
    {{5052, 5053}, {350, 351, 420}},
    {{5054}, {420, 421, 450, 451, 452, 453, 454, 455, 456, 475, 501, 502, 503}},
    {{5055}, {528}},
    {{5056}, {510, 525}},
    {{5057, 5058}, {350, 351, 352, 420}},
};

// Ranges by amplifier and transducer; kAnyTransducer matches every transducer.
constexpr int32_t kAnyTransducer = -1;
struct RangeRule {
  int32_t amps[4];
  int32_t transducers[10];
  int32_t ranges[16];
};
constexpr RangeRule kRangeRules[] = {
    {{5051, 5052, 5053}, {350, 351}, {700, 701, 702, 703}},
    {{5051, 5052, 5053}, {420}, {712}},
    {{5057, 5058}, {350, 351, 352}, {700, 701, 702, 703}},
    {{5057, 5058}, {420}, {712}},
    {{5051}, {520, 521, 522, 523}, {740, 741, 742, 743, 744, 750, 751, 752, 753, 754, 760, 761}},
    {{5054}, {420}, {710, 711, 712}},
    {{5054}, {421}, {720, 721}},
    {{5054}, {450, 451, 452, 453, 454, 455, 456, 510}, {710}},
    {{5054}, {475}, {730, 731}},
    {{5054}, {501}, {730}},
    {{5054}, {502, 503}, {731}},
    {{5055}, {kAnyTransducer}, {765}},
    {{5056}, {510}, {770}},
    {{5056}, {525}, {760}},
};

// Last allowed filter-frequency position (index into kFilterFrequencies) per measuring rate
// 6300..6320. Butterworth and Bessel allow this position and up to three below it; "no filter"
// allows this one frequency besides averaging.
constexpr int32_t kFilterWindowTop[21] = {0, 1, 2, 3, 4, 5, 6, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 13};
constexpr int32_t kFilterWindowWidth = 4;
constexpr int32_t kAveragingPosition = 14;

template <size_t N>
bool contains(const int32_t (&values)[N], int32_t v) {
  for (int32_t x : values) {
    if (x == v) return true;
    if (x == 0) break;
  }
  return false;
}

uint32_t mask_of(std::span<const int32_t> list, std::span<const int32_t> values) {
  uint32_t mask = 0;
  for (size_t k = 0; k < list.size(); ++k)
    for (int32_t v : values)
      if (v != 0 && v == list[k]) mask |= 1u << k;
  return mask;
}

Allowed by_amplifier(std::span<const AmpRule> rules, std::span<const int32_t> list, int32_t amplifier) {
  for (const AmpRule& r : rules)
    if (contains(r.amps, amplifier)) return {list, mask_of(list, r.values)};
  return {list, 0};
}

}  // namespace

std::span<const int32_t> state_list() { return kStates; }
std::span<const int32_t> signal_list() { return kSignals; }
std::span<const int32_t> filter_mode_list() { return kFilterModes; }
std::span<const int32_t> transducer_list() { return kTransducers; }
std::span<const int32_t> range_list() { return kRanges; }
std::span<const int32_t> filter_frequency_list() { return kFilterFrequencies; }
std::span<const int32_t> filter_type_list() { return kFilterTypes; }
std::span<const int32_t> rate_list() { return kRates; }
std::span<const int32_t> baud_code_list() { return kBaudCodes; }
std::span<const int32_t> user_amplifier_list() { return kUserAmplifiers; }

Allowed allowed_states(int32_t amplifier) { return by_amplifier(kStateRules, kStates, amplifier); }
Allowed allowed_signals(int32_t amplifier) { return by_amplifier(kSignalRules, kSignals, amplifier); }
Allowed allowed_transducers(int32_t amplifier) {
  return by_amplifier(kTransducerRules, kTransducers, amplifier);
}

Allowed allowed_ranges(int32_t amplifier, int32_t transducer) {
  uint32_t mask = 0;
  for (const RangeRule& r : kRangeRules)
    if (contains(r.amps, amplifier) && (r.transducers[0] == kAnyTransducer || contains(r.transducers, transducer)))
      mask |= mask_of(kRanges, r.ranges);
  return {kRanges, mask};
}

Allowed allowed_filter_frequencies(int32_t rate, int32_t filter_type) {
  if (rate < id::kRateFirst || rate > id::kRateLast) return {kFilterFrequencies, 0};
  const int32_t top = kFilterWindowTop[rate - id::kRateFirst];
  uint32_t mask = 0;
  if (filter_type == id::kFilterButterworth || filter_type == id::kFilterBessel) {
    for (int32_t k = top; k >= 0 && k > top - kFilterWindowWidth; --k) mask |= 1u << k;
  } else if (filter_type == id::kFilterNone) {
    mask = (1u << top) | (1u << kAveragingPosition);
  }
  return {kFilterFrequencies, mask};
}

int32_t member(const Allowed& allowed, int32_t value, int32_t* position) {
  int32_t pos = 0;
  for (size_t k = 0; k < allowed.list.size(); ++k) {
    const bool in_mask = (allowed.mask >> k) & 1u;
    if (allowed.list[k] == value) {
      if (position != nullptr) *position = pos;
      return in_mask ? value : 0;
    }
    if (in_mask) ++pos;
  }
  if (position != nullptr) *position = pos;
  return 0;
}

int32_t first_allowed(const Allowed& allowed) {
  for (size_t k = 0; k < allowed.list.size(); ++k)
    if ((allowed.mask >> k) & 1u) return allowed.list[k];
  return 0;
}

int32_t write_list(const Allowed& allowed, int32_t* out) {
  int32_t n = 0;
  for (size_t k = 0; k < allowed.list.size(); ++k)
    if ((allowed.mask >> k) & 1u) out[n++] = allowed.list[k];
  out[n] = 0;
  return n;
}

int32_t baud_code(int32_t baud) {
  for (const auto& [rate, code] : kBaudTable)
    if (rate == baud) return code;
  return 0;
}

}  // namespace corvan
