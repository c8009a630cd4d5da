// Command-line options of the corvane-sim program.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "corvane_sim/engine.h"

namespace corvane_sim {

struct ProgramOptions {
  EngineConfig config;
  std::vector<std::pair<int, SignalSource>> sources;
  std::vector<Fault> faults;
  bool pty = true;
  std::optional<int> tcp_port;
  bool stdio = false;
  // USB: the Unix socket the interface library's simulator backend connects to, and the device's
  // serial-number text (by default the serial number IDN? reports for device 0).
  std::optional<std::string> usb_socket;
  std::string usb_serial;
  double clock_step_ms = 0.0;
  bool log = false;
  // The instrument played (a name of the personality table); checked by the program.
  std::string personality = "corvane";
  bool list_personalities = false;
  bool help = false;
};

// Parses argv; on a bad option returns nullopt and puts the reason into *error.
std::optional<ProgramOptions> parse_options(const std::vector<std::string>& args, std::string* error);

// Parses a signal source text such as "const:1.5", "temp:25", "sine:0,1.5,2" (see usage).
std::optional<SignalSource> parse_source(const std::string& text);
// Parses a fault text "kind[:match[:count[:value]]]".
std::optional<Fault> parse_fault(const std::string& text);

extern const char* const kUsage;

}  // namespace corvane_sim
