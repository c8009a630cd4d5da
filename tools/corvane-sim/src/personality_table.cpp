// The table of personalities corvane-sim can play.
#include "personality.h"

namespace corvane_sim {

namespace {

constexpr Personality kPersonalities[] = {
    {"corvane", "a chain of 1 to 10 Corvane amplifiers (the default)", make_corvane},
    {"yalplus", "a YALPLUS rack: 16 slots with sub-channels, time and counter slots, three FIFOs", make_yalplus},
    {"yal", "a YAL amplifier system (device type 2)", make_yal},
    {"velma", "a VELMA precision amplifier with two inputs (device type 40)", make_velma},
    {"zelplus", "a ZELPLUS amplifier (device type 91)", make_zelplus},
};

}  // namespace

std::span<const Personality> personalities() { return kPersonalities; }

const Personality* find_personality(std::string_view name) {
  for (const Personality& p : kPersonalities) {
    if (name == p.name) return &p;
  }
  return nullptr;
}

}  // namespace corvane_sim
