// A stand-in for the acquisition kernel's IO-buffer functions, built as a loadable module for the
// tests: per-channel value buffers with a capacity and a current length, and the kernel's current
// formula row. Tests load it with dlopen to give the math library a kernel, and steer it through the
// standin_ functions.
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#define STANDIN_API extern "C" __attribute__((visibility("default")))

namespace {

constexpr int32_t kBadChannel = -450;
constexpr int32_t kNoBuffer = -412;
constexpr int32_t kTooMany = -411;
constexpr int32_t kBadIndex = -413;
constexpr int32_t kNoCurrentValue = -1;

struct Buffer {
  std::vector<double> values;  // capacity
  int32_t length = 0;
};

std::map<int32_t, Buffer> g_buffers;
int32_t g_row = 0;

Buffer* buffer(int32_t channel, int32_t& status) {
  const int16_t ch = static_cast<int16_t>(channel);
  if (ch < 1 || ch > 10000) {
    status = kBadChannel;
    return nullptr;
  }
  const auto it = g_buffers.find(ch);
  status = it == g_buffers.end() ? kNoBuffer : 0;
  return it == g_buffers.end() ? nullptr : &it->second;
}

}  // namespace

STANDIN_API int32_t QBX_ACQGetIOBuf(int32_t channel, int32_t index, int32_t count, double* destination) {
  int32_t status = 0;
  Buffer* b = buffer(channel, status);
  if (b == nullptr) return status;
  if (index == -1) {
    if (g_row >= b->length) return kNoCurrentValue;
    *destination = b->values[static_cast<std::size_t>(g_row)];
    return 0;
  }
  if (index == -2) {
    if (b->length == 0) return kBadIndex;
    *destination = b->values[static_cast<std::size_t>(b->length - 1)];
    return 0;
  }
  if (count == 0 || count > b->length - index) count = b->length - index;
  if (index < 0 || count <= 0) return kBadIndex;
  std::memcpy(destination, b->values.data() + index, sizeof(double) * static_cast<std::size_t>(count));
  return 0;
}

STANDIN_API int32_t QBX_ACQSetIOBufEx(int32_t n, const int32_t* channels, const int32_t* counts, const double* source,
                                      int32_t start) {
  for (int32_t i = 0; i < n; ++i) {
    int32_t status = 0;
    Buffer* b = buffer(channels[i], status);
    if (b == nullptr) return status;
    const int32_t capacity = static_cast<int32_t>(b->values.size());
    if (b->length + counts[i] > capacity || start + counts[i] > capacity) return kTooMany;
    for (int32_t j = start; j < counts[i]; ++j) b->values[static_cast<std::size_t>(start + j)] = source[j * n + i];
    if (start + counts[i] > b->length) b->length = start + counts[i];
  }
  return 0;
}

STANDIN_API int32_t QBX_ACQResetIOBuf(int32_t channel) {
  int32_t status = 0;
  Buffer* b = buffer(channel, status);
  if (b != nullptr) b->length = 0;
  return status == kNoBuffer ? 0 : status;
}

STANDIN_API int32_t QBX_ACQGetIOBufCurrLen(int32_t channel) {
  int32_t status = 0;
  Buffer* b = buffer(channel, status);
  return b == nullptr ? status : b->length;
}

// Test controls.
STANDIN_API void standin_reset() {
  g_buffers.clear();
  g_row = 0;
}
STANDIN_API void standin_fill(int32_t channel, const double* values, int32_t count, int32_t capacity) {
  Buffer& b = g_buffers[channel];
  b.values.assign(static_cast<std::size_t>(capacity), 0.0);
  if (count > 0) std::memcpy(b.values.data(), values, sizeof(double) * static_cast<std::size_t>(count));
  b.length = count;
}
STANDIN_API void standin_set_row(int32_t row) { g_row = row; }
STANDIN_API int32_t standin_values(int32_t channel, double* out, int32_t max) {
  const auto it = g_buffers.find(channel);
  if (it == g_buffers.end()) return -1;
  const int32_t n = it->second.length < max ? it->second.length : max;
  if (n > 0) std::memcpy(out, it->second.values.data(), sizeof(double) * static_cast<std::size_t>(n));
  return it->second.length;
}
