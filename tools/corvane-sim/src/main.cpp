// The corvane-sim program: builds the chosen personality (the Corvane engine by default) from the options, serves it on a pty, a TCP port,
// a USB socket or stdin/stdout, prints where, and runs until SIGINT or SIGTERM (or stdin closes in --stdio).
#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"
#include "personality.h"
#include "program_options.h"

using namespace corvane_sim;

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
  if (options->list_personalities) {
    for (const Personality& p : personalities()) std::cout << p.name << "\t" << p.summary << "\n";
    return 0;
  }
  const Personality* personality = find_personality(options->personality);
  if (!personality) {
    std::cerr << "corvane-sim: unknown personality " << options->personality << " (--personalities lists them)\n";
    return 2;
  }
  std::unique_ptr<LineDevice> device;
  try {
    device = personality->make(*options);
  } catch (const std::invalid_argument& e) {
    std::cerr << "corvane-sim: " << e.what() << "\n";
    return 2;
  }
  LineDevice& engine = *device;

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
