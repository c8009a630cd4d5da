// The default personality: the Corvane engine built from the chain options (--devices, --types,
// --source, --fault, --virtual-clock, ...), with --log printing every line and reply to stderr.
#include <cstdio>
#include <iostream>

#include "corvane_sim/engine.h"
#include "personality.h"

namespace corvane_sim {

namespace {

// The bytes with line ends and non-printing bytes escaped, for the log.
std::string printable(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c >= 32 && c < 127) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

}  // namespace

std::unique_ptr<LineDevice> make_corvane(const ProgramOptions& options) {
  auto engine = std::make_unique<Engine>(options.config);
  for (const auto& [channel, source] : options.sources) engine->set_source(channel, source);
  for (const auto& fault : options.faults) engine->inject(fault);
  if (options.config.virtual_clock) {
    engine->set_auto_advance(std::chrono::nanoseconds(static_cast<int64_t>(options.clock_step_ms * 1e6)));
  }
  if (options.log) {
    engine->set_observer([](std::string_view line, const Reply& reply) {
      std::string reply_text =
          reply.bytes.size() > 64 ? printable(reply.bytes.substr(0, 64)) + "..." : printable(reply.bytes);
      std::cerr << "<< " << line << "\n>> " << reply_text << "\n";
    });
  }
  return engine;
}

}  // namespace corvane_sim
