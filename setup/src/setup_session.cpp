// The channel setup window's algorithms (see setup_session.h).
#include "setup_session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

#include "cell_texts.h"
#include "old_setup_file.h"

namespace setup {
namespace {

// String-table ids the session uses.
enum TextId : int {
  kTextWindowTitle = 600,
  kTextDevice = 601,
  kTextOpenPortError = 1001,
  kTextFlushInError = 1002,
  kTextFlushOutError = 1003,
  kTextNoCorvane = 1006,
  kTextPortBusy = 1007,
  kTextDefaultName = 2001,
  kTextErrorNumber = 2005,
  kTextNoMoreDevices = 2006,
  kTextLastDevice = 2007,
  kTextUndoQuestion = 2010,
  kTextNo = 10002,
};

// Amplifier types, states and signal selectors of the driver.
constexpr int32_t kAmpNotConnected = 5050;
constexpr int32_t kAmpFirst = 5051;
constexpr int32_t kAmpDigital = 5055;
constexpr int32_t kAmpAux = 5056;
constexpr int32_t kAmpShuntA = 5057;
constexpr int32_t kAmpLast = 5058;
constexpr int32_t kStatePassive = 6200;
constexpr int32_t kStateMeasure = 6201;
constexpr int32_t kStateTare = 6202;
constexpr int32_t kStateMeasureTare = 6203;
constexpr int32_t kSignalMeasuring = 42;
constexpr int32_t kSignalShunt = 43;
// Amplifier types offered offline for slots 4..7, after the "No" entry (not connected).
constexpr int32_t kSlotAmplifierChoices[] = {kAmpNotConnected, 5053, 5054, kAmpLast};
constexpr int kFirstChoosableSlot = 4;
constexpr int kLastChoosableSlot = 7;

constexpr int kPortErrorBusy = kPortBusy;
constexpr int kDeviceNameLength = 9;
constexpr int kPopupItems = 20;
constexpr int kRateItems = 30;
constexpr int kFilterFrequencyItems = 10;
constexpr int32_t kAllSelectors = -1;
constexpr int kListRoom = 32;   // 32-bit entries; the longest list has 26
constexpr int kTextRoom = 256;  // always enough for a driver text
constexpr const char* kVersionText = "V2.2";
constexpr const char* kLastStateFile = "Corvane.$$$";
constexpr const char* kComLogFile = "COMLOG.LOG";
constexpr const char* kPrintFile = "temp.$$$";
constexpr int32_t kTextForm = 1;
constexpr int32_t kBinaryForm = 0;
constexpr int kSlotsShown = 8;
constexpr int kIdentityRoom = 20;
// Drivers whose version text compares above this report serial number and program version of
// every device of a chain; older ones of the first device only.
constexpr const char* kChainReportingVersion = "1.31";
// CV_GetSystemSettings names its texts with other selectors than the device settings.
constexpr int32_t kSystemSerial = 64;
constexpr int32_t kSystemVersion = 32;
constexpr int32_t kFilterTypes[] = {140, 141, 142};
constexpr int32_t kFirstImportedFrequencyId = 914;
constexpr int32_t kLastImportedFrequencyId = 1199;
constexpr const char* kPrgQuery = "PRG?9,0\n";
constexpr int kPrgReplyRoom = 10;
constexpr int kStartTimeoutMs = 3000;
constexpr int kClosePortDelayMs = 100;

// The channel settings a setup sends for an amplifier type: an unconnected slot has only its
// state, digital I/O and aux channels have no tare value or filter mode (the device refuses them
// there, which would report a failure for a setup that went over well).
int32_t settings_sent_for(int32_t amplifier) {
  constexpr int32_t kAll = kCvChanState | kCvChanTransducer | kCvChanRange | kCvChanTare | kCvChanFilterMode |
                           kCvChanSignal;
  switch (amplifier) {
    case kAmpNotConnected: return kCvChanState;
    case kAmpDigital:
    case kAmpAux: return kCvChanState | kCvChanTransducer | kCvChanRange;
    default: return kAll;
  }
}

bool tare_state(int32_t s) { return s == kStateTare || s == kStateMeasureTare; }
bool measuring_state(int32_t s) { return s == kStateMeasure || s == kStateMeasureTare; }
bool no_tare_type(int32_t a) { return a == kAmpNotConnected || a == kAmpDigital || a == kAmpAux; }
bool shunt_type(int32_t a) { return a == kAmpShuntA || a == kAmpLast; }

bool ends_with_lower(std::string text, const std::string& suffix) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char ch) { return std::tolower(ch); });
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string file_title(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Pauses the refresh timer for a handler that talks to the device and enables it at its end.
class TimerPause {
 public:
  explicit TimerPause(SessionView& view) : view_(view) { view_.set_timer_enabled(false); }
  ~TimerPause() { view_.set_timer_enabled(true); }
  TimerPause(const TimerPause&) = delete;
  TimerPause& operator=(const TimerPause&) = delete;

 private:
  SessionView& view_;
};

// The parity letter of the open call.
const char* parity_text(int16_t parity) {
  static const char* const kParity[] = {"n", "e", "o"};
  return parity >= 0 && parity <= 2 ? kParity[parity] : "n";
}

}  // namespace

