// Option parsing shared by every command.
#include "commands.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "messages.h"
#include "text_codec.h"

namespace corvane_cli {

CommandArgs parse_command_args(const std::string& command, const std::vector<std::string>& words,
                               const std::set<std::string>& value_options, const std::set<std::string>& flag_options) {
  CommandArgs args;
  args.command = command;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    // A negative number is a value, not an option.
    if (w.size() < 2 || w[0] != '-' || parse_double(w)) {
      args.positional.push_back(w);
      continue;
    }
    std::string name = w;
    std::string value;
    bool inline_value = false;
    size_t eq = w.find('=');
    if (eq != std::string::npos) {
      name = w.substr(0, eq);
      value = w.substr(eq + 1);
      inline_value = true;
    }
    if (flag_options.count(name) && !inline_value) {
      args.flags.insert(name);
    } else if (value_options.count(name)) {
      if (!inline_value) {
        if (i + 1 >= words.size()) throw CommandError(tr("The option {} of {} needs a value.", name, command), kExitUsage);
        value = words[++i];
      }
      args.options[name] = value;
      args.repeated[name].push_back(value);
    } else {
      throw CommandError(tr("The command {} has no option {}.", command, name), kExitUsage);
    }
  }
  return args;
}

double number_option(const CommandArgs& args, const std::string& option, double fallback) {
  if (!args.has(option)) return fallback;
  auto v = parse_double(args.get(option));
  if (!v) throw CommandError(tr("The option {} needs a number, not \"{}\".", option, args.get(option)), kExitUsage);
  return *v;
}

double duration_option(const CommandArgs& args, const std::string& option, double fallback) {
  if (!args.has(option)) return fallback;
  auto v = parse_duration(args.get(option));
  if (!v || !std::isfinite(*v) || *v < 0) {
    throw CommandError(tr("The option {} needs a duration such as 30, 500ms, 2s, 10min or 1h, not \"{}\".", option,
                          args.get(option)),
                       kExitUsage);
  }
  return *v;
}

long long integer_option(const CommandArgs& args, const std::string& option, long long fallback, long long min,
                         long long max) {
  if (!args.has(option)) return fallback;
  auto v = parse_integer(args.get(option));
  if (!v || *v < min || *v > max) {
    throw CommandError(tr("The option {} needs a whole number from {} to {}, not \"{}\".", option, min, max, args.get(option)),
                       kExitUsage);
  }
  return *v;
}

void print_line(const std::string& text) { std::cout << text << '\n' << std::flush; }

void check_stdout() {
  errno = 0;
  std::cout.flush();
  const bool flushed = std::fflush(stdout) == 0;
  const int e = errno;
  if (!std::cout || !flushed || std::ferror(stdout)) {
    std::clearerr(stdout);
    std::cout.clear();
    // The reason is known when this flush met it; an earlier write may have failed unseen.
    throw CommandError(e != 0 ? tr("Writing to standard output failed: {}{}.", std::strerror(e), "")
                              : tr("Writing to standard output failed."));
  }
}

void print_confirmation(const Session& s, const std::string& text) {
  if (s.options().quiet) return;
  std::cerr << text << (text.empty() || text.back() != '\n' ? "\n" : "") << std::flush;
}

}  // namespace corvane_cli
