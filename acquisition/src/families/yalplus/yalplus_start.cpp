// The YALPLUS start of one device: trigger conditions, the full channel set-up when the device's
// configuration changed (default signal and FIFO, per-slot signals, sub-channels and streams, the
// slot list), the FIFO sample formats and rates, the trigger output mode, the block and
// pre-trigger, and the recording to the device's disk under the start text.
//
// Settled trigger conditions, one per trigger record of the device with a trigger mode, index =
// record number, slot and sub-channel of the trigger channel, signal = its "MSS" code:
//   mode 1 (external input):  "TRE<index>,<slot>,<sub>,6102,<signal>"
//   mode 2 (level):           "TRE<index>,<slot>,<sub>,<condition>,<signal>,<level>,0"
//   mode 2 on a counter (slot 19): the same with ",<level as count>" added; then
//   "TRD6502,151,<count>" follows the logic words.
// Conditions 0..3 are sent as 6001, 6000, 6002, 6003; the level is the physical value.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "families/corvane/corvane_trigger.h"
#include "families/yalplus/yalplus_family.h"
#include "families/yalplus/yalplus_line.h"
#include "families/yalplus/yalplus_state.h"
#include "families/yalplus/yalplus_tables.h"
#include "trigger_records.h"
#include "kernel_state.h"
#include "trigger_records.h"
#include "multiscan/acquisition_state.h"
#include "tallix32_yalplus.h"

