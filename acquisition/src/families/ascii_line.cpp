// Wire code of the ASCII families: exchanges on the current port, reply numbers parsed without
// locale, binary blocks read whole, and raw samples spread into the IO buffers in block order.
#include "families/ascii_line.h"

#include <charconv>
#include <cstring>
#include <new>

#include "kernel_state.h"
#include "linkar32.h"
#include "multiscan/acquisition_state.h"

namespace tallix::ascii {
namespace {

constexpr int16_t kClassMeasured = 0;
constexpr int16_t kSignalMeasured = 8;
constexpr int32_t kMaskChannels = 31;
constexpr int32_t kMaxScansPerRequest = 1023;
constexpr int64_t kMaxBlockPayload = 524280;  // bytes of samples one block may carry  // a channel mask is a
                                              // 32-bit number with one bit per amplifier

std::vector<uint8_t>& large_block() {
  static std::vector<uint8_t> block;
  return block;
}

double sample_value(const uint8_t* p, Sample format) {
  switch (format) {
    case Sample::kInt16Le:
      return static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8));
    case Sample::kInt32Le:
      return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                  static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
    case Sample::kInt24Be: {
      const uint32_t u = static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
                         static_cast<uint32_t>(p[2]) << 8;
      return static_cast<int32_t>(u) / 256;  // arithmetic: the sign of the 24-bit value stays
    }
    case Sample::kFloat64Le: {
      uint64_t bits = 0;
      for (int b = 7; b >= 0; --b) bits = bits << 8 | p[b];
      double v;
      std::memcpy(&v, &bits, sizeof v);
      return v;
    }
  }
  return 0.0;
}

template <class T>
int32_t mask_of(int32_t count, const T* channels) {
  uint32_t mask = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (!valid_channel(channels[i]) || !measured_on_current(channels[i])) continue;
    const int32_t h = header(channels[i]).hardware_channel;
    if (h >= 1 && h <= kMaskChannels) mask |= 1u << (h - 1);
  }
  return static_cast<int32_t>(mask);
}

}  // namespace

Exchange& Exchange::operator()(const Line& l) {
  if (status_ != 0) return *this;
  int32_t r = QBX_WritePort(l.text);
  if (r == 0) r = receive(&reply_, terminator_);
  if (r == 0 && reply_.refused()) r = refusal_;
  status_ = r;
  return *this;
}

Exchange& Exchange::send_only(const Line& l) {
  if (status_ == 0) status_ = QBX_WritePort(l.text);
  return *this;
}

int32_t receive(Reply* reply, int32_t terminator) {
  int32_t status = 0;
  int32_t bytes = 0;
  reply->length = 0;
  int32_t r = QBX_ReadPort(reply->text, corvane::kReplyLimit, &status, &bytes, terminator);
  if (r == 0) r = status;
  if (bytes < 0) bytes = 0;
  if (bytes > corvane::kReplyLimit) bytes = corvane::kReplyLimit;
  reply->length = bytes;
  reply->text[bytes] = '\0';
  return r;
}

std::vector<double> numbers(const Reply& reply) {
  std::vector<double> values;
  const char* p = reply.text;
  const char* const end = reply.text + reply.text_length();
  while (p <= end) {
    const char* field_end = p;
    while (field_end < end && *field_end != ',' && *field_end != ';') ++field_end;
    const char* b = p;
    while (b < field_end && (*b == ' ' || *b == '\t')) ++b;
    if (b < field_end && *b == '+') ++b;
    double v = 0.0;
    std::from_chars(b, field_end, v);
    values.push_back(v);
    if (field_end == end) break;
    p = field_end + 1;
  }
  return values;
}

int32_t to_int32(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int32_t>(v);
}

