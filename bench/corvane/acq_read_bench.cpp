// CV_ACQRead's conversion of a full block, 3000 scans x 100 channels, apart from the line: the
// block buffer request, the per-channel conversion plan and the raw-to-physical conversion of
// every sample (bridge channels scaled, thermocouples linearised, digital channels passed,
// overflow codes mapped). Counters: samples per second, and how often the block buffer was
// allocated again after the first call (the plan lives on the stack; nothing else allocates).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "acquisition.h"
#include "connection.h"

namespace {

constexpr int32_t kScans = 3000;
constexpr int32_t kChannels = 100;

// Channels 0..99: every tenth a thermocouple J on 100 mV, every tenth (slot 8) digital I/O, the
// rest full bridges on 3 mV/V; raw values spread over the range with a few overflow codes.
void BM_AcqReadConversion(benchmark::State& st) {
  std::vector<ChannelRecord> records(kChannels);
  for (int32_t ch = 0; ch < kChannels; ++ch) {
    ChannelRecord& r = records[ch];
    r.amplifier = ch % 10 == 8 ? 5055 : ch % 10 == 5 ? 5054 : 5053;
    r.transducer = ch % 10 == 5 ? 450 : 350;
    r.range_value = ch % 10 == 5 ? 0.1f : 3.0f;
  }
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> raw(-26000, 26000);
  const size_t bytes = static_cast<size_t>(kScans) * kChannels * 2;
  std::vector<unsigned char> line(bytes);
  for (size_t i = 0; i < bytes; i += 2) {
    int v = (i / 2) % 997 == 0 ? 32767 : raw(rng);
    line[i] = static_cast<unsigned char>(v & 0xFF);
    line[i + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
  }
  std::vector<float> values(static_cast<size_t>(kScans) * kChannels);
  corvan::ChannelConversion plan[kChannels];
  unsigned char* first_block = nullptr;
  long reallocations = 0;
  for (auto _ : st) {
    unsigned char* block = corvan::block_buffer(bytes);
    if (first_block == nullptr) first_block = block;
    if (block != first_block) ++reallocations;
    st.PauseTiming();
    std::copy(line.begin(), line.end(), block);  // what the line would have delivered
    st.ResumeTiming();
    for (int32_t ch = 0; ch < kChannels; ++ch) plan[ch] = corvan::conversion_for(records[ch], 1.0f);
    corvan::convert_block(block, kScans, plan, kChannels, values.data());
    benchmark::DoNotOptimize(values.data());
  }
  st.SetItemsProcessed(st.iterations() * kScans * kChannels);
  st.counters["samples_per_s"] = benchmark::Counter(static_cast<double>(st.iterations()) * kScans * kChannels,
                                                    benchmark::Counter::kIsRate);
  st.counters["buffer_regrowths"] = static_cast<double>(reallocations);
  corvan::free_block_buffer();
}
BENCHMARK(BM_AcqReadConversion)->Unit(benchmark::kMillisecond);

}  // namespace
