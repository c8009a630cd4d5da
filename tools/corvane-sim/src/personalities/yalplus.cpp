// The YALPLUS personality of corvane-sim: the rack engine, on the virtual clock with
// --virtual-clock (else the monotonic clock), with the program's faults; the Corvane chain options
// do not apply.
#include <memory>

#include "corvane_sim/yalplus.h"
#include "personality.h"

namespace corvane_sim {

std::unique_ptr<LineDevice> make_yalplus(const ProgramOptions& options) {
  YalplusConfig config;
  config.virtual_clock = options.config.virtual_clock;
  if (config.virtual_clock) config.auto_advance_ms = options.clock_step_ms;
  auto engine = std::make_unique<YalplusEngine>(config);
  for (const auto& fault : options.faults) engine->inject(fault);
  return engine;
}

}  // namespace corvane_sim
