// The corvane-sim program: builds the engine from the options, serves it on a pty, a TCP port,
// a USB socket or stdin/stdout, prints where, and runs until SIGINT or SIGTERM (or stdin closes in --stdio).
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"
#include "program_options.h"

using namespace corvane_sim;

namespace {

std::string printable(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c >= 32 && c < 127) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  auto options = parse_options(args, &error);
  if (!options) {
    std::cerr << "corvane-sim: " << error << "\n" << kUsage;
    return 2;
  }
  if (options->help) {
    std::cout << kUsage;
    return 0;
  }
  Engine engine(options->config);
  for (const auto& [channel, source] : options->sources) engine.set_source(channel, source);
  for (const auto& fault : options->faults) engine.inject(fault);
  if (options->config.virtual_clock) {
    engine.set_auto_advance(std::chrono::nanoseconds(static_cast<int64_t>(options->clock_step_ms * 1e6)));
  }
  if (options->log) {
    engine.set_observer([](std::string_view line, const Reply& reply) {
      std::string reply_text = reply.bytes.size() > 64 ? printable(reply.bytes.substr(0, 64)) + "..." : printable(reply.bytes);
      std::cerr << "<< " << line << "\n>> " << reply_text << "\n";
    });
  }

  // Block the stop signals in every thread; main waits for them.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  std::unique_ptr<PtyServer> pty;
  std::unique_ptr<TcpServer> tcp;
  std::unique_ptr<FdServer> stdio;
  std::unique_ptr<UsbServer> usb;
  try {
    if (options->pty) {
      pty = std::make_unique<PtyServer>(engine);
      std::cout << pty->start() << std::endl;
    }
    if (options->tcp_port) {
      tcp = std::make_unique<TcpServer>(engine);
      std::cout << "127.0.0.1:" << tcp->start(static_cast<uint16_t>(*options->tcp_port)) << std::endl;
    }
    if (options->usb_socket) {
      usb = std::make_unique<UsbServer>(engine, options->usb_serial);
      std::cout << usb->start(*options->usb_socket) << std::endl;
    }
    if (options->stdio) {
      stdio = std::make_unique<FdServer>(engine, STDIN_FILENO, STDOUT_FILENO);
      stdio->start();
    }
  } catch (const std::system_error& e) {
    std::cerr << "corvane-sim: " << e.what() << "\n";
    return 1;
  }
  bool stdio_only = stdio && !pty && !tcp && !usb;
  while (true) {
    struct timespec nap {0, 20'000'000};
    if (sigtimedwait(&stop_signals, nullptr, &nap) > 0) break;
    if (stdio_only && stdio->finished()) break;
  }
  return 0;
}
