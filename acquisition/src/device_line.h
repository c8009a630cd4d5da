// Reaching a device through the interface library: its port and address become current.
#pragma once

#include <cstdint>

namespace tallix {

// QBX_SelectPort(port), then QBX_SelectDevice(address); a negative result of either is returned,
// else the device selection's result.
int32_t select_device_line(int32_t port, int32_t address);

}  // namespace tallix