void drain_input(int32_t quiet_ms) {
  const uint32_t begin = QBX_GetSysTime();
  const auto limit = static_cast<uint32_t>(QBX_GetCurrTimeout() > 0 ? QBX_GetCurrTimeout() : 0);
  do {
    QBX_Delay(quiet_ms);
  } while (QBX_FlushInQueue() > 0 && QBX_GetSysTime() - begin < limit);
}

int32_t read_binary(int32_t bytes, const uint8_t** data) {
  uint8_t* area = acquisition().receive_area;
  if (bytes > kReceiveAreaSize - 1) {
    try {
      large_block().resize(static_cast<size_t>(bytes) + 1);
    } catch (const std::bad_alloc&) {
      QBX_FlushInQueue();
      return kAcqBlockTooLarge;
    }
    area = large_block().data();
  }
  int32_t status = 0;
  int32_t got = 0;
  int32_t r = QBX_ReadPort(reinterpret_cast<char*>(area), bytes, &status, &got, 0);
  if (r == 0) r = status;
  if (r == 0 && got != bytes) r = kAcqBlockTooLarge;
  if (r < 0) {
    QBX_FlushInQueue();
    return r;
  }
  *data = area;
  return kAcqOk;
}

int32_t sample_bytes(Sample format) {
  switch (format) {
    case Sample::kInt16Le:
      return 2;
    case Sample::kInt32Le:
      return 4;
    case Sample::kInt24Be:
      return 4;
    case Sample::kFloat64Le:
      return 8;
  }
  return 4;
}

bool buffers_hold(int32_t device, int32_t scans) {
  const BlockOrder& order = acquisition().order[device];
  for (int32_t j = 0; j < order.count; ++j) {
    const IOBuf& b = buffer(order.channels[j]);
    if (b.values == nullptr || b.write_offset < 0 || int64_t{b.write_offset} + scans > b.capacity)
      return false;
  }
  return true;
}

void distribute(int32_t device, const uint8_t* samples, int32_t scans, Sample format) {
  const BlockOrder& order = acquisition().order[device];
  const int32_t k = order.count;
  const int32_t width = sample_bytes(format);
  for (int32_t j = 0; j < k; ++j) {
    const int32_t ch = order.channels[j];
    IOBuf& b = buffer(ch);
    double* out = b.values + b.write_offset;
    for (int32_t i = 0; i < scans; ++i) out[i] = sample_value(samples + (int64_t{i} * k + j) * width, format);
    b.current_length = scans;
    header(ch).read_block_count = scans;
  }
}

void distribute_values(int32_t device, const double* values, int32_t scans) {
  const BlockOrder& order = acquisition().order[device];
  const int32_t k = order.count;
  for (int32_t j = 0; j < k; ++j) {
    const int32_t ch = order.channels[j];
    IOBuf& b = buffer(ch);
    for (int32_t i = 0; i < scans; ++i) b.values[b.write_offset + i] = values[int64_t{i} * k + j];
    b.current_length = scans;
    header(ch).read_block_count = scans;
  }
}

int32_t deliver_nothing(int32_t device, int32_t* length, int32_t delivered) {
  clear_block_counts(device);
  *length = delivered;
  return kAcqOk;
}

int32_t not_complete(int32_t device, int32_t* length, bool read_all) {
  if (read_all) return deliver_nothing(device, length, kNothingRead);
  clear_block_counts(device);
  return kAcqBlockNotComplete;
}

void clear_block_counts(int32_t device) {
  const BlockOrder& order = acquisition().order[device];
  for (int32_t j = 0; j < order.count; ++j) header(order.channels[j]).read_block_count = 0;
}

