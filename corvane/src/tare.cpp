// Taring and the choice of the channels that take part: the tare and measure bits of the channel
// states ("ACT"), and "TAR?", whose binary reply gives the raw tare reading of every channel in
// tare state.
#include "acquisition.h"
#include "connection.h"
#include "corvan32_measure.h"
#include "export_guard.h"
#include "ids.h"
#include "operations.h"
#include "settings_model.h"

using namespace corvan;

namespace {

// Clears `bit` in the state of every channel but the unconnected ones, sets it for the listed
// channels, and sends every such channel's state. The list is checked whole before anything
// changes. Returns 0, kCvBadValue, kCvBadChannel, or the first failure of a state transfer.
int32_t setup_state_bit(int32_t count, const int32_t* channels, int32_t bit, Reply& reply) {
  if (count < 0 || (count > 0 && channels == nullptr)) return kCvBadValue;
  for (int32_t i = 0; i < count; ++i) {
    if (check_channel(channels[i]) != 0) return kCvBadChannel;
  }
  State& s = state();
  const int32_t n = s.device.channel_count < kMaxChannels ? s.device.channel_count : kMaxChannels;
  auto takes_part = [&](int32_t ch) {
    return ch < kMaxChannels && s.records[ch] != nullptr && s.records[ch]->amplifier != id::kAmpNotConnected;
  };
  for (int32_t ch = 0; ch < n; ++ch) {
    if (takes_part(ch)) s.records[ch]->state &= ~bit;
  }
  for (int32_t i = 0; i < count; ++i) {
    if (takes_part(channels[i])) s.records[channels[i]]->state |= bit;
  }
  for (int32_t ch = 0; ch < n; ++ch) {
    if (!takes_part(ch)) continue;
    const int32_t r = save_chan_settings(ch, kCvChanState, reply);
    if (r != 0) return r;
  }
  return kCvOk;
}

}  // namespace

namespace corvan {

int32_t tare_setup(int32_t count, const int32_t* channels, Reply& reply) {
  return setup_state_bit(count, channels, id::kStateTareBit, reply);
}

int32_t acq_setup(int32_t count, const int32_t* channels, Reply& reply) {
  return setup_state_bit(count, channels, id::kStateMeasureBit, reply);
}

int32_t do_tare() {
  State& s = state();
  int32_t channels[kMaxChannels];
  const int32_t n = taring_channels(channels);
  if (offline()) {
    for (int32_t i = 0; i < n; ++i) s.records[channels[i]]->tare = s.records[channels[i]]->measured;
    return kCvOk;
  }
  if (n == 0) return kCvNoActiveChannel;
  int32_t r = write_command(command("TAR?"));
  if (r != 0) return r;
  unsigned char payload[2 * kMaxChannels + 1];
  r = read_binary(payload, 2 * n);
  if (r != 0) return r;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t ch = channels[i];
    ChannelRecord& rec = *s.records[ch];
    const int16_t raw = raw_value(payload, static_cast<size_t>(i));
    float v;
    rec.tare = overflow_value(raw, &v) ? v : tare_from_raw(raw, s.scale_factor[ch], rec);
  }
  return kCvOk;
}

}  // namespace corvan

extern "C" {

CORVAN32_API int32_t CV_TareSetup(int32_t count, const int32_t* channels) {
  return recorded([&]() -> int32_t { return tare_setup(count, channels, state().reply); });
}

CORVAN32_API int32_t CV_ACQSetup(int32_t count, const int32_t* channels) {
  return recorded([&]() -> int32_t { return acq_setup(count, channels, state().reply); });
}

CORVAN32_API int32_t CV_DoTara(void) { return recorded([]() -> int32_t { return do_tare(); }); }

}  // extern "C"
