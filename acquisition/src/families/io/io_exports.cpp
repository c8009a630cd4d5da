// The analog and digital output and input exports shared by several families: each listed channel
// of the export's signal kind (or of a YALPLUS device, whose channels serve all three) goes to its
// family's code after its device's port and address are selected.
#include "device_line.h"
#include "export_guard.h"
#include "families/corvane/corvane_dio.h"
#include "families/io/yalplus_outputs.h"
#include "kernel_state.h"
#include "tallix32.h"

using namespace tallix;

namespace {

constexpr int16_t kSignalDigitalOut = 5;
constexpr int16_t kSignalDigitalIn = 6;
constexpr int16_t kSignalAnalogOut = 7;

bool serves(const AcqHdr& h, int16_t signal_kind) {
  return h.signal_kind == signal_kind || h.device_type == kAcqTypeYalplus;
}

int32_t check(int32_t count, const int32_t* channels, const void* values) {
  if (count < 0 || (count > 0 && (channels == nullptr || values == nullptr))) return kAcqBadArgument;
  for (int32_t i = 0; i < count; ++i)
    if (!valid_channel(channels[i])) return kAcqBadChannel;
  return kAcqOk;
}

int32_t select(const AcqHdr& h) {
  return select_device_line(h.interface, h.device_address);
}

// The output and input entries of the families that have them; a family without an entry leaves
// the channel alone. `selects`: the device's port and address are selected first (ATMIO boards
// have no line).
struct IoFamily {
  int16_t type;
  bool selects;
  int32_t (*analog_out)(const AcqHdr& h, double value);
  int32_t (*digital_out)(const AcqHdr& h, int32_t bit);
  int32_t (*digital_in)(const AcqHdr& h, int32_t* bit);
};

constexpr IoFamily kIoFamilies[] = {
    {kAcqTypeAtmio, false, [](const AcqHdr&, double) { return int32_t{kAcqFamilyNotSupported}; },
     [](const AcqHdr&, int32_t) { return int32_t{kAcqFamilyNotSupported}; },
     [](const AcqHdr&, int32_t*) { return int32_t{kAcqFamilyNotSupported}; }},
    {kAcqTypeCorvane, true, nullptr,
     [](const AcqHdr& h, int32_t bit) { return corvane::digital_out(h.hardware_channel, h.dio_bit, bit); },
     [](const AcqHdr& h, int32_t* bit) { return corvane::digital_in(h.hardware_channel, h.dio_bit, bit); }},
    {kAcqTypeZelplus, true,
     [](const AcqHdr& h, double value) { return ZELPLUS_ANALOGOUT(h.dio_port, h.hardware_channel, value); },
     [](const AcqHdr& h, int32_t bit) { return ZELPLUS_DIGLINOUT(h.dio_port, h.hardware_channel, h.dio_bit, bit); },
     [](const AcqHdr& h, int32_t* bit) { return ZELPLUS_DIGLININ(h.dio_port, h.hardware_channel, h.dio_bit, bit); }},
    {kAcqTypeYalplus, true,
     [](const AcqHdr& h, double value) { return yalplus_io::analog_out(h.hardware_channel, h.dio_port, value); },
     [](const AcqHdr& h, int32_t bit) {
       return yalplus_io::digital_out(h.dio_port, h.hardware_channel, h.dio_bit, bit);
     },
     [](const AcqHdr& h, int32_t* bit) {
       return yalplus_io::digital_in(h.dio_port, h.hardware_channel, h.dio_bit, bit);
     }},
};

// Runs the entry `member` of the channel's family with `argument` (after selecting its line when
// the family has one); 0 for a family without that entry.
template <typename Entry, typename Argument>
int32_t run_io(const AcqHdr& h, Entry IoFamily::*member, Argument argument) {
  for (const IoFamily& f : kIoFamilies) {
    if (f.type != h.device_type) continue;
    if (f.*member == nullptr) return kAcqOk;
    if (f.selects) {
      if (int32_t r = select(h); r < 0) return r;
    }
    return (f.*member)(h, argument);
  }
  return kAcqOk;
}

}  // namespace

extern "C" {

int32_t QBX_ACQAOWrite(int32_t count, const int32_t* channels, const double* values) {
  if (int32_t r = check(count, channels, values); r != 0) return r;
  return guarded([&]() -> int32_t {
    for (int32_t i = 0; i < count; ++i) {
      const AcqHdr& h = header(channels[i]);
      if (!serves(h, kSignalAnalogOut)) continue;
      if (int32_t r = run_io(h, &IoFamily::analog_out, values[i]); r < 0) return r;
    }
    return count;
  });
}

int32_t QBX_ACQDIOWrite(int32_t count, const int32_t* channels, const int32_t* bits) {
  if (int32_t r = check(count, channels, bits); r != 0) return r;
  return guarded([&]() -> int32_t {
    for (int32_t i = 0; i < count; ++i) {
      const AcqHdr& h = header(channels[i]);
      if (!serves(h, kSignalDigitalOut)) continue;
      // The bit value travels in the low 16 bits of its 32-bit slot.
      if (int32_t r = run_io(h, &IoFamily::digital_out, int32_t{static_cast<int16_t>(bits[i] & 0xFFFF)}); r < 0)
        return r;
    }
    return kAcqOk;
  });
}

int32_t QBX_ACQDIORead(int32_t count, const int32_t* channels, int32_t* bits) {
  if (int32_t r = check(count, channels, bits); r != 0) return r;
  return guarded([&]() -> int32_t {
    for (int32_t i = 0; i < count; ++i) {
      const AcqHdr& h = header(channels[i]);
      if (!serves(h, kSignalDigitalIn)) continue;
      int32_t bit = 0;
      if (int32_t r = run_io(h, &IoFamily::digital_in, &bit); r < 0) return r;
      bits[i] = bit;
    }
    return kAcqOk;
  });
}

}  // extern "C"
