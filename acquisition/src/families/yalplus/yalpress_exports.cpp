// The YALPRESS exports: press-fit evaluation on YALPLUS channels of the current device. Each
// selects its channel(s) with "CHS<mask>" and asks "ESR?" first (a refused selection gives -253,
// else an error above 0 -207), then runs its evaluation
// command. The curve blocks ("FDB?") are a '#', the byte count in 3 big-endian bytes and
// big-endian 16-bit (x, y) pairs; the result block of "FDE?1" is "#48", a status byte, 48
// big-endian 16-bit words and CR LF. Scales come from "ISV?" over the selected channels: an offset
// and a span per channel (value = word x span / 30000 - offset).
#include <cstring>
#include <vector>

#include "export_guard.h"
#include "families/yalplus/yalplus_line.h"
#include "families/yalplus/yalplus_state.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "storix32.h"
#include "tallix32.h"

using namespace tallix;
using namespace tallix::yalplus;

namespace {

constexpr int32_t kMaxChannel = 32;
constexpr int32_t kRunning = 0x80;
constexpr int32_t kDone = 0x02;
constexpr int32_t kResultBit = 0x01;
constexpr int32_t kEvalWords = 48;
constexpr char kEvalLeadIn[3] = {'#', '4', '8'};
constexpr int32_t kEvalBlockBytes = 3 + 1 + 2 * kEvalWords + 2;
constexpr int32_t kCurveCapacity = 65536 * 4;
constexpr int32_t kDefaultCurve = 4;

struct Scale {
  double offset = 0.0;
  double factor = 1.0 / kFullScale2;
  double apply(int32_t word) const { return word * factor - offset; }
};

bool valid(int32_t channel) { return channel >= 1 && channel <= kMaxChannel; }

// "CHS<mask>", its reply, "ESR?" (which also clears the error of a refusal): -253 for a refused
// selection, else -207 for an error above 0.
int32_t select(int32_t channel, int32_t second = 0) {
  if (!valid(channel) || (second != 0 && !valid(second))) return kAcqBadArgument;
  uint32_t mask = 1u << (channel - 1);
  if (second != 0) mask |= 1u << (second - 1);
  Reply reply;
  int32_t r = exchange(line("CHS%li\n", static_cast<long>(mask)), &reply);
  if (r != 0) return r;
  const bool refused = reply.refused();
  int32_t error = 0;
  if ((r = device_error(&error)) != 0) return r;
  if (refused) return kAcqCommandNotSupported;
  if (error > 0) return kYalDeviceError;
  return kAcqOk;
}

// A command of the evaluation: its reply, -253 for a refusal.
int32_t query(const std::string& text, Reply* reply) {
  int32_t r = exchange(text, reply);
  if (r != 0) return r;
  return reply->refused() ? kAcqCommandNotSupported : kAcqOk;
}

// "ISV?" over the selected x and y channels.
int32_t scales(Scale* x, Scale* y) {
  Reply reply;
  int32_t r = query("ISV?\n", &reply);
  if (r != 0) return r;
  const std::vector<double> v = numbers(reply);
  if (v.size() >= 2) *x = Scale{v[0], v[1] / kFullScale2};
  *y = *x;
  if (v.size() >= 4) *y = Scale{v[2], v[3] / kFullScale2};
  return kAcqOk;
}

int32_t eval_status() {
  Reply reply;
  int32_t r = query("FDE?0\n", &reply);
  if (r != 0) return r;
  const int32_t bits = reply.integer(0);
  if (bits & kRunning) return 3;
  if (bits & kDone) return 2;
  return bits & kResultBit;
}

// The curve: ISV?, FDE?0, then the block of the FDB? request, scaled into x_out / y_out (n each).
int32_t curve(int32_t channel_x, int32_t channel_y, const std::string& request, int32_t n, double* x_out,
              double* y_out) {
  if (n < 0 || (n > 0 && (x_out == nullptr || y_out == nullptr))) return kAcqBadArgument;
  int32_t r = select(channel_x, channel_y == channel_x ? 0 : channel_y);
  if (r != 0) return r;
  Scale sx;
  Scale sy;
  if ((r = scales(&sx, &sy)) != 0) return r;
  if ((r = eval_status()) < 0) return r;
  if (r == 3) return kAcqBlockNotComplete;
  if ((r = send(request)) < 0) return r;
  std::vector<uint8_t> block(kCurveCapacity);
  int32_t got = 0;
  if ((r = read_block(block.data(), kCurveCapacity, &got)) != 0) return r;
  if (got % 4 != 0 || got / 4 > n) return kYalDeviceError;
  const int32_t points = got / 4;
  for (int32_t i = 0; i < points; ++i) {
    x_out[i] = sx.apply(be16(&block[static_cast<size_t>(i) * 4]));
    y_out[i] = sy.apply(be16(&block[static_cast<size_t>(i) * 4 + 2]));
  }
  return points;
}

// The curve into the IO buffers of two kernel channels.
int32_t curve_to_arrays(int32_t channel_x, int32_t channel_y, const std::string& request, int32_t n,
                        int32_t array_x, int32_t array_y) {
  for (int32_t ch : {array_x, array_y}) {
    if (!valid_channel(ch)) return kAcqBadChannel;
    if (buffer(ch).values == nullptr) return kAcqNotAllocated;
    if (buffer(ch).capacity < n) return kAcqBlockTooLarge;
  }
  std::vector<double> x(static_cast<size_t>(n > 0 ? n : 0));
  std::vector<double> y(x.size());
  const int32_t points = curve(channel_x, channel_y, request, n, x.data(), y.data());
  if (points < 0) return points;
  for (auto [ch, values] : {std::pair{array_x, &x}, std::pair{array_y, &y}}) {
    std::memcpy(buffer(ch).values, values->data(), sizeof(double) * static_cast<size_t>(points));
    buffer(ch).current_length = points;
    header(ch).read_block_count = points;
  }
  return points;
}

std::string comp_request(int32_t curve_no, int32_t first, int32_t n, int32_t step) {
  return line("FDB?%i,%i,%i,%i\n", curve_no, first, n, step);
}

}  // namespace

