// The in-memory settings model: channel defaults by slot position, offline device defaults, range
// value and unit by range id, tare conversions and bounded copies of fixed text fields.
#include "settings_model.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "connection.h"
#include "ids.h"
#include "linearisation.h"
#include "texts.h"

namespace corvan {

namespace {

constexpr int32_t kChannelNameResource = 10001;
constexpr const char* kFallbackChannelName = "Channel ";
constexpr const char* kDefaultIdent = "4711";
constexpr const char kDegreesCelsius[] = "\xB0" "C";  // 8-bit text: the degree sign is byte 0xB0

// Full-scale value and unit of a measuring range.
struct RangeInfo {
  int32_t range;
  float value;
  const char* unit;
};
constexpr RangeInfo kRanges[] = {
    {700, 3.0f, "mV/V"},    {701, 12.0f, "mV/V"},  {702, 125.0f, "mV/V"},  {703, 500.0f, "mV/V"},
    {710, 0.1f, "V"},       {711, 1.0f, "V"},      {712, 10.0f, "V"},      {720, 20.0f, "mA"},
    {721, 200.0f, "mA"},    {730, 400.0f, "Ohm"},  {731, 4000.0f, "Ohm"},  {740, 1000000.0f, "Hz"},
    {741, 100000.0f, "Hz"}, {742, 10000.0f, "Hz"}, {743, 1000.0f, "Hz"},   {744, 100.0f, "Hz"},
    {750, 0.01f, "s"},      {751, 0.1f, "s"},      {752, 1.0f, "s"},       {753, 10.0f, "s"},
    {754, 100.0f, "s"},
};
constexpr float kUnknownRangeValue = 25000.0f;

// Amplifier type by slot position (channel mod 10): eight amplifier slots, digital I/O, spare.
constexpr int32_t kSlotAmplifier[10] = {id::kAmpTfWithF, id::kAmpTfWithF, id::kAmpTf,    id::kAmpTf,
                                        id::kAmpKx4,     id::kAmpKx4,     id::kAmpKx4,   id::kAmpKx4,
                                        id::kAmpDigitalIo, id::kAmpNotConnected};

const RangeInfo* find_range(int32_t range) {
  for (const RangeInfo& r : kRanges)
    if (r.range == range) return &r;
  return nullptr;
}

}  // namespace

void derive_range_value(ChannelRecord& rec) {
  const RangeInfo* r = find_range(rec.range);
  rec.range_value = r != nullptr ? r->value : kUnknownRangeValue;
}

void derive_unit(ChannelRecord& rec) {
  const RangeInfo* r = find_range(rec.range);
  const char* unit = r != nullptr ? r->unit : "";
  if (id::is_thermocouple(rec.transducer) || id::is_pt(rec.transducer)) unit = kDegreesCelsius;
  copy_field_in(rec.unit, sizeof rec.unit, unit);
}

void derive_range(ChannelRecord& rec) {
  derive_range_value(rec);
  derive_unit(rec);
}

void default_channel_name(int32_t channel, char (&name)[20]) {
  const char* prefix = find_text(resource_table(), kChannelNameResource);
  if (prefix == nullptr) prefix = kFallbackChannelName;
  char text[64];
  copy_text(text, sizeof text - 12, prefix);
  size_t n = std::strlen(text);
  auto r = std::to_chars(text + n, text + sizeof text - 1, channel);
  *r.ptr = '\0';
  copy_field_in(name, sizeof name, text);
}

void set_channel_defaults(int32_t channel, ChannelRecord& rec) {
  std::memset(&rec, 0, sizeof rec);
  const int32_t p = channel % 10;
  rec.amplifier = kSlotAmplifier[p];
  if (p < 8) {
    rec.transducer = id::kFullBridge;
    rec.range = id::kRange3mVV;
  }
  rec.state = p == 9 ? id::kStatePassive : id::kStateMeasureTare;
  rec.filter_mode = id::kFilterModeVariable;
  derive_range(rec);
  if (p == 9) copy_field_in(rec.unit, sizeof rec.unit, " ");  // unconnected slot
  copy_field_in(rec.ident, sizeof rec.ident, kDefaultIdent);
  default_channel_name(channel, rec.name);
  State& s = state();
  s.signal_selector[channel] = id::kSignalMeasuring;
  s.scale_factor[channel] = 1.0f;
}

int32_t create_records(int32_t count, int32_t* created) {
  free_records();
  State& s = state();
  *created = 0;
  for (int32_t c = 0; c < count && c < kMaxChannels; ++c) {
    auto* rec = static_cast<ChannelRecord*>(std::malloc(sizeof(ChannelRecord)));
    if (rec == nullptr) return kCvOutOfMemory;
    set_channel_defaults(c, *rec);
    s.records[c] = rec;
    *created = c + 1;
  }
  return kCvOk;
}

void free_records() {
  State& s = state();
  for (int32_t c = kMaxChannels - 1; c >= 0; --c) {
    std::free(s.records[c]);
    s.records[c] = nullptr;
  }
}

void set_offline_device_defaults() {
  State& s = state();
  DeviceBlock& d = s.device;
  d.channel_count = 20;
  d.rate = id::kRateLast;
  d.filter_type = id::kFilterNone;
  d.filter_frequency = id::kFilter1200Hz;
  copy_field_in(d.serial, sizeof d.serial, "4711");
  copy_field_in(d.version, sizeof d.version, "Pxx");
  copy_field_in(d.device_type, sizeof d.device_type, "Corvane");
  d.offline = 1;
  for (ChainRow& row : s.chain) row = ChainRow{};
  copy_field_in(s.chain[0].serial, sizeof s.chain[0].serial, "4711");
  copy_field_in(s.chain[0].version, sizeof s.chain[0].version, "Pxx");
  copy_field_in(s.chain[0].device_type, sizeof s.chain[0].device_type, "Corvane");
}

void copy_field_out(char* out, const char* field, size_t field_size) {
  const size_t n = strnlen(field, field_size);
  std::memcpy(out, field, n);
  out[n] = '\0';
}

void copy_field_in(char* field, size_t field_size, const char* text) {
  const size_t n = strnlen(text, field_size - 1);
  std::memset(field, 0, field_size);
  std::memcpy(field, text, n);
}

void copy_text(char* out, size_t out_size, const char* text) {
  const size_t n = strnlen(text, out_size - 1);
  std::memcpy(out, text, n);
  out[n] = '\0';
}

bool overflow_value(int16_t raw, float* value) {
  for (const OverflowCode& o : kOverflowCodes) {
    if (o.raw == raw) {
      *value = o.value;
      return true;
    }
  }
  return false;
}

bool is_overflow_float(float v) {
  for (const OverflowCode& o : kOverflowCodes)
    if (o.value == v) return true;
  return false;
}

float pt_offset(int32_t transducer) {
  switch (transducer) {
    case id::kPt100: return 100.0f;
    case id::kPt500: return 500.0f;
    case id::kPt1000: return 1000.0f;
    default: return 0.0f;
  }
}

float tare_from_raw(int32_t raw, float scale, const ChannelRecord& rec) {
  float t = static_cast<float>(raw * static_cast<double>(scale) * rec.range_value * 0.00004) + pt_offset(rec.transducer);
  linearise(&t, rec.transducer, false);  // transducers without linearisation keep the value
  return t;
}

bool tare_to_raw(float tare, float scale, const ChannelRecord& rec, int32_t* raw) {
  float t = tare;
  linearise(&t, rec.transducer, true);
  t -= pt_offset(rec.transducer);
  const double v = std::trunc(static_cast<double>(t) * kRawFullScale / (static_cast<double>(scale) * rec.range_value));
  if (!std::isfinite(v) || v < INT32_MIN || v > INT32_MAX) return false;
  *raw = static_cast<int32_t>(v);
  return true;
}

}  // namespace corvan
