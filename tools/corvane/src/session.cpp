// Bringing the line and the device up and down. The sequence follows what the setup program
// does at start: open the port, three error-status queries (the first two clear a stale state
// such as "after reset"), open the device online, load device and channel settings.
#include "session.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

#include "builtin_sim.h"
#include "linkar32.h"
#include "messages.h"

namespace corvane_cli {
namespace {

constexpr int32_t kAllSelectors = -1;
constexpr int32_t kReceiveBuffer = 4096;
constexpr int kOpenDeviceOnline = 0;
constexpr int kOpenDeviceOffline = 1;
constexpr int kErrorStatusQueries = 3;
constexpr int32_t kSettleMs = 50;
constexpr int kSettleRounds = 20;
constexpr int32_t kReplyBytes = 1024;
constexpr int kStateIdle = 0;  // "MSV?" device state: no acquisition

// Dotted IPv4 address of host (the interface library takes no names).
std::string resolve_ipv4(const std::string& host) {
  in_addr addr{};
  if (inet_pton(AF_INET, host.c_str(), &addr) == 1) return host;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
    throw CommandError(tr("Cannot open tcp:{}: the host name {} is not known.", host, host));
  }
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr, text, sizeof text);
  freeaddrinfo(found);
  return text;
}

constexpr int32_t kUsbScanEntries = 32;

}  // namespace

int32_t attached_usb_serials(std::vector<std::string>* serials) {
  std::vector<char> list(size_t{kUsbScanEntries} * kQbxUsbScanEntryBytes, '\0');
  int32_t found = USB_ScanUsbDevice(kUsbScanEntries, list.data());
  if (found < 0) return found;
  for (int32_t i = 0; i < found && i < kUsbScanEntries; ++i) {
    const char* entry = list.data() + static_cast<size_t>(i) * kQbxUsbScanEntryBytes;
    serials->emplace_back(entry, strnlen(entry, kQbxUsbScanFieldBytes));
  }
  return 0;
}

Session::Session(GlobalOptions options) : options_(std::move(options)) {}

void Session::require_usb_device(const PortChoice& port) const {
  std::vector<std::string> serials;
  int32_t status = attached_usb_serials(&serials);
  if (status < 0) throw CommandError(tr("Cannot open {}: {}.", port.text, describe(status)));
  for (const std::string& s : serials) {
    if (s == port.usb_serial) return;
  }
  std::string found;
  for (const std::string& s : serials) found += (found.empty() ? "" : ", ") + s;
  throw CommandError(tr("Cannot open {}: no Corvane with serial number {} is attached ({}).", port.text, port.usb_serial,
                        found.empty() ? tr("no USB Corvane found") : tr("found: {}", found)));
}

Session::~Session() {
  close();
}

int32_t Session::channel_count() const {
  int32_t n = 0;
  driver_.CV_GetDevSettings(kCvDevChannelCount, &n);
  return n;
}

void Session::check(int32_t status, const std::string& what, StatusContext context) const {
  if (status != 0) throw CommandError(what + ": " + describe(status, context) + ".");
}

void Session::open() {
  std::string error;
  if (!load_driver(options_.language, &driver_, &error)) throw CommandError(error);
  if (!options_.log_file.empty()) {
    QBX_SetLogFile(options_.log_file.c_str());
    if (QBX_EnableComLog() != 0) {
      throw CommandError(tr("The communication log {} cannot be opened for writing.", options_.log_file));
    }
    log_on_ = true;
  }
  if (offline()) {
    int32_t n = options_.devices * 10;
    check(driver_.CV_OpenDevice(kOpenDeviceOffline, &n), tr("Opening the device offline failed"));
    device_open_ = true;
    return;
  }
  // The time-out is process-wide: set before the port opens, it also governs the exchanges of a
  // line-speed switch.
  QBX_SetTimeout(options_.timeout_ms);
  open_line();
  settle_line();
  if (stopped_stale_acquisition_ && confirm() && !options_.json) {
    std::fputs(tr("An acquisition left running by an earlier program was stopped.\n").c_str(), stderr);
  }
  int32_t est = 0;
  for (int i = 0; i < kErrorStatusQueries; ++i) est = driver_.CV_GetErrorStatus();
  if (est != 0) {
    throw CommandError(tr("No Corvane answers on {}: {}. Is the Corvane switched on and the cable connected?",
                          options_.port.text, describe(est)));
  }
  int32_t n = 100;
  check(driver_.CV_OpenDevice(kOpenDeviceOnline, &n),
        tr("Opening the Corvane on {} failed", options_.port.text));
  device_open_ = true;
  check(driver_.CV_LoadDevSettings(kAllSelectors), tr("Loading the device settings failed"));
  // Channels whose amplifier has no such setting refuse some queries; what could be read stays.
  for (int32_t c = 0; c < channel_count(); ++c) driver_.CV_LoadChanSettings(c, kAllSelectors);
}

