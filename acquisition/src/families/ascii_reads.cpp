// Reads of the ASCII value families (see ascii_reads.h).
#include "families/ascii_reads.h"

#include <cstring>
#include <string_view>

#include "families/unit_words.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "multiscan/acquisition_state.h"

namespace tallix::ascii {
namespace {

constexpr int32_t kMaxValuesPerLine = 64;  // one reply line carries them

}  // namespace

int32_t requested_values_read(int32_t device, int32_t* length, double read_mode, int32_t terminator,
                              Line (*request)(int32_t scans), OnePerScan layout) {
  AcquisitionState& a = acquisition();
  const int32_t k = a.order[device].count;
  if (k == 0) return kAcqOk;
  return once_per_cycle(device, length, [&]() -> int32_t {
    const int32_t L = read_mode == kReadAll ? 1 : *length;
    const int32_t per_scan = layout == OnePerScan::kDeviceValue ? 1 : k;
    if (L <= 0) return deliver_nothing(device, length, 0);
    if (int64_t{L} * per_scan > kMaxValuesPerLine || !buffers_hold(device, L)) {
      clear_block_counts(device);
      return kAcqBlockTooLarge;
    }
    if (a.read_pass == 0) {
      if (int32_t r = QBX_WritePort(request(L).text); r != 0) return r;
      return await_second_pass(device, length);
    }
    Reply reply;
    if (int32_t r = receive(&reply, terminator); r != 0) return r;
    const std::vector<double> v = numbers(reply);
    if (reply.refused() || v.size() < static_cast<size_t>(L) * per_scan) return kAcqDeviceErrorStatus;
    std::vector<double> values(static_cast<size_t>(L) * k);
    for (int32_t i = 0; i < L; ++i)
      for (int32_t j = 0; j < k; ++j)
        values[static_cast<size_t>(i) * k + j] =
            v[static_cast<size_t>(i) * per_scan + (per_scan == 1 ? 0 : j)];
    distribute_values(device, values.data(), L);
    *length = L;
    return kAcqOk;
  });
}

int32_t await_second_pass(int32_t device, int32_t* length) {
  acquisition().second_pass[device] = 1;
  *length = kNothingRead;
  return kAcqOk;
}

int32_t fetch_input_line(int32_t device, int32_t* length) {
  Reply reply;
  if (int32_t r = receive(&reply, kLf); r != 0) return r;
  if (reply.refused()) return kAcqDeviceErrorStatus;
  if (int32_t r = distribute_by_input(device, numbers(reply)); r != 0) return r;
  *length = 1;
  return kAcqOk;
}

int32_t distribute_by_input(int32_t device, const std::vector<double>& values) {
  const BlockOrder& order = acquisition().order[device];
  std::vector<double> scan(static_cast<size_t>(order.count));
  for (int32_t j = 0; j < order.count; ++j) {
    const int32_t h = header(order.channels[j]).hardware_channel;
    if (h < 0 || static_cast<size_t>(h) >= values.size()) return kAcqDeviceErrorStatus;
    scan[static_cast<size_t>(j)] = values[static_cast<size_t>(h)];
  }
  if (!buffers_hold(device, 1)) return kAcqBlockTooLarge;
  distribute_values(device, scan.data(), 1);
  return kAcqOk;
}

void unit_from_reply(const Reply& reply, char* unit, size_t size) {
  const std::string_view text(reply.text, static_cast<size_t>(reply.text_length()));
  if (unit_from_word(text, unit, size) || size == 0) return;
  size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  if (n >= size) n = size - 1;
  std::memcpy(unit, text.data(), n);
  unit[n] = '\0';
}

int32_t stop_by_flushing_input(int32_t) {
  QBX_FlushInQueue();
  return kAcqOk;
}

}  // namespace tallix::ascii
