// Device set-up, channel set-up and the read-back of the YALPLUS family (the exchanges are listed
// in yalplus_family.h). The channel set-up leaves in the header what the scaling and the host
// need (full-scale count, span as range, unit) and keeps the channel's scale factor and offset
// in the family state for the block read.
#include <cstdlib>
#include <cstring>
#include <string>

#include "device_line.h"
#include "families/unit_words.h"
#include "families/yalplus/yalplus_family.h"
#include "families/yalplus/yalplus_line.h"
#include "families/yalplus/yalplus_state.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "tallix32_yalplus.h"

namespace tallix::yalplus {

namespace {

constexpr int32_t kResetWaitMs = 100;
constexpr int32_t kIdentityLimit = 64;
constexpr float kPretriggerOneFrom = 2.065f;  // firmware from which one pre-trigger scan suffices
constexpr int32_t kOldMinPretrigger = 8;
constexpr int16_t kSignalDigitalOut = 5;
constexpr int16_t kSignalDigitalIn = 6;
constexpr int16_t kFifoBoth = 4;
constexpr int32_t kFirstTimeSlot = 17;
constexpr int32_t kCounterSlot = 19;
constexpr int32_t kFirstItem = 109;
constexpr int32_t kDataSheetEntries = 40;
constexpr int32_t kLastItem = 151;

// The number that starts one character before the identity's first '.' (0 without one).
float firmware_of(const char* identity) {
  const char* dot = std::strchr(identity, '.');
  if (dot == nullptr || dot == identity) return 0.0f;
  return static_cast<float>(std::strtod(std::string(dot - 1).c_str(), nullptr));
}

void set_unit(AcqHdr& h, const std::string& unit) {
  std::memset(h.unit, 0, sizeof h.unit);
  std::strncpy(h.unit, unit.c_str(), sizeof h.unit - 1);
}

// A set command of the channel set-up: a refusal fetches the error and gives -207.
int32_t setup_command(const std::string& text) {
  int32_t r = set(text, kYalDeviceError);
  if (r == kYalDeviceError) {
    int32_t error = 0;
    device_error(&error);
  }
  return r;
}

// A query of the channel set-up: the reply, or -207 after a refusal.
int32_t setup_query(const char* text, Reply* reply) {
  int32_t r = exchange(text, reply);
  if (r != 0) return r;
  if (reply->refused()) {
    int32_t error = 0;
    device_error(&error);
    return kYalDeviceError;
  }
  return kAcqOk;
}

// One read-back item: the query, the items filled from its reply, then the message.
int32_t read_back_item(int32_t channel, int32_t item, const std::string& query) {
  Items& items = kernel().items;
  items = Items{};
  Reply reply;
  int32_t r = exchange(query, &reply);
  if (r != 0) return r;
  if (reply.refused()) {
    notify(kAcqMsgFailure, channel);
    return kAcqOk;
  }
  const std::string text = text_of(reply);
  std::strncpy(items.text, text.c_str(), sizeof items.text - 1);
  const std::vector<double> v = numbers(reply);
  items.integer = v.empty() ? 0 : static_cast<int32_t>(v[0]);
  items.real = v.empty() ? 0.0f : static_cast<float>(v[0]);
  notify(item, channel);
  return kAcqOk;
}

bool abort_requested() {
  KernelState& k = kernel();
  if (k.abort_flag == 0) return false;
  k.abort_flag = 0;
  return true;
}

}  // namespace

int32_t device_setup(int32_t number, int32_t) {
  QBX_FlushInQueue();
  int32_t r = send("SRB1\n");
  if (r < 0) return r;
  QBX_Delay(kResetWaitMs);
  Reply reply;
  if ((r = receive_reply(&reply)) < 0) return r;
  if ((r = send("IDN?\n")) < 0) return r;
  if ((r = corvane::receive_at_most(&reply, kIdentityLimit)) < 0) return r;
  const float firmware = firmware_of(reply.text);
  family_state().devices[number].firmware = firmware;
  family_state().min_pretrigger = firmware >= kPretriggerOneFrom ? 1 : kOldMinPretrigger;
  return kAcqOk;
}

int32_t channel_setup(int32_t channel) {
  AcqHdr& h = header(channel);
  FamilyState& s = family_state();
  const int32_t sub = h.sub_channel;
  if (h.hardware_channel >= kFirstTimeSlot) {
    // Time and counter slots have no amplifier: their values are counts (seconds for the time).
    h.full_scale = 1;
    h.range = 1.0f;
    set_unit(h, h.hardware_channel == kCounterSlot ? "" : "s");
    s.scale[channel] = 1.0f;
    s.offset[channel] = 0.0f;
    s.span[channel] = 1.0f;
    return kAcqOk;
  }
  Reply reply;
  int32_t r = exchange(line("PCS%i\n", h.hardware_channel), &reply);
  if (r != 0) return r;
  if (reply.refused()) return kAcqChannelNotAvailable;
  if ((r = setup_command("SPS1\n")) != 0) return r;
  if ((r = setup_query("AMT?\n", &reply)) != 0) return r;
  if (reply.integer(0) == 0) return kAcqChannelNotAvailable;
  if ((r = setup_command(line("SPS%i\n", sub))) != 0) return r;
  const bool digital = h.signal_kind == kSignalDigitalOut || h.signal_kind == kSignalDigitalIn;
  if ((r = setup_command(digital ? "CAN1\n" : "CAN0\n")) != 0) return r;
  if ((r = setup_command(line("OSP%i,219\n", sub))) != 0) return r;
  if ((r = setup_command(line("PAR130,%i\n", static_cast<int32_t>(h.fifo)))) != 0) return r;
  if ((r = setup_command("PAR140,1942\n")) != 0) return r;
  if ((r = setup_command(line("LVS%i,0\n", sub))) != 0) return r;
  if ((r = setup_query("IUN?0\n", &reply)) != 0) return r;
  char unit[sizeof h.unit] = {};
  const bool input_known = unit_from_word(text_of(reply), unit, sizeof unit);
  if (!input_known) {
    const std::string host_unit(h.unit, strnlen(h.unit, sizeof h.unit));
    if ((r = setup_command(line("IUN\"%-4s\"\n", host_unit.c_str()))) != 0) return r;
  }
  if ((r = setup_query("EUN?1\n", &reply)) != 0) return r;
  const bool engineering_known = unit_from_word(text_of(reply), unit, sizeof unit);
  if (input_known || engineering_known) set_unit(h, unit);
  if ((r = setup_query("ISV?\n", &reply)) != 0) return r;
  const std::vector<double> scale = numbers(reply);
  const double offset = scale.size() > 0 ? scale[0] : 0.0;
  const double span = scale.size() > 1 ? scale[1] : 1.0;
  s.span[channel] = static_cast<float>(span);
  s.offset[channel] = static_cast<float>(offset);
  h.range = static_cast<float>(span);
  if (h.fifo == kFifoBoth) {
    // Its sample width is fixed by YALPLUS_SetFIFOMode.
    h.full_scale = 1;
    s.scale[channel] = static_cast<float>(span);
  } else {
    const DeviceRecord& d = device(valid_device(h.device_number) ? h.device_number : 0);
    h.full_scale = full_scale_of(d, h.fifo);
    s.scale[channel] = static_cast<float>(span / h.full_scale);
  }
  return kAcqOk;
}

int32_t read_back(int32_t count, const int32_t* channels) {
  for (int32_t i = 0; i < count; ++i) {
    const int32_t channel = channels[i];
    const AcqHdr& h = header(channel);
    if (h.acq_class != 0 || h.device_type != kAcqTypeYalplus) continue;
    int32_t r = select_device_line(h.interface, h.device_address);
    if (r < 0) return r;
    Reply reply;
    if ((r = exchange(line("PCS%i\n", h.hardware_channel), &reply)) != 0) return r;
    if (reply.refused()) {
      notify(kAcqMsgFailure, channel);
      continue;
    }
    if (h.sub_channel > 0 && (r = exchange(line("SPS%i\n", h.sub_channel), &reply)) != 0) return r;
    for (int32_t item = kFirstItem; item <= kLastItem; ++item) {
      if (abort_requested()) return kAcqOk;
      std::string query;
      if (item == kFirstItem)
        query = "CBT?\n";
      else if (item == kFirstItem + 1)
        query = "SNR?\n";
      else if (item <= kFirstItem + 1 + kDataSheetEntries)
        query = line("DSB?%i\n", item - kFirstItem - 1);
      else
        query = line("DSB?%i,%i\n", 0, static_cast<int32_t>(h.sub_channel));
      if ((r = read_back_item(channel, item, query)) != 0) return r;
    }
  }
  return kAcqOk;
}

}  // namespace tallix::yalplus