int32_t read_stream(int32_t device, int32_t* length, double read_mode, Sample format, int32_t per_scan) {
  const BlockOrder& order = acquisition().order[device];
  const int32_t width = sample_bytes(format);
  const int64_t scan_bytes = int64_t{width} * (per_scan > 0 ? per_scan : 1);
  int32_t L = *length;
  if (read_mode == kReadAll) {
    const int32_t queued = QBX_GetSerInQLen();
    L = queued > 0 ? static_cast<int32_t>(queued / scan_bytes) : 0;
    if (L > kMaxScansPerRequest) L = kMaxScansPerRequest;
    if (L == 0) {
      *length = kNothingRead;
      clear_block_counts(device);
      return kAcqOk;
    }
  }
  if (L <= 0) {
    clear_block_counts(device);
    *length = 0;
    return kAcqOk;
  }
  const int64_t bytes = scan_bytes * L;
  if (bytes > kMaxBlockPayload || !buffers_hold(device, L)) {
    clear_block_counts(device);
    return kAcqBlockTooLarge;
  }
  const uint8_t* data = nullptr;
  int32_t r = read_binary(static_cast<int32_t>(bytes), &data);
  if (r < 0) {
    clear_block_counts(device);
    return r;
  }
  if (per_scan == order.count) {
    distribute(device, data, L, format);
  } else {
    std::vector<double> values(static_cast<size_t>(L) * order.count);
    for (int32_t i = 0; i < L; ++i)
      for (int32_t j = 0; j < order.count; ++j)
        values[static_cast<size_t>(i) * order.count + j] = sample_value(data + i * scan_bytes, format);
    distribute_values(device, values.data(), L);
  }
  *length = L;
  return kAcqOk;
}

int32_t error_status(Exchange& x, const Line& query) {
  x(query);
  if (!x.ok()) return x.status();
  const std::vector<double> v = numbers(x.reply());
  if (!v.empty() && v[0] > 0) return kAcqDeviceErrorStatus;
  return kAcqOk;
}

int32_t first_on_current(int32_t count, const int16_t* channels) {
  for (int32_t i = 0; i < count; ++i)
    if (valid_channel(channels[i]) && measured_on_current(channels[i])) return channels[i];
  return 0;
}

LinPoint lin_point(const void* value) {
  double v[3] = {};
  if (value != nullptr) std::memcpy(v, value, sizeof v);
  return LinPoint{static_cast<int32_t>(v[0]), v[1], v[2]};
}

int32_t amplifier_command(Exchange& x, int32_t code, const void* value, int32_t (*after_calibration)()) {
  switch (code) {
    case kAcqCmdTare:
      return x(line("TAR\n")).status();
    case kAcqCmdCalibrate:
      x(line("CAL\n"));
      return x.ok() ? after_calibration() : x.status();
    case kAcqCmdZero:
      return x(line("CPV\n")).status();
    case kAcqCmdLinPoint: {
      const LinPoint p = lin_point(value);
      return x(line("LIV%i,,,%li,%li\n", p.point, static_cast<long>(p.input), static_cast<long>(p.output)))
          .status();
    }
    default:
      return kAcqCommandNotSupported;
  }
}

NumberText number_text(double v) {
  NumberText t{};
  auto [end, ec] = std::to_chars(t.text, t.text + sizeof t.text - 1, v);
  if (ec != std::errc()) end = t.text;
  *end = '\0';
  return t;
}

FirstFifo& first_fifo(int32_t device) {
  static FirstFifo first[kAcqMaxDevices];
  return first[device];
}

bool is_first_fifo(int32_t device) {
  const DeviceRecord& d = tallix::device(device);
  int32_t first = 0;
  while (first < kAcqFifoCount - 1 && !d.fifo_in_use[first]) ++first;
  return acquisition().current_fifo == first;
}

int32_t channel_mask(int32_t count, const int16_t* channels) {
  return mask_of(count, channels);
}
int32_t channel_mask(int32_t count, const int32_t* channels) {
  return mask_of(count, channels);
}

bool measured_on_current(int32_t channel) {
  const AcqHdr& h = header(channel);
  const CurrentDevice& c = kernel().current;
  return h.acq_class == kClassMeasured && h.signal_kind == kSignalMeasured && h.interface == c.port &&
         h.device_address == c.address;
}

}  // namespace tallix::ascii