bool port_busy(int32_t status) { return status == kPortBusy || status == kParallelPortClaimed; }

bool reports_every_device(const std::string& driver_version) {
  return driver_version.compare(kChainReportingVersion) > 0;
}

SetupSession::SetupSession(DriverApi& api, SessionView& view, std::string program_folder)
    : api_(api), view_(view), folder_(std::move(program_folder)) {
  channel_format_.fill(2);
}

void SetupSession::start_message(const std::string& message) {
  start_message_shown_ = true;
  view_.show_message(message);
}

int32_t SetupSession::note(int32_t status) {
  if (status != 0) last_error_ = static_cast<int16_t>(status);
  return status;
}

std::string SetupSession::text(int id) {
  for (const auto& [known, value] : texts_) {
    if (known == id) return value;
  }
  char buffer[kTextRoom] = {};
  api_.CV_GetResString(id, buffer);
  texts_.emplace_back(id, buffer);
  return buffer;
}

std::string SetupSession::last_state_path() const { return folder_ + "/" + kLastStateFile; }
std::string SetupSession::com_log_path() const { return folder_ + "/" + kComLogFile; }

// ---------------------------------------------------------------------------------------------
// Start-up

void SetupSession::start(const std::optional<std::string>& setup_file,
                         const std::optional<InstrumentDefinition>& hand_off) {
  definition_ = InstrumentDefinition{};
  definition_.name = text(kTextDefaultName);
  setup_file_name_ = "NONAME.CVS";
  last_save_path_.clear();
  command_line_setup_ = setup_file.has_value() && !setup_file->empty();
  if (command_line_setup_) {
    command_line_path_ = *setup_file;
    setup_file_name_ = *setup_file;
  }
  api_.QBX_SetTimeout(kStartTimeoutMs);
  combo_events_enabled_ = true;
  started_from_hand_off_ = hand_off.has_value();
  if (hand_off) definition_ = *hand_off;
}

void SetupSession::form_load() {
  last_error_ = 0;
  channel_format_.fill(2);
  offline_mode_ = definition_.port == kPortOffline ? 1 : 0;

  open_interface();
  if (last_error_ == 0) {
    if (port_open_) {
      // The reply of this query is not used; it settles the line before the device is opened.
      api_.QBX_WritePort(kPrgQuery);
      char reply[kPrgReplyRoom + 1] = {};
      int32_t status = 0;
      int32_t bytes = 0;
      api_.QBX_ReadPort(reply, kPrgReplyRoom, &status, &bytes, '\n');
    }
    open_device();
  }
  if (last_error_ == 0) {
    if (command_line_setup_) {
      if (note(api_.CV_ReadSettings(command_line_path_.c_str(), 0)) == 0) send_all_settings();
    } else if (offline_mode_ == 1) {
      setup_file_name_ = kLastStateFile;
      const std::string path = last_state_path();
      if (api_.CV_ReadSettings(path.c_str(), 0) == 0) {
        send_all_settings();
      } else {
        channel_count_ = kChannelsPerDevice;
        const int32_t count = channel_count_;
        note(api_.CV_SetDevSettings(kCvDevChannelCount, &count));
        note(api_.CV_WriteSettings(path.c_str(), 0));
      }
    }
    char name[kDeviceNameLength + 1] = {};
    std::strncpy(name, definition_.name.c_str(), kDeviceNameLength);
    note(api_.CV_SetDevSettings(kCvDevType, name));
    fill_all_columns();
  }
  view_.set_timer_enabled(true);
}

void SetupSession::open_interface() {
  offline_mode_ = 1;
  start_message_shown_ = false;
  if (definition_.port == kPortOffline) return;
  // PORTIX32 learns the printer that may share a parallel port with the instrument.
  const std::string printer = view_.default_printer_name();
  if (!printer.empty()) api_.CV_SetPrinterName(printer.c_str());
  int32_t result = 0;
  if (definition_.port == kPortUsb) {
    result = api_.QBX_OpenPort(kPortUsb, 1, definition_.usb_address.c_str(), definition_.data_bits,
                               definition_.stop_bits, definition_.receive_buffer);
    if (result < 0) result = -1;
  } else {
    result = reopen_port();
  }
  if (result < 0) {
    note(result);
    start_message(text(result == kPortErrorBusy ? kTextPortBusy : kTextOpenPortError));
    return;
  }
  port_open_ = true;
  if (note(std::min(api_.QBX_FlushInQueue(), 0)) != 0) {
    start_message(text(kTextFlushInError));
    return;
  }
  if (note(api_.QBX_FlushOutQueue()) != 0) {
    start_message(text(kTextFlushOutError));
    return;
  }
  // Three queries clear stale error states; only the last one counts.
  for (int i = 0; i < 3; ++i) last_error_ = api_.CV_GetErrorStatus() != 0 ? -1 : 0;
  if (last_error_ != 0) {
    start_message(text(kTextNoCorvane));
  } else {
    offline_mode_ = 0;
  }
}

