// corvane: the command-line tool over the Corvane driver and interface libraries. Global options
// choose the line and the output; then one command, or several joined by a lone "+", run on one
// connection (so settings made by one command hold for the next).
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "builtin_sim.h"
#include "help_texts.h"
#include "commands.h"
#include "json_writer.h"
#include "messages.h"
#include "session.h"
#include "terminal.h"
#include "text_codec.h"

#ifndef CORVANE_CLI_VERSION
#define CORVANE_CLI_VERSION "unknown"
#endif

using namespace corvane_cli;

namespace {

struct CommandEntry {
  const char* name;
  void (*run)(Session&, const std::vector<std::string>&);
  bool needs_line = true;  // false: runs without opening the line (ports)
};
const CommandEntry kCommands[] = {
    {"info", cmd_info},   {"show", cmd_show}, {"set", cmd_set},   {"set-device", cmd_set_device},
    {"tare", cmd_tare},   {"read", cmd_read}, {"acquire", cmd_acquire}, {"save", cmd_save},
    {"load", cmd_load},   {"shunt-cal", cmd_shunt_cal}, {"ports", cmd_ports, false},
    {"record", cmd_record}, {"db", cmd_db, false},
};

const CommandEntry* find_command(const std::string& name) {
  for (const auto& c : kCommands) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

void print_usage() {
  std::cout << overview_help() << tr("\nThe built-in simulator (--port sim) has these slots on every device:\n");
  for (int p = 0; p < 10; ++p) std::cout << tr("  slot {}: {}\n", p, tr(kSimSlots[p].description));
  std::cout << tr("The built-in YALPLUS rack (--port yalplus:sim) has an amplifier in each of its 16 slots;\n"
                  "each slot's gross signal is a ramp in kN of its own slope.\n");
}

struct Invocation {
  GlobalOptions global;
  std::vector<std::pair<const CommandEntry*, std::vector<std::string>>> commands;
  bool help = false;
  std::string help_command;  // "corvane COMMAND --help"
  bool version = false;
};

// The port named by CORVANE_PORT, else the built-in simulator.
PortChoice default_port() {
  const char* env = std::getenv("CORVANE_PORT");
  if (env == nullptr || env[0] == 0) return *parse_port("sim");
  auto port = parse_port(env);
  if (!port) throw CommandError(tr("CORVANE_PORT=\"{}\" is not a port; see corvane --help.", env), kExitUsage);
  return *port;
}

// A word as a shell would need it written.
std::string shell_word(const std::string& word) {
  if (!word.empty() && word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_.,:/=+@%") ==
                           std::string::npos) {
    return word;
  }
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

Invocation parse(int argc, char** argv) {
  Invocation inv;
  inv.global.command_line = "corvane";
  inv.global.language = language();
  for (int k = 1; k < argc; ++k) inv.global.command_line += " " + shell_word(argv[k]);
  // --json may also be written after the command; it always means the whole run.
  std::vector<char*> kept;
  for (int k = 0; k < argc; ++k) {
    if (k > 0 && std::string(argv[k]) == "--json") {
      inv.global.json = true;
    } else {
      kept.push_back(argv[k]);
    }
  }
  argc = static_cast<int>(kept.size());
  argv = kept.data();
  bool port_given = false;
  int i = 1;
  auto value = [&](const std::string& option) -> std::string {
    if (i + 1 >= argc) throw CommandError(tr("The option {} needs a value.", option), kExitUsage);
    return argv[++i];
  };
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a.empty() || a[0] != '-') break;
    std::string v;
    size_t eq = a.find('=');
    if (eq != std::string::npos && a.compare(0, 2, "--") == 0) {
      v = a.substr(eq + 1);
      a = a.substr(0, eq);
    }
    auto take = [&]() { return eq != std::string::npos ? v : value(a); };
    if (a == "--help" || a == "-h") {
      inv.help = true;
    } else if (a == "--version") {
      inv.version = true;
    } else if (a == "--json") {
      inv.global.json = true;
    } else if (a == "--quiet" || a == "-q") {
      inv.global.quiet = true;
    } else if (a == "--port") {
      std::string text = take();
      auto port = parse_port(text);
      if (!port) {
        throw CommandError(tr("\"{}\" is not a port; use sim, COM1..COM6, a device path such as /dev/ttyUSB0, LPT1, LPT2, tcp:HOST[:PORT], usb:SERIAL, offline, or yalplus:PORT (PORT being sim, a serial port or tcp:HOST[:PORT]) for a YALPLUS rack.", text), kExitUsage);
      }
      // A further --port adds a line that records together with the first (record only).
      if (port_given) {
        inv.global.extra_ports.push_back(*port);
      } else {
        inv.global.port = *port;
      }
      port_given = true;
    } else if (a == "--devices") {
      std::string text = take();
      auto n = parse_integer(text);
      if (!n || *n < 1 || *n > 10) throw CommandError(tr("--devices takes 1 to 10, not \"{}\".", text), kExitUsage);
      inv.global.devices = static_cast<int>(*n);
    } else if (a == "--baud") {
      std::string text = take();
      auto n = parse_integer(text);
      if (!n || *n < 1 || *n > 1000000) throw CommandError(tr("--baud takes a baud rate such as 9600, not \"{}\".", text), kExitUsage);
      inv.global.baud = static_cast<int32_t>(*n);
    } else if (a == "--timeout") {
      std::string text = take();
      auto n = parse_integer(text);
      if (!n || *n < 1 || *n > 3600000) throw CommandError(tr("--timeout takes milliseconds (1 to 3600000), not \"{}\".", text), kExitUsage);
      inv.global.timeout_ms = static_cast<int32_t>(*n);
    } else if (a == "--log") {
      inv.global.log_file = take();
    } else if (a == "--lang") {
      std::string text = take();
      if (text != "en" && text != "de") throw CommandError(tr("--lang takes en or de, not \"{}\".", text), kExitUsage);
      inv.global.language = text;
    } else {
      throw CommandError(tr("Unknown option {}; see corvane --help.", a), kExitUsage);
    }
  }
  if (inv.help || inv.version) return inv;
  if (i >= argc) throw CommandError(tr("No command given; see corvane --help."), kExitUsage);
  if (std::string(argv[i]) == "help") {
    inv.help = true;
    if (i + 1 < argc) inv.help_command = argv[i + 1];
    return inv;
  }
  if (!port_given) inv.global.port = default_port();
  while (i < argc) {
    const CommandEntry* cmd = find_command(argv[i]);
    if (cmd == nullptr) throw CommandError(tr("Unknown command \"{}\"; see corvane --help.", argv[i]), kExitUsage);
    std::vector<std::string> words;
    for (++i; i < argc && std::string(argv[i]) != "+"; ++i) {
      if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
        inv.help = true;
        inv.help_command = cmd->name;
        return inv;
      }
      words.push_back(argv[i]);
    }
    if (!inv.global.extra_ports.empty() && std::string(cmd->name) != "record") {
      throw CommandError(tr("Several --port options are for record only; {} works on one line.", cmd->name), kExitUsage);
    }
    if (inv.global.port.family == PortChoice::Family::kYalplus && cmd->needs_line && std::string(cmd->name) != "record") {
      throw CommandError(tr("A YALPLUS rack ({}) is for record only; {} works on a Corvane.", inv.global.port.text, cmd->name),
                         kExitUsage);
    }
    inv.commands.emplace_back(cmd, std::move(words));
    if (i < argc) {
      ++i;  // the "+"
      if (i >= argc) throw CommandError(tr("A command must follow \"+\"."), kExitUsage);
    }
  }
  return inv;
}

}  // namespace

