// USB devices: opening a Corvane by its serial-number text, selecting one by id, reads and writes on
// its pipe slots with their log lines, closing one or every device, and the device scan.
#include "usb_port.h"

#include <algorithm>
#include <cstring>

#include "comlog.h"
#include "linkar32.h"
#include "port_numbers.h"
#include "text_format.h"
#include "traffic_log.h"
#include "usb_pipes.h"

namespace linkar {
namespace {

// Device ids index a table of 128 entries; names fill 32-byte fields with their terminator.
constexpr int32_t kMaxDeviceId = 127;
constexpr size_t kMaxNameLength = 31;
// USB_GetMaxUsbDevice counts what a scan with room for this many entries finds.
constexpr int32_t kCountScanRoom = 32;

// Copies text into a zero-filled field of field_bytes, cut to leave the terminator.
void put_field(char* field, size_t field_bytes, const std::string& text) {
  std::memset(field, 0, field_bytes);
  std::memcpy(field, text.data(), std::min(text.size(), field_bytes - 1));
}

}  // namespace

UsbPort::~UsbPort() {
  while (!devices_.empty()) close_device(devices_.size() - 1);
}

bool UsbPort::select_open(const char* name) {
  const char* wanted = name ? name : kUsbUnnamedDevice;
  for (size_t i = 0; i < devices_.size(); ++i) {
    if (devices_[i].name == wanted) {
      devices_.make_current(i);
      return true;
    }
  }
  return false;
}

int32_t UsbPort::open(int32_t id, const char* name, const LogTarget& log) {
  if (id < 0 || id > kMaxDeviceId || (name && std::strlen(name) > kMaxNameLength)) return kQbxOpenFailed;
  if (select_open(name)) return kQbxOk;
  UsbBackend& backend = usb_backend();
  std::vector<UsbDeviceInfo> found;
  const int32_t status = backend.scan(&found);
  if (status != kQbxOk) return status;
  // Without a name the first Corvane found is taken; with one, the first whose text is equal.
  std::string path;
  for (const UsbDeviceInfo& d : found) {
    if (!name || d.serial == name) {
      path = d.path;
      break;
    }
  }
  UsbPipes& pipes = usb_pipes();
  const int32_t read_slot = pipes.open(backend, path, kUsbReadPipe);
  const int32_t write_slot = pipes.open(backend, path, kUsbWritePipe);
  const Device& added = devices_.add(Device{read_slot, write_slot, name ? name : kUsbUnnamedDevice, id});
  note(log, strprintf("Successfully opened USB device: %s Read handle = %i  Write handle = %i\r\n",
                      added.name.c_str(), read_slot, write_slot));
  return kQbxOk;
}

int32_t UsbPort::read(char* buffer, int32_t count, int32_t* bytes_read, int32_t terminator,
                      int32_t timeout_ms, const LogTarget& log) {
  *bytes_read = 0;
  Device* d = devices_.target(log);
  if (!d) {
    if (terminator) buffer[0] = '\0';
    return kQbxUsbPipeError;
  }
  UsbPipes& pipes = usb_pipes();
  if (terminator) {
    const int32_t status = pipes.read_terminated(d->read_slot, buffer, count, static_cast<char>(terminator),
                                                 timeout_ms, bytes_read);
    if (status == kQbxOk) note_received(log, *bytes_read, buffer);
    return status;
  }
  const int32_t status = pipes.read_exact(d->read_slot, buffer, count, timeout_ms, bytes_read);
  if (status == kQbxOk && comlog().active())
    note(log, strprintf("Received unterminated %u Bytes\r\n", static_cast<unsigned>(*bytes_read)));
  return status;
}

int32_t UsbPort::write(const char* data, size_t length, int32_t timeout_ms, const LogTarget& log) {
  Device* d = devices_.target(log);
  const int32_t status = d ? usb_pipes().write(d->write_slot, data, length, timeout_ms) : kQbxUsbPipeError;
  if (status < 0) {
    note(log, strprintf("USB Write operation failed with status %li\r\n", static_cast<long>(status)));
    return kQbxWriteFailed;
  }
  note_sent(log, data, length, SentGap::kTwoBlanks);
  return status;
}

void UsbPort::close_device(size_t index) {
  UsbPipes& pipes = usb_pipes();
  pipes.close(devices_[index].read_slot);
  pipes.close(devices_[index].write_slot);
  devices_.erase(index);
}

int32_t UsbPort::close(int32_t, const LogTarget&) {
  if (devices_.current_index() < devices_.size()) close_device(devices_.current_index());
  return kQbxOk;
}

int32_t UsbPort::close_all(int32_t, const LogTarget&) {
  while (!devices_.empty()) close_device(devices_.size() - 1);
  return kQbxOk;
}

int32_t UsbPort::select_connection(int32_t id) {
  note(LogTarget{}, strprintf("USB: Attempting to select address ID %i\r\n", id));
  const size_t i = devices_.find(id);
  if (i == ConnectionList<Device>::kNone) return kQbxOpenFailed;
  devices_.make_current(i);
  note(LogTarget{}, strprintf("USB: Selected device %s\r\n", devices_[i].name.c_str()));
  return kQbxOk;
}

int32_t UsbPort::connection_position(int32_t id) {
  const size_t i = devices_.find(id);
  if (i == ConnectionList<Device>::kNone) return -1;
  note(LogTarget{},
       strprintf("%s: selected device: %s\r\n", display_name(kQbxPortUsb).c_str(), devices_[i].name.c_str()));
  return static_cast<int32_t>(i) + 1;
}

int32_t UsbPort::connection_id_at(int32_t position) const {
  return devices_.id_at(position);
}

int32_t usb_scan_devices(int32_t count, char* list) {
  std::vector<UsbDeviceInfo> found;
  const int32_t status = usb_backend().scan(&found);
  if (status != kQbxOk) return status;
  const size_t filled = std::min(found.size(), static_cast<size_t>(std::max(count, 0)));
  for (size_t i = 0; i < filled; ++i) {
    char* entry = list + i * kQbxUsbScanEntryBytes;
    put_field(entry, kQbxUsbScanFieldBytes, found[i].serial);
    put_field(entry + kQbxUsbScanFieldBytes, kQbxUsbScanFieldBytes, found[i].path);
  }
  return static_cast<int32_t>(filled);
}

int32_t usb_count_devices() {
  std::vector<UsbDeviceInfo> found;
  const int32_t status = usb_backend().scan(&found);
  if (status != kQbxOk) return status;
  return static_cast<int32_t>(std::min(found.size(), static_cast<size_t>(kCountScanRoom)));
}

}  // namespace linkar
