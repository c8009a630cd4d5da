// printf-style formatting into std::string for log texts. Only integer and text conversions are
// used, which print the same under every locale.
#pragma once

#include <string>

namespace linkar {

std::string strprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace linkar
