// The scaling pass over 10000 channels of 256 values: range scaling only (lin mode 1) and thermo
// linearisation of J thermocouples (lin mode 3), each against memcpy of the same values between
// two buffers. Rates are counted in samples (items per second); the figures of merit are the
// ratios of the scaling rates to memcpy's. The raw blocks are put back between iterations outside
// the timing, so that every pass scales the same raw counts.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "kernel_state.h"
#include "scaling/scaling_pass.h"
#include "tallix32.h"

namespace {

constexpr int32_t kChannels = 10000;
constexpr int32_t kBlock = 256;
constexpr int64_t kSamples = static_cast<int64_t>(kChannels) * kBlock;

std::vector<int32_t>& channel_list() {
  static std::vector<int32_t> list;
  return list;
}

// Raw counts of a J thermocouple on the 0.1 V range between about 20 and 780 degrees C, slowly
// varying along each block as a measured temperature does.
std::vector<double>& raw_blocks() {
  static std::vector<double> raw;
  return raw;
}

void set_up_kernel(int32_t lin_mode) {
  static bool done = false;
  if (!done) {
    done = true;
    raw_blocks().resize(static_cast<size_t>(kSamples));
    for (int32_t ch = 1; ch <= kChannels; ++ch) {
      QBX_ACQAllocIOBuf(ch, kBlock, 0);
      AcqHdr& h = tallix::header(ch);
      h.acq_class = 0;
      h.device_type = kAcqTypeCorvane;
      h.full_scale = 25000;
      h.range = 0.1f;
      h.sensor_type = 1;
      h.read_block_count = kBlock;
      channel_list().push_back(ch);
      for (int32_t i = 0; i < kBlock; ++i) {
        const double mv = 1.0 + 40.0 * (0.5 + 0.5 * std::sin(0.001 * ch + 0.01 * i));
        raw_blocks()[static_cast<size_t>(ch - 1) * kBlock + i] = mv / 1000.0 / 0.1 * 25000.0;
      }
    }
  }
  for (int32_t ch = 1; ch <= kChannels; ++ch) QBX_ACQSetLinMode(ch, lin_mode);
}

void restore_raw() {
  for (int32_t ch = 1; ch <= kChannels; ++ch)
    std::memcpy(tallix::buffer(ch).values, raw_blocks().data() + static_cast<size_t>(ch - 1) * kBlock,
                kBlock * sizeof(double));
}

void scaling(benchmark::State& state, int32_t lin_mode) {
  set_up_kernel(lin_mode);
  for (auto _ : state) {
    state.PauseTiming();
    restore_raw();
    state.ResumeTiming();
    benchmark::DoNotOptimize(tallix::scale_channels(kChannels, channel_list().data(), kBlock, nullptr, 0));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSamples);
}

void BM_ScaleLinear(benchmark::State& state) { scaling(state, 1); }
void BM_ScaleThermo(benchmark::State& state) { scaling(state, 3); }

// The same samples moved by memcpy, channel block by channel block, between two buffers.
void BM_Memcpy(benchmark::State& state) {
  set_up_kernel(1);
  std::vector<double> out(static_cast<size_t>(kSamples));
  for (auto _ : state) {
    for (int32_t ch = 0; ch < kChannels; ++ch)
      std::memcpy(out.data() + static_cast<size_t>(ch) * kBlock, tallix::buffer(ch + 1).values, kBlock * sizeof(double));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSamples);
}

}  // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaleLinear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaleThermo)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
