// A compiled driver program as drvc builds it: named sections of statements, each statement a
// type code and up to 13 argument texts, exactly as they go into the driver file.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace drvc {

inline constexpr int kArguments = 13;

struct Statement {
  int type = 0;
  std::array<std::optional<std::string>, kArguments> args;
  int line = 0;  // source line it came from (for listings)
};

struct Section {
  std::string name;
  int line = 0;
  std::vector<Statement> statements;
};

struct Program {
  std::vector<Section> sections;
};

}  // namespace drvc
