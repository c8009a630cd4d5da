// A recording on the acquisition kernel: every open line is one kernel device (a Corvane chain or
// a YALPLUS rack), the recorded channels are kernel channels 1..m in the order given, the formula
// channels follow as m+1..; the kernel reads, scales, computes the formulas and stores each block
// itself. The tool's channel n is channel n of the chain of the first line, then the chains of
// the further lines follow on (a line of 20 channels: the next line's first channel is 20). A
// rack's channel n is its slot n (channel 0 of a rack has no amplifier): a rack has 17 channels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formula_text.h"
#include "session.h"

namespace corvane_cli {

// The chain on each line: its amplifier type per channel (the slot list the device reports).
struct LineChain {
  OpenLine line;
  int32_t first_channel = 0;        // the tool's number of its channel 0
  std::vector<int32_t> amplifiers;  // per channel of the chain; kAmpNotConnected: none
  bool yalplus() const { return line.choice.family == PortChoice::Family::kYalplus; }
};

// Asks every open line for its chain: a Corvane for its slot list ("AID?"), a YALPLUS rack for
// the amplifier type of each slot ("PCS<slot>", "AMT?"). Throws CommandError when a line does not
// answer.
std::vector<LineChain> query_chains(const Session& s);

struct RecordedChannel {
  int32_t kernel = 0;  // kernel channel number, also the database channel number
  int32_t tool = -1;   // the tool's channel number; -1 for a formula channel
  std::string name;    // UTF-8
  std::string unit;    // UTF-8, from the kernel's channel set-up
  std::string formula; // the formula as the user wrote it (formula channels)
  bool temperature = false;  // linearised to degrees Celsius
  float range = 0;           // measuring range (measured channels)
  int32_t full_scale = 0;    // the count of the range
};

class KernelRecording {
 public:
  // Sets up the kernel: devices, channel headers, IO buffers of `block` values, the channel
  // set-up (which reads each channel's range and unit), lin modes (Corvane thermocouples and
  // resistance thermometers to degrees Celsius), the tare of Corvane channels in tare state, and
  // the formula channels. A rack's channels record the gross signal of their slot in FIFO 0,
  // 24-bit samples. storage_mode goes into every header (0 none, 1 database, 2 online, 3 both).
  // names[i] names channels[i]. Throws CommandError; the amplifier states are restored then.
  KernelRecording(const std::vector<LineChain>& chains, const std::vector<int32_t>& channels,
                  const std::vector<std::string>& names, const std::vector<FormulaOption>& formulas, float rate,
                  int32_t block, int16_t storage_mode);
  // Stops a running acquisition, restores the amplifier states and frees the kernel's buffers.
  ~KernelRecording();
  KernelRecording(const KernelRecording&) = delete;
  KernelRecording& operator=(const KernelRecording&) = delete;

  // Starts the multi-scan; throws CommandError. rate() is then the rate the devices run at.
  void start();
  float rate() const { return rate_; }
  // Reads exactly `scans` scans of every channel into the IO buffers (scaled, formulas computed,
  // stored). `again`: a repeat after kNotComplete, which fetches only the devices still missing.
  // 0, kNotComplete, or the kernel's failure status.
  int32_t read(int32_t scans, bool again);
  // Stops the multi-scan (idempotent); the kernel's status.
  int32_t stop();
  // The values of the last block of channel i of channels() (as many as it produced).
  int32_t block_values(size_t i, double* out, int32_t capacity) const;
  // Scans the last read delivered on every measured channel: fewer than asked when a device
  // stopped filling its memory (a YALPLUS FIFO that overflowed hands out what it kept).
  int32_t delivered() const;
  // The first failure a device noted during the recording (its last error), 0 when none.
  int32_t device_error() const;

  const std::vector<RecordedChannel>& channels() const { return channels_; }
  static constexpr int32_t kNotComplete = -199;
  static constexpr int32_t kMaxBlock = 1023;  // the kernel moves at most this many scans per read

 private:
  void restore_states();
  std::vector<LineChain> chains_;
  std::vector<RecordedChannel> channels_;
  std::vector<int32_t> list_;
  // Amplifier state of every chain channel before the recording (per line), restored at the end.
  std::vector<std::vector<int32_t>> states_;
  float rate_ = 0;
  bool running_ = false;
};

}  // namespace corvane_cli
