// The YALPLUS engine: the rack's selection state (slot, sub-channel, default and per-slot signals
// and FIFOs, the measured slot list), the FIFOs with their formats, rates and fill on the virtual
// clock, the trigger block, the binary blocks of "RMB?", the disk files, and the YALPRESS
// evaluation replies. One lock guards everything.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <mutex>
#include <set>

#include "corvane_sim/yalplus.h"

#include "ascii_instrument.h"

namespace corvane_sim {

namespace {

constexpr int32_t kSignalCodes[] = {214, 215, 204, 205, 217, 289};
constexpr int32_t kFormat4 = 1253;
constexpr int32_t kFormat2 = 1255;
constexpr int32_t kNoCondition = 6100;
constexpr int32_t kNoSuchCommand = 1;
constexpr int32_t kBadParameter = 2;
constexpr int kAllSlots = -1;
constexpr int kFifoBoth = 4;
// Parameter words of the amplifier that "<word><value>" sets and "<word>?" reads back.
constexpr std::string_view kParameterWords = "TAV CDV CAL CPV CAP CAV AIS ACL GFV BFV SFC SAD LVL";
constexpr int64_t kEndless = std::numeric_limits<int64_t>::max() / 4;

struct RateRow {
  int32_t code;
  double rate;
};
constexpr RateRow kRates[] = {
    {6361, 0.0001}, {6360, 0.0002}, {6359, 0.0005}, {6358, 0.001}, {6357, 0.002}, {6356, 0.005},
    {6355, 0.01},   {6354, 0.02},   {6353, 0.05},   {6352, 0.1},   {6351, 0.2},   {6350, 0.5},
    {6300, 1},      {6301, 2},      {6321, 3},      {6322, 4},     {6302, 5},     {6323, 6},
    {6324, 8},      {6303, 10},     {6325, 15},     {6326, 20},    {6304, 25},    {6327, 30},
    {6305, 50},     {6306, 60},     {6307, 75},     {6330, 80},    {6308, 100},   {6332, 120},
    {6309, 150},    {6333, 160},    {6310, 200},    {6335, 240},   {6311, 300},   {6312, 400},
    {6338, 480},    {6313, 600},    {6314, 800},    {6315, 1200},  {6317, 2400},  {6319, 4800},
    {6320, 9600},   {6345, 19200},
};

double rate_of(int32_t code) {
  for (const RateRow& r : kRates)
    if (r.code == code) return r.rate;
  return 0.0;
}

bool known_signal(int32_t code) { return std::find(std::begin(kSignalCodes), std::end(kSignalCodes), code) != std::end(kSignalCodes); }

// Wraps a count into a signed field of `bits`.
int32_t wrap(int64_t v, int bits) {
  const int64_t span = int64_t{1} << bits;
  int64_t w = ((v + span / 2) % span + span) % span - span / 2;
  return static_cast<int32_t>(w);
}

// The lead-in of a binary block: '#' and the payload byte count in 3 big-endian bytes.
std::string be_count(size_t bytes) {
  std::string lead = "#";
  put_be(lead, bytes, 3);
  return lead;
}

void put16(std::string& out, int32_t v) { put_be(out, static_cast<uint16_t>(v), 2); }

}  // namespace

struct YalplusEngine::Impl {
  explicit Impl(YalplusConfig c) : config(std::move(c)) {}

  struct SubSetting {
    int32_t signal = 0;  // 0: the default
    int fifo = -1;       // -1: the default
  };
  struct SlotSetting {
    std::vector<int32_t> signals;  // MSS list of a slot without sub-channels
    int fifo = -1;
    std::vector<int> subs;  // SMS list
    std::map<int, SubSetting> sub_settings;
  };
  struct Fifo {
    int width = 4;
    double rate = 0.0;
    int64_t next = 0;   // next scan to deliver
    int64_t first = 0;  // the window of scans the FIFO holds
    int64_t last = kEndless;
    bool overflowed = false;
    int64_t delivered = 0;
  };

