// Port table operations: open, select, close, and the reads, writes and queue calls that go to the
// current port (or a named one) through its kind's Port object.
#include "port_table.h"

#include <algorithm>

#include "clock.h"
#include "comlog.h"
#include "linkar32.h"
#include "open_close_lock.h"
#include "parallel_port.h"
#include "port_numbers.h"
#include "serial_port.h"
#include "tcp_port.h"
#include "text_format.h"
#include "usb_port.h"

namespace linkar {
namespace {

// Non-serial input is discarded by reading single bytes with this short time-out, at most this many.
constexpr int32_t kFlushTimeoutMs = 10;
constexpr int32_t kFlushNamedTimeoutMs = 100;
constexpr int32_t kFlushLimit = 8192;
// Interpreter wake and reset bytes, device address command and idle command.
constexpr char kWakeInterpreter[] = "\x12";
constexpr char kResetInterpreter[] = "\x01";
constexpr char kDeselectAll[] = "S98\n";
constexpr char kDeviceClear[] = "DCL\r\n";
constexpr int kDeselectPauseMs = 50;

const LogTarget kCurrentLog{};

LogTarget named_log(int32_t device) { return LogTarget{true, device, false}; }

}  // namespace

PortTable& table() {
  static PortTable* ports = new PortTable;  // never destroyed: the unload handler closes the ports
  return *ports;
}

PortTable::Entry* PortTable::find(int32_t port) {
  for (Entry& e : entries_)
    if (e.number == port) return &e;
  return nullptr;
}

Port* PortTable::current_port() {
  if (current_position_ < 1 || static_cast<size_t>(current_position_) > entries_.size()) return nullptr;
  return entries_[static_cast<size_t>(current_position_) - 1].port.get();
}

void PortTable::make_current(size_t index) {
  const Entry& e = entries_[index];
  current_number_ = e.number;
  current_handle_ = e.handle;
  current_position_ = static_cast<int32_t>(index) + 1;
  current_name_ = display_name(e.number);
}

void PortTable::clear_current() {
  current_number_ = -1;
  current_handle_ = -1;
  current_position_ = -1;
}

void PortTable::reset() {
  comlog().disable();
  close_port(-1);
  entries_.clear();
  clear_current();
  current_name_.assign(1, '0');  // the name before anything was opened
  device_address_ = -1;
  extended_.forget();
  reset_sys_time_ex();
}

void PortTable::log_open_attempt(int32_t port, const OpenParams& params) {
  if (!comlog().active()) return;
  switch (port_kind(port)) {
    case PortKind::kTcp: log_entry("Attempting to open or modify port TCP/IP\r\n"); break;
    case PortKind::kUsb:
      log_entry(strprintf("Attempting to open or modify port USB - Device %s\r\n",
                          params.parity ? params.parity : "UNKNOWN"));
      break;
    case PortKind::kGpib:
      log_entry(strprintf("Attempting to open or modify port %s\r\n", display_name(port).c_str()));
      break;
    default:
      log_entry(strprintf(
          "Attempting to open or modify port %s:  Baud: %li  Parity: %s   Data: %i  Stop: %i  RecvBuf: %i Bytes\r\n",
          display_name(port).c_str(), static_cast<long>(params.baud), params.parity ? params.parity : "",
          params.data_bits, params.stop_bits, params.receive_buffer));
      break;
  }
  if (entries_.empty()) {
    log_entry("Ports currently open: 0\r\n");
    return;
  }
  log_entry(strprintf("Ports currently open: %i (Current = %s)\r\n", static_cast<int>(entries_.size()),
                      current_name_.c_str()));
  for (const Entry& e : entries_) log_entry(strprintf("          %s  (%i)\r\n", display_name(e.number).c_str(), e.handle));
}

int32_t PortTable::open_port(int32_t port, const OpenParams& params) {
  LockHold hold(open_close_lock(), kOpenLockMs);
  if (!hold.held()) return kQbxLockTimeout;
  log_open_attempt(port, params);
  switch (port_kind(port)) {
    case PortKind::kSerial: return open_serial(port, params);
    case PortKind::kParallel: return open_parallel(port, params);
    case PortKind::kTcp: return open_tcp(params);
    case PortKind::kUsb: return open_usb(params);
    default: return kQbxOk;  // numbers that open nothing (GPIB: no I/O is provided)
  }
}

int32_t PortTable::open_serial(int32_t port, const OpenParams& params) {
  if (Entry* e = find(port)) {
    int32_t status = e->port->reopen(params, timeout_ms_, kCurrentLog);
    if (status != kQbxOk) return status;
    make_current(static_cast<size_t>(e - entries_.data()));
    error_mask_ = e->port->clear_error();
    note(kCurrentLog, strprintf("Successfully modified port: %s\r\n", display_name(port).c_str()));
    return kQbxOk;
  }
  if (entries_.size() >= kMaxPorts) return kQbxTableFull;
  std::unique_ptr<Port> opened;
  int32_t status = SerialPort::open(port, params, extended_, kCurrentLog, &opened);
  if (status != kQbxOk) return status;
  const int handle = opened->handle();
  entries_.push_back(Entry{port, handle, std::move(opened)});
  make_current(entries_.size() - 1);
  error_mask_ = entries_.back().port->clear_error();
  return kQbxOk;
}

int32_t PortTable::append(int32_t number, std::unique_ptr<Port> port, const char* display) {
  if (entries_.size() >= kMaxPorts) return kQbxTableFull;
  const int handle = port->handle();
  entries_.push_back(Entry{number, handle, std::move(port)});
  make_current(entries_.size() - 1);
  current_name_ = display;
  return kQbxOk;
}

int32_t PortTable::open_parallel(int32_t port, const OpenParams& params) {
  if (Entry* e = find(port)) {
    // Opened again, the port is current, as every port is after an open.
    make_current(static_cast<size_t>(e - entries_.data()));
    return e->port->reopen(params, timeout_ms_, kCurrentLog);
  }
  if (entries_.size() >= kMaxPorts) return kQbxTableFull;
  std::unique_ptr<Port> opened;
  int32_t status = ParallelPort::open(port, params.baud, timeout_ms_, kCurrentLog, &opened);
  // The table keeps a port whose driver open failed (a wake-up may open it later), but not one
  // whose driver could not be loaded.
  if (!opened) return status;
  int32_t appended = append(port, std::move(opened), display_name(port).c_str());
  return appended == kQbxOk ? status : appended;
}

int32_t PortTable::open_tcp(const OpenParams& params) {
  if (Entry* e = find(kQbxPortTcp)) {
    int32_t status = e->port->reopen(params, timeout_ms_, kCurrentLog);
    // The connection opened (or found open) is current, and so is its port, as after any open.
    if (status == kQbxOk) make_current(static_cast<size_t>(e - entries_.data()));
    return status;
  }
  if (entries_.size() >= kMaxPorts) return kQbxTableFull;
  auto tcp = std::make_unique<TcpPort>();
  int32_t status = tcp->reopen(params, timeout_ms_, kCurrentLog);
  if (status != kQbxOk) return status;
  return append(kQbxPortTcp, std::move(tcp), "TCP/IP");
}

int32_t PortTable::open_usb(const OpenParams& params) {
  // baud carries the device id, parity the device name.
  if (Entry* e = find(kQbxPortUsb)) {
    int32_t status = e->port->reopen(params, timeout_ms_, kCurrentLog);
    // The device opened (or found open) is current, and so is its port, as after any open.
    if (status == kQbxOk) make_current(static_cast<size_t>(e - entries_.data()));
    return status;
  }
  if (entries_.size() >= kMaxPorts) return kQbxTableFull;
  auto usb = std::make_unique<UsbPort>();
  int32_t status = usb->reopen(params, timeout_ms_, kCurrentLog);
  if (status != kQbxOk) return status;
  return append(kQbxPortUsb, std::move(usb), "USB");
}

int32_t PortTable::select_port(int32_t port) {
  if (port >= kNoPortFrom) {
    clear_current();
    return kQbxOk;
  }
  if (Entry* e = find(port)) {
    make_current(static_cast<size_t>(e - entries_.data()));
    if (is_serial_number(port)) error_mask_ = e->port->clear_error();
    e->port->selected();
    if (comlog().active())
      log_entry(strprintf("Selected port: %s  Handle %i\r\n", current_name_.c_str(), current_handle_));
    return kQbxOk;
  }
  if (port == kQbxPortNull) {
    current_number_ = kQbxPortNull;
    current_handle_ = -1;
    current_position_ = -1;
    return kQbxOk;
  }
  return kQbxPortNotOpen;
}

int32_t PortTable::select_device(int32_t address) {
  if (current_number_ == -1) return kQbxOk;
  if (Port* port = current_port(); port && port->has_connections()) return port->select_connection(address);
  if (!is_multidrop_number(current_number_)) return kQbxOk;
  // Addresses below 10 are sent with two digits: address 5 is "S05\n".
  std::string command = address > 9 ? strprintf("S%i\n", address) : strprintf("S0%i\n", address);
  int32_t status = write(command.data(), command.size());
  device_address_ = address;
  if (comlog().active()) log_entry(strprintf("%s: selected address: %i\r\n", current_name_.c_str(), address));
  return status;
}

int32_t PortTable::close_entry(size_t index, bool every_connection) {
  Port& port = *entries_[index].port;
  int32_t status = every_connection ? port.close_all(timeout_ms_, kCurrentLog) : port.close(timeout_ms_, kCurrentLog);
  // A TCP or USB port with further connections keeps its entry.
  if (port.keeps_entry()) return status;
  // The descriptor is released even when its close failed, so the entry goes in either case:
  // a stale handle in the table could later reach a file that reuses its number.
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
  clear_current();
  return status;
}

int32_t PortTable::close_current() {
  if (comlog().active())
    log_entry(strprintf("Closing current port: %s  Handle %i\r\n", current_name_.c_str(), current_handle_));
  if (entries_.empty()) return kQbxPortNotOpen;
  LockHold hold(open_close_lock(), kCloseLockMs);
  if (!hold.held()) return kQbxLockTimeout;
  if (!current_port()) return kQbxPortNotOpen;
  return close_entry(static_cast<size_t>(current_position_) - 1, false);
}

int32_t PortTable::close_all(bool stop_on_failure) {
  int32_t result = kQbxOk;
  while (!entries_.empty()) {
    int32_t status = close_entry(0, true);
    if (status != kQbxOk) {
      result = status;
      if (stop_on_failure) break;
    }
  }
  clear_current();
  return result;
}

int32_t PortTable::close_port(int32_t port) {
  if (port == 0) return close_current();
  if (entries_.empty()) return kQbxPortNotOpen;
  if (port == -1) {
    LockHold hold(open_close_lock(), kCloseLockMs);
    if (!hold.held()) return kQbxLockTimeout;
    if (comlog().active()) log_entry("Closing all open ports\r\n");
    return close_all(true);
  }
  Entry* e = find(port);
  if (!e) return kQbxPortNotOpen;
  if (comlog().active())
    log_entry(strprintf("Closing port: %s  Handle %i\r\n", display_name(port).c_str(), e->handle));
  LockHold hold(open_close_lock(), kCloseLockMs);
  if (!hold.held()) return kQbxLockTimeout;
  e = find(port);  // the table cannot change while waiting, but look again rather than trust it
  if (!e) return kQbxPortNotOpen;
  return close_entry(static_cast<size_t>(e - entries_.data()), false);
}

void PortTable::close_all_at_unload() {
  if (comlog().active() && !entries_.empty()) log_entry("Closing all open ports\r\n");
  close_all(false);
}

int32_t PortTable::set_timeout(int32_t milliseconds) {
  timeout_ms_ = milliseconds;
  for (Entry& e : entries_) e.port->timeout_changed(milliseconds);
  return kQbxOk;
}

int32_t PortTable::read(char* buffer, int32_t count, int32_t* bytes_read, int32_t terminator) {
  *bytes_read = 0;
  Port* port = current_port();
  if (!port) {
    if (terminator != 0) buffer[0] = '\0';
    return kQbxOk;
  }
  return port->read(buffer, count, bytes_read, terminator, timeout_ms_, kCurrentLog);
}

int32_t PortTable::read_named(int32_t port, int32_t device, char* buffer, int32_t count, int32_t* bytes_read,
                              int32_t terminator) {
  *bytes_read = 0;
  if (port == -1) return kQbxNoCurrentPort;
  if (is_inert_number(port)) {
    if (terminator != 0) buffer[0] = '\0';
    return kQbxOk;
  }
  Entry* e = find(port);
  if (!e) return kQbxPortNotOpen;
  return e->port->read(buffer, count, bytes_read, terminator, timeout_ms_, named_log(device));
}

int32_t PortTable::write(const char* data, size_t length) {
  Port* port = current_port();
  if (!port) return kQbxOk;
  return port->write(data, length, timeout_ms_, kCurrentLog);
}

int32_t PortTable::write_named(int32_t port, int32_t device, const char* data, size_t length) {
  if (port == -1) return kQbxNoCurrentPort;
  if (is_inert_number(port)) return kQbxOk;
  Entry* e = find(port);
  if (!e) return kQbxPortNotOpen;
  return e->port->write(data, length, timeout_ms_, named_log(device));
}

int32_t PortTable::write_count(const char* data, size_t length) {
  Port* port = current_port();
  if (!port) return kQbxOk;
  return port->write_count(data, length, timeout_ms_, kCurrentLog);
}

int32_t PortTable::flush_by_reading(Port& port, int32_t timeout_ms, const LogTarget& log) {
  // Only this port sees the short time-out, and only while the flush lasts: the process-wide
  // time-out and the other ports stay as they are, and the port gets the process-wide one back
  // however the flush ends.
  struct ShortTimeout {
    Port& port;
    int32_t restore;
    ShortTimeout(Port& p, int32_t brief, int32_t usual) : port(p), restore(usual) { port.timeout_changed(brief); }
    ~ShortTimeout() { port.timeout_changed(restore); }
    ShortTimeout(const ShortTimeout&) = delete;
    ShortTimeout& operator=(const ShortTimeout&) = delete;
  } short_timeout(port, timeout_ms, timeout_ms_);
  int32_t flushed = 0;
  LogTarget quiet = log;
  quiet.quiet = true;
  while (flushed < kFlushLimit) {
    char byte;
    int32_t got = 0;
    if (port.read(&byte, 1, &got, 0, timeout_ms, quiet) != kQbxOk || got == 0) break;
    ++flushed;
  }
  if (flushed >= kFlushLimit) {
    note(log, strprintf("Failed flushing IN-Queue: %i Bytes flushed\r\n", flushed));
  } else {
    note(log, strprintf("Flushed IN-Queue: %i Bytes\r\n", flushed));
  }
  return flushed;
}

int32_t PortTable::flush_in() {
  if (current_number_ == -1) return kQbxNoCurrentPort;
  Port* port = current_port();
  if (!port) return 0;
  if (port->flushes_itself()) return port->flush_in(kCurrentLog);
  return flush_by_reading(*port, kFlushTimeoutMs, kCurrentLog);
}

int32_t PortTable::flush_in_named(int32_t port, int32_t device) {
  if (port == -1) return kQbxNoCurrentPort;
  if (is_inert_number(port)) return 0;
  Entry* e = find(port);
  if (!e) return kQbxPortNotOpen;
  if (e->port->flushes_itself()) return e->port->flush_in(named_log(device));
  return flush_by_reading(*e->port, kFlushNamedTimeoutMs, named_log(device));
}

int32_t PortTable::flush_out() {
  if (current_number_ == -1) return kQbxNoCurrentPort;
  Port* port = current_port();
  return port && is_serial_number(current_number_) ? port->flush_out() : kQbxOk;
}

int32_t PortTable::in_queue() {
  Port* port = current_port();
  return port && is_serial_number(current_number_) ? port->in_queue() : 0;
}

int32_t PortTable::out_queue() {
  Port* port = current_port();
  return port && is_serial_number(current_number_) ? port->out_queue() : 0;
}

int32_t PortTable::reset_interface() {
  if (current_number_ == -1) return kQbxNoCurrentPort;
  if (is_gpib_number(current_number_)) return kQbxOk;
  return write(kResetInterpreter, 1);
}

int32_t PortTable::com_break(int32_t on) {
  Port* port = current_port();
  if (!port || !is_serial_number(current_number_)) return kQbxOk;
  // 0 sets the break state; any other value (its low 16 bits) clears it.
  return port->set_break((on & 0xFFFF) == 0);
}

int32_t PortTable::set_cts_mode(int32_t mode) {
  Port* port = current_port();
  if (!port || !is_serial_number(current_number_)) return kQbxOk;
  return port->set_cts_mode(mode != 0);
}

int32_t PortTable::activate_interpreter(int32_t delay_ms) {
  int32_t result = kQbxOk;
  {
    LockHold hold(open_close_lock(), kInterpreterLockMs);
    if (hold.held()) {
      for (size_t i = 0; i < entries_.size(); ++i) {
        const int32_t number = entries_[i].number;
        if (is_gpib_number(number) || port_kind(number) == PortKind::kTcp || !entries_[i].port->wakes_interpreter())
          continue;
        select_port(number);
        if (comlog().active())
          log_entry(strprintf("Activating interpreters on port: %s  Handle %i\r\n", current_name_.c_str(),
                              current_handle_));
        result = write(kWakeInterpreter, 1);
      }
    }
  }
  busy_delay(delay_ms);
  return result;
}

int32_t PortTable::close_interpreter_on_current() {
  if (current_number_ >= 10 && current_number_ <= kLastSerial) {
    write(kDeselectAll, sizeof kDeselectAll - 1);
    busy_delay(kDeselectPauseMs);
  }
  Port* port = current_port();
  if (!port) return kQbxOk;
  return port->write_to_all(kDeviceClear, sizeof kDeviceClear - 1, timeout_ms_, kCurrentLog);
}

int32_t PortTable::close_interpreter(int32_t port, int32_t address) {
  if (entries_.empty()) return kQbxOk;
  LockHold hold(open_close_lock(), kInterpreterLockMs);
  if (!hold.held()) return kQbxOk;
  if (port == 0) {
    close_interpreter_on_current();
  } else if (port == -1) {
    for (size_t i = 0; i < entries_.size(); ++i) {
      select_port(entries_[i].number);
      close_interpreter_on_current();
    }
  } else {
    // A port that is not open is reported, rather than sending the idle command to whatever
    // port happens to be current.
    int32_t status = select_port(port);
    if (status != kQbxOk || !current_port()) return status;
    select_device(address);
    write(kDeviceClear, sizeof kDeviceClear - 1);
  }
  return kQbxOk;
}

void PortTable::clear_current_serial_error() {
  Port* port = current_port();
  if (port && is_serial_number(current_number_)) error_mask_ = port->clear_error();
}

bool PortTable::current_is_gpib() const { return is_gpib_number(current_number_); }

int32_t PortTable::device_id_for_log(int32_t device) const {
  for (const Entry& e : entries_)
    if (e.number == kQbxPortTcp) return e.port->connection_id_at(device);
  return device;
}

int32_t PortTable::get_socket(int32_t port, int32_t id, int32_t* index, int32_t* handle) {
  (void)id;
  *index = 0;
  if (is_inert_number(port)) return kQbxOk;
  Entry* e = find(port);
  if (!e) return kQbxPortNotOpen;
  *handle = e->handle;
  if (is_serial_number(port)) error_mask_ = e->port->clear_error();
  e->port->selected();
  if (e->port->has_connections()) {
    *index = e->port->connection_position(id);
    if (*index < 0) return kQbxOpenFailed;
  }
  return kQbxOk;
}

int32_t PortTable::eoi_mode() const {
  if (current_number_ == -1) return kQbxNoCurrentPort;
  return is_gpib_number(current_number_) ? current_number_ : kQbxOk;
}

int32_t PortTable::wake_up() {
  Port* port = current_port();
  if (!port || !is_parallel_number(current_number_)) return current_number_;
  return port->wake_up();
}

int32_t PortTable::sleep() {
  Port* port = current_port();
  if (port && is_parallel_number(current_number_)) port->sleep();
  return kQbxOk;
}

int32_t PortTable::usb_scan(int32_t count, char* list) { return usb_scan_devices(count, list); }

int32_t PortTable::usb_device_count() { return usb_count_devices(); }

}  // namespace linkar
