// The data server exchanges (sequences in data_server.h).
#include "families/ascii_line.h"
#include "families/data_server/data_server.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "multiscan/acquisition_state.h"

namespace tallix::data_server {
namespace {

using namespace ascii;

constexpr int32_t kStatusBytes = 4;
constexpr int32_t kMaxScans = 1023;
constexpr int32_t kValueBytes = 8;

int32_t le32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// Sends a command and reads its 4-byte status: the status, or the interface's.
int32_t exchange(const Line& l) {
  int32_t r = QBX_WritePort(l.text);
  const uint8_t* data = nullptr;
  if (r == 0) r = read_binary(kStatusBytes, &data);
  return r < 0 ? r : le32(data);
}

}  // namespace

int32_t start(int32_t number, int32_t, const int32_t*, int32_t, int32_t) {
  const BlockOrder& order = acquisition().order[number];
  if (order.count == 0) return kAcqOk;
  if (int32_t r = exchange(line("RDS_START@%i", order.count)); r < 0) return r;
  for (int32_t j = 0; j < order.count; ++j) {
    if (int32_t r = exchange(line("RDS_ADD@%i", header(order.channels[j]).hardware_channel)); r < 0) return r;
  }
  return kAcqOk;
}

int32_t read(int32_t number, int32_t, const int32_t*, int32_t* length, double read_mode) {
  const int32_t k = acquisition().order[number].count;
  if (k == 0) return kAcqOk;
  return once_per_cycle(number, length, [&]() -> int32_t {
    const bool read_all = read_mode == kReadAll;
    const int32_t L = read_all ? kMaxScans : *length;
    if (L <= 0) return deliver_nothing(number, length, 0);
    int32_t r = QBX_WritePort(line("RDS_READ@%i", read_all ? 0 : L).text);
    const uint8_t* data = nullptr;
    if (r == 0) r = read_binary(kStatusBytes, &data);
    if (r < 0) return r;
    const int32_t bytes = le32(data);
    const int64_t scan_bytes = int64_t{k} * kValueBytes;
    const int64_t scans = bytes / scan_bytes;
    // A count that does not fit the request is not read: it may be anything.
    if (bytes < 0 || bytes % scan_bytes != 0 || scans > L) {
      QBX_FlushInQueue();
      clear_block_counts(number);
      return kAcqBlockTooLarge;
    }
    if (bytes > 0 && (r = read_binary(bytes, &data)) < 0) return r;
    if (scans > 0 && !buffers_hold(number, static_cast<int32_t>(scans))) {
      clear_block_counts(number);
      return kAcqBlockTooLarge;
    }
    if (scans == 0) return not_complete(number, length, read_all);
    distribute(number, data, static_cast<int32_t>(scans), Sample::kFloat64Le);
    *length = static_cast<int32_t>(scans);
    return kAcqOk;
  });
}

int32_t stop(int32_t) {
  const int32_t r = exchange(line("STP@"));
  return r < 0 ? r : kAcqOk;
}

}  // namespace tallix::data_server