  // Device time in ns: the virtual clock, or the monotonic clock since construction.
  int64_t now() const {
    if (config.virtual_clock) return now_ns;
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - origin).count();
  }

  // --- Acquisition state -------------------------------------------------------------------
  int64_t taken(const Fifo& f) const {
    if (!running || f.rate <= 0.0) return 0;
    const double scans = static_cast<double>(now() - start_ns) * f.rate / 1e9;
    return static_cast<int64_t>(std::floor(scans + 1e-9));
  }
  // Scans the FIFO holds for delivery; marks an overflow.
  int64_t available(Fifo& f) {
    if (!running || (armed && !triggered)) return 0;
    const int64_t end = std::min(taken(f), f.last);
    int64_t n = std::max<int64_t>(0, end - std::max(f.next, f.first));
    if (n > config.fifo_capacity) {
      f.overflowed = true;
      f.last = std::max(f.next, f.first) + config.fifo_capacity;
      n = config.fifo_capacity;
    }
    return n;
  }
  bool filling(Fifo& f) {
    if (!running) return false;
    available(f);
    return !f.overflowed && !(armed && triggered && taken(f) >= f.last);
  }

  std::vector<YalplusEntry> entries(int fifo) const {
    std::vector<YalplusEntry> out;
    auto in_fifo = [fifo](int f) { return f == fifo || (f == kFifoBoth && fifo <= 1); };
    for (int slot : measured_slots) {
      if (slot > kYalplusSlots) continue;
      auto it = slots.find(slot);
      if (it == slots.end()) continue;
      const SlotSetting& s = it->second;
      if (!s.subs.empty()) {
        for (int sub : s.subs) {
          SubSetting ss;
          if (auto o = s.sub_settings.find(sub); o != s.sub_settings.end()) ss = o->second;
          const int f = ss.fifo >= 0 ? ss.fifo : default_fifo;
          if (in_fifo(f)) out.push_back({slot, sub, ss.signal != 0 ? ss.signal : default_signal});
        }
      } else {
        const int f = s.fifo >= 0 ? s.fifo : default_fifo;
        if (in_fifo(f))
          for (int32_t signal : s.signals) out.push_back({slot, 0, signal});
      }
    }
    if (out.empty()) return out;
    if (measured_slots.count(kYalplusTimeHigh) || measured_slots.count(kYalplusTimeLow)) {
      out.push_back({kYalplusTimeHigh, 0, 0});
      out.push_back({kYalplusTimeLow, 0, 0});
    }
    if (measured_slots.count(kYalplusCounter)) out.push_back({kYalplusCounter, 0, 0});
    return out;
  }

  std::string block(int fifo, int64_t scans_asked) {
    Fifo& f = fifos[static_cast<size_t>(fifo)];
    const int64_t scans = std::min(scans_asked, available(f));
    const std::vector<YalplusEntry> words = entries(fifo);
    std::string payload;
    const int64_t from = std::max(f.next, f.first);
    for (int64_t k = from; k < from + scans; ++k) {
      for (const YalplusEntry& e : words) {
        const int64_t time = config.time_origin + k;
        int32_t v;
        uint8_t st = 0;
        if (e.slot == kYalplusTimeHigh) {
          v = static_cast<int32_t>(f.width == 4 ? time >> 23 : time >> 16);
        } else if (e.slot == kYalplusTimeLow) {
          v = static_cast<int32_t>(f.width == 4 ? time & 0x7FFFFF : time & 0xFFFF);
        } else if (e.slot == kYalplusCounter) {
          v = wrap(k, f.width == 4 ? 24 : 16);
        } else {
          v = sample(e.slot, e.sub, e.signal, k, f.width);
          st = status(e.slot, e.sub, k);
        }
        if (f.width == 4) {
          put_be(payload, static_cast<uint32_t>(v) << 8 | st, 4);
        } else {
          put16(payload, v);
        }
      }
    }
    f.next = from + scans;
    f.delivered += scans;
    return be_count(payload.size()) + payload;
  }

