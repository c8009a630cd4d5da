// Exports of the parallel, TCP, USB and GPIB port kinds that stand apart from the common port
// operations: socket lookup, GPIB control block, NT port I/O, USB scan, parallel power handling.
#include "guarded.h"
#include "linkar32.h"
#include "port_table.h"

using linkar::guarded;
using linkar::table;

namespace {

// GPIB control block: stored for hosts that read it back through their own drivers; no GPIB I/O
// is done by this library.
struct GpibControlBlock {
  int32_t values[7];
};
constexpr GpibControlBlock kGpibDefaults{{1, 0, 0, 0, 0, 1, 10000}};
GpibControlBlock g_gpib = kGpibDefaults;

}  // namespace

extern "C" {

int32_t QBX_GetSocket(int32_t port, int32_t id, int32_t* index, int32_t* handle) {
  if (!index || !handle) return kQbxBadArgument;
  return guarded<int32_t>(kQbxOpenFailed, [&] { return table().get_socket(port, id, index, handle); });
}

int32_t QBX_ReleaseSocketEx(int32_t handle, int32_t port, int32_t device) {
  (void)handle;
  (void)device;
  return port == -1 ? kQbxNoCurrentPort : kQbxOk;
}

int32_t QBX_SetGPIBCtrlBlock(int32_t v1, int32_t v2, int32_t v3, int32_t v4, int32_t v5, int32_t v6, int32_t v7) {
  g_gpib = GpibControlBlock{{v1, v2, v3, v4, v5, v6, v7}};
  return kQbxOk;
}

int32_t QBX_InitGPIBCtrlBlock(void) {
  g_gpib = kGpibDefaults;
  return kQbxOk;
}

int32_t QBX_SetEOIMode(int32_t mode) {
  (void)mode;
  return guarded<int32_t>(kQbxNoCurrentPort, [] { return table().eoi_mode(); });
}

// Port I/O permissions exist only on NT-family systems; elsewhere both calls succeed at once.
int32_t QBX_EnableNTPortIO(int32_t port) {
  (void)port;
  return kQbxOk;
}

int32_t QBX_DisableNTPortIO(int32_t port) {
  (void)port;
  return kQbxOk;
}

int32_t QBX_Corvane_WakeUp(void) {
  return guarded<int32_t>(kQbxOpenFailed, [] { return table().wake_up(); });
}

int32_t QBX_Corvane_Sleep(void) {
  return guarded<int32_t>(kQbxOk, [] { return table().sleep(); });
}

int32_t USB_GetMaxUsbDevice(void) {
  return guarded<int32_t>(kQbxUsbNoSetupApi, [] { return table().usb_device_count(); });
}

int32_t USB_ScanUsbDevice(int32_t count, char* list) {
  if (count < 0 || (count > 0 && !list)) return kQbxBadArgument;
  return guarded<int32_t>(kQbxUsbNoSetupApi, [&] { return table().usb_scan(count, list); });
}

}  // extern "C"
