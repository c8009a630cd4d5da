// Device exports of the driver: opening the device online (channel count from the amplifier) or
// offline (all settings held in memory), closing it, and the one-call bring-up CV_InitAll.
#include "connection.h"
#include "export_guard.h"
#include "linkar32.h"
#include "operations.h"
#include "settings_model.h"

using namespace corvan;

namespace {

constexpr int32_t kModeOffline = 1;

// Leaves the connection without records, as after a failed online open.
void drop_device() {
  free_records();
  state().device.channel_count = 0;
}

int32_t open_offline(int32_t* channels) {
  set_offline_device_defaults();
  int32_t count = *channels;
  if (count > kMaxChannels) count = kMaxChannels;
  state().device.channel_count = count;
  // All 100 records exist offline, so the count can be raised in memory later.
  int32_t created = 0;
  int32_t r = create_records(kMaxChannels, &created);
  if (r != 0 && count > created) count = created;
  state().device.channel_count = count;
  *channels = count;
  return r;
}

int32_t open_online(int32_t* channels, Reply& reply) {
  State& s = state();
  s.device.offline = 1;
  int32_t r = error_status(reply);
  if (r != 0) return r;
  s.device.offline = 0;
  r = load_dev_settings(kCvDevChannelCount, reply);
  if (r != 0) {
    s.device.offline = 1;
    return r;
  }
  int32_t count = s.device.channel_count;
  if (count > kMaxChannels) count = kMaxChannels;
  int32_t created = 0;
  r = create_records(count, &created);
  if (r != 0) count = created;
  s.device.channel_count = count;
  *channels = count;
  return r;
}

}  // namespace

namespace corvan {

int32_t open_device(int32_t mode, int32_t* channels, Reply& reply) {
  state().channel_types_read = false;
  free_block_buffer();
  drop_device();
  return mode == kModeOffline ? open_offline(channels) : open_online(channels, reply);
}

int32_t close_device() {
  free_block_buffer();
  free_records();
  return kCvOk;
}

int32_t init_all(int32_t port, int32_t baud, Reply& reply) {
  const char* parity = port == kQbxPortUsb ? nullptr : "e";
  int32_t r = open_port(port, baud, parity, 8, 1, 4096, reply);
  if (r < 0) return r;
  error_status(reply);
  error_status(reply);
  r = error_status(reply);
  if (r != 0) return r;
  int32_t n = kMaxChannels;
  r = open_device(0, &n, reply);
  if (r != 0) return r;
  r = load_dev_settings(0xFFFF, reply);
  if (r != 0) return r;
  int32_t count = 0;
  get_dev_settings(kCvDevChannelCount, &count);
  for (int32_t c = 0; c < count; ++c) load_chan_settings(c, 0xFFFF, reply);  // results ignored
  return kCvOk;
}

}  // namespace corvan

extern "C" {

CORVAN32_API int32_t CV_OpenDevice(int32_t mode, int32_t* channels) {
  if (channels == nullptr || (mode == kModeOffline && *channels < 0)) return note_device(kCvBadValue);
  return recorded([&]() -> int32_t { return open_device(mode, channels, state().reply); });
}

CORVAN32_API int32_t CV_CloseDevice(void) {
  return guarded([]() -> int32_t { return close_device(); });
}

CORVAN32_API int32_t CV_InitAll(int32_t port, int32_t baud) {
  return recorded([&]() -> int32_t { return init_all(port, baud, state().reply); });
}

}  // extern "C"