  void start_measuring(int64_t block_length, int64_t pretrigger) {
    running = true;
    triggered = false;
    start_ns = now();
    block_scans = block_length;
    pretrigger_scans = pretrigger;
    for (Fifo& f : fifos) {
      f.next = 0;
      f.first = 0;
      f.last = kEndless;
      f.overflowed = false;
      f.delivered = 0;
    }
  }

  // --- Command handling ----------------------------------------------------------------------
  std::string ok() { return "0\r\n"; }
  std::string refuse(int32_t e) {
    error = e;
    return "?\r\n";
  }

  std::string query(std::string_view cmd, std::string_view args) {
    if (cmd == "IDN?") return config.identity + "\r\n";
    if (cmd == "AMT?") {
      auto it = config.slot_types.find(slot);
      return std::to_string(slot < 1 || slot > kYalplusSlots ? 0 : it == config.slot_types.end() ? 1 : it->second) +
             "\r\n";
    }
    if (cmd == "ESR?") {
      const int32_t e = error;
      error = 0;
      return std::to_string(e) + "\r\n";
    }
    if (cmd == "IUN?") return "\"" + config.input_unit + "\"\r\n";
    if (cmd == "EUN?") return "\"" + config.engineering_unit + "\"\r\n";
    if (cmd == "ISV?") {
      std::string out;
      std::vector<int> selected;
      for (int ch = 1; ch <= 32; ++ch)
        if (chs_mask & (1u << (ch - 1))) selected.push_back(ch);
      if (selected.empty()) selected.push_back(0);
      for (int ch : selected) {
        const int s = ch == 0 ? slot : ch;
        const int sb = ch == 0 ? sub : 0;
        char text[64];
        std::snprintf(text, sizeof text, "%s%.6f,%.6f", out.empty() ? "" : ",", scale_offset(s, sb),
                      scale_span(s, sb));
        out += text;
      }
      return out + "\r\n";
    }
    if (cmd == "TOM?") return std::to_string(output_mode) + "\r\n";
    if (cmd == "RMS?") return std::to_string(output_mode) + "\r\n";
    if (cmd == "OMP?") {
      const int64_t f = integers(args)[0];
      if (f < 0 || f >= kYalplusFifos) return refuse(kBadParameter);
      Fifo& fifo = fifos[static_cast<size_t>(f)];
      const int64_t avail = available(fifo);
      const int flag = filling(fifo) ? 1 : 0;
      return std::to_string(f) + "," + std::to_string(flag) + "," + std::to_string(taken(fifo)) + "," +
             std::to_string(avail) + "," + std::to_string(flag) + "\r\n";
    }
    if (cmd == "EES?") {
      for (const Fifo& f : fifos)
        if (f.overflowed) return std::to_string(kYalplusOverflowEvent) + ",0\r\n";
      return "0\r\n";
    }
    if (cmd == "RMB?") {
      const std::vector<int64_t> v = integers(args);
      if (v.size() < 2 || v[1] != 6409) return refuse(kBadParameter);
      if (v.size() == 3 && v[2] == 0 && disk_name_pending) {
        disk_name_pending = false;
        disk[disk_name] = recording_bytes(disk_name, v[0]);
        return ok();
      }
      const int64_t f = v.size() >= 3 ? v[2] : 0;
      if (f < 0 || f >= kYalplusFifos || v[0] < 0) return refuse(kBadParameter);
      return block(static_cast<int>(f), v[0]);
    }
    if (cmd == "RHD?") {
      auto it = disk.find(std::string(args));
      const std::string bytes = it == disk.end() ? std::string() : it->second;
      std::string out;
      put_be(out, bytes.size(), 4);
      return out + bytes;
    }
    if (cmd == "RIP?") return std::to_string(input_bits) + "\r\n";
    if (cmd == "CBT?") return "\"CB" + std::to_string(slot) + "\"\r\n";
    if (cmd == "SNR?") return std::to_string(100000 + slot) + "\r\n";
    if (cmd == "DSB?") {
      const std::vector<int64_t> v = integers(args);
      if (v.size() == 2) return "\"SUB" + std::to_string(v[1]) + "\"\r\n";
      if (v[0] < 1 || v[0] > 40) return refuse(kBadParameter);
      return std::to_string(v[0] * 10 + slot) + "\r\n";
    }
    if (cmd == "FDE?") {
      if (args == "1") {
        std::string out = "#48";
        out += static_cast<char>(eval_bits);
        for (int i = 0; i < 48; ++i) put16(out, eval_word(i));
        return out + "\r\n";
      }
      return std::to_string(eval_bits) + "\r\n";
    }
    if (cmd == "FDI?") return "3,5\r\n";
    if (cmd == "FDH?") return std::string(args) + ",1.5,-2.25,1000\r\n";
    if (cmd == "FDB?") {
      const std::vector<int64_t> v = integers(args);
      int64_t first = 0, n = 0, step = 1;
      if (v.size() == 2) {
        n = v[1];
      } else if (v.size() == 4) {
        first = v[1];
        n = v[2];
        step = std::max<int64_t>(1, v[3]);
      } else {
        return refuse(kBadParameter);
      }
      std::string payload;
      for (int64_t j = 0; j < n; ++j) {
        put16(payload, curve_x(static_cast<int>(first + j * step)));
        put16(payload, curve_y(static_cast<int>(first + j * step)));
      }
      return be_count(payload.size()) + payload;
    }
    if (cmd == "SPS?") return std::to_string(sub) + "\r\n";
    const std::string word(cmd.substr(0, 3));
    if (kParameterWords.find(word) != std::string_view::npos) {
      auto it = parameters.find(word + std::string(args));
      return (it == parameters.end() ? std::string("0") : it->second) + "\r\n";
    }
    return refuse(kNoSuchCommand);
  }

