// The amplifier's acquisition: MSV starts it, scans fall due at the measuring rate (scan k of
// an acquisition k / rate seconds after the start), a trigger (TRG, the external input, or the
// internal level condition set by DTR) opens the block with the kept pre-trigger scans, and
// the scans wait in the buffer until OMB?n fetches them. A buffer that cannot take the next
// scan stops the acquisition in state 5.
#include <algorithm>
#include <charconv>

#include "device.h"
#include "device_tables.h"

namespace corvane_sim {
namespace {

constexpr int64_t kNanosPerSecond = 1'000'000'000;

std::string int_text(int64_t value) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  (void)ec;
  return std::string(buf, end);
}

bool whole(double value, double lo, double hi, int64_t* out) {
  if (!(value >= lo && value <= hi) || value != static_cast<double>(static_cast<int64_t>(value))) return false;
  *out = static_cast<int64_t>(value);
  return true;
}

}  // namespace

std::size_t Device::capacity_scans() const {
  size_t k = std::max<size_t>(1, acq_.channels.size());
  return config_.buffer_samples / k;
}

void Device::update(int64_t now_ns) {
  if (now_ns > now_ns_) now_ns_ = now_ns;
  if (acq_.state != kStateWaitTrigger && acq_.state != kStateMeasuring) return;
  __int128 elapsed = now_ns_ - acq_.start_ns;
  auto due = static_cast<int64_t>(elapsed * acq_.rate_hz / kNanosPerSecond);
  if (acq_.state == kStateWaitTrigger && acq_.mode != kTriggerInternal && !acq_.trigger_pending) {
    // Nothing can fire before the due scan: only the last pre-trigger scans matter.
    acq_.next_scan = std::max(acq_.next_scan, due - acq_.pretrigger + 1);
  }
  while (acq_.next_scan <= due && (acq_.state == kStateWaitTrigger || acq_.state == kStateMeasuring)) {
    __int128 offset = static_cast<__int128>(acq_.next_scan) * kNanosPerSecond / acq_.rate_hz;
    take_scan(acq_.start_ns + static_cast<int64_t>(offset));
    ++acq_.next_scan;
  }
}

bool Device::trigger_fires(int64_t t_ns) {
  if (acq_.mode != kTriggerInternal) {
    bool fire = acq_.trigger_pending;
    acq_.trigger_pending = false;
    return fire;
  }
  int16_t value = reading(trigger_.channel, t_ns);
  bool fire = false;
  switch (trigger_.condition) {
    case kConditionGreaterEqual: fire = value >= trigger_.level; break;
    case kConditionLessEqual: fire = value <= trigger_.level; break;
    case kConditionRisingEdge: fire = acq_.have_previous && acq_.previous < trigger_.level && value >= trigger_.level; break;
    case kConditionFallingEdge: fire = acq_.have_previous && acq_.previous > trigger_.level && value <= trigger_.level; break;
    default: break;
  }
  acq_.previous = value;
  acq_.have_previous = true;
  return fire;
}

void Device::take_scan(int64_t t_ns) {
  const size_t k = acq_.channels.size();
  if (acq_.state == kStateWaitTrigger) {
    // The trigger is armed once the pre-trigger scans exist (the block's first scans), so that
    // the trigger scan always follows exactly that many: a reader places it at time 0 by the
    // count alone. Until then an internal condition still follows the signal (an edge needs a
    // scan before it), and a TRG or external trigger stays pending.
    size_t wanted = static_cast<size_t>(acq_.pretrigger);
    if (acq_.requested > 0) wanted = std::min(wanted, static_cast<size_t>(acq_.requested - 1));
    const bool armed = acq_.pre.size() >= wanted * k;
    bool fire = false;
    if (armed || acq_.mode == kTriggerInternal) fire = trigger_fires(t_ns) && armed;
    if (!fire) {
      if (acq_.pretrigger > 0) {
        for (int c : acq_.channels) acq_.pre.push_back(reading(c, t_ns));
        while (acq_.pre.size() > static_cast<size_t>(acq_.pretrigger) * k) {
          acq_.pre.erase(acq_.pre.begin(), acq_.pre.begin() + static_cast<std::ptrdiff_t>(k));
        }
      }
      return;
    }
    acq_.triggered = true;
    acq_.state = kStateMeasuring;
    size_t kept = acq_.pre.size() / k;
    if (acq_.requested > 0) kept = std::min(kept, static_cast<size_t>(acq_.requested - 1));
    acq_.pre.erase(acq_.pre.begin(), acq_.pre.end() - static_cast<std::ptrdiff_t>(kept * k));
    if (acq_.buffer.size() / k + kept > capacity_scans()) {
      acq_.state = kStateOverflow;
      return;
    }
    acq_.buffer.insert(acq_.buffer.end(), acq_.pre.begin(), acq_.pre.end());
    acq_.pre.clear();
    acq_.total += static_cast<int64_t>(kept);
  }
  if (acq_.state != kStateMeasuring) return;
  if (acq_.buffer.size() / k + 1 > capacity_scans()) {
    acq_.state = kStateOverflow;
    return;
  }
  for (int c : acq_.channels) acq_.buffer.push_back(reading(c, t_ns));
  ++acq_.total;
  if (acq_.requested > 0 && acq_.total >= acq_.requested) acq_.state = kStateComplete;
}

