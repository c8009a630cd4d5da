// The driver file image of a program: the bytes the acquisition kernel loads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "program.h"

namespace drvc {

// Magic, directory (one 64-byte slot per section from offset 80), then per section its statement
// count and statements. Throws std::length_error for sizes the format cannot hold (texts over
// 65535 bytes, more than 65535 sections or statements, offsets beyond 4 GiB, names over 39
// characters).
std::vector<uint8_t> driver_image(const Program& program);

// A readable listing of the program: sections with numbered statements and their arguments.
std::string listing(const Program& program);

}  // namespace drvc
