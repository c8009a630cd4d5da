// The Corvane command table of QBX_ACQCmd: each command code with the kind of value it takes and
// the exchange that carries it out on the current device. Every line sent is answered by one reply
// line, which is always read. A reply holding "?" is a refusal: the device's error is fetched with
// "EST?" and the parameter id that explains it goes into the caller's value (-270).
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <vector>

#include "families/corvane/corvane_family.h"
#include "families/corvane/corvane_line.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "parameter_texts.h"

namespace tallix::corvane {
namespace {

constexpr int16_t kSignalMeasured = 8;
constexpr int32_t kAllChannels = 100;   // ACT's channel argument for every channel of the chain
constexpr int32_t kGross = 6200, kGrossMeasure = 6201, kNet = 6202, kNetMeasure = 6203;
constexpr int32_t kIdentitySize = 64;   // text of code 140, terminator included
constexpr size_t kUnitSize = sizeof(AcqHdr::unit);

enum class ValueKind { kNone, kInteger, kFloat, kText };

// One run of a command on the current device: its channels (class 0, signal kind 8, on the
// current interface and address), the caller's value, and the first refusal met.
class Session {
 public:
  Session(std::vector<int32_t> channels, ValueKind kind, void* value)
      : channels_(std::move(channels)), kind_(kind), value_(value) {}

  const std::vector<int32_t>& channels() const { return channels_; }
  const Reply& reply() const { return reply_; }
  int32_t hardware(int32_t channel) const { return header(channel).hardware_channel; }

  // Sends a line and reads its reply. A refusal fetches the error, stores its parameter id into
  // the value and gives -270; an interface failure gives its status.
  int32_t exchange(const Line& l) {
    int32_t r = corvane::exchange(l, &reply_);
    if (r != 0) return r;
    if (!reply_.refused()) return kAcqOk;
    int32_t error = 0;
    r = error_status(&error);
    if (r != 0) return r;
    store_parameter(refusal_parameter(error));
    return kAcqDeviceRefused;
  }

  // Stores a parameter id into the value in the value's own kind.
  void store_parameter(int32_t id) {
    if (value_ == nullptr) return;
    switch (kind_) {
      case ValueKind::kFloat: {
        float f = static_cast<float>(id);
        std::memcpy(value_, &f, sizeof f);
        break;
      }
      case ValueKind::kText: {
        char* end = std::to_chars(static_cast<char*>(value_), static_cast<char*>(value_) + 11, id).ptr;
        *end = '\0';
        break;
      }
      default:
        std::memcpy(value_, &id, sizeof id);
    }
  }

  int32_t int_value() const {
    int32_t v = 0;
    std::memcpy(&v, value_, sizeof v);
    return v;
  }
  float float_value() const {
    float v = 0;
    std::memcpy(&v, value_, sizeof v);
    return v;
  }
  void set_int(int32_t v) { std::memcpy(value_, &v, sizeof v); }
  void set_float(float v) { std::memcpy(value_, &v, sizeof v); }
  char* text() { return static_cast<char*>(value_); }

