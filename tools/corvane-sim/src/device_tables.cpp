// Data of the amplifier's fixed tables. The rules are held as lists per amplifier type so that
// they read like the amplifier's documentation; the lookups walk them.
#include "device_tables.h"

#include <algorithm>
#include <array>
#include <vector>

namespace corvane_sim {
namespace {

constexpr std::array<int32_t, 10> kDefaultSlotTypes = {5051, 5051, 5052, 5052, 5053,
                                                       5053, 5053, 5053, 5055, 5050};

// Measuring rates 6300..6320 in scans per second.
constexpr std::array<int32_t, 21> kRateHz = {1,   2,   5,   10,  25,   50,   60,   75,   100,  150, 200,
                                             300, 400, 600, 800, 1200, 1600, 2400, 3200, 4800, 9600};
constexpr int32_t kFirstRate = 6300;

// Filter frequencies in list order (positions 0..13), averaging last.
constexpr std::array<int32_t, 15> kFilterFrequencies = {914, 918, 921, 927, 932, 935, 941, 945,
                                                        948, 952, 957, 960, 964, 971, 1199};

// Per rate (6300..6320): first and last list position allowed with Butterworth and Bessel; the
// last position is also the one frequency allowed beside averaging without a filter.
struct Window {
  int first;
  int last;
};
constexpr std::array<Window, 21> kFilterWindows = {{{0, 0},  {0, 1},  {0, 2},   {0, 3},   {1, 4},   {2, 5},
                                                    {3, 6},  {3, 6},  {3, 6},   {4, 7},   {4, 7},   {5, 8},
                                                    {5, 8},  {6, 9},  {6, 9},   {7, 10},  {7, 10},  {8, 11},
                                                    {8, 11}, {9, 12}, {10, 13}}};

using IdList = std::vector<int32_t>;
const IdList kBridgeRanges = {700, 701, 702, 703};
const IdList kCounterRanges = {740, 741, 742, 743, 744, 750, 751, 752, 753, 754, 760, 761};
const IdList kThermoAndInternal = {450, 451, 452, 453, 454, 455, 456, 510};

struct RangeRule {
  int32_t amplifier;
  IdList transducers;
  IdList ranges;
};

// Which transducers each amplifier takes.
struct TransducerRule {
  int32_t amplifier;
  IdList transducers;
};
const TransducerRule kTransducerRules[] = {
    {5051, {350, 351, 420, 520, 521, 522, 523}},
    {5052, {350, 351, 420}},
    {5053, {350, 351, 420}},
    {5054, {420, 421, 450, 451, 452, 453, 454, 455, 456, 475, 501, 502, 503}},
    {5055, {528}},
    {5056, {510, 525}},
    {5057, {350, 351, 352, 420}},
    {5058, {350, 351, 352, 420}},
};

// Ranges by amplifier and transducer. The digital I/O amplifier takes range 765 with any
// transducer; that case is handled in range_allowed.
const RangeRule kRangeRules[] = {
    {5051, {350, 351}, kBridgeRanges},
    {5051, {420}, {712}},
    {5051, {520, 521, 522, 523}, kCounterRanges},
    {5052, {350, 351}, kBridgeRanges},
    {5052, {420}, {712}},
    {5053, {350, 351}, kBridgeRanges},
    {5053, {420}, {712}},
    {5054, {420}, {710, 711, 712}},
    {5054, {421}, {720, 721}},
    {5054, kThermoAndInternal, {710}},
    {5054, {475}, {730, 731}},
    {5054, {501}, {730}},
    {5054, {502, 503}, {731}},
    {5056, {510}, {770}},
    {5056, {525}, {760}},
    {5057, {350, 351, 352}, kBridgeRanges},
    {5057, {420}, {712}},
    {5058, {350, 351, 352}, kBridgeRanges},
    {5058, {420}, {712}},
};

struct RangeValue {
  int32_t range;
  double value;
};
constexpr RangeValue kRangeValues[] = {
    {700, 3},       {701, 12},     {702, 125},   {703, 500},  {710, 0.1},  {711, 1},    {712, 10},
    {720, 20},      {721, 200},    {730, 400},   {731, 4000}, {740, 1e6},  {741, 1e5},  {742, 1e4},
    {743, 1e3},     {744, 100},    {750, 0.01},  {751, 0.1},  {752, 1},    {753, 10},   {754, 100},
};
constexpr double kNoUnitRange = 25000.0;

bool contains(const IdList& list, int32_t value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

const Window* window_for(int32_t rate_id) {
  if (rate_id < kFirstRate || rate_id >= kFirstRate + static_cast<int32_t>(kFilterWindows.size())) return nullptr;
  return &kFilterWindows[static_cast<size_t>(rate_id - kFirstRate)];
}

}  // namespace

int32_t default_slot_type(int position) {
  if (position < 0 || position >= static_cast<int>(kDefaultSlotTypes.size())) return kAmpNotConnected;
  return kDefaultSlotTypes[static_cast<size_t>(position)];
}

bool is_amplifier_type(int32_t type) { return type >= 5050 && type <= 5058; }

TransducerRange default_transducer_range(int32_t amplifier) {
  switch (amplifier) {
    case 5054: return {420, 712};
    case kAmpDigitalIo: return {528, 765};
    case kAmpAux: return {510, 770};
    case kAmpNotConnected: return {0, 0};
    default: return {350, 700};
  }
}

bool state_allowed(int32_t amplifier, int32_t state) {
  if (state < kStatePassive || state > kStatePassive + 3) return false;
  if (amplifier == kAmpNotConnected) return state == kStatePassive;
  if (amplifier == kAmpDigitalIo || amplifier == kAmpAux) return state <= kStatePassive + 1;
  return is_amplifier_type(amplifier);
}

bool selector_allowed(int32_t amplifier, int32_t selector) {
  if (selector == kSelectorMeasure) return amplifier != kAmpNotConnected;
  return selector == kSelectorShunt && has_shunt(amplifier);
}

bool transducer_allowed(int32_t amplifier, int32_t transducer) {
  for (const auto& rule : kTransducerRules) {
    if (rule.amplifier == amplifier) return contains(rule.transducers, transducer);
  }
  return false;
}

bool range_allowed(int32_t amplifier, int32_t transducer, int32_t range) {
  if (amplifier == kAmpDigitalIo) return range == 765;
  for (const auto& rule : kRangeRules) {
    if (rule.amplifier == amplifier && contains(rule.transducers, transducer)) return contains(rule.ranges, range);
  }
  return false;
}

bool filter_mode_allowed(int32_t amplifier, int32_t mode) {
  return is_analog_amplifier(amplifier) && (mode == 148 || mode == 149);
}

bool is_analog_amplifier(int32_t amplifier) {
  return is_amplifier_type(amplifier) && amplifier != kAmpNotConnected && amplifier != kAmpDigitalIo &&
         amplifier != kAmpAux;
}

bool has_shunt(int32_t amplifier) { return amplifier == 5057 || amplifier == 5058; }

double range_value(int32_t range) {
  for (const auto& entry : kRangeValues) {
    if (entry.range == range) return entry.value;
  }
  return kNoUnitRange;
}

std::optional<int32_t> rate_hz(int32_t rate_id) {
  if (rate_id < kFirstRate || rate_id >= kFirstRate + static_cast<int32_t>(kRateHz.size())) return std::nullopt;
  return kRateHz[static_cast<size_t>(rate_id - kFirstRate)];
}

bool is_filter_type(int32_t type) { return type >= 140 && type <= 142; }

bool is_filter_frequency(int32_t frequency) {
  return std::find(kFilterFrequencies.begin(), kFilterFrequencies.end(), frequency) != kFilterFrequencies.end();
}

bool filter_allowed(int32_t rate_id, int32_t filter_type, int32_t frequency) {
  const Window* window = window_for(rate_id);
  if (window == nullptr || !is_filter_type(filter_type)) return false;
  if (filter_type == kFilterTypeNone) {
    return frequency == kFilterAveraging || frequency == kFilterFrequencies[static_cast<size_t>(window->last)];
  }
  for (int pos = window->first; pos <= window->last; ++pos) {
    if (kFilterFrequencies[static_cast<size_t>(pos)] == frequency) return true;
  }
  return false;
}

int32_t first_allowed_filter(int32_t rate_id, int32_t filter_type) {
  for (int32_t frequency : kFilterFrequencies) {
    if (filter_allowed(rate_id, filter_type, frequency)) return frequency;
  }
  return 0;
}

bool is_baud_code(int32_t code) { return code >= 1400 && code <= 1416; }

double pt_nominal_ohm(int32_t transducer) {
  switch (transducer) {
    case 501: return 100.0;
    case 502: return 500.0;
    case 503: return 1000.0;
    default: return 0.0;
  }
}

bool is_thermocouple(int32_t transducer) { return transducer >= 450 && transducer <= 456; }

}  // namespace corvane_sim