int32_t SetupSession::reopen_port() {
  return api_.CV_OpenPort(definition_.port, definition_.baud, parity_text(definition_.parity), definition_.data_bits,
                          definition_.stop_bits, definition_.receive_buffer);
}

void SetupSession::open_device() {
  if (last_error_ != 0) return;
  int32_t channels = kMaxChannels;
  note(api_.CV_OpenDevice(offline_mode_, &channels));
  note(api_.CV_LoadDevSettings(kAllSelectors));
  int32_t count = 0;
  api_.CV_GetDevSettings(kCvDevChannelCount, &count);
  if (count < kChannelsPerDevice) {
    last_error_ = -1;
    api_.CV_CloseDevice();
    return;
  }
  device_open_ = true;
  channel_count_ = std::min(count, kMaxChannels);
  for (int c = 0; c < channel_count_; ++c) note(api_.CV_LoadChanSettings(c, kAllSelectors));
  // Measuring is switched on for every real amplifier channel.
  for (int c = 0; c < channel_count_; ++c) {
    const int32_t a = amplifier(c);
    if (a < kAmpFirst || a > kAmpLast || a == kAmpAux) continue;
    int32_t state = chan_int(c, kCvChanState);
    if (state == kStatePassive) state = kStateMeasure;
    if (state == kStateTare) state = kStateMeasureTare;
    write_setting(c, kCvChanState, &state);
  }
}

void SetupSession::send_all_settings() {
  note(api_.CV_SaveDevSettings(kAllSelectors));
  int32_t count = 0;
  api_.CV_GetDevSettings(kCvDevChannelCount, &count);
  channel_count_ = std::clamp(count, 0, kMaxChannels);
  for (int c = 0; c < channel_count_; ++c) {
    const int32_t selectors = settings_sent_for(amplifier(c));
    note(api_.CV_SaveChanSettings(c, selectors & ~kCvChanTare));
    // The tare value goes last and alone: a channel out of tare state keeps it with the warning
    // 10022, which must not stop the rest of the channel's settings.
    if ((selectors & kCvChanTare) != 0) {
      const int32_t result = api_.CV_SaveChanSettings(c, kCvChanTare);
      if (result != kCvWarnTareState) note(result);
    }
  }
  for (int c = channel_count_; c < kMaxChannels; ++c) channel_mark_[c] = 0;
}

bool SetupSession::activate() {
  if (command_line_setup_) {
    // The window closes at once; a failure of sending the file is told before it goes.
    if (last_error_ != 0 && !start_message_shown_) {
      view_.show_message(text(kTextErrorNumber) + std::to_string(last_error_) + ".");
    }
    return false;
  }
  if (last_error_ != 0) {
    // Without the define-instrument dialog to return to, the reason is shown before the window
    // closes (port failures were shown already with their own message).
    if (!start_message_shown_) view_.show_message(text(kTextErrorNumber) + std::to_string(last_error_) + ".");
    return false;
  }
  view_.set_timer_enabled(true);
  return true;
}

void SetupSession::close() {
  if (closed_) return;
  closed_ = true;
  popup_open_ = false;
  view_.set_timer_enabled(false);
  if (device_open_) {
    // No channel is left in shunt mode.
    for (int c = 0; c < channel_count_; ++c) {
      if (!shunt_type(amplifier(c)) || chan_int(c, kCvChanSignal) != kSignalShunt) continue;
      const int32_t off = kSignalMeasuring;
      api_.CV_SetChanSettings(c, kCvChanSignal, &off);
      api_.CV_SaveChanSettings(c, kCvChanSignal);
    }
    // A start that never opened the device leaves the last-state file as it was.
    api_.CV_WriteSettings(last_state_path().c_str(), 0);
    api_.CV_CloseDevice();
    device_open_ = false;
  }
  if (port_open_) {
    api_.QBX_Delay(kClosePortDelayMs);
    api_.CV_ClosePort();
    port_open_ = false;
  }
}

// ---------------------------------------------------------------------------------------------
// Driver reads

int32_t SetupSession::chan_int(int c, int32_t selector) const {
  int32_t value = 0;
  api_.CV_GetChanSettings(c, selector, &value);
  return value;
}

float SetupSession::chan_float(int c, int32_t selector) const {
  float value = 0.0f;
  api_.CV_GetChanSettings(c, selector, &value);
  return value;
}

std::string SetupSession::chan_text(int c, int32_t selector) const {
  char buffer[kTextRoom] = {};
  api_.CV_GetChanSettings(c, selector, buffer);
  return buffer;
}

