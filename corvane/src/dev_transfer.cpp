// Device settings between memory and the amplifier: channel count ("AID?"), measuring rate
// ("ICR?"/"ICR"), filter type and frequency ("ASF?"/"ASF"), identity ("IDN?", chain "IDN?100").
// Saving corrects a filter frequency that the rate and filter type no longer allow; offline, saving
// only checks and corrects.
#include <string_view>

#include "connection.h"
#include "export_guard.h"
#include "ids.h"
#include "operations.h"
#include "settings_model.h"
#include "settings_rules.h"

using namespace corvan;

namespace {

constexpr int32_t kDevHandledBits = 0xFF;
constexpr int32_t kChainQueryArgument = 100;
constexpr int32_t kIdentityFields = 4;  // maker, device type, serial number, program version

bool has(int32_t selectors, int32_t bit) { return (selectors & bit) != 0; }

// Walks the "AID?" reply (pairs of channel and amplifier type) after a successful query; calls
// visit(channel, amplifier) per pair until it returns false. Returns 0 or kCvBadReply.
template <class Visit>
int32_t walk_channel_pairs(Reply& reply, Visit&& visit) {
  while (!reply.at_end()) {
    int32_t channel = 0;
    int32_t amplifier = 0;
    if (reply.next_int(&channel) != 0 || reply.next_int(&amplifier) != 0) return kCvBadReply;
    if (!visit(channel, amplifier)) break;
  }
  return kCvOk;
}

// The fields of one identity (four fields) of an "IDN?" reply; false when the reply ends early.
bool next_identity(Reply& reply, std::string_view (&fields)[kIdentityFields]) {
  for (auto& f : fields)
    if (!reply.field(&f)) return false;
  return true;
}

void store(char* field, size_t size, std::string_view text) {
  char buf[64];
  const size_t n = std::min(text.size(), sizeof buf - 1);
  text.copy(buf, n);
  buf[n] = '\0';
  copy_field_in(field, size, buf);
}

int32_t load_dev(int32_t selectors, Reply& reply) {
  State& s = state();
  DeviceBlock& d = s.device;
  int32_t r = 0;
  if (has(selectors, kCvDevChannelCount)) {
    if ((r = query(command("AID?"), reply)) != 0) return r;
    int32_t pairs = 0;
    if ((r = walk_channel_pairs(reply, [&](int32_t, int32_t) { return ++pairs < kMaxChannels; })) != 0) return r;
    d.channel_count = pairs;
  }
  if (has(selectors, kCvDevRate)) {
    int32_t rate = 0;
    if ((r = query(command("ICR?"), reply)) != 0 || (r = reply.next_int(&rate)) != 0) return r;
    d.rate = rate;
  }
  if (has(selectors, kCvDevFilterType)) {
    int32_t type = 0;
    if ((r = query(command("ASF?"), reply)) != 0 || (r = reply.next_int(&type)) != 0) return r;
    d.filter_type = type;
  }
  if (has(selectors, kCvDevFilterFrequency)) {
    int32_t type = 0;
    int32_t frequency = 0;
    if ((r = query(command("ASF?"), reply)) != 0 || (r = reply.next_int(&type)) != 0 ||
        (r = reply.next_int(&frequency)) != 0)
      return r;
    d.filter_frequency = frequency;
  }
  if (has(selectors, kCvDevSerial) || has(selectors, kCvDevVersion)) {
    // One "IDN?" serves both texts.
    if ((r = query(command("IDN?"), reply)) != 0) return r;
    std::string_view f[kIdentityFields];
    if (!next_identity(reply, f)) return kCvBadReply;
    if (has(selectors, kCvDevSerial)) {
      store(d.serial, sizeof d.serial, f[2]);
      store(s.chain[0].serial, sizeof s.chain[0].serial, f[2]);
    }
    if (has(selectors, kCvDevVersion)) {
      store(d.version, sizeof d.version, f[3]);
      store(s.chain[0].version, sizeof s.chain[0].version, f[3]);
    }
  }
  if (has(selectors, kCvDevSerial | kCvDevVersion | kCvDevType)) {
    if ((r = query(command("IDN?", {kChainQueryArgument}), reply)) != 0) return r;
    std::string_view f[kIdentityFields];
    for (int32_t k = 0; k < kChainRows && next_identity(reply, f); ++k) {
      store(s.chain[k].serial, sizeof s.chain[k].serial, f[2]);
      store(s.chain[k].version, sizeof s.chain[k].version, f[3]);
    }
  }
  return kCvOk;
}

// Replaces a filter frequency that rate and filter type do not allow by the first allowed one.
void correct_filter_frequency() {
  DeviceBlock& d = state().device;
  const Allowed allowed = allowed_filter_frequencies(d.rate, d.filter_type);
  if (!is_allowed(allowed, d.filter_frequency)) {
    if (int32_t first = first_allowed(allowed); first != 0) d.filter_frequency = first;
  }
}

int32_t check_dev_offline(int32_t selectors) {
  DeviceBlock& d = state().device;
  if (has(selectors, kCvDevChannelCount) && (d.channel_count > kMaxChannels || d.channel_count < 0))
    return kCvBadValue;
  if (has(selectors, kCvDevRate)) {
    if (d.rate < id::kRateFirst || d.rate > id::kRateLast) return kCvBadValue;
    correct_filter_frequency();
  }
  if (has(selectors, kCvDevFilterType)) {
    if (d.filter_type < id::kFilterNone || d.filter_type > id::kFilterBessel) return kCvBadValue;
    correct_filter_frequency();
  }
  if (has(selectors, kCvDevFilterFrequency) &&
      !is_allowed(allowed_filter_frequencies(d.rate, d.filter_type), d.filter_frequency))
    return kCvBadValue;
  return kCvOk;
}

int32_t save_dev_online(int32_t selectors, Reply& reply) {
  DeviceBlock& d = state().device;
  if (has(selectors, kCvDevRate)) {
    int32_t r = set_command(command("ICR", {d.rate}), reply);
    // The device changed the filter frequency to suit the new rate: take over its choice.
    if (r == kCvWarnFilterFrequency) r = load_dev(kCvDevFilterFrequency, reply);
    if (r != 0) return r;
  }
  if (has(selectors, kCvDevFilterType | kCvDevFilterFrequency)) {
    correct_filter_frequency();
    return set_command(command("ASF", {d.filter_type, d.filter_frequency}), reply);
  }
  return kCvOk;
}

}  // namespace

namespace corvan {

int32_t load_dev_settings(int32_t selectors, Reply& reply) {
  if ((selectors & kDevHandledBits) == 0) return kCvUnknownSelector;
  if (offline()) return kCvOk;
  return load_dev(selectors, reply);
}

int32_t save_dev_settings(int32_t selectors, Reply& reply) {
  if ((selectors & kDevHandledBits) == 0) return kCvUnknownSelector;
  return offline() ? check_dev_offline(selectors) : save_dev_online(selectors, reply);
}

}  // namespace corvan

extern "C" {

CORVAN32_API int32_t CV_LoadDevSettings(int32_t selectors) {
  return recorded([&]() -> int32_t { return load_dev_settings(selectors, state().reply); });
}

CORVAN32_API int32_t CV_SaveDevSettings(int32_t selectors) {
  return recorded([&]() -> int32_t { return save_dev_settings(selectors, state().reply); });
}

}  // extern "C"
