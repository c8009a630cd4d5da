// The YALPLUS read cycle: the synchronisation of every YALPLUS device's FIFOs before a read
// ("OMP?": what each FIFO holds; "OMP6409" keeps FIFOs of modes 2 and 4 filled), the block read of
// one FIFO ("RMB?") with its 24-bit or 16-bit samples, status bytes and time channels, and stop.
//
// Settled replies: "OMP?<f>" answers "<f>,<flag>,<scans taken>,<available>,<flag>" (flag 1 while
// the FIFO is filled, 0 once the device stopped filling it: block complete or overflow);
// "EES?1" answers the device's last event, 16007 for a FIFO overflow. A block read may deliver
// fewer scans than asked (its byte count says how many). Every FIFO that carries amplifier
// signals also carries the words of slots 17 and 18 (time count, high and low word) when the
// device measures a channel of slot 17, 18 or 19, and of slot 19 (counter) when it measures one of
// slot 19, after the amplifier slots; a FIFO list without channels of those slots has them skipped.
#include <algorithm>
#include <climits>
#include <vector>

#include "device_line.h"
#include "families/yalplus/yalplus_family.h"
#include "families/yalplus/yalplus_line.h"
#include "families/yalplus/yalplus_state.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "multiscan/acquisition_state.h"
#include "tallix32_yalplus.h"

