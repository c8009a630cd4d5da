// The passes a multi-scan read runs over the channel list after the devices' blocks have arrived:
// scaling of measured channels (pass 0), time channels (pass 2), then formula channels. The read
// calls these; QBX_ACQScaleMultiScan is the host's door to the same scaling.
#pragma once

#include <cstdint>

namespace tallix {

inline constexpr int32_t kPassMeasured = 0;
inline constexpr int32_t kPassTime = 2;

// Scaling pass `pass` over the listed channels (checked 1..10000 by the caller): sets every listed
// channel's IO buffer current length to its read block count, then treats the channels whose
// acquisition class equals the pass: pass 0 range scaling and linearisation of measured channels
// (block_length < 1 scales the single value behind `value` instead of the block), pass 2 time
// channels. Returns 0; -213 when a compensated bridge's reference channel lacks a value (the other
// channels are still scaled); -214 when a time channel's IO buffer cannot hold its values (the
// pass stops there; channels treated before stay treated).
int32_t scale_channels(int32_t count, const int32_t* channels, int32_t block_length, double* value, int32_t pass);

// Computes every listed formula channel (acquisition class 1) from its inputs' IO buffers after a
// read of block_length scans: output at the channel's write offset, read block count and current
// length set to the number of values produced. Returns 0 or the first failure, which ends the
// pass: -214 output buffer too small, -240 formula text failed, -242 missing work area, input
// channel or parameter, -243 spectrum of a block that is not a power of two, -244 no scratch.
int32_t compute_formula_channels(int32_t count, const int32_t* channels, int32_t block_length);

}  // namespace tallix
