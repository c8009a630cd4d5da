// The built-in simulator behind --port sim: a chain of Corvane amplifiers played in-process on a
// pseudo-terminal, with known input signals, so that every command can be tried without hardware;
// behind --port yalplus:sim a YALPLUS rack of 16 amplifier slots in real time.
#pragma once

#include <memory>
#include <string>

#include "port_choice.h"

namespace corvane_cli {

// What each slot position of every device in the chain holds (amplifier type, power-on
// transducer and input signal); printed by `corvane --help` and checked by the tests.
struct SimSlot {
  int amplifier;
  const char* description;
};
extern const SimSlot kSimSlots[10];

class BuiltinSim {
 public:
  // Starts a chain of `devices` (1..10) amplifiers, or a YALPLUS rack (devices unused); throws
  // std::system_error when the pseudo-terminal cannot be set up.
  explicit BuiltinSim(int devices, PortChoice::Family family = PortChoice::Family::kCorvane);
  ~BuiltinSim();
  BuiltinSim(const BuiltinSim&) = delete;
  BuiltinSim& operator=(const BuiltinSim&) = delete;

  // Slave path of the pseudo-terminal that the driver opens as its serial line.
  const std::string& line_path() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace corvane_cli
