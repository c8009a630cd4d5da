// Circular buffers of 10000 channels fed blocks of 256 values: the ring update that follows every
// read and QBX_CBFetch of the newest block, each against memcpy of the same bytes between buffers
// of the same sizes and at the same positions. The ratio of the two rates (bytes per second) is the
// figure of merit: the ring's bookkeeping should cost little beside the copying itself.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "kernel_state.h"
#include "ring_buffer.h"
#include "tallix32.h"

namespace {

constexpr int32_t kChannels = 10000;
constexpr int32_t kBlock = 256;
constexpr int32_t kRing = 1000;  // not a multiple of the block: updates and fetches wrap
constexpr int64_t kBytes = static_cast<int64_t>(kChannels) * kBlock * sizeof(double);

void set_up_kernel() {
  static bool done = false;
  if (done) return;
  done = true;
  std::vector<double> block(kBlock);
  for (int32_t ch = 1; ch <= kChannels; ++ch) {
    for (int32_t i = 0; i < kBlock; ++i) block[i] = ch + i * 1e-3;
    QBX_ACQAllocIOBuf(ch, kBlock, 0);
    QBX_ACQSetIOBufBin(ch, kBlock, block.data());
    QBX_CBAllocateBuffer(ch, kRing);
    tallix::header(ch).read_block_count = kBlock;
  }
}

void BM_RingUpdate(benchmark::State& state) {
  set_up_kernel();
  for (auto _ : state) {
    for (int32_t ch = 1; ch <= kChannels; ++ch) tallix::ring_update(ch);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}

void BM_Fetch(benchmark::State& state) {
  set_up_kernel();
  for (int32_t ch = 1; ch <= kChannels; ++ch) tallix::ring_update(ch);
  std::vector<double> out(static_cast<size_t>(kChannels) * kBlock);
  for (auto _ : state) {
    for (int32_t ch = 1; ch <= kChannels; ++ch) {
      const double first = static_cast<double>(tallix::buffer(ch).total) - kBlock;
      benchmark::DoNotOptimize(QBX_CBFetch(ch, out.data() + static_cast<size_t>(ch - 1) * kBlock, first, kBlock));
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}

// The same bytes moved by memcpy: each channel's block from its IO buffer into a ring-sized area
// at a position that advances like the ring's write position (two pieces when it wraps).
void BM_MemcpyLikeUpdate(benchmark::State& state) {
  set_up_kernel();
  std::vector<double> rings(static_cast<size_t>(kChannels) * kRing);
  int64_t position = 0;
  for (auto _ : state) {
    for (int32_t ch = 1; ch <= kChannels; ++ch) {
      double* ring = rings.data() + static_cast<size_t>(ch - 1) * kRing;
      const double* from = tallix::buffer(ch).values;
      const int64_t head = std::min<int64_t>(kBlock, kRing - position);
      std::memcpy(ring + position, from, static_cast<size_t>(head) * sizeof(double));
      std::memcpy(ring, from + head, static_cast<size_t>(kBlock - head) * sizeof(double));
    }
    position = (position + kBlock) % kRing;
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}

// The reverse: the newest block out of each ring-sized area into the destination, from where the
// kernel's fetch starts.
void BM_MemcpyLikeFetch(benchmark::State& state) {
  set_up_kernel();
  for (int32_t ch = 1; ch <= kChannels; ++ch) tallix::ring_update(ch);
  std::vector<double> rings(static_cast<size_t>(kChannels) * kRing, 1.0);
  std::vector<double> out(static_cast<size_t>(kChannels) * kBlock);
  // Where the kernel's fetch of the newest block starts (every channel's ring is alike).
  const IOBuf& b = tallix::buffer(1);
  const int64_t first = static_cast<int64_t>(b.total) - kBlock;
  const int64_t position = b.ring_wrapped ? (b.ring_write_pos + (first - b.oldest)) % kRing : first;
  for (auto _ : state) {
    for (int32_t ch = 1; ch <= kChannels; ++ch) {
      const double* ring = rings.data() + static_cast<size_t>(ch - 1) * kRing;
      double* to = out.data() + static_cast<size_t>(ch - 1) * kBlock;
      const int64_t head = std::min<int64_t>(kBlock, kRing - position);
      std::memcpy(to, ring + position, static_cast<size_t>(head) * sizeof(double));
      std::memcpy(to + head, ring, static_cast<size_t>(kBlock - head) * sizeof(double));
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}

}  // namespace

BENCHMARK(BM_RingUpdate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyLikeUpdate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fetch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyLikeFetch)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
