// The Corvane device engine: plays a chain of 1 to 10 Corvane amplifiers (ten channel slots each)
// as the one instrument the driver sees on its line. It takes command lines, keeps the device
// settings, the error number, the measuring clock and the scan buffer, and returns the exact reply
// bytes the amplifier sends. Servers (server.h) put it on a pseudo-terminal, a TCP port or any
// connected descriptor; tests may also call handle_line() directly.
//
// Every public member is thread-safe: a server thread answers the line while a test thread sets
// signal sources, injects faults, advances the virtual clock or inspects the state.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "corvane_sim/line_device.h"

namespace corvane_sim {

inline constexpr int kSlotsPerDevice = 10;
inline constexpr int kMaxDevices = 10;
// Raw count of a reading at the full measuring range.
inline constexpr int32_t kFullScale = 25000;
// Readings whose magnitude exceeds this are replaced by an overflow code.
inline constexpr int32_t kLargestReading = 32765;
// Overflow codes of the raw readings.
inline constexpr int16_t kOverflowPlus = 32766;        // "+overflow": above 32765, up to twice full range
inline constexpr int16_t kOverflowPlusHard = 32767;    // "+OVERFLOW": beyond twice full range
inline constexpr int16_t kOverflowBroken = -32768;     // "OVERFLOW": no valid reading (open input)
inline constexpr int16_t kOverflowMinusHard = -32767;  // "-OVERFLOW": below twice negative full range
inline constexpr int16_t kOverflowMinus = -32766;      // "-overflow": below -32765, down to -2 x full range

// Device error numbers, as EST? reports them.
enum ErrorNumber : int32_t {
  kNoError = 0,
  kAfterReset = 10000,
  kTransmissionError = 10001,
  kSystemError = 10002,
  kUnknownCommand = 10003,
  kWrongParameterCount = 10004,
  kWrongParameterValue = 10005,
  kWrongFilterFrequency = 10006,
  kOverload = 10007,
  kCommandNotExecutable = 10008,
  kOmbNotExecutable = 10009,
  kWrongChannel = 10010,
  kMeasuringError = 10011,
  kWrongTrigger = 10012,
  kWrongRange = 10013,
  kTareFailed = 10014,
  kLostSlave = 10015,
  kFlashMode = 10020,
  kWarningFilterFrequency = 10021,
  kWarningTareState = 10022,
};

// MSV? device states.
enum AcquisitionState : int32_t {
  kStateIdle = 0,          // no acquisition started, or stopped by STP
  kStateWaitTrigger = 1,   // started, waiting for the trigger (pre-trigger scans are being kept)
  kStateMeasuring = 2,     // scans are being taken into the buffer
  kStateComplete = 3,      // the requested number of scans has been taken
  kStateOverflow = 5,      // the buffer ran full; measuring stopped
};

// Two bytes that open and two that close every binary block (OMB?, TAR?).
inline constexpr char kBlockLeadIn[2] = {'#', '0'};
inline constexpr char kBlockTrailer[2] = {'\r', '\n'};

// What a channel's input sees. The value at time t (seconds on the device clock) is
//   offset + amplitude * sin(2 pi frequency_hz t)            for kSine,
//   offset + slope_per_s * (t mod period_s)                  for kRamp (period_s 0: no restart),
//   offset + amplitude * u, u uniform in [-1, 1], hashed from (seed, channel, t)  for kNoise,
//   offset                                                   for kConstant.
// The quantity says what the value is:
//   kSignal:      in the unit of the channel's measuring range (mV/V, V, mA, Ohm, Hz, s, counts);
//                 raw = round(value / range value x 25000).
//   kTemperature: degrees Celsius at the sensor; a thermocouple channel (transducers 450..456)
//                 turns it into the reference-junction-at-0-degC voltage of the published
//                 reference functions, a Pt channel (501..503) into the sensor resistance
//                 (R0 = 100, 500, 1000 Ohm), then scaled like kSignal. Other transducers take
//                 the value as kSignal.
//   kRawCounts:   the raw reading itself (rounded); any 16-bit value is sent as it is, so the
//                 overflow codes may be given directly; values beyond 16 bits become codes.
// A value that is not a number reads as kOverflowBroken.
struct SignalSource {
  enum class Shape { kConstant, kSine, kRamp, kNoise };
  enum class Quantity { kSignal, kTemperature, kRawCounts };
  Shape shape = Shape::kConstant;
  Quantity quantity = Quantity::kSignal;
  double offset = 0.0;
  double amplitude = 0.0;
  double frequency_hz = 0.0;
  double slope_per_s = 0.0;
  double period_s = 0.0;
  uint32_t seed = 1;

