// The YALPLUS personality: a rack of 16 amplifier slots with sub-channels, slots 17 and 18 for
// the time count (high and low word) and 19 for a counter, and three FIFOs with their own rates
// and 2- or 4-byte samples, as the kernel's YALPLUS family speaks to it (command lines end in LF,
// replies in CR LF, "?" refuses and sets the error that "ESR?" reports). Its signals are known
// functions of the slot, sub-channel, signal and scan number (the static members below), so tests
// check every value a host receives. Thread-safe like the Corvane engine.
//
// Measuring: "TSV<n>,<p>,<o>" starts it; without a trigger condition armed ("TRD6500,6100") the
// FIFOs fill continuously, with one armed they wait for fire_trigger() and then hold the n scans
// of the trigger block, p of them from before the trigger. "STP" ends it. Each FIFO keeps at most
// `fifo_capacity` scans; more overflows it (it stops filling; "EES?1" answers 16007).
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "corvane_sim/engine.h"
#include "corvane_sim/line_device.h"

namespace corvane_sim {

inline constexpr int kYalplusSlots = 16;
inline constexpr int kYalplusTimeHigh = 17;
inline constexpr int kYalplusTimeLow = 18;
inline constexpr int kYalplusCounter = 19;
inline constexpr int kYalplusFifos = 3;
inline constexpr int32_t kYalplusOverflowEvent = 16007;

struct YalplusConfig {
  std::string identity = "QBX,YALPLUS,471100,2.070";
  // Amplifier type per slot 1..16 ("AMT?"; 0: empty slot). Missing entries: 1.
  std::map<int, int32_t> slot_types;
  int sub_channels = 8;  // per slot, 1..128
  int64_t fifo_capacity = 76800;
  int64_t time_origin = 0;  // time count of scan 0, in scans
  std::string engineering_unit = "KN  ";
  std::string input_unit = "mV/V";
  // true: scans advance only through advance_ms(); false: with the monotonic clock.
  bool virtual_clock = true;
  // Virtual clock: every received line first advances it by this much (a standalone program).
  double auto_advance_ms = 0.0;
};

// One acquisition entry of a FIFO: the slot, sub-channel (0: the slot's own) and signal code.
struct YalplusEntry {
  int slot;
  int sub;
  int32_t signal;
  bool operator==(const YalplusEntry&) const = default;
};

class YalplusEngine : public LineDevice {
 public:
  explicit YalplusEngine(YalplusConfig config = {});
  ~YalplusEngine() override;
  YalplusEngine(const YalplusEngine&) = delete;
  YalplusEngine& operator=(const YalplusEngine&) = delete;

  Reply handle_line(std::string_view line) override;
  void note_received(std::string_view bytes) override;

  // --- Known signals -----------------------------------------------------------------------
  // The sample of an amplifier entry at scan k of its FIFO (width 4: signed 24-bit, 2: 16-bit).
  static int32_t sample(int slot, int sub, int32_t signal, int64_t scan, int width);
  // The status byte of a 4-byte sample.
  static uint8_t status(int slot, int sub, int64_t scan);
  // "ISV?" of a slot and sub-channel: value = count x span / full-scale count - offset.
  static double scale_offset(int slot, int sub);
  static double scale_span(int slot, int sub);
  // The 48 words of "FDE?1" and the curve points of "FDB?".
  static int16_t eval_word(int index);
  static int16_t curve_x(int point);
  static int16_t curve_y(int point);

  // --- Clock and trigger ---------------------------------------------------------------------
  void advance_ms(double ms);
  void fire_trigger();

  // --- Faults (FaultKind kNoAnswer, kRefuse, kGarbage, kShortBlock, kCorruptBlock) ---------
  void inject(const Fault& fault);

  // --- Inspection ----------------------------------------------------------------------------
  std::string received_bytes() const;
  void clear_received_bytes();
  std::vector<std::string> lines() const;
  // The entries of one scan of FIFO f as the device delivers them (time slots as sub 0, signal 0).
  std::vector<YalplusEntry> fifo_entries(int fifo) const;
  double fifo_rate(int fifo) const;
  int fifo_width(int fifo) const;
  int64_t delivered(int fifo) const;  // scans fetched by RMB? so far
  int32_t error_number() const;
  void set_error_number(int32_t error);
  // YALPRESS evaluation status bits ("FDE?0"), default 0x02 (evaluation done).
  void set_eval_status(int32_t bits);
  // Files on the device's disk ("RHD?").
  void set_disk_file(const std::string& name, std::string bytes);
  std::string disk_file(const std::string& name) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace corvane_sim
