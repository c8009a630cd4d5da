// The tool's help: the overview of `corvane --help` and the page of every command for
// `corvane COMMAND --help`. The man page (docs/corvane.1) says the same at more length.
#pragma once

#include <string>

namespace corvane_cli {

struct CommandHelp {
  const char* name;
  const char* synopsis;  // one or more lines, each "  ..." , shown in the overview
  const char* page;      // the rest of the command's own help
};
extern const CommandHelp kCommandHelp[];
extern const size_t kCommandHelpCount;

// The overview: usage, global options, commands, conventions (without the simulator's slots).
std::string overview_help();
// The page of one command; "" for an unknown name.
std::string command_help(const std::string& name);

}  // namespace corvane_cli
