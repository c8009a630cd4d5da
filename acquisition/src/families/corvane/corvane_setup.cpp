// Device and channel set-up of the Corvane family. Device set-up clears a pending error, switches
// every channel off and selects the binary block format. Channel set-up finds the channel's
// amplifier slot, switches the channel on and takes its transducer and measuring range into the
// channel header (range, unit, full-scale count, thermo sensor type).
#include <cstring>
#include <iterator>

#include "families/corvane/corvane_family.h"
#include "families/corvane/corvane_line.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "parameter_texts.h"

namespace tallix::corvane {
namespace {

constexpr int32_t kSettleMs = 50;  // the amplifier's settling time after its address is selected

// Measuring range id -> physical range at the full-scale count and its unit.
struct RangeUnit {
  int32_t id;
  float range;
  const char* unit;
};
constexpr RangeUnit kRanges[] = {
    {700, 3.0f, "mV/V"},   {701, 12.0f, "mV/V"},   {702, 125.0f, "mV/V"},  {703, 500.0f, "mV/V"},
    {710, 0.1f, "V"},      {711, 1.0f, "V"},       {712, 10.0f, "V"},      {720, 20.0f, "mA"},
    {721, 200.0f, "mA"},   {730, 400.0f, "Ohm"},   {731, 4000.0f, "Ohm"},  {740, 1.0f, "MHz"},
    {741, 100.0f, "kHz"},  {742, 10.0f, "kHz"},    {743, 1.0f, "kHz"},     {744, 100.0f, "Hz"},
    {750, 10.0f, "ms"},    {751, 100.0f, "ms"},    {752, 1.0f, "s"},       {753, 10.0f, "s"},
    {754, 100.0f, "s"},    {760, 25000.0f, "DIG"}, {761, 2500000.0f, "DIG"},
};
constexpr RangeUnit kOtherRange = {0, 25000.0f, "DIG"};

// Transducer id -> thermo linearisation sensor type.
struct SensorType {
  int32_t transducer;
  int16_t sensor_type;
};
constexpr SensorType kSensorTypes[] = {{450, 1}, {451, 2}, {452, 4}, {453, 3}, {454, 8},
                                       {455, 9}, {456, 10}, {501, 5}, {502, 6}, {503, 7}};

constexpr int32_t kFullScaleCount = 25000;  // raw count at the measuring range
constexpr int32_t kStateOff = 6200;
constexpr int16_t kSignalDigitalOut = 5;
constexpr int16_t kSignalDigitalIn = 6;

void set_unit(AcqHdr& h, const char* unit) {
  std::memset(h.unit, 0, sizeof h.unit);
  std::strncpy(h.unit, unit, sizeof h.unit - 1);
}

}  // namespace

int32_t device_setup(int32_t, int32_t address) {
  int32_t r = QBX_SelectDevice(address);
  if (r < 0) return r;
  QBX_Delay(kSettleMs);
  QBX_FlushInQueue();
  Reply reply;
  const Line lines[] = {line("EST?\n"), line("EST?\n"), line("ACT100,0\n"), line("FMB1\n"), line("EST?\n")};
  for (const Line& l : lines) {
    r = exchange(l, &reply);
    if (r < 0) return r;
  }
  return r;
}

int32_t channel_setup(int32_t channel) {
  AcqHdr& h = header(channel);
  h.full_scale = kFullScaleCount;
  h.range = static_cast<float>(kFullScaleCount);
  set_unit(h, "DIG");

  int32_t r = QBX_SelectDevice(h.device_address);
  if (r < 0) return r;
  QBX_FlushInQueue();
  Reply reply;
  if ((r = exchange(line("AID?\n"), &reply)) != 0) return r;
  if (reply.refused()) return kAcqChannelNotAvailable;
  std::vector<int32_t> pairs = reply.integers();
  int32_t amplifier = -1;
  for (size_t i = 0; i + 1 < pairs.size(); i += 2) {
    if (pairs[i] == h.hardware_channel) {
      amplifier = pairs[i + 1];
      break;
    }
  }
  if (amplifier == -1 || amplifier == kParNotConnected) return kAcqChannelNotAvailable;

  if ((r = exchange(line("ACT%i,1\n", h.hardware_channel), &reply)) != 0) return r;
  if (!reply.accepted()) {
    int32_t error = 0;
    if ((r = error_status(&error)) != 0) return r;
    if (error != 0) return kAcqChannelNotAvailable;
  }

  if (h.signal_kind == kSignalDigitalOut || h.signal_kind == kSignalDigitalIn) {
    if (amplifier != kParDigitalIo) return kAcqCommandNotSupported;
    return exchange(line("ACT%i,%i\n", h.hardware_channel, kStateOff), &reply);
  }

  if ((r = exchange(line("ASA?%i\n", h.hardware_channel), &reply)) != 0) return r;
  if (reply.refused()) return kAcqChannelNotAvailable;
  const int32_t transducer = reply.integer(0);
  const int32_t range_id = reply.integer(1);
  const RangeUnit* range = &kOtherRange;
  for (const RangeUnit& ru : kRanges) {
    if (ru.id == range_id) range = &ru;
  }
  h.range = range->range;
  set_unit(h, range->unit);
  for (const SensorType& s : kSensorTypes) {
    if (s.transducer == transducer) h.sensor_type = s.sensor_type;
  }
  return kAcqOk;
}

}  // namespace tallix::corvane