extern "C" {

int32_t YALPRESS_GetEvalStatus(int32_t channel) {
  return guarded([&]() -> int32_t {
    const int32_t r = select(channel);
    return r != 0 ? r : eval_status();
  });
}

int32_t YALPRESS_RunEval(int32_t channel, int32_t on) {
  return guarded([&]() -> int32_t {
    int32_t r = select(channel);
    Reply reply;
    return r != 0 ? r : query(line("FDE%i\n", on != 0 ? 1 : 0), &reply);
  });
}

int32_t YALPRESS_GetIOPorts(int32_t channel, int32_t* port1, int32_t* port2) {
  if (port1 == nullptr || port2 == nullptr) return kAcqBadArgument;
  return guarded([&]() -> int32_t {
    int32_t r = select(channel);
    Reply reply;
    if (r != 0 || (r = query("FDI?\n", &reply)) != 0) return r;
    *port1 = reply.integer(0);
    *port2 = reply.integer(1);
    return kAcqOk;
  });
}

int32_t YALPRESS_ClearStatistics(int32_t channel, int32_t n) {
  return guarded([&]() -> int32_t {
    int32_t r = select(channel);
    Reply reply;
    return r != 0 ? r : query(line("FDH%i\n", n), &reply);
  });
}

int32_t YALPRESS_GetStatistics(int32_t channel, int32_t n, double* values, int32_t capacity) {
  if (capacity < 0 || (capacity > 0 && values == nullptr)) return kAcqBadArgument;
  return guarded([&]() -> int32_t {
    int32_t r = select(channel);
    Reply reply;
    if (r != 0 || (r = query(line("FDH?%i\n", n), &reply)) != 0) return r;
    const std::vector<double> v = numbers(reply);
    for (size_t i = 0; i < v.size() && i < static_cast<size_t>(capacity); ++i) values[i] = v[i];
    return static_cast<int32_t>(v.size());
  });
}

int32_t YALPRESS_GetEvalData(int32_t channel_x, int32_t channel_y, int32_t eval_channel, int32_t db_channel) {
  return guarded([&]() -> int32_t {
    int32_t r = select(channel_x, channel_y == channel_x ? 0 : channel_y);
    if (r != 0) return r;
    Scale sx;
    Scale sy;
    if ((r = scales(&sx, &sy)) != 0) return r;
    if ((r = select(eval_channel)) != 0) return r;
    if ((r = send("FDE?1\n")) < 0) return r;
    uint8_t block[kEvalBlockBytes];
    if ((r = read_exact(block, kEvalBlockBytes)) != 0 || std::memcmp(block, kEvalLeadIn, sizeof kEvalLeadIn) != 0) {
      QBX_FlushInQueue();
      return r != 0 ? r : kYalDeviceError;
    }
    const uint8_t* words = block + sizeof kEvalLeadIn + 1;
    for (int32_t i = 0; i < kEvalWords; ++i) {
      const int32_t w = be16(words + 2 * i);
      const double value = i % 3 == 0 ? sx.apply(w) : i % 3 == 1 ? sy.apply(w) : w;
      if ((r = QBX_WriteToDatabase(1, &db_channel, &value, -1, 1)) < 0) return r;
    }
    return kAcqOk;
  });
}

int32_t YALPRESS_GetDynData(int32_t channel_x, int32_t channel_y, int32_t n, double* x_out, double* y_out) {
  return guarded([&]() -> int32_t { return curve(channel_x, channel_y, line("FDB?%i,%i\n", kDefaultCurve, n), n, x_out, y_out); });
}

int32_t YALPRESS_GetDynDataArray(int32_t channel_x, int32_t channel_y, int32_t n, int32_t array_x, int32_t array_y) {
  return guarded([&]() -> int32_t {
    return curve_to_arrays(channel_x, channel_y, line("FDB?%i,%i\n", kDefaultCurve, n), n, array_x, array_y);
  });
}

int32_t YALPRESS_GetDynDataComp(int32_t channel_x, int32_t channel_y, int32_t curve_no, int32_t first, int32_t n,
                                int32_t step, double* x_out, double* y_out) {
  return guarded([&]() -> int32_t { return curve(channel_x, channel_y, comp_request(curve_no, first, n, step), n, x_out, y_out); });
}

int32_t YALPRESS_GetDynDataCompArray(int32_t channel_x, int32_t channel_y, int32_t curve_no, int32_t first,
                                     int32_t n, int32_t step, int32_t array_x, int32_t array_y) {
  return guarded([&]() -> int32_t {
    return curve_to_arrays(channel_x, channel_y, comp_request(curve_no, first, n, step), n, array_x, array_y);
  });
}

}  // extern "C"
