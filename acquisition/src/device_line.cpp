// Device selection through the interface library, shared by every dispatch loop.
#include "device_line.h"

#include "linkar32.h"

namespace tallix {

int32_t select_device_line(int32_t port, int32_t address) {
  int32_t r = QBX_SelectPort(port);
  if (r < 0) return r;
  return QBX_SelectDevice(address);
}

}  // namespace tallix
