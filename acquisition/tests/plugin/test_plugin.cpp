// A plug-in driver library for the kernel's tests. It works on the kernel's tables in place: its
// channel set-up writes the channel header, its read writes each channel's block into the IO
// buffer at the write offset. Every call is written to a log the test reads (TestPluginLog).
// Built twice: complete, and without ACQDeviceControl (a library missing its last entry point).
#include <cstdio>
#include <string>

#include "tallix32_plugin.h"

#define PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

DeviceRecord* g_devices = nullptr;
AcqHdr* g_headers = nullptr;
IOBuf* g_buffers = nullptr;
std::string g_log;

void log_call(const char* format, int a = 0, int b = 0, int c = 0) {
  char text[128];
  std::snprintf(text, sizeof text, format, a, b, c);
  g_log += text;
  g_log += ';';
}

}  // namespace

PLUGIN_EXPORT const char* TestPluginLog() { return g_log.c_str(); }
PLUGIN_EXPORT void TestPluginClearLog() { g_log.clear(); }

PLUGIN_EXPORT int32_t ACQInitDriverLib(DeviceRecord* devices, AcqHdr* headers, IOBuf* buffers) {
  g_devices = devices;
  g_headers = headers;
  g_buffers = buffers;
  log_call("InitDriverLib");
  return 0;
}

// Reports the port it finds in the device table, so the test sees that the table is the kernel's.
PLUGIN_EXPORT int32_t ACQInitDevice(int32_t device, int32_t address) {
  log_call("InitDevice %i %i port %i", device, address, g_devices[device].port);
  return 0;
}

// Channel set-up: full-scale count 1000 + hardware channel, range 5, unit "N".
PLUGIN_EXPORT int32_t ACQInitChan(int32_t channel) {
  AcqHdr& h = g_headers[channel];
  h.full_scale = 1000 + h.hardware_channel;
  h.range = 5.0f;
  h.unit[0] = 'N';
  h.unit[1] = '\0';
  log_call("InitChan %i", channel);
  return 0;
}

PLUGIN_EXPORT int32_t ACQStart(int32_t device, int32_t count, const int32_t* channels) {
  log_call("Start %i %i first %i", device, count, count > 0 ? channels[0] : 0);
  return 0;
}

// Writes value channel * 1000 + i at write offset + i for each channel of the device; -214 when a
// buffer is too small.
PLUGIN_EXPORT int32_t ACQRead(int32_t device, int32_t count, const int32_t* channels, int32_t* length,
                              double read_mode) {
  const int32_t n = read_mode == -1.0 ? 3 : *length;
  for (int32_t k = 0; k < count; ++k) {
    const int32_t ch = channels[k];
    if (g_headers[ch].device_number != device) continue;
    IOBuf& b = g_buffers[ch];
    if (b.values == nullptr || b.write_offset + n > b.capacity) return -214;
    double* values = b.values;
    for (int32_t i = 0; i < n; ++i) values[b.write_offset + i] = ch * 1000.0 + i;
    b.current_length = b.write_offset + n;
    g_headers[ch].read_block_count = n;
  }
  *length = n;
  log_call("Read %i %i %i", device, count, n);
  return 0;
}

PLUGIN_EXPORT int32_t ACQStop() {
  log_call("Stop");
  return 0;
}

// Answers a command with code + 1 in the value and the channel count as result.
PLUGIN_EXPORT int32_t ACQCmd(int32_t device, int32_t count, const int16_t* channels, int32_t code, void* value) {
  if (value != nullptr) *static_cast<int32_t*>(value) = code + 1;
  log_call("Cmd %i %i %i", device, code, count > 0 ? channels[0] : 0);
  return count;
}

#ifndef TEST_PLUGIN_WITHOUT_DEVICE_CONTROL
PLUGIN_EXPORT int32_t ACQDeviceControl(int32_t code, int32_t argument1, int32_t argument2) {
  log_call("DeviceControl %i %i %i", code, argument1, argument2);
  return code + argument1 + argument2;
}
#endif
