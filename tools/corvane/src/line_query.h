// One plain command on the current line of the interface library, outside the driver: what the
// tool asks before the driver or the kernel take a line over (its state, its identity, its slots).
#pragma once

#include <cstdint>
#include <string>

namespace corvane_cli {

// Sends `command` (one line, with its LF) on the current line and reads the reply line into
// *reply without its CR LF. 0, or the interface's failure status (a time-out among them); *reply
// is empty then.
int32_t query_line(const std::string& command, std::string* reply);

}  // namespace corvane_cli