void Device::fire_trigger() {
  if (acq_.state == kStateWaitTrigger && (acq_.mode == kTriggerCommand || acq_.mode == kTriggerExternal)) {
    acq_.trigger_pending = true;
  }
}

Answer Device::msv_set(const CommandLine& cmd) {
  int64_t scans = 0;
  int64_t pre = 0;
  int64_t mode = 0;
  if (!whole(cmd.args[0], 0, INT32_MAX, &scans)) return refuse(kWrongParameterValue);
  if (!whole(cmd.args[1], 0, INT32_MAX, &pre) || (scans > 0 && pre > scans)) return refuse(kWrongParameterValue);
  if (!whole(cmd.args[2], kTriggerImmediate, kTriggerInternal, &mode)) return refuse(kWrongParameterValue);
  if (mode == kTriggerInternal && !trigger_.set) return refuse(kWrongTrigger);
  std::vector<int> list = channels_where(kStateBitMeasure);
  if (list.empty()) return refuse(kCommandNotExecutable);
  acq_ = Acquisition{};
  acq_.channels = std::move(list);
  acq_.requested = static_cast<int32_t>(scans);
  acq_.pretrigger = mode == kTriggerImmediate ? 0 : static_cast<int32_t>(pre);
  acq_.mode = static_cast<int32_t>(mode);
  acq_.start_ns = now_ns_;
  acq_.rate_hz = rate_hz(settings_.rate).value_or(1);
  acq_.state = mode == kTriggerImmediate ? kStateMeasuring : kStateWaitTrigger;
  acq_.triggered = mode == kTriggerImmediate;
  return ok();
}

Answer Device::msv_query(const CommandLine&) {
  size_t k = std::max<size_t>(1, acq_.channels.size());
  // The third field says whether the trigger came; it stays one digit so that the whole line
  // fits the short reply reads of the acquisition kernel.
  return line(int_text(acq_.state) + "," + int_text(static_cast<int64_t>(acq_.buffer.size() / k)) + "," +
              (acq_.triggered ? "1" : "0"));
}

Answer Device::omb_query(const CommandLine& cmd) {
  int64_t scans = 0;
  if (!whole(cmd.args[0], 0, INT32_MAX, &scans)) return refuse(kWrongParameterValue);
  std::vector<int16_t> values;
  if (scans == 0) {
    std::vector<int> list = channels_where(kStateBitMeasure);
    if (list.empty()) return refuse(kOmbNotExecutable);
    for (int c : list) values.push_back(reading(c, now_ns_));
    return block(values);
  }
  size_t k = acq_.channels.size();
  if (k == 0 || acq_.buffer.size() / k < static_cast<size_t>(scans)) return refuse(kOmbNotExecutable);
  auto end = acq_.buffer.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(scans) * k);
  values.assign(acq_.buffer.begin(), end);
  acq_.buffer.erase(acq_.buffer.begin(), end);
  return block(values);
}

Answer Device::stp_set(const CommandLine&) {
  acq_.state = kStateIdle;
  acq_.trigger_pending = false;
  acq_.pre.clear();
  return ok();
}

Answer Device::trg_set(const CommandLine&) {
  if (acq_.state != kStateWaitTrigger || (acq_.mode != kTriggerCommand && acq_.mode != kTriggerExternal)) {
    return refuse(kWrongTrigger);
  }
  acq_.trigger_pending = true;
  return ok();
}

Answer Device::dtr_set(const CommandLine& cmd) {
  int64_t channel = 0;
  int64_t condition = 0;
  int64_t level = 0;
  if (!whole(cmd.args[0], 0, channel_count() - 1, &channel) ||
      channels_[static_cast<size_t>(channel)].settings.amplifier == kAmpNotConnected) {
    return refuse(kWrongChannel);
  }
  if (!whole(cmd.args[1], kConditionGreaterEqual, kConditionFallingEdge, &condition)) {
    return refuse(kWrongParameterValue);
  }
  if (!whole(cmd.args[2], INT16_MIN, INT16_MAX, &level)) return refuse(kWrongParameterValue);
  trigger_ = {true, static_cast<int>(channel), static_cast<int32_t>(condition), static_cast<int32_t>(level)};
  return ok();
}

}  // namespace corvane_sim
