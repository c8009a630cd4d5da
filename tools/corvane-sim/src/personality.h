// The instruments corvane-sim can play, chosen with --personality NAME. Each personality lives in
// its own file under personalities/ and builds a LineDevice from the program options; the servers
// put whichever device was built on the line. A new instrument is a new file and a table row.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "corvane_sim/line_device.h"
#include "program_options.h"

namespace corvane_sim {

struct Personality {
  const char* name;     // the --personality value
  const char* summary;  // one line for --help
  // Builds the device from the parsed options. Throws std::invalid_argument, with a message for
  // the user, for options the personality cannot take.
  std::unique_ptr<LineDevice> (*make)(const ProgramOptions& options);
};

// Every personality, the default ("corvane") first.
std::span<const Personality> personalities();
// The personality of that name, or nullptr.
const Personality* find_personality(std::string_view name);

// Builders, one per file under personalities/.
std::unique_ptr<LineDevice> make_corvane(const ProgramOptions& options);
std::unique_ptr<LineDevice> make_scpi_meter(const ProgramOptions& options);
std::unique_ptr<LineDevice> make_yalplus(const ProgramOptions& options);
// Instruments of the other amplifier families (personalities/<family>.cpp); each is an
// AsciiInstrument (personalities/ascii_instrument.h) that keeps the commands it received.
std::unique_ptr<LineDevice> make_yal(const ProgramOptions& options);
std::unique_ptr<LineDevice> make_single_channel(const ProgramOptions& options);
std::unique_ptr<LineDevice> make_velma(const ProgramOptions& options);
std::unique_ptr<LineDevice> make_amplifier55(const ProgramOptions& options);
std::unique_ptr<LineDevice> make_amplifier60(const ProgramOptions& options);
std::unique_ptr<LineDevice> make_amplifier90(const ProgramOptions& options);
std::unique_ptr<LineDevice> make_zelplus(const ProgramOptions& options);
std::unique_ptr<LineDevice> make_amplifier100(const ProgramOptions& options);
std::unique_ptr<LineDevice> make_instrument157(const ProgramOptions& options);
std::unique_ptr<LineDevice> make_data_server(const ProgramOptions& options);

}  // namespace corvane_sim