namespace tallix::yalplus {

namespace {

using corvane::kTrigChannel;
using corvane::kTrigCondition;
using corvane::kTrigDevice;
using corvane::kTrigLevel;
using corvane::kTrigMode;
using corvane::kTrigPretrigger;

constexpr int32_t kRestart = -1;
constexpr int32_t kRoleFirstPass = 2;
constexpr int32_t kMaxSubChannel = 128;
constexpr int32_t kTimeSlot = 17;
constexpr int32_t kCounterSlot = 19;
constexpr int32_t kProgressPerSlotMilli = 5882353;  // percent per slot x 1000000
constexpr int16_t kFormatWord4 = 4;
constexpr int32_t kExternalTrigger = 6102;
constexpr int32_t kConditionCodes[4] = {6001, 6000, 6002, 6003};
constexpr int32_t kLogicWord1 = 6500;
constexpr int32_t kLogicWord2 = 6501;
constexpr int32_t kNoCondition = 6100;
constexpr int32_t kOutputModes[3] = {6713, 6711, 6712};  // by start role 0, 1, 2
constexpr int32_t kOutputModeTaken[2] = {6711, 6713};
constexpr int32_t kFreeRunBlock = 1000;
constexpr const char* kEndlessRecording = "2000000000";

float level_of(const int32_t* record) {
  float level = 0.0f;
  std::memcpy(&level, &record[kTrigLevel], sizeof level);
  return level;
}

// Step 1: "TRR", the pre-trigger percent, the conditions and the logic words. *in_use: a trigger
// record names the device.
int32_t set_up_triggers(int32_t number, bool* in_use) {
  KernelState& k = kernel();
  FamilyState& s = family_state();
  DeviceState& ds = s.devices[number];
  const DeviceRecord& d = device(number);
  Reply reply;
  int32_t r = exchange("TRR\n", &reply);
  if (r != 0) return r;
  ds.pretrigger_percent = 0;
  *in_use = false;
  for (int32_t i = 1; i <= kTriggerRecords; ++i) {
    if (k.triggers[i][kTrigDevice] != number) continue;
    ds.pretrigger_percent = k.triggers[i][kTrigPretrigger];
    *in_use = true;
    if (d.start_role == kRoleFirstPass) return kAcqOk;  // the first record found decides
  }
  if (d.start_role == kRoleFirstPass) return kAcqOk;
  bool sent = false;
  int32_t counter_level = -1;
  for (int32_t i = 1; i <= kTriggerRecords; ++i) {
    const int32_t* record = k.triggers[i];
    if (record[kTrigDevice] != number || record[kTrigMode] == 0) continue;
    const int32_t ch = record[kTrigChannel];
    const AcqHdr* h = valid_channel(ch) ? &header(ch) : nullptr;
    const int32_t slot = h ? h->hardware_channel : 0;
    const int32_t sub = h ? h->sub_channel : 0;
    const int32_t signal = signal_code(h ? h->sort_index : 0);
    std::string text;
    if (record[kTrigMode] == 1) {
      text = line("TRE%i,%i,%i,%i,%i\n", i, slot, sub, kExternalTrigger, signal);
    } else {
      // A condition outside 0..3 is no condition the rack knows: refused, not folded into one.
      if (record[kTrigCondition] < 0 || record[kTrigCondition] > 3) return kAcqTriggerRefused;
      const int32_t condition = kConditionCodes[record[kTrigCondition]];
      const std::string level = number_text(level_of(record));
      if (slot == kCounterSlot) {
        counter_level = static_cast<int32_t>(level_of(record));
        text = line("TRE%i,%i,%i,%i,%i,%s,0,%i\n", i, slot, sub, condition, signal, level.c_str(), counter_level);
      } else {
        text = line("TRE%i,%i,%i,%i,%i,%s,0\n", i, slot, sub, condition, signal, level.c_str());
      }
    }
    if ((r = set(text, kAcqTriggerRefused)) != 0) return r;
    sent = true;
  }
  const int32_t logic1 = trigger_logic(0, number);
  const int32_t logic2 = trigger_logic(1, number);
  if ((r = set(line("TRD%i,%i\n", kLogicWord1, sent ? logic1 : kNoCondition), kAcqTriggerRefused)) != 0) return r;
  if (logic2 != 0 && (r = set(line("TRD%i,%i\n", kLogicWord2, logic2), kAcqTriggerRefused)) != 0) return r;
  if (counter_level >= 0 && (r = set(line("TRD6502,151,%i\n", counter_level), kAcqTriggerRefused)) != 0)
    return r;
  return kAcqOk;
}

// The most frequent value of counts (the lowest on a tie).
int32_t most_frequent(const int32_t* counts, int32_t n) {
  int32_t best = 0;
  for (int32_t i = 1; i < n; ++i)
    if (counts[i] > counts[best]) best = i;
  return best;
}

std::string joined(const std::vector<int32_t>& values) {
  std::string text;
  for (size_t i = 0; i < values.size(); ++i) text += (i ? "," : "") + std::to_string(values[i]);
  return text;
}

// Step 3: the full channel set-up of the device's measured channels (ascending sort key).
int32_t set_up_channels(int32_t number) {
  const BlockOrder& order = acquisition().order[number];
  FamilyState& s = family_state();
  int32_t signal_counts[kSignals] = {};
  int32_t fifo_counts[kAcqFifoCount + 1] = {};
  for (int32_t j = 0; j < order.count; ++j) {
    const AcqHdr& h = header(order.channels[j]);
    ++signal_counts[signal_of(h.sort_index)];
    ++fifo_counts[std::clamp<int32_t>(h.fifo, 0, kAcqFifoCount)];
  }
  const int32_t default_signal = most_frequent(signal_counts, kSignals);
  const int32_t default_fifo = most_frequent(fifo_counts, kAcqFifoCount + 1);
  int32_t r;
  if ((r = set("MCS\n", kYalDeviceError)) != 0) return r;
  if ((r = set("CHS-1\n", kYalDeviceError)) != 0) return r;
  if ((r = set("SPS0\n", kYalDeviceError)) != 0) return r;
  if ((r = set(line("MSS%i\n", signal_code(default_signal)), kYalSignalRefused)) != 0) return r;
  if ((r = set(line("MRG%i\n", default_fifo), kYalDeviceError)) != 0) return r;

  std::string slots;
  for (int32_t slot = 1; slot <= kTimeSlot; ++slot) {
    notify(kAcqMsgProgress, static_cast<int32_t>(int64_t{slot} * kProgressPerSlotMilli / 1000000));
    std::vector<int32_t> members;
    bool counter = false;
    for (int32_t j = 0; j < order.count; ++j) {
      const int32_t hw = header(order.channels[j]).hardware_channel;
      if (hw == slot || (slot == kTimeSlot && hw > kTimeSlot && hw <= kCounterSlot)) members.push_back(order.channels[j]);
      counter = counter || (slot == kTimeSlot && hw == kCounterSlot);
    }
    if (members.empty()) continue;
    std::vector<int32_t> subs;
    std::vector<int32_t> codes;
    for (int32_t ch : members) {
      AcqHdr& h = header(ch);
      const int32_t sub = slot == kTimeSlot ? 0 : h.sub_channel;
      const int32_t signal = signal_of(h.sort_index);
      if (signal == kSignalBitMask && h.format_word == kFormatWord4) {
        s.scale[ch] = 1.0f / 256.0f;
        s.offset[ch] = 0.0f;
      }
      codes.push_back(signal_code(signal));
      if (sub > kMaxSubChannel) return kYalDeviceError;
      if (sub <= 0) continue;
      if (subs.empty() && (r = set(line("PCS%i\n", slot), kYalDeviceError)) != 0) return r;
      const bool own_signal = signal != default_signal;
      const bool own_fifo = h.fifo != default_fifo;
      if (own_signal || own_fifo) {
        r = set(line("SPS%i\n", sub), kYalDeviceError);
        if (r != 0 && !(r == kYalDeviceError && sub <= 1)) return r;
      }
      if (own_signal && (r = set(line("MSS%i\n", signal_code(signal)), kYalSignalRefused)) != 0) return r;
      if (own_fifo && (r = set(line("MRG%i\n", static_cast<int32_t>(h.fifo)), kYalDeviceError)) != 0) return r;
      subs.push_back(sub);
    }
    if (!subs.empty()) {
      if ((r = set("SMS" + joined(subs) + "\n", kYalDeviceError)) != 0) return r;
    } else if (slot < kTimeSlot) {
      if ((r = set(line("PCS%i\n", slot), kYalDeviceError)) != 0) return r;
      if ((r = set("MSS" + joined(codes) + "\n", kYalSignalRefused)) != 0) return r;
      const int32_t fifo = header(members.front()).fifo;
      if ((r = set(line("MRG%i\n", fifo), kYalDeviceError)) != 0) return r;
    }
    slots += slot == kTimeSlot ? (counter ? "17,18,19," : "17,18,") : line("%i,", slot);
  }
  return set("MCS" + slots + "\n", kYalDeviceError);
}

// Step 4: sample format and rates of each FIFO with channels.
int32_t set_up_rates(int32_t number) {
  DeviceRecord& d = device(number);
  bool only_first = d.fifo_in_use[0] != 0;
  for (int32_t f = 1; f < kFifos; ++f) only_first = only_first && d.fifo_in_use[f] == 0;
  for (int32_t f = 0; f < kFifos; ++f) {
    if (!d.fifo_in_use[f]) continue;
    const int32_t format = d.sample_width[f] == 2 ? kFormat2Byte : kFormat4Byte;
    const RateCode rate = rate_code(d.fifo_rate[f]);
    const RateCode second = rate_code(d.fifo_rate[f + kFifos]);
    int32_t r = set(only_first ? line("MBF%i\n", format) : line("MBF%i,%i\n", format, f), kYalRateRefused);
    if (r != 0) return r;
    r = set(only_first ? line("ICR%i,%i\n", rate.code, second.code)
                       : line("ICR%i,%i,%i\n", rate.code, second.code, f),
            kYalRateRefused);
    if (r != 0) return r;
    d.fifo_rate[f] = rate.rate;
  }
  kernel().sample_rate = d.fifo_rate[0];
  return kAcqOk;
}

// Step 5: the trigger output mode of the start role, checked unless the device starts first.
int32_t set_output_mode(int32_t role) {
  const int32_t mode = kOutputModes[role >= 0 && role <= kRoleFirstPass ? role : 0];
  Reply reply;
  int32_t r = set(line("TOM%i\n", mode), kYalTriggerOutputMode);
  if (r < 0 && r != kYalTriggerOutputMode) return r;
  int32_t error = 0;
  if ((r = device_error(&error)) != 0) return r;
  if (role == kRoleFirstPass) return kAcqOk;
  if ((r = exchange("TOM?\n", &reply)) != 0) return r;
  if (reply.refused() && (r = exchange("RMS?\n", &reply)) != 0) return r;
  const int32_t taken = reply.integer(0);
  if (taken == kOutputModeTaken[0] || taken == kOutputModeTaken[1]) return kAcqOk;
  return kYalTriggerOutputMode;
}

int32_t start_device(int32_t number, int32_t block_length, int32_t option) {
  FamilyState& s = family_state();
  const DeviceRecord& d = device(number);
  bool triggers = false;
  int32_t r = set_up_triggers(number, &triggers);
  if (r != 0) return r;
  Reply reply;
  if ((r = exchange("STP\n", &reply)) != 0) return r;
  if (!d.config_unchanged && (r = set_up_channels(number)) != 0) return r;
  if ((r = set_up_rates(number)) != 0) return r;
  if ((r = set_output_mode(d.start_role)) != 0) return r;
  if (triggers || block_length > 0) {
    const auto scans = static_cast<int32_t>(block_length * s.devices[number].pretrigger_percent * 0.01);
    r = set(line("TSV%i,%i,%i\n", block_length, std::max(scans, s.min_pretrigger), option), kYalDeviceError);
  } else {
    r = set(line("TSV%i,%i,0\n", kFreeRunBlock, s.min_pretrigger), kYalDeviceError);
  }
  if (r != 0) return r;
  const char* text = acquisition().start_text;
  s.disk_recording = text[0] != '\0';
  if (!s.disk_recording) return set("IHD0\n", kYalDeviceError);
  if ((r = set(line("IHD1,%s\n", text), kYalDiskRefused)) != 0) {
    if (r == kYalDiskRefused) exchange("STP\n", &reply);
    return r;
  }
  const std::string length = block_length > 0 ? std::to_string(block_length) : kEndlessRecording;
  return set("RMB?" + length + ",6409,0\n", kYalDiskRefused);
}

}  // namespace

int32_t start(int32_t number, int32_t, const int32_t*, int32_t block_length, int32_t option) {
  if (option == kRestart || !acquisition().measured_present) return kAcqOk;
  const int32_t r = start_device(number, block_length, option);
  // The device is in an unknown state: the next start sends everything again.
  if (r != 0) QBX_ACQEnforceStartInit();
  return r;
}

}  // namespace tallix::yalplus
