// The exchanges of device type 100 (sequences in amplifier100.h).
#include <cstring>
#include <vector>

#include "families/amplifier100/amplifier100.h"
#include "families/ascii_line.h"
#include "families/ascii_reads.h"
#include "families/input_range.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "multiscan/acquisition_state.h"

namespace tallix::amplifier100 {
namespace {

using namespace ascii;

constexpr int32_t kRestart = -1;
constexpr int32_t kCmdCalibrationCheck = kAcqCmdCalibrate;
constexpr int32_t kUnitBytes = 8;

enum class Out { kInteger, kFloat, kText };

// The queries of QBX_ACQCmd: code, command word, what goes into the value.
struct Query {
  int32_t code;
  const char* word;
  Out out;
};
constexpr Query kQueries[] = {
    {109, "TDC?", Out::kInteger}, {116, "AMP?", Out::kFloat}, {120, "OEU?", Out::kText},
    {117, "FEU?", Out::kFloat},   {118, "OSC?", Out::kFloat}, {115, "OTV?", Out::kFloat},
    {119, "OIT?", Out::kInteger},
};

void store(const Reply& reply, Out out, void* value) {
  if (value == nullptr) return;
  if (out == Out::kText) {
    unit_from_reply(reply, static_cast<char*>(value), kUnitBytes);
    return;
  }
  const double v = numbers(reply)[0];
  if (out == Out::kInteger) {
    const int32_t i = to_int32(v);
    std::memcpy(value, &i, sizeof i);
  } else {
    const auto f = static_cast<float>(v);
    std::memcpy(value, &f, sizeof f);
  }
}

}  // namespace

int32_t device_setup(int32_t, int32_t) {
  Exchange x(kLf, kAcqDeviceErrorStatus);
  x(line("DTR0\r\n"))(line("BMP0,99\r\n"))(line("IMM0\r\n"))(line("IRC,1\r\n"))(line("SKP0,99,0\r\n"));
  return x(line("CYC1,0,0\r\n")).status();
}

int32_t channel_setup(int32_t channel) {
  AcqHdr& h = header(channel);
  const int32_t input = h.hardware_channel;
  Exchange x(kLf, kAcqChannelNotAvailable);
  x(line("ODU?\r\n"))(line("OEU?%i,%i\r\n", input, input));
  if (x.ok()) unit_from_reply(x.reply(), h.unit, sizeof h.unit);
  x(line("FEU?%i,%i\r\n", input, input))(line("SKP%i,%i,1\r\n", input, input))(line("CAL?\r\n"));
  if (!x.ok()) return x.status();
  h.full_scale = 1;
  h.range = 1.0f;
  return kAcqOk;
}

int32_t start(int32_t, int32_t, const int32_t*, int32_t, int32_t option) {
  if (option != kRestart || !acquisition().measured_present) return kAcqOk;
  return QBX_WritePort("MSV?0,99,4\r\n");
}

int32_t read(int32_t number, int32_t, const int32_t*, int32_t* length, double read_mode) {
  AcquisitionState& a = acquisition();
  if (a.order[number].count == 0) return kAcqOk;
  return once_per_cycle(number, length, [&]() -> int32_t {
    const bool read_all = read_mode == kReadAll;
    if (a.read_pass == 0) {
      if (!read_all) {
        if (int32_t r = QBX_WritePort("MSV?0,99,4\r\n"); r != 0) return r;
      }
      return await_second_pass(number, length);
    }
    if (read_all && QBX_GetSerInQLen() <= 0) return deliver_nothing(number, length, kNothingRead);
    return fetch_input_line(number, length);
  });
}

int32_t command(int32_t, int32_t count, const int16_t* channels, int32_t code, void* value) {
  const InputRange range = input_range(count, channels);
  const int32_t first = first_on_current(count, channels);
  const int32_t input = first > 0 ? header(first).hardware_channel : 0;
  Exchange x(kLf, kAcqDeviceRefused);
  if (code == kAcqCmdTare) return x(line("TAR%i,%i\r\n", range.first, range.last)).status();
  if (code == kAcqCmdTareSource) {
    int32_t v = 0;
    if (value != nullptr) std::memcpy(&v, value, sizeof v);
    return x(line("ITS%i\r\n", v)).status();
  }
  if (code == kCmdCalibrationCheck) {
    x(line("CAL?1\r\n"));
    if (x.ok()) store(x.reply(), Out::kInteger, value);
    return x.status();
  }
  for (const Query& q : kQueries) {
    if (q.code != code) continue;
    x(line("%s%i,%i\r\n", q.word, input, input));
    if (x.ok()) store(x.reply(), q.out, value);
    return x.status();
  }
  return kAcqCommandNotSupported;
}

}  // namespace tallix::amplifier100