std::string SetupSession::id_text(int32_t id) const {
  char buffer[kTextRoom] = {};
  api_.GetIDString(id, buffer);
  return buffer;
}

std::vector<int32_t> SetupSession::possible(int c, int32_t selector) const {
  int32_t list[kListRoom] = {};
  std::vector<int32_t> values;
  if (api_.CV_GetPsbleChanSettings(c, 0, selector, list) != 0) return values;
  for (int i = 0; i < kListRoom && list[i] != 0; ++i) values.push_back(list[i]);
  return values;
}

int32_t SetupSession::amplifier(int c) const { return chan_int(c, kCvChanAmplifier); }

bool SetupSession::inactive(int c) const {
  const int32_t a = amplifier(c);
  return a == kAmpNotConnected || a == kAmpAux;
}

bool SetupSession::is_digital(int c) const { return valid(c) && amplifier(c) == kAmpDigital; }

void SetupSession::write_setting(int c, int32_t selector, const void* value) {
  note(api_.CV_SetChanSettings(c, selector, value));
  note(api_.CV_SaveChanSettings(c, selector));
}

std::vector<int> SetupSession::targets(int c) const {
  std::vector<int> channels;
  if (!marked(c)) {
    channels.push_back(c);
    return channels;
  }
  for (int m = 0; m < channel_count_; ++m) {
    if (marked(m)) channels.push_back(m);
  }
  return channels;
}

// ---------------------------------------------------------------------------------------------
// Column fillers

void SetupSession::fill_all_columns() {
  fill_chan();
  fill_name();
  fill_trans();
  fill_range();
  fill_filter();
  fill_tare();
  fill_shunt();
  fill_tare_value();
  for (int c = 0; c < kMaxChannels; ++c) cell_text_[c][kColMark] = channel_mark_[c] != 0 ? "1" : "";
}

void SetupSession::fill_chan() {
  for (int c = 0; c < channel_count_; ++c) cell_text_[c][kColChan] = signed_number(c);
}

void SetupSession::fill_name() {
  for (int c = 0; c < channel_count_; ++c) {
    std::string name;
    if (!inactive(c)) {
      name = chan_text(c, kCvChanName);
      if (name.empty()) name = "Channel" + signed_number(c);
    }
    cell_text_[c][kColName] = name;
  }
}

void SetupSession::fill_trans() {
  for (int c = 0; c < channel_count_; ++c) {
    cell_text_[c][kColTrans] = std::to_string(transducer_picture(amplifier(c), chan_int(c, kCvChanTransducer)));
  }
}

void SetupSession::fill_range() {
  for (int c = 0; c < channel_count_; ++c) {
    const int32_t a = amplifier(c);
    const int32_t range = chan_int(c, kCvChanRange);
    cell_text_[c][kColRange] = a == kAmpNotConnected || a == kAmpDigital || a == kAmpAux ? "" : id_text(range);
    if (a != kAmpDigital) {
      channel_format_[c] = static_cast<int16_t>(decimals_for(range, chan_int(c, kCvChanTransducer)));
    }
  }
}

void SetupSession::fill_filter() {
  for (int c = 0; c < channel_count_; ++c) cell_text_[c][kColFilter] = id_text(chan_int(c, kCvChanFilterMode));
}

void SetupSession::fill_tare() {
  for (int c = 0; c < channel_count_; ++c) {
    cell_text_[c][kColTare] = no_tare_type(amplifier(c)) ? "-1" : tare_state(chan_int(c, kCvChanState)) ? "1" : "0";
  }
}

void SetupSession::fill_shunt() {
  for (int c = 0; c < channel_count_; ++c) {
    const int32_t a = amplifier(c);
    std::string t = "0";
    if (no_tare_type(a)) t = "-1";
    else if (shunt_type(a)) t = chan_int(c, kCvChanSignal) == kSignalShunt ? "1" : "0";
    cell_text_[c][kColShunt] = t;
  }
}

void SetupSession::fill_tare_value() {
  for (int c = 0; c < channel_count_; ++c) {
    cell_text_[c][kColTareValue] =
        no_tare_type(amplifier(c)) ? " " : value_text(chan_float(c, kCvChanTare), channel_format_[c]);
  }
}

// ---------------------------------------------------------------------------------------------
// Refresh timer

void SetupSession::tick() {
  if (in_tick_ || popup_open_ || closed_) return;
  in_tick_ = true;
  if (last_error_ != 0) {
    const std::string message = text(kTextErrorNumber) + std::to_string(last_error_) + ".";
    last_error_ = 0;
    view_.show_message(message);
  }
  refresh_values();
  in_tick_ = false;
}

