// The table of personalities corvane-sim can play.
#include "personality.h"

namespace corvane_sim {

namespace {

constexpr Personality kPersonalities[] = {
    {"corvane", "a chain of 1 to 10 Corvane amplifiers (the default)", make_corvane},
    {"yalplus", "a YALPLUS rack: 16 slots with sub-channels, time and counter slots, three FIFOs", make_yalplus},
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
