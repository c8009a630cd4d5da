// A stand-in for the interface library's line operations: writes are kept, reads are served from
// a byte script (a canned prefix, then the fuzz input). An exhausted script reads like a silent
// device: a time-out at once.
#pragma once

#include <string>

namespace fake_line {

// Replaces the script and forgets what was written.
void serve(std::string script);
// Everything the driver wrote since serve().
const std::string& written();

}  // namespace fake_line
