// Setting up and driving the acquisition kernel for a recording, in the kernel's calling order:
// devices, headers, buffers, device and channel set-up, start, then reset-and-read per block, and
// the stop. The kernel's Corvane start switches every channel off and the recorded ones to
// measure without tare; the states found before are put back at the end, and the tare of a
// channel in tare state is applied in the kernel (as its zero offset) so that its values stay net
// values. A YALPLUS rack keeps its own channel states: nothing is put back there.
#include "kernel_recording.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "channel_view.h"
#include "line_query.h"
#include "linkar32.h"
#include "messages.h"
#include "tallix32.h"
#include "text_codec.h"

namespace corvane_cli {
namespace {

constexpr int32_t kAllChannels = 100;  // "ACT100,s": every channel of the chain
constexpr int32_t kStateMeasureTare = 6203, kStateTare = 6202;
constexpr int32_t kCmdGetTransducer = 109, kCmdGetTare = 115;
constexpr int16_t kSignalMeasured = 8;
constexpr int32_t kFullScale = 25000;
constexpr int32_t kLinRange = 1, kLinThermo = 3;
constexpr int32_t kFormulaText = 0;
constexpr int16_t kSortIndex = 13;
constexpr int32_t kDeviceLastError = 0;    // QBX_ACQGetDeviceStatus item
constexpr int32_t kYalplusSlots = 16;      // amplifier slots 1..16 of a rack
constexpr int32_t kYalplusEmptySlot = 0;   // "AMT?" of a slot without an amplifier
constexpr int16_t kYalplusGross = 0;       // sort index: the gross signal
constexpr int16_t kYalplusFifo = 0;        // the stream every recorded channel feeds
constexpr const char* kDegreesLatin1 = "\xB0" "C";

// Transducers whose values the kernel linearises to degrees Celsius (thermocouples J, K, T, S,
// E, N, R and the resistance thermometers Pt100, Pt500, Pt1000).
bool thermo_transducer(int32_t id) { return (id >= 450 && id <= 456) || (id >= 501 && id <= 503); }

// One command line to a line's device and its reply line (without CR LF); "" when it failed.
std::string exchange(const OpenLine& line, const std::string& command) {
  QBX_SelectPort(line.port_number);
  QBX_SelectDevice(line.address);
  std::string text;
  if (query_line(command, &text) != 0) return {};
  if (text.find('?') != std::string::npos) exchange(line, "EST?\n");  // clears the refusal's error
  return text;
}

std::vector<long> numbers(const std::string& text) {
  std::vector<long> out;
  const char* p = text.c_str();
  while (*p != 0) {
    char* end = nullptr;
    long v = std::strtol(p, &end, 10);
    if (end == p) break;
    out.push_back(v);
    p = *end == ',' ? end + 1 : end;
  }
  return out;
}

int32_t device_type(const LineChain& chain) { return chain.yalplus() ? kAcqTypeYalplus : kAcqTypeCorvane; }

std::string kernel_failure(const std::string& what, int32_t status) {
  return what + ": " + status_text(Driver{}, status, StatusContext::kKernel) + ".";
}

}  // namespace

std::vector<LineChain> query_chains(const Session& s) {
  std::vector<LineChain> chains;
  int32_t next = 0;
  for (const OpenLine& line : s.lines()) {
    LineChain chain;
    chain.line = line;
    chain.first_channel = next;
    if (chain.yalplus()) {
      // Slot n is the rack's channel n; channel 0 has no amplifier.
      chain.amplifiers.assign(kYalplusSlots + 1, kAmpNotConnected);
      bool answered = false;
      for (int32_t slot = 1; slot <= kYalplusSlots; ++slot) {
        if (exchange(line, "PCS" + std::to_string(slot) + "\n").empty()) continue;
        const std::string type = exchange(line, "AMT?\n");
        answered = answered || !type.empty();
        const std::vector<long> v = numbers(type);
        if (type.find('?') == std::string::npos && !v.empty() && v[0] != kYalplusEmptySlot) {
          chain.amplifiers[static_cast<size_t>(slot)] = static_cast<int32_t>(v[0]);
        }
      }
      if (!answered) {
        throw CommandError(tr("The YALPLUS on {} does not report its amplifiers (AMT?).", line.choice.text));
      }
    } else {
      const std::vector<long> pairs = numbers(exchange(line, "AID?\n"));
      for (size_t i = 0; i + 1 < pairs.size(); i += 2) {
        const auto channel = static_cast<size_t>(pairs[i]);
        if (channel >= chain.amplifiers.size()) chain.amplifiers.resize(channel + 1, kAmpNotConnected);
        chain.amplifiers[channel] = static_cast<int32_t>(pairs[i + 1]);
      }
      if (chain.amplifiers.empty()) {
        throw CommandError(tr("The Corvane on {} does not report its amplifiers (AID?).", line.choice.text));
      }
    }
    next += static_cast<int32_t>(chain.amplifiers.size());
    chains.push_back(std::move(chain));
  }
  return chains;
}

KernelRecording::KernelRecording(const std::vector<LineChain>& chains, const std::vector<int32_t>& channels,
                                 const std::vector<std::string>& names, const std::vector<FormulaOption>& formulas,
                                 float rate, int32_t block, int16_t storage_mode)
    : chains_(chains) {
  // Which line and which chain channel each tool channel is.
  struct Place {
    size_t line;
    int16_t hardware;
  };
  std::vector<Place> places;
  std::map<int32_t, int32_t> kernel_of;
  for (size_t i = 0; i < channels.size(); ++i) {
    const int32_t c = channels[i];
    bool found = false;
    for (size_t d = 0; d < chains_.size() && !found; ++d) {
      const LineChain& ch = chains_[d];
      const int32_t local = c - ch.first_channel;
      if (local < 0 || local >= static_cast<int32_t>(ch.amplifiers.size())) continue;
      if (ch.amplifiers[static_cast<size_t>(local)] == kAmpNotConnected) {
        throw CommandError(tr("Channel {} has no amplifier (an empty slot on {}).", c, ch.line.choice.text), kExitUsage);
      }
      places.push_back({d, static_cast<int16_t>(local)});
      found = true;
    }
    if (!found) {
      const int32_t total = chains_.empty() ? 0 : chains_.back().first_channel +
                                                      static_cast<int32_t>(chains_.back().amplifiers.size());
      throw CommandError(tr("There is no channel {}: the lines have channels 0 to {}.", c, total - 1), kExitUsage);
    }
    kernel_of[c] = static_cast<int32_t>(i + 1);
  }
  // Formula texts in the kernel's numbering (checked before anything is sent).
  std::vector<std::string> kernel_texts;
  for (const FormulaOption& f : formulas) kernel_texts.push_back(translate_formula(f, kernel_of));

  // The amplifier states now, to be put back at the end.
  for (const LineChain& ch : chains_) {
    std::vector<int32_t> states;
    for (size_t c = 0; c < ch.amplifiers.size() && !ch.yalplus(); ++c) {
      const std::vector<long> v = numbers(exchange(ch.line, "ACT?" + std::to_string(c) + "\n"));
      states.push_back(v.empty() ? 0 : static_cast<int32_t>(v[0]));
    }
    states_.push_back(std::move(states));
  }
  try {
    QBX_ACQInitAcqHdr();
    QBX_ACQResetTriggers();  // a free-running start: no trigger record names a device
    const auto devices = static_cast<int32_t>(chains_.size());
    const float rates[6] = {rate, 0, 0, 0, 0, 0};
    const uint8_t two_byte_samples[6] = {1, 1, 1, 1, 1, 1};
    const uint8_t four_byte_samples[6] = {};  // a rack's FIFOs: 24-bit samples with a status byte
    for (int32_t d = 0; d < devices; ++d) {
      const LineChain& chain = chains_[static_cast<size_t>(d)];
      const OpenLine& l = chain.line;
      const int32_t type = device_type(chain);
      QBX_ACQSetDeviceInfo(d, type, l.port_number, l.address, 0, 0, devices, 0, rates,
                           chain.yalplus() ? four_byte_samples : two_byte_samples);
      const int32_t r = QBX_ACQInitDevice(d, type, l.port_number, l.address);
      if (r != 0) {
        throw CommandError(kernel_failure(chain.yalplus() ? tr("Setting up the YALPLUS on {} failed", l.choice.text)
                                                          : tr("Setting up the Corvane on {} failed", l.choice.text),
                                          r));
      }
    }
    for (size_t i = 0; i < channels.size(); ++i) {
      const auto ch = static_cast<int32_t>(i + 1);
      const LineChain& chain = chains_[places[i].line];
      const OpenLine& l = chain.line;
      AcqHdr h{};
      QBX_ACQGetAcqHdr(ch, &h);
      h.device_type = static_cast<int16_t>(device_type(chain));
      h.device_address = static_cast<int16_t>(l.address);
      h.interface = static_cast<int16_t>(l.port_number);
      h.acq_class = 0;
      h.hardware_channel = places[i].hardware;
      h.signal_kind = kSignalMeasured;
      h.sort_index = chain.yalplus() ? kYalplusGross : kSortIndex;
      h.sub_channel = 0;  // a rack slot's own signal
      h.fifo = kYalplusFifo;
      h.device_number = static_cast<int16_t>(places[i].line);
      QBX_ACQSetAcqHdr(ch, &h);
      RecordedChannel rc;
      rc.kernel = ch;
      rc.tool = channels[i];
      rc.name = names[i];
      channels_.push_back(rc);
    }
    for (size_t j = 0; j < formulas.size(); ++j) {
      const auto ch = static_cast<int32_t>(channels.size() + j + 1);
      const int32_t r = QBX_ACQCreateFormula(ch, kernel_texts[j].c_str(), kFormulaText, nullptr, 0);
      if (r != 0) throw CommandError(kernel_failure(tr("The formula {} was refused", formulas[j].name), r));
      RecordedChannel rc;
      rc.kernel = ch;
      rc.name = formulas[j].name;
      rc.unit = formulas[j].unit;
      rc.formula = formulas[j].text;
      channels_.push_back(rc);
    }
    for (const RecordedChannel& rc : channels_) {
      list_.push_back(rc.kernel);
      const int32_t r = QBX_ACQAllocIOBuf(rc.kernel, block, 0);
      if (r != 0) throw CommandError(kernel_failure(tr("No buffer for channel {}", rc.name), r));
    }
    const int32_t r = QBX_ACQInitChan(static_cast<int32_t>(list_.size()), list_.data(), 0, 0);
    if (r != 0) throw CommandError(kernel_failure(tr("Setting up the channels failed"), r));
    for (size_t i = 0; i < channels_.size(); ++i) {
      RecordedChannel& rc = channels_[i];
      AcqHdr h{};
      QBX_ACQGetAcqHdr(rc.kernel, &h);
      h.storage_mode = storage_mode;
      if (rc.tool >= 0 && chains_[places[i].line].yalplus()) {
        // The rack's channel set-up read the span as range and the count of 24-bit samples.
        QBX_ACQSetLinMode(rc.kernel, kLinRange);
        rc.range = h.range;
        rc.full_scale = h.full_scale;
        rc.unit = latin1_to_utf8(std::string(h.unit, strnlen(h.unit, sizeof h.unit)));
      } else if (rc.tool >= 0) {
        int16_t ch16 = static_cast<int16_t>(rc.kernel);
        int32_t transducer = 0;
        QBX_ACQCmd(1, &ch16, kCmdGetTransducer, &transducer);
        rc.temperature = thermo_transducer(transducer);
        QBX_ACQSetLinMode(rc.kernel, rc.temperature ? kLinThermo : kLinRange);
        rc.range = h.range;
        const int32_t state = states_[places[i].line][static_cast<size_t>(places[i].hardware)];
        if (state == kStateTare || state == kStateMeasureTare) {
          float tare = 0;
          if (QBX_ACQCmd(1, &ch16, kCmdGetTare, &tare) == 0) h.zero_offset = -tare;
        }
        if (h.full_scale != kFullScale && h.full_scale <= 0) h.full_scale = kFullScale;
        rc.full_scale = h.full_scale;
        rc.unit = rc.temperature ? latin1_to_utf8(kDegreesLatin1)
                                 : latin1_to_utf8(std::string(h.unit, strnlen(h.unit, sizeof h.unit)));
      }
      QBX_ACQSetAcqHdr(rc.kernel, &h);
    }
    QBX_ACQSetSampleRate(rate);
  } catch (...) {
    for (int32_t ch : list_) QBX_ACQFreeIOBuf(ch);
    for (size_t j = 0; j < formulas.size(); ++j) QBX_ACQDestroyFormula(static_cast<int32_t>(channels.size() + j + 1));
    restore_states();
    throw;
  }
}

KernelRecording::~KernelRecording() {
  stop();
  for (const RecordedChannel& rc : channels_) {
    QBX_ACQFreeIOBuf(rc.kernel);
    if (rc.tool < 0) QBX_ACQDestroyFormula(rc.kernel);
  }
  restore_states();
}

void KernelRecording::start() {
  const int32_t r = QBX_ACQStartMultiScan(static_cast<int32_t>(list_.size()), list_.data(), 0, 0, 0, nullptr);
  if (r != 0) {
    QBX_ACQResetMultiScan();
    throw CommandError(kernel_failure(tr("Starting the recording failed"), r));
  }
  running_ = true;
  QBX_ACQGetSampleRate(&rate_);
}

int32_t KernelRecording::read(int32_t scans, bool again) {
  if (!again) QBX_ACQResetDeviceStatus();
  int32_t length = scans;
  return QBX_ACQReadMultiScan(static_cast<int32_t>(list_.size()), list_.data(), &length, 0.0, 0, 0, 0);
}

int32_t KernelRecording::stop() {
  if (!running_) return 0;
  running_ = false;
  const int32_t r = QBX_ACQStopMultiScan();
  if (r != 0) QBX_ACQResetMultiScan();
  return r;
}

int32_t KernelRecording::block_values(size_t i, double* out, int32_t capacity) const {
  const int32_t ch = channels_[i].kernel;
  const int32_t n = std::min(QBX_ACQGetIOBufCurrLen(ch), capacity);
  if (n <= 0 || QBX_ACQGetIOBuf(ch, 0, n, out) != 0) return 0;
  return n;
}

int32_t KernelRecording::delivered() const {
  int32_t n = INT32_MAX;
  for (const RecordedChannel& rc : channels_) {
    if (rc.tool >= 0) n = std::min(n, std::max(0, QBX_ACQGetIOBufCurrLen(rc.kernel)));
  }
  return n == INT32_MAX ? 0 : n;
}

int32_t KernelRecording::device_error() const {
  for (size_t d = 0; d < chains_.size(); ++d) {
    const int32_t e = QBX_ACQGetDeviceStatus(static_cast<int32_t>(d), kDeviceLastError);
    if (e < 0) return e;
  }
  return 0;
}

void KernelRecording::restore_states() {
  for (size_t d = 0; d < chains_.size() && d < states_.size(); ++d) {
    if (chains_[d].yalplus()) continue;
    const OpenLine& line = chains_[d].line;
    // A line that no longer answers is not asked channel by channel (each would wait a time-out).
    if (exchange(line, "ACT" + std::to_string(kAllChannels) + ",0\n").empty()) continue;
    for (size_t c = 0; c < states_[d].size(); ++c) {
      if (states_[d][c] == 0 || chains_[d].amplifiers[c] == kAmpNotConnected) continue;
      exchange(line, "ACT" + std::to_string(c) + "," + std::to_string(states_[d][c]) + "\n");
    }
  }
  states_.clear();
}

}  // namespace corvane_cli
