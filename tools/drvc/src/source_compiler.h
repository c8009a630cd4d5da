// The drvc source language (docs/drvc.md): sections of line-oriented statements with blocks
// (if/else, loop, repeat), labels and jumps, assignments, text functions, parameters and device
// input/output, compiled into driver statements.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "program.h"

namespace drvc {

struct Diagnostic {
  int line;
  std::string message;
};

// Compiles a source text. On errors the program is incomplete and `errors` lists every problem
// found, in line order (a line's first problem only).
Program compile_source(std::string_view source, std::vector<Diagnostic>& errors);

}  // namespace drvc