  std::string recording_bytes(const std::string& name, int64_t length) const {
    std::string bytes;
    const size_t n = static_cast<size_t>(std::min<int64_t>(length, 5000)) + name.size();
    for (size_t i = 0; i < n; ++i) bytes += static_cast<char>((i * 7 + name.size()) & 0xFF);
    return bytes;
  }

  void set_signal(int32_t code) {
    if (slot == kAllSlots) {
      default_signal = code;
    } else if (sub > 0) {
      slots[slot].sub_settings[sub].signal = code;
    }
  }

  std::string set_command(std::string_view cmd, std::string_view args) {
    const std::vector<int64_t> v = integers(args);
    if (cmd == "SRB" || cmd == "TRR" || cmd == "CAN" || cmd == "OSP" || cmd == "PAR" || cmd == "LVS" ||
        cmd == "IUN" || cmd == "OMP" || cmd == "FDE" || cmd == "FDH")
      return ok();
    if (cmd == "PCS") {
      if (v[0] < 1 || v[0] > kYalplusCounter) return refuse(kBadParameter);
      slot = static_cast<int>(v[0]);
      sub = 0;
      return ok();
    }
    if (cmd == "SPS") {
      if (v[0] < 0 || v[0] > config.sub_channels) return refuse(kBadParameter);
      sub = static_cast<int>(v[0]);
      return ok();
    }
    if (cmd == "CHS") {
      if (v[0] == -1) {
        slot = kAllSlots;
        sub = 0;
        chs_mask = 0;
      } else {
        chs_mask = static_cast<uint32_t>(v[0]);
      }
      return ok();
    }
    if (cmd == "MCS") {
      if (args.empty()) {
        measured_slots.clear();
        slots.clear();
        default_signal = kSignalCodes[0];
        default_fifo = 0;
        return ok();
      }
      std::set<int> list;
      for (int64_t s : v)
        if (s != 0) list.insert(static_cast<int>(s));
      for (int s : list)
        if (s < 1 || s > kYalplusCounter) return refuse(kBadParameter);
      measured_slots = list;
      return ok();
    }
    if (cmd == "MSS") {
      for (int64_t code : v)
        if (!known_signal(static_cast<int32_t>(code))) return refuse(kBadParameter);
      if (slot >= 1 && sub == 0) {
        slots[slot].signals.assign(v.begin(), v.end());
      } else {
        if (v.size() != 1) return refuse(kBadParameter);
        set_signal(static_cast<int32_t>(v[0]));
      }
      return ok();
    }
    if (cmd == "MRG") {
      if (v[0] < 0 || v[0] > kFifoBoth || v[0] == 3) return refuse(kBadParameter);
      if (slot == kAllSlots) default_fifo = static_cast<int>(v[0]);
      else if (sub > 0) slots[slot].sub_settings[sub].fifo = static_cast<int>(v[0]);
      else slots[slot].fifo = static_cast<int>(v[0]);
      return ok();
    }
    if (cmd == "SMS") {
      if (slot < 1 || slot > kYalplusSlots) return refuse(kBadParameter);
      std::vector<int> subs;
      for (int64_t s : v) {
        if (s < 1 || s > config.sub_channels) return refuse(kBadParameter);
        subs.push_back(static_cast<int>(s));
      }
      slots[slot].subs = subs;
      return ok();
    }
    if (cmd == "MBF") {
      const int64_t f = v.size() >= 2 ? v[1] : 0;
      if ((v[0] != kFormat4 && v[0] != kFormat2) || f < 0 || f >= kYalplusFifos) return refuse(kBadParameter);
      fifos[static_cast<size_t>(f)].width = v[0] == kFormat4 ? 4 : 2;
      return ok();
    }
    if (cmd == "ICR") {
      const int64_t f = v.size() >= 3 ? v[2] : 0;
      const double rate = rate_of(static_cast<int32_t>(v[0]));
      if (rate <= 0.0 || f < 0 || f >= kYalplusFifos) return refuse(kBadParameter);
      fifos[static_cast<size_t>(f)].rate = rate;
      return ok();
    }
    if (cmd == "TOM") {
      if (v[0] < 6711 || v[0] > 6713) return refuse(kBadParameter);
      output_mode = static_cast<int32_t>(v[0]);
      return ok();
    }
    if (cmd == "TRE") {
      trigger_conditions.emplace_back(args);
      return ok();
    }
    if (cmd == "TRD") {
      if (v.size() >= 2 && v[0] == 6500) armed = v[1] != kNoCondition;
      return ok();
    }
    if (cmd == "TSV") {
      if (args.empty()) {  // restart with the last block and pre-trigger
        start_measuring(block_scans, pretrigger_scans);
        return ok();
      }
      if (v.size() != 3 || v[0] < 0 || v[1] < 0) return refuse(kBadParameter);
      start_measuring(v[0], v[1]);
      return ok();
    }
    if (cmd == "STP") {
      running = false;
      return ok();
    }
    if (cmd == "IHD") {
      if (v[0] == 1) {
        const size_t comma = args.find(',');
        disk_name = comma == std::string_view::npos ? std::string() : std::string(args.substr(comma + 1));
        if (disk_name.empty()) return refuse(kBadParameter);
        disk_name_pending = true;
      }
      return ok();
    }
    if (kParameterWords.find(cmd) != std::string_view::npos) {
      // A parameter word keeps its value for its query; CAP and CAV carry their point first.
      std::string key(cmd);
      std::string value(args);
      if ((cmd == "CAP" || cmd == "CAV") && !value.empty()) {
        key += value[0];
        value.erase(0, value.size() > 1 && value[1] == ',' ? 2 : 1);
      }
      parameters[key] = value;
      return ok();
    }
    if (cmd == "SOP") {
      if (v.size() != 2 || v[0] < 1 || v[0] > 16) return refuse(kBadParameter);
      const uint32_t bit = 1u << (v[0] - 1);
      output_bits = v[1] ? output_bits | bit : output_bits & ~bit;
      return ok();
    }
    return refuse(kNoSuchCommand);
  }

