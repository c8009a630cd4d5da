// The tool's commands. Each takes the opened session and its own arguments, writes its result
// to standard output (text, or one JSON document per line with --json) and throws CommandError
// with a sentence on failure.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "session.h"

namespace corvane_cli {

struct CommandArgs {
  std::string command;
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;  // "--rate" -> "600" (the last one given)
  std::map<std::string, std::vector<std::string>> repeated;  // every value of an option, in order
  std::set<std::string> flags;                 // "--no-stop"

  bool has(const std::string& option) const { return options.count(option) != 0; }
  const std::string& get(const std::string& option) const { return options.at(option); }
  // Every value given for a repeatable option (empty when none).
  std::vector<std::string> all(const std::string& option) const {
    auto it = repeated.find(option);
    return it == repeated.end() ? std::vector<std::string>{} : it->second;
  }
};

// Splits words into positional arguments, options with a value (given as "--x v" or "--x=v")
// and flags. Throws CommandError (usage) for an unknown option or a missing value.
CommandArgs parse_command_args(const std::string& command, const std::vector<std::string>& words,
                               const std::set<std::string>& value_options, const std::set<std::string>& flag_options);

// Number option helpers; throw CommandError (usage) with the option's name.
double number_option(const CommandArgs& args, const std::string& option, double fallback);
// A duration in seconds: a plain number of seconds or a number with a unit ("500ms", "2s",
// "1.5min", "1h"); throws CommandError (usage) naming the option.
double duration_option(const CommandArgs& args, const std::string& option, double fallback);
long long integer_option(const CommandArgs& args, const std::string& option, long long fallback, long long min,
                         long long max);

// Switches exactly these channels to measure (CV_ACQSetup) and says which others stopped
// measuring: the states stay in the amplifier after the run. Throws CommandError on failure.
void measure_only(const Session& s, const std::vector<int32_t>& channels);

void cmd_info(Session& s, const std::vector<std::string>& words);
void cmd_show(Session& s, const std::vector<std::string>& words);
void cmd_set(Session& s, const std::vector<std::string>& words);
void cmd_set_device(Session& s, const std::vector<std::string>& words);
void cmd_tare(Session& s, const std::vector<std::string>& words);
void cmd_read(Session& s, const std::vector<std::string>& words);
void cmd_acquire(Session& s, const std::vector<std::string>& words);
void cmd_save(Session& s, const std::vector<std::string>& words);
void cmd_load(Session& s, const std::vector<std::string>& words);
void cmd_shunt_cal(Session& s, const std::vector<std::string>& words);
void cmd_record(Session& s, const std::vector<std::string>& words);
// Run without an open line.
void cmd_db(Session& s, const std::vector<std::string>& words);
void cmd_ports(Session& s, const std::vector<std::string>& words);

// Writes one line of data (a result, a JSON document) to standard output and flushes it.
void print_line(const std::string& text);
// Throws CommandError when writing to standard output has failed (a full disk, a closed pipe).
void check_stdout();
// Writes a confirmation or summary (text that is not the data) to standard error, unless -q.
void print_confirmation(const Session& s, const std::string& text);

}  // namespace corvane_cli