  static SignalSource constant(double value) { return {Shape::kConstant, Quantity::kSignal, value}; }
  static SignalSource raw(double counts) { return {Shape::kConstant, Quantity::kRawCounts, counts}; }
  static SignalSource temperature(double celsius) {
    return {Shape::kConstant, Quantity::kTemperature, celsius};
  }
  static SignalSource sine(double offset, double amplitude, double frequency_hz) {
    return {Shape::kSine, Quantity::kSignal, offset, amplitude, frequency_hz};
  }
  static SignalSource ramp(double start, double slope_per_s, double period_s = 0.0) {
    return {Shape::kRamp, Quantity::kSignal, start, 0.0, 0.0, slope_per_s, period_s};
  }
  static SignalSource noise(double centre, double amplitude, uint32_t seed = 1) {
    return {Shape::kNoise, Quantity::kSignal, centre, amplitude, 0.0, 0.0, 0.0, seed};
  }
};

// Construction-time description of the chain.
struct EngineConfig {
  int devices = 1;  // 1..10; out of range is clamped
  // Amplifier type id (5050..5058) per slot position 0..9, used for every device of the chain.
  // Empty: 5051, 5051, 5052, 5052, 5053, 5053, 5053, 5053, 5055, 5050.
  std::vector<int32_t> slot_types;
  // Per-channel amplifier types (channel number -> type id), applied after slot_types.
  std::map<int, int32_t> channel_types;
  // true: scans advance only through advance(); false: with the real monotonic clock.
  bool virtual_clock = false;
  // Measured-value memory of the chain in 16-bit samples; a buffer that would hold more
  // scans than fit gives state 5.
  std::size_t buffer_samples = 262144;
  // Error number held at power-on (10000 "after reset" is what a freshly reset device holds).
  int32_t initial_error = kNoError;
  // Identity fields of IDN?: maker, device type, serial numbers (one per device; missing
  // entries get "4711" followed by the device index), program version.
  std::string maker = "QBX";
  std::string device_type = "Corvane";
  std::vector<std::string> serial_numbers;
  std::string program_version = "P2.10";
  // Shunt signal of the bridge amplifiers that have one (5057, 5058), in mV/V, added to the
  // channel's input while its signal selector is 43.
  double shunt_mv_per_v = 1.0;
};

// One channel's settings as the device holds them.
struct ChannelSettings {
  int32_t amplifier = 5050;       // amplifier type id
  int32_t state = 6200;           // 6200..6203
  int32_t transducer = 0;         // transducer id
  int32_t range = 0;              // measuring range id
  int32_t filter_mode = 148;      // 148 variable, 149 const
  int32_t signal_selector = 42;   // 42 measuring signal, 43 shunt
  int32_t tare_raw = 0;           // tare value in raw counts (Pt: relative to R0)
  int32_t digital_value = 0;      // output word of a digital I/O channel (DPI)
};

// Device-wide settings.
struct DeviceSettings {
  int32_t rate = 6320;            // measuring rate id 6300..6320
  int32_t filter_type = 140;      // 140..142
  int32_t filter_frequency = 971; // 914..971 or 1199
  int32_t baud_code = 1408;       // last BDR code (the line speed itself is not emulated)
  int32_t block_format = 1;       // last FMB value
};

// The acquisition as MSV? would report it, plus what tests want to check.
struct AcquisitionStatus {
  int32_t state = kStateIdle;
  int64_t buffered_scans = 0;     // scans waiting to be fetched by OMB?n
  int64_t total_scans = 0;        // scans taken into the buffer since MSV
  int32_t requested_scans = 0;    // MSV first argument (0: until STP)
  int32_t pretrigger_scans = 0;   // MSV second argument
  int32_t trigger_mode = 6100;    // MSV third argument
  bool triggered = false;         // third MSV? field (1/0)
  int32_t channels_per_scan = 0;  // measuring channels when MSV started
  std::vector<int> scan_channels; // those channels, ascending
};

// Misbehaviour on demand. A fault applies to the next `count` command lines whose text starts
// with `match` ("" matches every line); count 0 keeps it until clear_faults(). The command is
// still executed by the device unless the fault is kNoAnswer or kRefuse; only its reply changes.
enum class FaultKind {
  kNoAnswer,      // the command is ignored; no reply at all
  kDelay,         // the reply comes after delay_ms
  kRefuse,        // "?\r\n" and the error number `error` (the command is not executed)
  kGarbage,       // `garbage` is sent in place of the reply
  kCutLine,       // only the first keep_bytes of the reply are sent (the line goes dead mid-reply)
  kShortBlock,    // binary blocks: drop_bytes payload bytes are left out (lead-in and trailer sent)
  kCorruptBlock,  // the reply byte at `offset` is XORed with xor_mask (binary blocks or lines)
};

struct Fault {
  FaultKind kind = FaultKind::kNoAnswer;
  std::string match;
  int count = 1;
  int delay_ms = 0;
  int32_t error = kSystemError;
  std::string garbage = "\xff\xfe#%garbage";
  std::size_t keep_bytes = 1;
  std::size_t drop_bytes = 2;
  std::size_t offset = 2;
  uint8_t xor_mask = 0xFF;
  // After the reply, close the connection (TCP and descriptor servers; the pty stays open).
  bool hang_up = false;
};

class Engine : public LineDevice {
 public:
  explicit Engine(EngineConfig config = {});
  ~Engine() override;
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Executes one command line (without its LF; a trailing CR is ignored) and returns the reply.
  // Empty lines are ignored (empty reply, not recorded).
  Reply handle_line(std::string_view line) override;
  // handle_line(line).bytes, for tests that need no fault details.
  std::string process(std::string_view line);