  std::string execute(std::string_view text) {
    // Queries are the word up to its '?'; set commands the three letters.
    const size_t mark = text.find('?');
    if (mark != std::string_view::npos && mark <= 4) {
      std::string_view args = text.substr(mark + 1);
      if (text.substr(0, mark + 1) == "IUN?" || text.substr(0, mark + 1) == "EUN?") args = {};
      return query(text.substr(0, mark + 1), args);
    }
    if (text.size() < 3) return refuse(kNoSuchCommand);
    return set_command(text.substr(0, 3), text.substr(3));
  }

  YalplusConfig config;
  mutable std::mutex mutex;
  int64_t now_ns = 0;
  std::chrono::steady_clock::time_point origin = std::chrono::steady_clock::now();
  int64_t start_ns = 0;
  bool running = false;
  bool armed = false;
  bool triggered = false;
  int64_t block_scans = 0;
  int64_t pretrigger_scans = 0;
  int slot = kAllSlots;
  int sub = 0;
  uint32_t chs_mask = 0;
  int32_t default_signal = kSignalCodes[0];
  int default_fifo = 0;
  std::map<int, SlotSetting> slots;
  std::set<int> measured_slots;
  Fifo fifos[kYalplusFifos];
  int32_t output_mode = 6713;
  int32_t error = 0;
  int32_t eval_bits = 0x02;
  uint32_t output_bits = 0;
  uint32_t input_bits = 0x5A;
  std::vector<std::string> trigger_conditions;
  std::string disk_name;
  bool disk_name_pending = false;
  std::map<std::string, std::string> disk;
  std::map<std::string, std::string> parameters;
  std::vector<Fault> faults;
  std::vector<std::string> lines;
  std::string received;
};

