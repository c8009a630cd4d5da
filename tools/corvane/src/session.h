// One run of the tool: the global options, the loaded driver edition, the line (built-in
// simulator, a real port, or none in offline mode) and the opened device, plus the output
// helpers every command uses.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver.h"
#include "port_choice.h"
#include "status_text.h"

namespace corvane_cli {

class BuiltinSim;

// Serial-number texts of the attached USB Corvanes; 0, or a status (kQbxUsbNoSetupApi: no USB
// support) on failure.
int32_t attached_usb_serials(std::vector<std::string>* serials);

struct GlobalOptions {
  PortChoice port;
  std::vector<PortChoice> extra_ports;  // further --port options: lines that record together
  int devices = 1;          // built-in simulator and offline mode: devices in the chain
  int32_t baud = 9600;      // serial baud rate, parallel mode for LPT ports
  int32_t timeout_ms = 3000;
  std::string log_file;
  std::string language = "en";
  bool json = false;
  bool quiet = false;       // no confirmations or summaries on standard error
  std::string command_line; // the words the tool was started with, for the metadata of data files
};

// A failure a command reports: the sentence for standard error and the exit status.
struct CommandError : std::runtime_error {
  explicit CommandError(const std::string& sentence, int exit_status = 1)
      : std::runtime_error(sentence), status(exit_status) {}
  int status;
};

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the device, the driver, a file or the line failed
inline constexpr int kExitUsage = 2;    // the command line was wrong

// A line the session opened, as the interface library and the acquisition kernel address it.
struct OpenLine {
  PortChoice choice;
  int32_t port_number = 0;  // LINKAR32 port number
  int32_t address = 0;      // device address on it (TCP and USB: the connection id)
};

class Session {
 public:
  explicit Session(GlobalOptions options);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Loads the driver, switches the log on, opens the line and the device and loads every
  // setting. Throws CommandError with a sentence on failure.
  void open();
  // Closes device, port and log (also done by the destructor).
  void close();

  // While checking, commands only check their arguments and return: the whole command line is
  // checked before anything is sent. No driver is loaded then.
  bool checking() const { return checking_; }
  void set_checking(bool checking) { checking_ = checking; }

  const Driver& driver() const { return driver_; }
  const GlobalOptions& options() const { return options_; }
  bool offline() const { return options_.port.kind == PortChoice::Kind::kOffline; }
  bool json() const { return options_.json; }
  // Whether a confirmation (not a result) is to be printed.
  bool confirm() const { return !options_.quiet || options_.json; }
  int32_t channel_count() const;
  // Every open line: the first --port, then the others in the order given (empty offline).
  const std::vector<OpenLine>& lines() const { return lines_; }
  // Whether opening found an acquisition of an earlier run still going and stopped it.
  bool stopped_stale_acquisition() const { return stopped_stale_acquisition_; }

  // Throws CommandError("<what>: <meaning of status>.") when status is not 0.
  void check(int32_t status, const std::string& what, StatusContext context = StatusContext::kDevice) const;
  std::string describe(int32_t status, StatusContext context = StatusContext::kDevice) const {
    return status_text(driver_, status, context);
  }

 private:
  void open_line();
  // Opens a further --port with the interface library alone (no driver): a simulator or serial
  // line on a free COM number, a TCP or USB line under the next connection id.
  void open_extra_line(const PortChoice& port);
  // The LINKAR32 port number a simulator or device path takes: the lowest COM number that no
  // other line uses. Throws when all six are taken.
  int32_t free_com_number() const;
  // Leaves the line clean and the amplifier stopped after an earlier run that was killed:
  // discards stale input and, when "MSV?" reports an acquisition, stops it with "STP".
  void settle_line();
  // The same on the line of another port (made current for it).
  void settle_port(int32_t port_number);
  // Starts a built-in simulator of the port's family (a Corvane chain or a YALPLUS rack).
  void start_sim(const PortChoice& port);
  // Readies a YALPLUS line (current): drops stale input and asks for the identity. Throws
  // CommandError when no rack answers.
  void check_yalplus(const PortChoice& port);
  // Throws when no Corvane with this serial number is attached: the interface library opens a
  // missing USB device without complaint, and only its first exchange would fail.
  void require_usb_device(const PortChoice& port) const;
  GlobalOptions options_;
  Driver driver_;
  std::vector<std::unique_ptr<BuiltinSim>> sims_;
  std::vector<OpenLine> lines_;
  bool port_open_ = false;
  bool device_open_ = false;
  bool log_on_ = false;
  bool stopped_stale_acquisition_ = false;
  bool checking_ = false;
};

}  // namespace corvane_cli