  // --- Clock -------------------------------------------------------------------------------
  bool virtual_clock() const;
  // Moves the virtual clock forward, taking every scan that falls due. Ignored on the real clock.
  void advance(std::chrono::nanoseconds step);
  void advance_ms(double ms);
  // Device time since construction.
  std::chrono::nanoseconds now() const;
  // Virtual clock only: every received line first advances the clock by `step` (0: off), so a
  // standalone program on the virtual clock still makes progress while polled.
  void set_auto_advance(std::chrono::nanoseconds step);

  // --- Inputs ------------------------------------------------------------------------------
  // Channel numbers out of range are ignored by setters and give defaults from getters.
  void set_source(int channel, const SignalSource& source);
  SignalSource source(int channel) const;
  // Fires a waiting trigger of mode 6101/6102 at the next scan (the external trigger input).
  void fire_external_trigger();

  // --- Faults ------------------------------------------------------------------------------
  void inject(const Fault& fault);
  void clear_faults();
  std::size_t pending_faults() const;

  // --- Inspection --------------------------------------------------------------------------
  int device_count() const;
  int channel_count() const;
  // Every non-empty line received, in order, without the line end.
  std::vector<std::string> lines() const;
  std::size_t line_count() const;
  void clear_lines();
  // Every byte the servers received, in order, line ends included (the last 1 MiB), so that tests
  // can check exactly what went over the line.
  std::string received_bytes() const;
  void clear_received_bytes();
  // Called by the servers with the bytes of each read, before they are cut into lines.
  void note_received(std::string_view bytes) override;
  // Waits until at least `count` lines were received in total; false on time-out.
  bool wait_for_lines(std::size_t count, std::chrono::milliseconds timeout) const;
  // Called for every line received and for every reply (after faults), on the serving thread.
  void set_observer(std::function<void(std::string_view line, const Reply& reply)> observer);

  int32_t error_number() const;
  void set_error_number(int32_t error);
  ChannelSettings channel(int channel) const;
  // Sets a channel's settings as given, without the amplifier rules (test set-up).
  void set_channel(int channel, const ChannelSettings& settings);
  DeviceSettings device() const;
  void set_device(const DeviceSettings& settings);
  AcquisitionStatus acquisition() const;
  // The reading a channel gives now (net of its tare value in tare state), as OMB?0 sends it.
  int16_t reading(int channel) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace corvane_sim
