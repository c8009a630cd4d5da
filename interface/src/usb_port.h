// USB devices on port 200: one port-table entry shared by every open device, a device table in
// opening order (read pipe slot, write pipe slot, name, the caller's id), and a current device
// selected by id. The bytes move through the pipe slots of usb_pipes.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "connection_list.h"
#include "port.h"
#include "usb_backend.h"

namespace linkar {

// Name under which a device opened without a name is kept.
constexpr char kUsbUnnamedDevice[] = "UNKNOWN";

class UsbPort : public Port {
 public:
  ~UsbPort() override;

  // True when a device of this name (null: kUsbUnnamedDevice) is open; it then becomes current.
  bool select_open(const char* name);
  // Opens the Corvane whose serial-number text equals name (null: the first one found, kept as
  // "UNKNOWN") with connection id 0..127 and makes it current. A pipe that cannot be opened leaves
  // kQbxUsbPipeOpenFailed as its slot and the open still succeeds; its reads and writes then give
  // kQbxUsbPipeError. Returns 0, -1 (id out of range, name longer than 31 bytes), or
  // kQbxUsbNoSetupApi when the backend cannot be used.
  int32_t open(int32_t id, const char* name, const LogTarget& log);
  bool empty() const { return devices_.empty(); }
  // A further device on the open port: params.baud is the id, parity the name.
  int32_t reopen(const OpenParams& params, int32_t, const LogTarget& log) override {
    return open(params.baud, params.parity, log);
  }

  int handle() const override { return 0; }
  int32_t read(char* buffer, int32_t count, int32_t* bytes_read, int32_t terminator, int32_t timeout_ms,
               const LogTarget& log) override;
  int32_t write(const char* data, size_t length, int32_t timeout_ms, const LogTarget& log) override;
  int32_t close(int32_t timeout_ms, const LogTarget& log) override;
  int32_t close_all(int32_t timeout_ms, const LogTarget& log) override;
  bool keeps_entry() const override { return !devices_.empty(); }
  bool has_connections() const override { return true; }
  int32_t select_connection(int32_t id) override;
  int32_t connection_position(int32_t id) override;
  int32_t connection_id_at(int32_t position) const override;

 private:
  struct Device {
    int32_t read_slot;
    int32_t write_slot;
    std::string name;
    int32_t id;
  };

  void close_device(size_t index);

  ConnectionList<Device> devices_;
};

// USB_ScanUsbDevice: fills up to count entries of kQbxUsbScanEntryBytes (serial text in the first
// kQbxUsbScanFieldBytes, device path in the second, each zero-terminated) and returns how many, or
// kQbxUsbNoSetupApi.
int32_t usb_scan_devices(int32_t count, char* list);
// USB_GetMaxUsbDevice: the devices a scan with room for 32 finds, or kQbxUsbNoSetupApi.
int32_t usb_count_devices();

}  // namespace linkar
