// Bringing the line and the device up and down. The sequence follows what the setup program
// does at start: open the port, three error-status queries (the first two clear a stale state
// such as "after reset"), open the device online, load device and channel settings.
#include "session.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

#include "builtin_sim.h"
#include "line_query.h"
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
constexpr int kStateIdle = 0;
constexpr int32_t kComPorts = 6;  // COM1..COM6  // "MSV?" device state: no acquisition

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

// Drops whatever is still in flight on the current line: it arrives within a few milliseconds, so
// the input is flushed until a pause finds it empty (at most kSettleRounds pauses).
void drain_input() {
  for (int i = 0; i < kSettleRounds && QBX_FlushInQueue() > 0; ++i) QBX_Delay(kSettleMs);
}

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
  if (options_.port.family == PortChoice::Family::kYalplus) {
    // A YALPLUS rack: no Corvane driver works on this line; the kernel sets the rack up itself.
    check_yalplus(options_.port);
    for (const PortChoice& port : options_.extra_ports) open_extra_line(port);
    if (lines_.size() > 1) QBX_SelectPort(lines_.front().port_number);
    return;
  }
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
  for (const PortChoice& port : options_.extra_ports) open_extra_line(port);
  if (lines_.size() > 1) QBX_SelectPort(lines_.front().port_number);
}

void Session::settle_line() {
  drain_input();
  std::string reply;
  if (query_line("MSV?\n", &reply) != 0) return;
  const int state = reply.find('?') == 0 ? 0 : std::atoi(reply.c_str());
  if (state == kStateIdle) return;
  // An acquisition of an earlier run still holds the amplifier: stop it and drop its data.
  query_line("STP\n", &reply);
  QBX_Delay(kSettleMs);
  drain_input();
  stopped_stale_acquisition_ = true;
}