YalplusEngine::YalplusEngine(YalplusConfig config) : impl_(std::make_unique<Impl>(std::move(config))) {}
YalplusEngine::~YalplusEngine() = default;

Reply YalplusEngine::handle_line(std::string_view line) {
  std::lock_guard lock(impl_->mutex);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  Reply reply;
  if (line.empty()) return reply;
  impl_->lines.emplace_back(line);
  impl_->now_ns += static_cast<int64_t>(impl_->config.auto_advance_ms * 1e6);
  const Fault* fault = nullptr;
  Fault applied;
  for (auto it = impl_->faults.begin(); it != impl_->faults.end(); ++it) {
    if (line.substr(0, it->match.size()) != it->match) continue;
    applied = *it;
    fault = &applied;
    if (it->count > 0 && --it->count == 0) impl_->faults.erase(it);
    break;
  }
  if (fault && fault->kind == FaultKind::kNoAnswer) return reply;
  if (fault && fault->kind == FaultKind::kRefuse) {
    impl_->error = fault->error;
    reply.bytes = "?\r\n";
    return reply;
  }
  reply.bytes = impl_->execute(line);
  if (fault) {
    std::string& b = reply.bytes;
    switch (fault->kind) {
      case FaultKind::kGarbage: b = fault->garbage; break;
      case FaultKind::kShortBlock: b.resize(b.size() - std::min(b.size() > 4 ? b.size() - 4 : 0, fault->drop_bytes)); break;
      case FaultKind::kCorruptBlock:
        if (fault->offset < b.size()) b[fault->offset] = static_cast<char>(b[fault->offset] ^ fault->xor_mask);
        break;
      default: break;
    }
  }
  return reply;
}

