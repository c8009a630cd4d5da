// The process-wide port table: open ports in opening order, the current port and device address,
// the time-out, the stored extended serial parameters, and every operation of the port exports.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "line_settings.h"
#include "port.h"

namespace linkar {

// Most entries the table holds.
constexpr size_t kMaxPorts = 128;
// Waits on the open/close lock, in milliseconds.
constexpr int kOpenLockMs = 10000;
constexpr int kCloseLockMs = 3000;
constexpr int kInterpreterLockMs = 3000;
constexpr int32_t kInitialTimeoutMs = 3000;

class PortTable {
 public:
  // QBX_OpenInterfaceLib: closes every port and resets the table (the time-out stays).
  void reset();

  int32_t open_port(int32_t port, const OpenParams& params);
  int32_t select_port(int32_t port);
  int32_t select_device(int32_t address);
  // QBX_ClosePort.
  int32_t close_current();
  // QBX_ClosePortEx: 0 current, -1 every port, else that port.
  int32_t close_port(int32_t port);
  // Closes every port without waiting for the lock (library unload).
  void close_all_at_unload();

  int32_t set_timeout(int32_t milliseconds);
  int32_t timeout() const { return timeout_ms_; }

  int32_t read(char* buffer, int32_t count, int32_t* bytes_read, int32_t terminator);
  int32_t read_named(int32_t port, int32_t device, char* buffer, int32_t count, int32_t* bytes_read,
                     int32_t terminator);
  int32_t write(const char* data, size_t length);
  int32_t write_named(int32_t port, int32_t device, const char* data, size_t length);
  int32_t write_count(const char* data, size_t length);
  int32_t flush_in();
  int32_t flush_in_named(int32_t port, int32_t device);
  int32_t flush_out();
  int32_t in_queue();
  int32_t out_queue();
  int32_t reset_interface();
  int32_t com_break(int32_t on);
  int32_t set_cts_mode(int32_t mode);
  int32_t activate_interpreter(int32_t delay_ms);
  int32_t close_interpreter(int32_t port, int32_t address);
  void store_extended(const QbxExtComPars& parameters) { extended_.store(parameters); }

  bool has_current() const { return current_number_ != -1; }

  // QBX_GetSocket: the handle of an open port and, for TCP and USB, the position of connection id.
  int32_t get_socket(int32_t port, int32_t id, int32_t* index, int32_t* handle);
  // QBX_SetEOIMode: -2 without current port, the port number on GPIB ports, else 0.
  int32_t eoi_mode() const;
  // Parallel-port power handling.
  int32_t wake_up();
  int32_t sleep();
  // USB device scan (entries of 510 bytes) and the number of devices found.
  int32_t usb_scan(int32_t count, char* list);
  int32_t usb_device_count();

  // Log helpers: clear a serial current port's error state; whether the current port is GPIB;
  // the id shown for a device index in named-port log entries.
  void clear_current_serial_error();
  bool current_is_gpib() const;
  int32_t device_id_for_log(int32_t device) const;

 private:
  struct Entry {
    int32_t number;
    int handle;
    std::unique_ptr<Port> port;
  };

  Entry* find(int32_t port);
  Port* current_port();
  void make_current(size_t index);
  void clear_current();
  void log_open_attempt(int32_t port, const OpenParams& params);
  int32_t open_serial(int32_t port, const OpenParams& params);
  int32_t open_parallel(int32_t port, const OpenParams& params);
  int32_t open_tcp(const OpenParams& params);
  int32_t open_usb(const OpenParams& params);
  // Appends an entry and makes it current under the given display name; kQbxTableFull when full.
  int32_t append(int32_t number, std::unique_ptr<Port> port, const char* display);
  // Closes entries_[index] (its current connection, or all of them) and removes it unless the port
  // keeps further connections; the current port is cleared when the entry goes.
  int32_t close_entry(size_t index, bool every_connection);
  int32_t close_all(bool stop_on_failure);
  int32_t flush_by_reading(Port& port, int32_t timeout_ms, const LogTarget& log);
  int32_t close_interpreter_on_current();

  std::vector<Entry> entries_;
  int32_t current_number_ = -1;
  int current_handle_ = -1;
  int32_t current_position_ = -1;  // 1-based
  std::string current_name_ = "0";
  int32_t device_address_ = -1;
  int32_t timeout_ms_ = kInitialTimeoutMs;
  uint32_t error_mask_ = 0;
  ExtendedComPars extended_;
};

PortTable& table();

}  // namespace linkar
