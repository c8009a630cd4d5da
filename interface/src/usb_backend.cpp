// Choice of the USB backend for the next scan or open: the simulator's socket when
// LINKAR32_USB_BACKEND is "sim", libusb otherwise.
#include "usb_backend.h"

#include <cstring>

#include "platform.h"
#include "usb_sim.h"

namespace linkar {

UsbBackend& usb_backend() {
  const char* choice = platform().getenv(kUsbBackendVariable);
  if (choice && std::strcmp(choice, kUsbBackendSim) == 0) return sim_usb_backend();
  return libusb_backend();
}

}  // namespace linkar