 private:
  std::vector<int32_t> channels_;
  ValueKind kind_;
  void* value_;
  Reply reply_;
};

// The slots of the chain ("AID?": slot, amplifier id pairs) with their states ("ACT?%i"), skipping
// slots without amplifier.
struct SlotState {
  int32_t slot;
  int32_t state;
};
int32_t read_slot_states(Session& s, std::vector<SlotState>* slots) {
  int32_t r = s.exchange(line("AID?\n"));
  if (r != 0) return r;
  std::vector<int32_t> pairs = s.reply().integers();
  for (size_t i = 0; i + 1 < pairs.size(); i += 2) {
    if (pairs[i + 1] == kParNotConnected) continue;
    if ((r = s.exchange(line("ACT?%i\n", pairs[i]))) != 0) return r;
    slots->push_back({pairs[i], s.reply().integer(0)});
  }
  return kAcqOk;
}

const SlotState* slot_of(const std::vector<SlotState>& slots, int32_t hardware) {
  for (const SlotState& st : slots) {
    if (st.slot == hardware) return &st;
  }
  return nullptr;
}

// Codes 1, 62, 63, 64: tares the listed channels alone. Every channel leaves the tare state, the
// listed ones in tare state enter it again, "TAR" tares them, and every slot gets its state back
// (also after a refusal on the way, so that a failed tare leaves the device as it was).
int32_t tare(Session& s) {
  std::vector<SlotState> slots;
  int32_t r = read_slot_states(s, &slots);
  if (r != 0) return r;
  int32_t first_refusal = kAcqOk;
  auto step = [&](const Line& l) {
    int32_t result = s.exchange(l);
    if (result == kAcqDeviceRefused && first_refusal == kAcqOk) first_refusal = result;
    return result == kAcqDeviceRefused ? kAcqOk : result;
  };
  if ((r = step(line("ACT%i,%i\n", kAllChannels, kGross))) != 0) return r;
  for (int32_t channel : s.channels()) {
    const SlotState* st = slot_of(slots, s.hardware(channel));
    if (st && (st->state == kNet || st->state == kNetMeasure)) {
      if ((r = step(line("ACT%i,%i\n", st->slot, kNet))) != 0) return r;
    }
  }
  if ((r = step(line("TAR\n"))) != 0) return r;
  for (const SlotState& st : slots) {
    if ((r = step(line("ACT%i,%i\n", st.slot, st.state))) != 0) return r;
  }
  return first_refusal;
}

// Code 4: value 0 switches the listed channels to gross, 1 to net, keeping their measuring bit.
int32_t gross_net(Session& s) {
  const int32_t to_net = s.int_value();
  if (to_net != 0 && to_net != 1) {
    s.store_parameter(kParIllegalValue);
    return kAcqDeviceRefused;
  }
  std::vector<SlotState> slots;
  int32_t r = read_slot_states(s, &slots);
  if (r != 0) return r;
  for (int32_t channel : s.channels()) {
    const SlotState* st = slot_of(slots, s.hardware(channel));
    if (!st) continue;
    int32_t next = 0;
    if (to_net == 0 && st->state == kNet) next = kGross;
    if (to_net == 0 && st->state == kNetMeasure) next = kGrossMeasure;
    if (to_net == 1 && st->state == kGross) next = kNet;
    if (to_net == 1 && st->state == kGrossMeasure) next = kNetMeasure;
    if (next != 0 && (r = s.exchange(line("ACT%i,%i\n", st->slot, next))) != 0) return r;
  }
  return kAcqOk;
}

// Codes 9 and 16: a new transducer (field 0) or range (field 1) with the channel's other setting.
template <int Field>
int32_t set_transducer_range(Session& s) {
  for (int32_t channel : s.channels()) {
    const int32_t hw = s.hardware(channel);
    int32_t r = s.exchange(line("ASA?%i\n", hw));
    if (r != 0) return r;
    int32_t fields[2] = {s.reply().integer(0), s.reply().integer(1)};
    fields[Field] = s.int_value();
    if ((r = s.exchange(line("ASA%i,%i,%i\n", hw, fields[0], fields[1]))) != 0) return r;
  }
  return kAcqOk;
}

// Codes 10 and 11: the device's filter type (field 0) or frequency (field 1).
template <int Field>
int32_t set_filter(Session& s) {
  int32_t r = s.exchange(line("ASF?\n"));
  if (r != 0) return r;
  int32_t fields[2] = {s.reply().integer(0), s.reply().integer(1)};
  fields[Field] = s.int_value();
  return s.exchange(line("ASF%i,%i\n", fields[0], fields[1]));
}

// Code 18: a tare value in physical units, sent as raw counts (2 decimals above 100, else 5). Each
// channel's raw value comes from the caller's physical value; the last one is written back.
int32_t set_tare_value(Session& s) {
  const double physical = s.float_value();
  for (int32_t channel : s.channels()) {
    const AcqHdr& h = header(channel);
    const double raw = physical / static_cast<double>(h.range) * static_cast<double>(h.full_scale);
    if (!std::isfinite(raw)) {
      s.store_parameter(kParIllegalValue);
      return kAcqDeviceRefused;
    }
    s.set_float(static_cast<float>(raw));
    char text[48];
    auto end = std::to_chars(text, text + sizeof text - 1, raw, std::chars_format::fixed, raw > 100 ? 2 : 5).ptr;
    *end = '\0';
    int32_t r = s.exchange(line("TAV%i,%s\n", h.hardware_channel, text));
    if (r != 0) return r;
  }
  return kAcqOk;
}

// Code 21: the filter mode of each listed channel.
int32_t set_filter_mode(Session& s) {
  for (int32_t channel : s.channels()) {
    int32_t r = s.exchange(line("AFS%i,%i\n", s.hardware(channel), s.int_value()));
    if (r != 0) return r;
  }
  return kAcqOk;
}

// Queries of the first listed channel: one line, one integer field of the reply.
template <int Field>
int32_t get_transducer_range(Session& s) {
  int32_t r = s.exchange(line("ASA?%i\n", s.hardware(s.channels().front())));
  if (r == 0) s.set_int(s.reply().integer(Field));
  return r;
}

template <int Field>
int32_t get_filter(Session& s) {
  int32_t r = s.exchange(line("ASF?\n"));
  if (r == 0) s.set_int(s.reply().integer(Field));
  return r;
}

int32_t get_filter_mode(Session& s) {
  int32_t r = s.exchange(line("AFS?%i\n", s.hardware(s.channels().front())));
  if (r == 0) s.set_int(s.reply().integer(0));
  return r;
}

int32_t get_amplifier_id(Session& s) {
  int32_t r = s.exchange(line("AID?%i\n", s.hardware(s.channels().front())));
  if (r == 0) s.set_int(s.reply().integer(0));
  return r;
}

// Code 115: the tare value in physical units.
int32_t get_tare_value(Session& s) {
  const AcqHdr& h = header(s.channels().front());
  int32_t r = s.exchange(line("TAV?%i\n", h.hardware_channel));
  if (r != 0) return r;
  s.set_float(static_cast<float>(static_cast<double>(s.reply().integer(0)) / static_cast<double>(h.full_scale) *
                                 static_cast<double>(h.range)));
  return kAcqOk;
}

// Code 120: the header's unit, no traffic.
int32_t get_unit(Session& s) {
  const AcqHdr& h = header(s.channels().front());
  std::memcpy(s.text(), h.unit, kUnitSize);
  s.text()[kUnitSize - 1] = '\0';
  return kAcqOk;
}

// Code 140: the identity line, cut to 63 characters.
int32_t get_identity(Session& s) {
  int32_t r = s.exchange(line("IDN?\n"));
  if (r != 0) return r;
  int32_t n = s.reply().text_length();
  if (n > kIdentitySize - 1) n = kIdentitySize - 1;
  std::memcpy(s.text(), s.reply().text, static_cast<size_t>(n));
  s.text()[n] = '\0';
  return kAcqOk;
}

struct CommandRow {
  int32_t code;
  ValueKind kind;
  int32_t (*run)(Session&);
};

constexpr CommandRow kCommands[] = {
    {1, ValueKind::kNone, tare},
    {62, ValueKind::kNone, tare},
    {63, ValueKind::kNone, tare},
    {64, ValueKind::kNone, tare},
    {4, ValueKind::kInteger, gross_net},
    {9, ValueKind::kInteger, set_transducer_range<0>},
    {16, ValueKind::kInteger, set_transducer_range<1>},
    {10, ValueKind::kInteger, set_filter<0>},
    {11, ValueKind::kInteger, set_filter<1>},
    {18, ValueKind::kFloat, set_tare_value},
    {21, ValueKind::kInteger, set_filter_mode},
    {109, ValueKind::kInteger, get_transducer_range<0>},
    {116, ValueKind::kInteger, get_transducer_range<1>},
    {110, ValueKind::kInteger, get_filter<0>},
    {111, ValueKind::kInteger, get_filter<1>},
    {115, ValueKind::kFloat, get_tare_value},
    {120, ValueKind::kText, get_unit},
    {121, ValueKind::kInteger, get_filter_mode},
    {130, ValueKind::kInteger, get_amplifier_id},
    {140, ValueKind::kText, get_identity},
};

// The listed channels of the current device that a Corvane command acts on.
std::vector<int32_t> device_channels(int32_t count, const int16_t* channels) {
  const CurrentDevice& current = kernel().current;
  std::vector<int32_t> out;
  for (int32_t i = 0; i < count; ++i) {
    const AcqHdr& h = header(channels[i]);
    if (h.acq_class == 0 && h.interface == current.port && h.device_address == current.address &&
        h.signal_kind == kSignalMeasured)
      out.push_back(channels[i]);
  }
  return out;
}

}  // namespace

int32_t command(int32_t, int32_t count, const int16_t* channels, int32_t code, void* value) {
  const CommandRow* row = nullptr;
  for (const CommandRow& c : kCommands) {
    if (c.code == code) row = &c;
  }
  if (row == nullptr) {
    if (value != nullptr) {
      const int32_t id = kParNotAvailable;
      std::memcpy(value, &id, sizeof id);
    }
    return kAcqCommandNotSupported;
  }
  if (row->kind != ValueKind::kNone && value == nullptr) return kAcqBadArgument;
  Session session(device_channels(count, channels), row->kind, value);
  if (session.channels().empty()) return kAcqOk;

  QBX_Corvane_WakeUp();
  // A pending error from before would otherwise be taken for the reason of a refusal below.
  Reply discarded;
  int32_t r = exchange(line("EST?\n"), &discarded);
  if (r != 0) return r;
  return row->run(session);
}

}  // namespace tallix::corvane
