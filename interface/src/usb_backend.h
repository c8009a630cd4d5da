// The small interface between the USB pipe slots and whatever moves the bytes: a backend lists the
// Corvanes attached (serial-number text and device path) and opens, reads, writes and closes the two
// pipes of one of them (pipe 0 carries bytes from the device, pipe 1 bytes to it). Two backends
// exist: libusb, loaded at run time, and a socket to the device simulator (LINKAR32_USB_BACKEND=sim).
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace linkar {

// Pipe numbers of a Corvane: its first bulk IN endpoint (PIPE00) and first bulk OUT endpoint (PIPE01).
constexpr int kUsbReadPipe = 0;
constexpr int kUsbWritePipe = 1;

// One Corvane found by a scan.
struct UsbDeviceInfo {
  std::string serial;  // the serial-number string descriptor, the device's name
  std::string path;    // what open_pipe takes to reach it
};

class UsbBackend {
 public:
  virtual ~UsbBackend() = default;

  // Lists the Corvanes present into *devices. 0, or kQbxUsbNoSetupApi when the backend cannot be
  // used (library or one of its functions missing, simulator not reachable).
  virtual int32_t scan(std::vector<UsbDeviceInfo>* devices) = 0;
  // Opens pipe kUsbReadPipe or kUsbWritePipe of the device at path: a handle >= 0, or -1.
  virtual int open_pipe(const std::string& path, int pipe) = 0;
  // Waits up to timeout_ms (<= 0: no limit) for bytes from a read pipe and stores up to size of
  // them: the number stored (0 when none came in time), or -1 when the pipe failed.
  virtual ssize_t read(int handle, char* buffer, size_t size, int32_t timeout_ms) = 0;
  // Writes size bytes to a write pipe within timeout_ms (<= 0: no limit): the number written
  // (fewer than size when the time ran out), or -1 when the pipe failed.
  virtual ssize_t write(int handle, const char* data, size_t size, int32_t timeout_ms) = 0;
  // Closes a handle from open_pipe.
  virtual void close(int handle) = 0;
};

// The backend the next scan or open uses: the simulator's when LINKAR32_USB_BACKEND is "sim",
// else libusb. Pipes keep the backend they were opened with.
UsbBackend& usb_backend();
UsbBackend& libusb_backend();
UsbBackend& sim_usb_backend();

// Forgets whether libusb could be loaded, so that the next USB call tries again. For tests only
// (the library itself keeps the outcome of the first attempt for the life of the process).
void forget_libusb_load();

}  // namespace linkar