void SetupSession::refresh_values() {
  if (!device_open_) return;
  if (offline_mode_ != 0) {
    for (int c = 0; c < channel_count_; ++c) {
      cell_text_[c][kColValue] = !inactive(c) && measuring_state(chan_int(c, kCvChanState)) ? "OFFLINE" : "";
    }
    return;
  }
  // A failed reading shows in every cell; it is not kept as an error to report (it would come
  // back every 200 ms while the line is down).
  if (api_.CV_MeasOneVal() != 0) {
    for (int c = 0; c < channel_count_; ++c) cell_text_[c][kColValue] = "ERROR";
    return;
  }
  for (int c = 0; c < channel_count_; ++c) {
    std::string& cell = cell_text_[c][kColValue];
    if (inactive(c) || !measuring_state(chan_int(c, kCvChanState))) {
      cell.clear();
    } else if (amplifier(c) == kAmpDigital) {
      digital_word_[c] = chan_int(c, kCvChanDigital);
      cell = digital_text(digital_word_[c], channel_format_[c]);
    } else {
      const float value = chan_float(c, kCvChanMeasured);
      cell = value_text(value, channel_format_[c]);
      if (!is_overflow(value)) cell += " " + chan_text(c, kCvChanUnit);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Marks

void SetupSession::mark_click(int channel, bool shift, bool ctrl) {
  if (!valid(channel)) return;
  if (shift) {
    const int from = std::min(anchor_, channel);
    const int to = std::max(anchor_, channel);
    for (int c = from; c <= to && c < channel_count_; ++c) channel_mark_[c] = -1;
  } else if (ctrl) {
    channel_mark_[channel] = channel_mark_[channel] != 0 ? 0 : -1;
  } else {
    anchor_ = channel;
    const int16_t was = channel_mark_[channel];
    channel_mark_.fill(0);
    channel_mark_[channel] = was != 0 ? 0 : -1;
  }
  for (int c = 0; c < kMaxChannels; ++c) cell_text_[c][kColMark] = channel_mark_[c] != 0 ? "1" : "";
}

void SetupSession::select_all() {
  for (int c = 0; c < channel_count_; ++c) channel_mark_[c] = -1;
  for (int c = 0; c < kMaxChannels; ++c) cell_text_[c][kColMark] = channel_mark_[c] != 0 ? "1" : "";
}

void SetupSession::deselect_all() {
  channel_mark_.fill(0);
  for (int c = 0; c < kMaxChannels; ++c) cell_text_[c][kColMark].clear();
}

// ---------------------------------------------------------------------------------------------
// Popups

std::vector<Choice> SetupSession::popup(int channel, int column) {
  std::vector<Choice> items;
  if (!valid(channel)) return items;
  const int32_t a = amplifier(channel);
  if (column == kColChan) {
    const int slot = channel % kChannelsPerDevice;
    if (offline_mode_ == 0 || slot < kFirstChoosableSlot || slot > kLastChoosableSlot) return items;
    for (int32_t type : kSlotAmplifierChoices) {
      Choice item;
      item.value = type;
      item.text = type == kAmpNotConnected ? text(kTextNo) : id_text(type);
      item.checked = type == a;
      items.push_back(item);
    }
    return items;
  }
  int32_t selector = 0;
  if (column == kColTrans) selector = kCvChanTransducer;
  if (column == kColRange) selector = kCvChanRange;
  if (column == kColFilter) selector = kCvChanFilterMode;
  if (selector == 0 || inactive(channel) || a == kAmpDigital) return items;
  const int32_t current = chan_int(channel, selector);
  for (int32_t value : possible(channel, selector)) {
    if (static_cast<int>(items.size()) == kPopupItems) break;
    Choice item;
    item.value = value;
    item.text = id_text(value);
    item.checked = value == current;
    if (selector == kCvChanTransducer) item.picture = transducer_picture(a, value);
    items.push_back(item);
  }
  return items;
}

void SetupSession::apply_popup(int channel, int column, int32_t value) {
  if (!valid(channel)) return;
  TimerPause pause(view_);
  for (int c : targets(channel)) {
    if (column == kColChan) {
      const int slot = c % kChannelsPerDevice;
      if (offline_mode_ == 0 || slot < kFirstChoosableSlot || slot > kLastChoosableSlot) continue;
      write_setting(c, kCvChanAmplifier, &value);
    } else if (column == kColTrans || column == kColRange || column == kColFilter) {
      const int32_t selector =
          column == kColTrans ? kCvChanTransducer : column == kColRange ? kCvChanRange : kCvChanFilterMode;
      const int32_t a = amplifier(c);
      if (inactive(c) || a == kAmpDigital) continue;
      const std::vector<int32_t> allowed = possible(c, selector);
      if (std::find(allowed.begin(), allowed.end(), value) == allowed.end()) continue;
      if (column == kColTrans) {
        note(api_.CV_SetChanSettings(c, kCvChanTransducer, &value));
        const std::vector<int32_t> ranges = possible(c, kCvChanRange);
        if (!ranges.empty()) note(api_.CV_SetChanSettings(c, kCvChanRange, &ranges.front()));
        note(api_.CV_SaveChanSettings(c, kCvChanTransducer | kCvChanRange));
      } else {
        write_setting(c, selector, &value);
      }
      continue;
    } else {
      continue;
    }
    // A new amplifier type: transducer and range go back to their first possible values.
    const std::vector<int32_t> transducers = possible(c, kCvChanTransducer);
    if (transducers.empty()) continue;
    note(api_.CV_SetChanSettings(c, kCvChanTransducer, &transducers.front()));
    const std::vector<int32_t> ranges = possible(c, kCvChanRange);
    if (!ranges.empty()) note(api_.CV_SetChanSettings(c, kCvChanRange, &ranges.front()));
    note(api_.CV_SaveChanSettings(c, kCvChanTransducer | kCvChanRange));
  }
  fill_all_columns();
}

// ---------------------------------------------------------------------------------------------
// Tare, shunt, editing, digital words

void SetupSession::toggle_tare(int channel) {
  if (!valid(channel) || no_tare_type(amplifier(channel))) return;
  TimerPause pause(view_);
  const bool set = !tare_state(chan_int(channel, kCvChanState));
  for (int c : targets(channel)) {
    if (no_tare_type(amplifier(c))) continue;
    int32_t state = chan_int(c, kCvChanState);
    if (state < kStatePassive || state > kStateMeasureTare) continue;
    state = set ? (state == kStatePassive ? kStateTare : state == kStateMeasure ? kStateMeasureTare : state)
                : (state == kStateTare ? kStatePassive : state == kStateMeasureTare ? kStateMeasure : state);
    write_setting(c, kCvChanState, &state);
  }
  fill_all_columns();
}

void SetupSession::toggle_shunt(int channel) {
  if (!valid(channel) || !shunt_type(amplifier(channel))) return;
  TimerPause pause(view_);
  const int32_t signal = chan_int(channel, kCvChanSignal) == kSignalMeasuring ? kSignalShunt : kSignalMeasuring;
  for (int c : targets(channel)) {
    if (shunt_type(amplifier(c))) write_setting(c, kCvChanSignal, &signal);
  }
  fill_all_columns();
}

bool SetupSession::editable(int channel, int column) const {
  if (!valid(channel)) return false;
  if (column == kColTareValue) return !no_tare_type(amplifier(channel));
  if (column == kColName) return !inactive(channel);
  return false;
}

void SetupSession::commit_edit(int channel, int column, const std::string& text) {
  if (!editable(channel, column)) return;
  TimerPause pause(view_);
  if (column == kColName) {
    // The name goes to the driver at once, so that refilling the column keeps it.
    const std::string name = text.empty() ? " " : text;
    write_setting(channel, kCvChanName, name.c_str());
    cell_text_[channel][kColName] = text;
    return;
  }
  const float tare = static_cast<float>(leading_number(text));
  write_setting(channel, kCvChanTare, &tare);
  fill_tare_value();
}

void SetupSession::step_digital_form(int channel) {
  if (!is_digital(channel)) return;
  int16_t& form = channel_format_[channel];
  form = static_cast<int16_t>(form >= kDigitalBinary || form < kDigitalDecimal ? kDigitalDecimal : form + 1);
  cell_text_[channel][kColValue] = digital_text(digital_word_[channel], form);
}

void SetupSession::toggle_digital_bit(int channel, int bit) {
  if (!is_digital(channel) || bit < 0 || bit > 15) return;
  TimerPause pause(view_);
  digital_word_[channel] ^= (1 << bit);
  write_setting(channel, kCvChanDigital, &digital_word_[channel]);
  cell_text_[channel][kColValue] = digital_text(digital_word_[channel], channel_format_[channel]);
}

// ---------------------------------------------------------------------------------------------
// Combo boxes

std::vector<Choice> SetupSession::combo(int selector) {
  std::vector<Choice> items;
  int32_t list[kListRoom] = {};
  if (api_.CV_GetPsbleDevSettings(0, selector, list) != 0) return items;
  int32_t current = 0;
  api_.CV_GetDevSettings(selector, &current);
  const int limit = selector == kCvDevRate ? kRateItems : selector == kCvDevFilterFrequency ? kFilterFrequencyItems : kListRoom;
  for (int i = 0; i < kListRoom && list[i] != 0 && i < limit; ++i) {
    Choice item;
    item.value = list[i];
    item.text = id_text(list[i]);
    item.checked = list[i] == current;
    items.push_back(item);
  }
  return items;
}

void SetupSession::choose_combo(int selector, int32_t value) {
  if (!combo_events_enabled_) return;
  if (closed_ || !device_open_) return;
  TimerPause pause(view_);
  int32_t current = 0;
  api_.CV_GetDevSettings(selector, &current);
  if (current == value) return;
  note(api_.CV_SetDevSettings(selector, &value));
  note(api_.CV_SaveDevSettings(selector));
}

// ---------------------------------------------------------------------------------------------
// Buttons and menus

void SetupSession::tare() {
  if (closed_ || !device_open_) return;
  TimerPause pause(view_);
  note(api_.CV_DoTara());
  fill_all_columns();
}

bool SetupSession::add_device() {
  if (offline_mode_ == 0) return false;
  if (closed_ || !device_open_) return false;
  if (channel_count_ >= kMaxChannels) {
    view_.beep();
    view_.show_message(text(kTextNoMoreDevices));
    return false;
  }
  channel_count_ += kChannelsPerDevice;
  const int32_t count = channel_count_;
  note(api_.CV_SetDevSettings(kCvDevChannelCount, &count));
  fill_all_columns();
  return true;
}

bool SetupSession::remove_device() {
  if (offline_mode_ == 0) return false;
  if (closed_ || !device_open_) return false;
  if (channel_count_ <= kChannelsPerDevice) {
    view_.beep();
    view_.show_message(text(kTextLastDevice));
    return false;
  }
  channel_count_ -= kChannelsPerDevice;
  const int32_t count = channel_count_;
  note(api_.CV_SetDevSettings(kCvDevChannelCount, &count));
  for (int c = channel_count_; c < kMaxChannels; ++c) channel_mark_[c] = 0;
  fill_all_columns();
  return true;
}

bool SetupSession::undo_all() {
  if (closed_ || !device_open_) return false;
  if (!view_.ask_yes_no(text(kTextUndoQuestion))) return false;
  TimerPause pause(view_);
  // A missing or unreadable last-state file keeps the device open and the window working; the
  // failure is reported by the next tick.
  if (note(api_.CV_ReadSettings(last_state_path().c_str(), 0)) != 0) return false;
  send_all_settings();
  fill_all_columns();
  return true;
}

void SetupSession::load_setup(const std::string& path) {
  if (closed_ || !device_open_) return;
  TimerPause pause(view_);
  setup_file_name_ = file_title(path);
  if (ends_with_lower(path, ".cv")) {
    import_old_setup(path);
  } else {
    note(api_.CV_ReadSettings(path.c_str(), kBinaryForm));
  }
  send_all_settings();
  fill_all_columns();
}

void SetupSession::import_old_setup(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    note(kCvFileOpenFailed);
    return;
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int32_t status = 0;
  std::string problem;
  const std::optional<OldSetup> setup = parse_old_setup(bytes, &status, &problem);
  if (!setup) {
    // An unknown version is reported by the timer like every driver status; a damaged file gets
    // its reason at once.
    if (status == kOldSetupUnknownVersion) {
      note(status);
    } else {
      view_.show_message("The setup file " + path + " is damaged and was not imported: " + problem + ".");
    }
    return;
  }
  const int32_t filter_type = setup->filter_type;
  if (std::find(std::begin(kFilterTypes), std::end(kFilterTypes), filter_type) != std::end(kFilterTypes)) {
    note(api_.CV_SetDevSettings(kCvDevFilterType, &filter_type));
    note(api_.CV_SaveDevSettings(kCvDevFilterType));
  }
  const int32_t frequency = old_filter_frequency_id(setup->filter_frequency);
  if (frequency >= kFirstImportedFrequencyId && frequency <= kLastImportedFrequencyId) {
    note(api_.CV_SetDevSettings(kCvDevFilterFrequency, &frequency));
    note(api_.CV_SaveDevSettings(kCvDevFilterFrequency));
  }
  const int channels = std::min(channel_count_, static_cast<int>(setup->channels.size()));
  for (int c = 0; c < channels; ++c) {
    const OldChannel& old = setup->channels[static_cast<size_t>(c)];
    const int32_t a = amplifier(c);
    if (a == kAmpAux || a != old.amplifier) continue;
    // Only what the channel's amplifier has goes to it (an unconnected slot has no transducer).
    const int32_t sent = settings_sent_for(a);
    if ((sent & kCvChanTransducer) != 0) write_setting(c, kCvChanTransducer, &old.transducer);
    if ((sent & kCvChanRange) != 0 && std::isfinite(old.range) && std::fabs(old.range) < 1e9) {
      const int32_t range = static_cast<int32_t>(std::lround(old.range));
      write_setting(c, kCvChanRange, &range);
    }
    if ((sent & kCvChanFilterMode) != 0) write_setting(c, kCvChanFilterMode, &old.filter);
    if (no_tare_type(a)) continue;
    int32_t state = chan_int(c, kCvChanState);
    if (!old.tare && state > kStateMeasure) state -= 2;
    if (old.tare && state < kStateTare) state += 2;
    write_setting(c, kCvChanState, &state);
    const float tare = static_cast<float>(old.tare_value);
    const int32_t result = api_.CV_SetChanSettings(c, kCvChanTare, &tare);
    note(result);
    const int32_t saved = api_.CV_SaveChanSettings(c, kCvChanTare);
    if (saved != kCvWarnTareState) note(saved);
  }
}

void SetupSession::save_setup(const std::string& path) {
  if (closed_ || !device_open_) return;
  TimerPause pause(view_);
  last_save_path_ = path;
  for (int c = 0; c < channel_count_; ++c) {
    const std::string& name = cell_text_[c][kColName];
    write_setting(c, kCvChanName, name.empty() ? " " : name.c_str());
  }
  note(api_.CV_WriteSettings(path.c_str(), ends_with_lower(path, "txt") ? kTextForm : kBinaryForm));
  setup_file_name_ = file_title(path);
}

std::string SetupSession::print_file_path() const { return folder_ + "/" + kPrintFile; }

void SetupSession::print_setup() {
  if (closed_ || !device_open_) return;
  TimerPause pause(view_);
  const bool shares_port = is_parallel_port(definition_.port) && port_open_;
  if (shares_port) {
    api_.QBX_Delay(kClosePortDelayMs);
    api_.CV_ClosePort();
    port_open_ = false;
  }
  const std::string path = print_file_path();
  if (note(api_.CV_WriteSettings(path.c_str(), kTextForm)) == 0) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    in.close();
    view_.print_lines(lines);  // printing errors end the command quietly
  }
  std::remove(path.c_str());
  if (shares_port) {
    int32_t last = 0;
    view_.wait_for_port([this, &last] { return last = reopen_port(); });
    port_open_ = last >= 0;
  }
}

int SetupSession::device_test_count() {
  int32_t count = 0;
  api_.CV_GetDevSettings(kCvDevChannelCount, &count);
  return std::clamp(count, 0, kMaxChannels) / kChannelsPerDevice;
}

DeviceTestInfo SetupSession::device_test_info(int n) {
  DeviceTestInfo info;
  if (closed_ || !device_open_ || n < 1) return info;
  char version[kTextRoom] = {};
  api_.CV_GetVersion(version);
  const bool reports_chain = reports_every_device(version);
  auto identity = [&](int32_t device_selector, int32_t system_selector) {
    char text[kTextRoom] = {};
    if (reports_chain) {
      api_.CV_GetSystemSettings(n - 1, system_selector, text);
    } else if (n == 1) {
      api_.CV_GetDevSettings(device_selector, text);
    }
    text[kIdentityRoom - 1] = '\0';
    return std::string(text);
  };
  info.serial = identity(kCvDevSerial, kSystemSerial);
  info.version = identity(kCvDevVersion, kSystemVersion);
  const int first = (n - 1) * kChannelsPerDevice;
  if (first < channel_count_) {
    info.first_amplifier = amplifier(first);
    for (int slot = 0; slot < kSlotsShown; ++slot) info.slot_types[static_cast<size_t>(slot)] = amplifier(first + slot);
  }
  return info;
}

void SetupSession::set_com_log(bool on) {
  if (on) {
    api_.QBX_SetLogFile(com_log_path().c_str());
    note(api_.QBX_EnableComLog());
  } else {
    api_.QBX_DisableComLog();
  }
}

void SetupSession::delete_com_log() {
  api_.QBX_DisableComLog();
  std::remove(com_log_path().c_str());
}

// ---------------------------------------------------------------------------------------------
// What the window shows

std::string SetupSession::title() {
  return text(kTextWindowTitle) + kVersionText + " <" + setup_file_name_ + ">";
}

std::string SetupSession::device_caption() {
  char name[kTextRoom] = {};
  api_.CV_GetDevSettings(kCvDevType, name);
  return text(kTextDevice) + ": " + (name[0] != '\0' ? std::string(name) : std::string("xxx"));
}

std::string SetupSession::display_text(int channel, int column) const {
  if (channel < 0 || channel >= kMaxChannels) return {};
  const std::string& t = cell_text_[channel][column];
  switch (column) {
    case kColChan:
    case kColRange:
    case kColFilter:
      return " " + t;
    case kColName:
      return t + " ";
    case kColValue:
      return t + " ";
    case kColTareValue:
      return t;
    default:
      return {};
  }
}

CellPicture SetupSession::cell_picture(int channel, int column) const {
  if (channel < 0 || channel >= kMaxChannels) return CellPicture::kNone;
  const std::string& t = cell_text_[channel][column];
  switch (column) {
    case kColMark:
      return t == "1" ? CellPicture::kMarked : CellPicture::kNone;
    case kColTare:
    case kColShunt:
      return t == "1" ? CellPicture::kSet : t == "0" ? CellPicture::kNotSet : CellPicture::kNone;
    case kColTrans:
      return transducer_picture_of(channel) >= 0 ? CellPicture::kTransducer : CellPicture::kNone;
    default:
      return CellPicture::kNone;
  }
}

int SetupSession::transducer_picture_of(int channel) const {
  const std::string& t = cell_text_[channel][kColTrans];
  return t.empty() ? -1 : std::atoi(t.c_str());
}

}  // namespace setup