void Session::settle_line() {
  // Whatever is still in flight arrives within a few milliseconds; flush until the line is quiet.
  for (int i = 0; i < kSettleRounds && QBX_FlushInQueue() > 0; ++i) QBX_Delay(kSettleMs);
  if (QBX_WritePort("MSV?\n") != 0) return;
  char reply[kReplyBytes + 1] = {};
  int32_t status = 0, bytes = 0;
  if (QBX_ReadPort(reply, kReplyBytes, &status, &bytes, '\n') != 0 || status != 0) return;
  reply[std::clamp<int32_t>(bytes, 0, kReplyBytes)] = '\0';
  const int state = reply[0] == '?' ? 0 : std::atoi(reply);
  if (state == kStateIdle) return;
  // An acquisition of an earlier run still holds the amplifier: stop it and drop its data.
  QBX_WritePort("STP\n");
  QBX_ReadPort(reply, kReplyBytes, &status, &bytes, '\n');
  QBX_Delay(kSettleMs);
  for (int i = 0; i < kSettleRounds && QBX_FlushInQueue() > 0; ++i) QBX_Delay(kSettleMs);
  stopped_stale_acquisition_ = true;
}

void Session::open_line() {
  const PortChoice& port = options_.port;
  int32_t status = 0;
  std::string path;
  switch (port.kind) {
    case PortChoice::Kind::kSim: {
      try {
        sim_ = std::make_unique<BuiltinSim>(options_.devices);
      } catch (const std::system_error& e) {
        throw CommandError(tr("The built-in simulator cannot start: {}.", e.what()));
      }
      // The driver reaches the simulator as COM1 of this process.
      setenv("LINKAR32_COM1", sim_->line_path().c_str(), 1);
      path = sim_->line_path();
      status = driver_.CV_OpenPort(kQbxPortCom1, options_.baud, "e", 8, 1, kReceiveBuffer);
      break;
    }
    case PortChoice::Kind::kSerial:
      path = port_device_path(port);
      // A device path is reached as COM1 of this process.
      if (!port.device_path.empty()) setenv("LINKAR32_COM1", port.device_path.c_str(), 1);
      status = driver_.CV_OpenPort(port.number, options_.baud, "e", 8, 1, kReceiveBuffer);
      break;
    case PortChoice::Kind::kParallel: {
      path = port_device_path(port);
      // A missing device is named before the library is asked to open it.
      std::string why = diagnose_port(path);
      if (!why.empty()) throw CommandError(tr("Cannot open {}: {}.", port.text, why));
      // The baud option is the parallel mode here: 1 nibble, 2 bit 8, 3 byte, 4 EPP.
      status = driver_.CV_OpenPort(port.number, options_.baud == 9600 ? 1 : options_.baud, "e", 8, 1,
                                   kReceiveBuffer);
      break;
    }
    case PortChoice::Kind::kTcp:
      status = QBX_OpenPort(kQbxPortTcp, 1, resolve_ipv4(port.host).c_str(), port.tcp_port, 1, 0);
      break;
    case PortChoice::Kind::kUsb:
      require_usb_device(port);
      status = QBX_OpenPort(kQbxPortUsb, 1, port.usb_serial.c_str(), 8, 1, kReceiveBuffer);
      break;
    case PortChoice::Kind::kOffline:
      return;
  }
  if (status < 0 || status == kQbxLockTimeout) {
    std::string why;
    if (!path.empty()) why = diagnose_port(path);
    if (why.empty() && port.kind == PortChoice::Kind::kTcp) {
      why = tr("no connection to {} ({})", port.host + (port.tcp_port ? ":" + std::to_string(port.tcp_port) : std::string()),
               describe(status));
    }
    if (why.empty() && port.kind == PortChoice::Kind::kUsb) {
      why = tr("no Corvane with serial number {} is attached ({})", port.usb_serial, describe(status));
    }
    if (why.empty()) why = describe(status);
    throw CommandError(tr("Cannot open {}: {}.", port.text, why));
  }
  port_open_ = true;
}

void Session::close() {
  if (device_open_) {
    driver_.CV_CloseDevice();
    device_open_ = false;
  }
  if (port_open_) {
    driver_.CV_ClosePort();
    port_open_ = false;
  }
  sim_.reset();
  if (log_on_) {
    QBX_DisableComLog();
    log_on_ = false;
  }
}

}  // namespace corvane_cli