void Session::open_line() {
  const PortChoice& port = options_.port;
  const bool yalplus = port.family == PortChoice::Family::kYalplus;
  int32_t status = 0;
  std::string path;
  switch (port.kind) {
    case PortChoice::Kind::kSim: {
      start_sim(port);
      // The driver reaches the simulator as COM1 of this process.
      setenv("LINKAR32_COM1", sims_.back()->line_path().c_str(), 1);
      path = sims_.back()->line_path();
      status = yalplus ? QBX_OpenPort(kQbxPortCom1, options_.baud, "e", 8, 1, kReceiveBuffer)
                       : driver_.CV_OpenPort(kQbxPortCom1, options_.baud, "e", 8, 1, kReceiveBuffer);
      break;
    }
    case PortChoice::Kind::kSerial:
      path = port_device_path(port);
      // A device path is reached as COM1 of this process.
      if (!port.device_path.empty()) setenv("LINKAR32_COM1", port.device_path.c_str(), 1);
      status = yalplus ? QBX_OpenPort(port.number, options_.baud, "e", 8, 1, kReceiveBuffer)
                       : driver_.CV_OpenPort(port.number, options_.baud, "e", 8, 1, kReceiveBuffer);
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
  OpenLine line;
  line.choice = port;
  switch (port.kind) {
    case PortChoice::Kind::kSim: line.port_number = kQbxPortCom1; break;
    case PortChoice::Kind::kTcp: line.port_number = kQbxPortTcp; line.address = 1; break;
    case PortChoice::Kind::kUsb: line.port_number = kQbxPortUsb; line.address = 1; break;
    default: line.port_number = port.number; break;
  }
  lines_.push_back(line);
}

int32_t Session::free_com_number() const {
  for (int32_t n = kQbxPortCom1; n < kQbxPortCom1 + kComPorts; ++n) {
    bool used = false;
    for (const OpenLine& l : lines_) used = used || l.port_number == n;
    for (const PortChoice& p : options_.extra_ports) {
      used = used || (p.kind == PortChoice::Kind::kSerial && p.device_path.empty() && p.number == n);
    }
    if (!used) return n;
  }
  throw CommandError(tr("Too many serial and simulated lines: at most {} can be open.", kComPorts), kExitUsage);
}

void Session::open_extra_line(const PortChoice& port) {
  OpenLine line;
  line.choice = port;
  std::string path;
  int32_t status = 0;
  auto next_id = [&](int32_t port_number) {
    int32_t id = 1;
    for (const OpenLine& l : lines_) id += l.port_number == port_number;
    return id;
  };
  switch (port.kind) {
    case PortChoice::Kind::kSim:
    case PortChoice::Kind::kSerial: {
      if (port.kind == PortChoice::Kind::kSim) {
        start_sim(port);
        path = sims_.back()->line_path();
      } else {
        path = port.device_path.empty() ? port_device_path(port) : port.device_path;
      }
      line.port_number = port.kind == PortChoice::Kind::kSerial && port.device_path.empty() ? port.number : free_com_number();
      for (const OpenLine& l : lines_) {
        if (l.port_number == line.port_number) throw CommandError(tr("The line {} is named twice.", port.text), kExitUsage);
      }
      if (port.kind == PortChoice::Kind::kSim || !port.device_path.empty()) {
        setenv(("LINKAR32_COM" + std::to_string(line.port_number)).c_str(), path.c_str(), 1);
      }
      status = QBX_OpenPort(line.port_number, options_.baud, "e", 8, 1, kReceiveBuffer);
      break;
    }
    case PortChoice::Kind::kTcp:
      line.port_number = kQbxPortTcp;
      line.address = next_id(kQbxPortTcp);
      status = QBX_OpenPort(kQbxPortTcp, line.address, resolve_ipv4(port.host).c_str(), port.tcp_port, 1, 0);
      break;
    case PortChoice::Kind::kUsb:
      require_usb_device(port);
      line.port_number = kQbxPortUsb;
      line.address = next_id(kQbxPortUsb);
      status = QBX_OpenPort(kQbxPortUsb, line.address, port.usb_serial.c_str(), 8, 1, kReceiveBuffer);
      break;
    default:
      throw CommandError(tr("Only the first --port may be {}; further lines are sim, serial, tcp or usb ports.", port.text), kExitUsage);
  }
  if (status < 0 || status == kQbxLockTimeout) {
    std::string why = path.empty() ? std::string() : diagnose_port(path);
    if (why.empty()) why = describe(status);
    throw CommandError(tr("Cannot open {}: {}.", port.text, why));
  }
  lines_.push_back(line);
  QBX_SelectPort(line.port_number);
  QBX_SelectDevice(line.address);
  if (port.family == PortChoice::Family::kYalplus) {
    check_yalplus(port);
    return;
  }
  settle_line();
  int32_t est = 0;
  std::string reply;
  // The error-status query twice, as at the first line: the second must find no error.
  for (int i = 0; i < kErrorStatusQueries - 1; ++i) {
    est = query_line("EST?\n", &reply);
    if (est == 0) est = std::atoi(reply.c_str());
  }
  if (est != 0) {
    throw CommandError(tr("No Corvane answers on {}: {}. Is the Corvane switched on and the cable connected?", port.text,
                          describe(est)));
  }
}

void Session::start_sim(const PortChoice& port) {
  try {
    sims_.push_back(std::make_unique<BuiltinSim>(options_.devices, port.family));
  } catch (const std::system_error& e) {
    throw CommandError(tr("The built-in simulator cannot start: {}.", e.what()));
  }
}

void Session::check_yalplus(const PortChoice& port) {
  // Replies an earlier run left in flight are dropped, and the identity shows that a rack answers
  // at all. A rack sends only when asked, and the kernel's start stops whatever it was measuring.
  drain_input();
  std::string reply;
  const int32_t r = query_line("IDN?\n", &reply);
  if (r != 0) {
    throw CommandError(tr("No YALPLUS answers on {}: {}. Is the rack switched on and the cable connected?", port.text,
                          describe(r)));
  }
}

void Session::close() {
  // The driver works on the first line: make it current again.
  if (!lines_.empty()) QBX_SelectPort(lines_.front().port_number);
  if (device_open_) {
    driver_.CV_CloseDevice();
    device_open_ = false;
  }
  if (port_open_) {
    // A YALPLUS line was opened without the driver, which then has no port to close.
    if (options_.port.family == PortChoice::Family::kYalplus && !lines_.empty()) {
      QBX_ClosePortEx(lines_.front().port_number);
    } else {
      driver_.CV_ClosePort();
    }
    port_open_ = false;
  }
  if (lines_.size() > 1) {
    for (size_t i = 1; i < lines_.size(); ++i) {
      bool shared = false;
      for (size_t k = 0; k < i; ++k) shared = shared || lines_[k].port_number == lines_[i].port_number;
      if (!shared) QBX_ClosePortEx(lines_[i].port_number);
    }
  }
  lines_.clear();
  sims_.clear();
  if (log_on_) {
    QBX_DisableComLog();
    log_on_ = false;
  }
}

}  // namespace corvane_cli
