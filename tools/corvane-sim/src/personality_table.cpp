// The table of personalities corvane-sim can play.
#include "personality.h"

namespace corvane_sim {

namespace {

constexpr Personality kPersonalities[] = {
    {"corvane", "a chain of 1 to 10 Corvane amplifiers (the default)", make_corvane},
    {"scpi-meter", "a four-channel ASCII multimeter answering SCPI-style MEAS? lines", make_scpi_meter},
    {"yalplus", "a YALPLUS rack: 16 slots with sub-channels, time and counter slots, three FIFOs", make_yalplus},
    {"yal", "a YAL amplifier system (device type 2)", make_yal},
    {"single-channel", "an amplifier with one measured channel (device type 3)", make_single_channel},
    {"velma", "a VELMA precision amplifier with two inputs (device type 40)", make_velma},
    {"amplifier55", "an amplifier of device types 55 and 56", make_amplifier55},
    {"amplifier60", "an amplifier with inputs 0..59, CR LF lines (device type 60)", make_amplifier60},
    {"amplifier90", "an amplifier with CR lines (device type 90)", make_amplifier90},
    {"zelplus", "a ZELPLUS amplifier (device type 91)", make_zelplus},
    {"amplifier100", "an amplifier with inputs 0..99, CR LF lines (device type 100)", make_amplifier100},
    {"instrument157", "an instrument of device type 157", make_instrument157},
    {"data-server", "a data server of physical values (device type 2001)", make_data_server},
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
