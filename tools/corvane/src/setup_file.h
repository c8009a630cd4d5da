// What the tool reads from a binary setup file itself, before the driver loads it: the chain it
// was saved from (channel count, amplifier type per channel) and what the driver's reader does
// not take over (the device name, the channel names, the digital output words), so that `load`
// can check the file against the attached chain and apply the rest.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane_cli {

struct SetupFileChannel {
  int32_t amplifier = 0;
  std::string name;  // Latin-1, as stored
  int32_t digital = 0;
};

struct SetupFileContents {
  int32_t channel_count = 0;
  std::string device_name;  // Latin-1
  std::vector<SetupFileChannel> channels;
};

// The current form of the file (header, version, 64-byte device block, 72-byte channel
// records); nullopt when the file is not in that form (the driver may still read an older one).
std::optional<SetupFileContents> read_setup_file(const std::string& path);

}  // namespace corvane_cli
