// One multi-scan read cycle of 100 Corvane channels x 1000 scans: everything the kernel does for a
// block except waiting for the line ("MSV?", "OMB?1000", spreading the binary block into the IO
// buffers, range scaling, the rings). The interface library's line functions are stood in for by a
// line that answers from memory at once, so the time measured is the kernel's own, plus copying the
// 200 KB reply out of memory. The figure of merit is the ratio of that time to the time the raw
// samples take to arrive on a 76800 Baud line (8 data bits, even parity, one stop bit: 11 bits per
// byte); it should be at most 0.01.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "kernel_state.h"
#include "linkar32.h"
#include "tallix32.h"

namespace {

constexpr int32_t kChannels = 100;
constexpr int32_t kScans = 1000;
constexpr int32_t kRing = 10000;
constexpr double kBaud = 76800.0;
constexpr double kBitsPerByte = 11.0;  // start, 8 data, parity, stop
constexpr int32_t kPort = 1;

// The line stand-in: the reply to the last command written, consumed by the reads.
struct Line {
  std::string block;  // "#0", the samples, CR LF
  std::string pending;
  size_t position = 0;
};
Line& line() {
  static Line l;
  return l;
}

void build_block() {
  std::string& b = line().block;
  b = "#0";
  for (int32_t i = 0; i < kScans; ++i) {
    for (int32_t c = 0; c < kChannels; ++c) {
      const auto v = static_cast<uint16_t>(static_cast<int16_t>((i * 7 + c * 13) % 50000 - 25000));
      b.push_back(static_cast<char>(v & 0xFF));
      b.push_back(static_cast<char>(v >> 8));
    }
  }
  b += "\r\n";
}

void set_up_kernel() {
  static bool done = false;
  if (done) return;
  done = true;
  build_block();
  const float rates[6] = {800, 0, 0, 0, 0, 0};
  const uint8_t widths[6] = {1, 1, 1, 1, 1, 1};
  QBX_ACQInitAcqHdr();
  QBX_ACQSetDeviceInfo(0, kAcqTypeCorvane, kPort, 0, 0, 0, 1, 0, rates, widths);
  for (int32_t ch = 1; ch <= kChannels; ++ch) {
    AcqHdr& h = tallix::header(ch);
    h.device_type = kAcqTypeCorvane;
    h.interface = kPort;
    h.device_address = 0;
    h.hardware_channel = static_cast<int16_t>(ch - 1);
    h.signal_kind = 8;
    h.full_scale = 25000;
    h.range = 3.0f;
    tallix::kernel().lin[ch].mode = 1;
    QBX_ACQAllocIOBuf(ch, kScans, 0);
    QBX_CBAllocateBuffer(ch, kRing);
  }
}

std::vector<int32_t> channel_list() {
  std::vector<int32_t> list;
  for (int32_t ch = 1; ch <= kChannels; ++ch) list.push_back(ch);
  return list;
}

void BM_ReadCycle(benchmark::State& state) {
  set_up_kernel();
  std::vector<int32_t> list = channel_list();
  QBX_ACQSetSampleRate(800.0f);
  if (QBX_ACQStartMultiScan(kChannels, list.data(), 0, 0, 0, nullptr) != 0) {
    state.SkipWithError("start failed");
    return;
  }
  for (auto _ : state) {
    QBX_ACQResetDeviceStatus();
    int32_t n = kScans;
    if (QBX_ACQReadMultiScan(kChannels, list.data(), &n, 0.0, 0, 0, 0) != 0 || n != kScans) {
      state.SkipWithError("read failed");
      break;
    }
    benchmark::ClobberMemory();
  }
  QBX_ACQStopMultiScan();
  const double line_seconds = (kChannels * kScans * 2.0) * kBitsPerByte / kBaud;
  state.counters["line_s"] = line_seconds;
  // Seconds per cycle divided by the line's seconds for the same samples.
  state.counters["ratio_to_line"] = benchmark::Counter(
      line_seconds, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadCycle)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// The line stand-in for the interface library's functions the kernel calls.
extern "C" {
int32_t QBX_SelectPort(int32_t) { return 0; }
int32_t QBX_SelectDevice(int32_t) { return 0; }
int32_t QBX_FlushInQueue(void) { return 0; }
int32_t QBX_Delay(int32_t) { return 0; }
int32_t QBX_Corvane_WakeUp(void) { return 0; }
int32_t QBX_Corvane_Sleep(void) { return 0; }
int32_t QBX_WritePort(const char* text) {
  Line& l = line();
  l.position = 0;
  if (std::strncmp(text, "MSV?", 4) == 0)
    l.pending = "2," + std::to_string(kScans) + ",1\r\n";
  else if (std::strncmp(text, "OMB?", 4) == 0)
    l.pending = l.block;
  else
    l.pending = "0\r\n";
  return 0;
}
int32_t QBX_ReadPort(char* buffer, int32_t count, int32_t* status, int32_t* bytes_read, int32_t terminator) {
  Line& l = line();
  size_t n = 0;
  while (n < static_cast<size_t>(count) && l.position < l.pending.size()) {
    const char c = l.pending[l.position++];
    buffer[n++] = c;
    if (terminator != 0 && c == static_cast<char>(terminator)) break;
  }
  if (terminator != 0) buffer[n] = '\0';
  *bytes_read = static_cast<int32_t>(n);
  *status = 0;
  return 0;
}
}
BENCHMARK_MAIN();