void YalplusEngine::note_received(std::string_view bytes) {
  std::lock_guard lock(impl_->mutex);
  impl_->received.append(bytes);
}

int32_t YalplusEngine::sample(int slot, int sub, int32_t signal, int64_t scan, int width) {
  const int64_t seed = slot * 131 + sub * 17 + (signal - 200);
  const int64_t step = slot + 2 * sub + 1;
  if (width == 4) return wrap(seed * 1000 - 4000000 + step * 37 * scan, 24);
  return wrap(seed * 10 - 20000 + step * scan, 16);
}

uint8_t YalplusEngine::status(int slot, int sub, int64_t scan) {
  return static_cast<uint8_t>((slot * 16 + sub + scan) & 0xFF);
}

double YalplusEngine::scale_offset(int slot, int sub) { return slot * 0.25 - sub * 0.125; }
double YalplusEngine::scale_span(int slot, int sub) { return 10.0 * slot + sub; }
int16_t YalplusEngine::eval_word(int index) { return static_cast<int16_t>(index * 523 - 12000); }
int16_t YalplusEngine::curve_x(int point) { return static_cast<int16_t>(point * 100 - 5000); }
int16_t YalplusEngine::curve_y(int point) { return static_cast<int16_t>((point * point * 3) % 20000 - 10000); }

void YalplusEngine::advance_ms(double ms) {
  std::lock_guard lock(impl_->mutex);
  impl_->now_ns += static_cast<int64_t>(ms * 1e6);
}

void YalplusEngine::fire_trigger() {
  std::lock_guard lock(impl_->mutex);
  Impl& d = *impl_;
  if (!d.running || !d.armed || d.triggered) return;
  d.triggered = true;
  for (Impl::Fifo& f : d.fifos) {
    const int64_t at = d.taken(f);
    f.first = std::max<int64_t>(0, at - d.pretrigger_scans);
    f.next = f.first;
    f.last = d.block_scans > 0 ? f.first + d.block_scans : kEndless;
  }
}

void YalplusEngine::inject(const Fault& fault) {
  std::lock_guard lock(impl_->mutex);
  impl_->faults.push_back(fault);
}

std::string YalplusEngine::received_bytes() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->received;
}

void YalplusEngine::clear_received_bytes() {
  std::lock_guard lock(impl_->mutex);
  impl_->received.clear();
}

std::vector<std::string> YalplusEngine::lines() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->lines;
}

std::vector<YalplusEntry> YalplusEngine::fifo_entries(int fifo) const {
  std::lock_guard lock(impl_->mutex);
  return impl_->entries(fifo);
}

double YalplusEngine::fifo_rate(int fifo) const {
  std::lock_guard lock(impl_->mutex);
  return impl_->fifos[fifo].rate;
}

int YalplusEngine::fifo_width(int fifo) const {
  std::lock_guard lock(impl_->mutex);
  return impl_->fifos[fifo].width;
}

int64_t YalplusEngine::delivered(int fifo) const {
  std::lock_guard lock(impl_->mutex);
  return impl_->fifos[fifo].delivered;
}

int32_t YalplusEngine::error_number() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->error;
}

void YalplusEngine::set_error_number(int32_t error) {
  std::lock_guard lock(impl_->mutex);
  impl_->error = error;
}

void YalplusEngine::set_eval_status(int32_t bits) {
  std::lock_guard lock(impl_->mutex);
  impl_->eval_bits = bits;
}

void YalplusEngine::set_disk_file(const std::string& name, std::string bytes) {
  std::lock_guard lock(impl_->mutex);
  impl_->disk[name] = std::move(bytes);
}

std::string YalplusEngine::disk_file(const std::string& name) const {
  std::lock_guard lock(impl_->mutex);
  auto it = impl_->disk.find(name);
  return it == impl_->disk.end() ? std::string() : it->second;
}

}  // namespace corvane_sim