int main(int argc, char** argv) {
  set_language(chosen_language(argc, argv));
  Invocation inv;
  try {
    inv = parse(argc, argv);
  } catch (const CommandError& e) {
    std::cerr << "corvane: " << e.what() << "\n";
    return e.status;
  }
  if (inv.version) {
    std::cout << "corvane " << CORVANE_CLI_VERSION << "\n";
  } else if (inv.help && !inv.help_command.empty()) {
    std::string page = command_help(inv.help_command);
    if (page.empty()) {
      std::cerr << "corvane: " << tr("Unknown command \"{}\"; see corvane --help.", inv.help_command) << "\n";
      return kExitUsage;
    }
    std::cout << page;
  } else if (inv.help) {
    print_usage();
  }
  if (inv.help || inv.version) {
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0) {
      std::cerr << "corvane: " << tr("Writing to standard output failed.") << "\n";
      return kExitFailure;
    }
    return kExitOk;
  }
  const char* current = inv.commands.front().first->name;
  try {
    Session session(inv.global);
    // The whole command line is checked before anything is sent: a wrong word in the last
    // command of a chain changes nothing.
    session.set_checking(true);
    for (const auto& [cmd, words] : inv.commands) {
      current = cmd->name;
      cmd->run(session, words);
    }
    session.set_checking(false);
    catch_interrupt();
    bool needs_line = false;
    for (const auto& command : inv.commands) needs_line = needs_line || command.first->needs_line;
    if (needs_line) session.open();
    for (const auto& [cmd, words] : inv.commands) {
      current = cmd->name;
      cmd->run(session, words);
      check_stdout();
      if (interrupted() && interrupt_handled()) break;
      if (interrupted()) {
        throw CommandError(tr("Interrupted by {}.", interrupt_name()), interrupt_status());
      }
    }
    session.close();
  } catch (const CommandError& e) {
    if (inv.global.json) {
      // The failure as a document of its own, so that a reader of standard output sees it too.
      JsonWriter j;
      j.begin_object().field("command", current).field("error", e.what()).field("exit_status", e.status).end_object();
      std::cout << j.text() << '\n';
    }
    std::cout << std::flush;
    std::cerr << "corvane: " << e.what() << "\n";
    return e.status;
  } catch (const std::exception& e) {
    std::cerr << "corvane: " << tr("internal error: {}", e.what()) << "\n";
    return kExitFailure;
  }
  return kExitOk;
}
