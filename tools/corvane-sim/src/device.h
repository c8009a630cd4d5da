// The chain's state and its behaviour on one command: settings, error number, signal inputs,
// and the acquisition (scan clock, trigger, buffer). Not thread-safe; the Engine serialises.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "corvane_sim/engine.h"

namespace corvane_sim {

// The reply to one command before faults are applied.
struct Answer {
  std::string bytes;
  bool binary = false;  // a binary block (lead-in, payload, trailer)
};

struct Channel {
  ChannelSettings settings;
  SignalSource source;
};

struct TriggerCondition {
  bool set = false;
  int channel = 0;
  int32_t condition = 6000;
  int32_t level = 0;
};

struct Acquisition {
  int32_t state = kStateIdle;
  int32_t requested = 0;
  int32_t pretrigger = 0;
  int32_t mode = 6100;
  bool triggered = false;
  bool trigger_pending = false;  // TRG or the external input fired; the next scan triggers
  std::vector<int> channels;     // measuring channels, ascending
  int64_t start_ns = 0;
  int32_t rate_hz = 1;
  int64_t next_scan = 1;         // number of the next scan since start (scan k falls due at k / rate)
  int64_t total = 0;             // scans put into the buffer
  std::deque<int16_t> buffer;    // scans waiting for OMB?n, channel by channel
  std::deque<int16_t> pre;       // kept pre-trigger scans while waiting
  bool have_previous = false;    // the trigger channel's previous reading (edge conditions)
  int16_t previous = 0;
};

class Device {
 public:
  explicit Device(const EngineConfig& config);

  // Runs one command line at device time now_ns; sets the error number on refusals.
  Answer execute(std::string_view line, int64_t now_ns);
  // Takes every scan that fell due up to now_ns.
  void update(int64_t now_ns);
  // The reading of a channel at device time t_ns (net of the tare value in tare state).
  int16_t reading(int channel, int64_t t_ns) const;
  void fire_trigger();

  int channel_count() const { return static_cast<int>(channels_.size()); }
  int device_count() const { return devices_; }
  bool valid_channel(int channel) const { return channel >= 0 && channel < channel_count(); }

  std::vector<Channel>& channels() { return channels_; }
  const std::vector<Channel>& channels() const { return channels_; }
  DeviceSettings& settings() { return settings_; }
  int32_t& error() { return error_; }
  const Acquisition& acquisition() const { return acq_; }

 private:
  using Handler = Answer (Device::*)(const CommandLine&);
  struct CommandEntry {
    const char* word;
    bool query;
    int min_args;
    int max_args;
    Handler handler;
  };
  static const CommandEntry kCommands[];

  Answer refuse(int32_t error);
  static Answer line(std::string text);
  static Answer ok() { return line("0"); }
  static Answer block(const std::vector<int16_t>& values);
  // Channel argument check; nullopt-like -1 when invalid.
  bool channel_arg(double value, int* channel) const;
  bool measuring() const;
  std::vector<int> channels_where(int32_t state_bit) const;
  // The input value of a channel at t before tare and overflow mapping, in counts.
  double gross_counts(int channel, int64_t t_ns) const;
  int16_t gross_reading(int channel, int64_t t_ns) const;
  int32_t tare_offset_counts(int channel) const;

  // Acquisition steps.
  void take_scan(int64_t t_ns);
  bool trigger_fires(int64_t t_ns);
  std::size_t capacity_scans() const;

  // Command handlers.
  Answer est_query(const CommandLine& cmd);
  Answer idn_query(const CommandLine& cmd);
  Answer aid_query(const CommandLine& cmd);
  Answer icr_set(const CommandLine& cmd);
  Answer icr_query(const CommandLine& cmd);
  Answer asf_set(const CommandLine& cmd);
  Answer asf_query(const CommandLine& cmd);
  Answer act_set(const CommandLine& cmd);
  Answer act_query(const CommandLine& cmd);
  Answer asa_set(const CommandLine& cmd);
  Answer asa_query(const CommandLine& cmd);
  Answer tav_set(const CommandLine& cmd);
  Answer tav_query(const CommandLine& cmd);
  Answer afs_set(const CommandLine& cmd);
  Answer afs_query(const CommandLine& cmd);
  Answer dpi_set(const CommandLine& cmd);
  Answer dpi_query(const CommandLine& cmd);
  Answer ass_set(const CommandLine& cmd);
  Answer ass_query(const CommandLine& cmd);
  Answer tar_set(const CommandLine& cmd);
  Answer tar_query(const CommandLine& cmd);
  Answer omb_query(const CommandLine& cmd);
  Answer msv_set(const CommandLine& cmd);
  Answer msv_query(const CommandLine& cmd);
  Answer stp_set(const CommandLine& cmd);
  Answer trg_set(const CommandLine& cmd);
  Answer dtr_set(const CommandLine& cmd);
  Answer prg_query(const CommandLine& cmd);
  Answer bdr_set(const CommandLine& cmd);
  Answer fmb_set(const CommandLine& cmd);

  EngineConfig config_;
  int devices_ = 1;
  std::vector<Channel> channels_;
  DeviceSettings settings_;
  int32_t error_ = kNoError;
  int64_t now_ns_ = 0;
  TriggerCondition trigger_;
  Acquisition acq_;
};

}  // namespace corvane_sim