namespace tallix::yalplus {

namespace {

constexpr int32_t kModeRead = 0;          // read after a status poll
constexpr int32_t kModeKeepFilled = 2;    // read directly; keep the FIFO filled to value 1
constexpr int32_t kModeSkip = 3;          // not read
constexpr int32_t kModeSkipFilled = 4;    // not read; keep filled
constexpr int32_t kOverflowEvent = 16007;
constexpr int64_t kMaxBlockBytes = 524280;
constexpr int32_t kLeadInBytes = 4;
constexpr int32_t kLastAmplifierSlot = 16;
constexpr int32_t kTimeHighSlot = 17;
constexpr int32_t kTimeLowSlot = 18;
constexpr int32_t kCounterSlot = 19;
constexpr double kHighWord4 = 8388608.0;  // 2^23: the low word of a 4-byte time count
constexpr double kHighWord2 = 65536.0;
constexpr int32_t kStopWaitMs = 10;

// One word of a scan: its slot and the channels that take it (none: skipped).
struct Word {
  int32_t slot;
  std::vector<int32_t> channels;
};

bool is_yalplus(const DeviceRecord& d) { return d.device_type == kAcqTypeYalplus && d.has_channels; }

int32_t fifo_mode(const DeviceRecord& d, int32_t f) { return d.skip_fifo[f]; }

// The words of one scan of FIFO f, in the device's order.
std::vector<Word> scan_words(const DeviceRecord& d, int32_t f) {
  std::vector<Word> words;
  for (int32_t j = 0; j < d.fifo_channel_count[f]; ++j) {
    const int32_t ch = d.fifo_list[f][j];
    if (header(ch).hardware_channel <= kLastAmplifierSlot) words.push_back({header(ch).hardware_channel, {ch}});
  }
  if (words.empty()) return words;
  std::vector<int32_t> slots;
  if (d.time_flags[0] || d.time_flags[1] || d.time_flags[2]) slots = {kTimeHighSlot, kTimeLowSlot};
  if (d.time_flags[2]) slots.push_back(kCounterSlot);
  for (int32_t slot : slots) {
    Word w{slot, {}};
    for (int32_t j = 0; j < d.fifo_channel_count[f]; ++j)
      if (header(d.fifo_list[f][j]).hardware_channel == slot) w.channels.push_back(d.fifo_list[f][j]);
    words.push_back(w);
  }
  return words;
}

void clear_counts(const DeviceRecord& d, int32_t f) {
  for (int32_t j = 0; j < d.fifo_channel_count[f]; ++j) header(d.fifo_list[f][j]).read_block_count = 0;
}

bool buffers_hold(const DeviceRecord& d, int32_t f, int32_t scans) {
  for (int32_t j = 0; j < d.fifo_channel_count[f]; ++j) {
    const IOBuf& b = buffer(d.fifo_list[f][j]);
    if (b.values == nullptr || b.write_offset < 0 || int64_t{b.write_offset} + scans > b.capacity) return false;
  }
  return true;
}

// Spreads `scans` scans into the IO buffers of the FIFO's channels.
void distribute(const DeviceRecord& d, int32_t f, const std::vector<Word>& words, const uint8_t* payload,
                int32_t scans) {
  const FamilyState& s = family_state();
  const bool wide = d.sample_width[f] != 2;
  const int32_t width = wide ? 4 : 2;
  const size_t k = words.size();
  const double rate = d.fifo_rate[f] > 0.0f ? d.fifo_rate[f] : 1.0;
  for (int32_t i = 0; i < scans; ++i) {
    const uint8_t* scan = payload + static_cast<size_t>(i) * k * width;
    int32_t time_high = 0;
    for (size_t j = 0; j < k; ++j) {
      const uint8_t* sample = scan + j * width;
      const int32_t v = wide ? be24(sample) : be16(sample);
      const Word& w = words[j];
      double value;
      if (w.slot == kTimeHighSlot) {
        time_high = v;
        continue;  // its channels take the whole count with the low word
      }
      if (w.slot == kTimeLowSlot) {
        const double low = wide ? v : static_cast<uint16_t>(v);
        value = (time_high * (wide ? kHighWord4 : kHighWord2) + low) / rate;
        for (const Word& high : words)
          if (high.slot == kTimeHighSlot)
            for (int32_t ch : high.channels) buffer(ch).values[buffer(ch).write_offset + i] = value;
      } else if (w.slot == kCounterSlot) {
        value = v;
      } else {
        const int32_t ch = w.channels.front();
        value = v * static_cast<double>(s.scale[ch]) - s.offset[ch];
      }
      for (int32_t ch : w.channels) {
        IOBuf& b = buffer(ch);
        b.values[b.write_offset + i] = value;
        if (wide && i == scans - 1) b.status = sample[3];
        if (!wide) b.status = 0;
      }
    }
  }
  for (int32_t j = 0; j < d.fifo_channel_count[f]; ++j) {
    const int32_t ch = d.fifo_list[f][j];
    buffer(ch).current_length = scans;
    header(ch).read_block_count = scans;
  }
}

// "RMB?" for L scans of FIFO f and its decoding. *length: scans delivered.
int32_t fetch(int32_t number, int32_t f, int32_t L, int32_t* length) {
  DeviceRecord& d = device(number);
  const std::vector<Word> words = scan_words(d, f);
  const int32_t width = d.sample_width[f] == 2 ? 2 : 4;
  const int64_t scan_bytes = static_cast<int64_t>(words.size()) * width;
  const int64_t bytes = scan_bytes * L + kLeadInBytes;
  if (bytes > kMaxBlockBytes || scan_bytes == 0 || !buffers_hold(d, f, L)) {
    clear_counts(d, f);
    return kAcqBlockTooLarge;
  }
  const auto payload_bytes = static_cast<int32_t>(bytes - kLeadInBytes);
  std::vector<uint8_t> large;
  uint8_t* area = acquisition().receive_area;
  if (payload_bytes > kReceiveAreaSize) {
    large.resize(static_cast<size_t>(payload_bytes));
    area = large.data();
  }
  int32_t r = send(f == 0 ? line("RMB?%i,6409\n", L) : line("RMB?%i,6409,%i\n", L, f));
  if (r < 0) return r;
  int32_t got = 0;
  if ((r = read_block(area, payload_bytes, &got)) != 0 || got % scan_bytes != 0) {
    clear_counts(d, f);
    return r != 0 ? r : kYalDeviceError;
  }
  const auto scans = static_cast<int32_t>(got / scan_bytes);
  distribute(d, f, words, area, scans);
  *length = scans;
  return kAcqOk;
}

// The two passes of a synchronisation: `request` for every FIFO of every YALPLUS device, then
// `reply` for each in the same order. The first failure is returned after all replies were read.
template <class Request, class Answer>
int32_t two_passes(Request request, Answer answer) {
  KernelState& k = kernel();
  int32_t result = kAcqOk;
  for (int pass = 0; pass < 2; ++pass) {
    for (int32_t n = 0; n < k.device_count; ++n) {
      DeviceRecord& d = device(n);
      if (!is_yalplus(d)) continue;
      int32_t r = select_device_line(d.port, d.address);
      if (r < 0) return r;
      for (int32_t f = 0; f < kFifos; ++f) {
        if (!d.fifo_in_use[f]) continue;
        r = pass == 0 ? request(n, f) : answer(n, f);
        if (r < 0 && pass == 0) return r;
        if (r < 0 && result == kAcqOk) result = r;
      }
    }
  }
  return result;
}

}  // namespace

int32_t synchronise_fifos() {
  FamilyState& s = family_state();
  for (int32_t& m : s.min_available) m = INT_MAX;
  int32_t r = two_passes([](int32_t, int32_t f) -> int32_t { return send(line("OMP?%i\n", f)); },
                         [&s](int32_t n, int32_t f) -> int32_t {
                           Reply reply;
                           int32_t r2 = receive_reply(&reply);
                           if (r2 != 0) return r2;
                           if (reply.refused()) return kYalDeviceError;
                           DeviceRecord& d = device(n);
                           DeviceState& ds = s.devices[n];
                           ds.available[f] = reply.integer(3);
                           ds.flag[f] = reply.integer(4);
                           d.status_words[f] = ds.available[f];
                           d.status_words[kFifos + f] = reply.integer(1);
                           s.min_available[f] = std::min(s.min_available[f], ds.available[f]);
                           return kAcqOk;
                         });
  if (r != 0) return r;
  // FIFOs that are kept filled: the smallest shortfall goes to all of them.
  int32_t shortfall = INT_MAX;
  KernelState& k = kernel();
  for (int32_t n = 0; n < k.device_count; ++n) {
    const DeviceRecord& d = device(n);
    if (!is_yalplus(d)) continue;
    for (int32_t f = 0; f < kFifos; ++f) {
      const int32_t mode = fifo_mode(d, f);
      if (!d.fifo_in_use[f] || (mode != kModeKeepFilled && mode != kModeSkipFilled)) continue;
      const int32_t missing = s.devices[n].fifo[f].values[0] - s.devices[n].available[f];
      if (missing > 0) shortfall = std::min(shortfall, missing);
    }
  }
  if (shortfall == INT_MAX) return kAcqOk;
  auto kept_filled = [](int32_t n, int32_t f) {
    const int32_t mode = fifo_mode(device(n), f);
    return mode == kModeKeepFilled || mode == kModeSkipFilled;
  };
  return two_passes(
      [&](int32_t n, int32_t f) -> int32_t { return kept_filled(n, f) ? send(line("OMP6409,%i,%i\n", shortfall, f)) : 0; },
      [&](int32_t n, int32_t f) -> int32_t {
        if (!kept_filled(n, f)) return 0;
        Reply reply;
        return receive_reply(&reply);
      });
}

int32_t read(int32_t number, int32_t, const int32_t*, int32_t* length, double read_mode) {
  DeviceRecord& d = device(number);
  const int32_t f = acquisition().current_fifo;
  if (d.measured_channel_count <= 0 || f < 0 || f >= kFifos) {
    *length = 0;
    return kAcqOk;
  }
  FamilyState& s = family_state();
  const DeviceState& ds = s.devices[number];
  const int32_t mode = fifo_mode(d, f);
  const bool read_all = read_mode == kReadAll;
  if (mode == kModeSkip || mode == kModeSkipFilled) {
    clear_counts(d, f);
    *length = 0;
    return kAcqOk;
  }
  int32_t L = *length;
  int32_t available = read_all ? std::min(ds.available[f], s.min_available[f]) : ds.available[f];
  if (mode == kModeRead && (available < (read_all ? 1 : L) || ds.flag[f] == 0)) {
    if (ds.flag[f] != 0) {
      if (!read_all) return kAcqBlockNotComplete;
      clear_counts(d, f);
      *length = kNothingRead;
      return kAcqOk;
    }
    Reply reply;
    int32_t r = exchange("EES?1\n", &reply);
    if (r != 0) return r;
    if (reply.integer(0) == kOverflowEvent) d.last_error = kYalFifoOverflow;
    available = ds.available[f];
    if (available <= 0) {
      clear_counts(d, f);
      *length = read_all ? kNothingRead : 0;
      return kAcqOk;
    }
    if (!read_all) L = std::min(L, available);
  }
  if (read_all) {
    if (s.dyn_read_mode != 0 && *length > 0) available = std::min(available, *length);
    if (available <= 0 && mode == kModeRead) {
      clear_counts(d, f);
      *length = kNothingRead;
      return kAcqOk;
    }
    L = std::min(available, s.max_dyn_block);
    if (mode != kModeRead && L <= 0) L = s.max_dyn_block;  // read without a poll: what is there
  }
  if (L <= 0) {
    clear_counts(d, f);
    *length = 0;
    return kAcqOk;
  }
  return fetch(number, f, L, length);
}

int32_t stop(int32_t) {
  send("STP\n");
  QBX_Delay(kStopWaitMs);
  QBX_FlushInQueue();
  return kAcqOk;
}

}  // namespace tallix::yalplus
