// The test side of the stand-in kernel: dlopen with RTLD_GLOBAL and the control functions by name.
#include <dlfcn.h>

#include "kernel_standin.h"

namespace standin {

namespace {

void* g_module = nullptr;

template <class Fn>
Fn control(const char* name) {
  return reinterpret_cast<Fn>(dlsym(g_module, name));
}

}  // namespace

bool load() {
  if (g_module == nullptr) g_module = dlopen(NUMERA32_KERNEL_STANDIN, RTLD_NOW | RTLD_GLOBAL);
  return g_module != nullptr;
}

void reset() { control<void (*)()>("standin_reset")(); }

void fill(int32_t channel, const std::vector<double>& values, int32_t capacity) {
  control<void (*)(int32_t, const double*, int32_t, int32_t)>("standin_fill")(
      channel, values.data(), static_cast<int32_t>(values.size()), capacity);
}

void set_row(int32_t row) { control<void (*)(int32_t)>("standin_set_row")(row); }

std::vector<double> values(int32_t channel) {
  auto get = control<int32_t (*)(int32_t, double*, int32_t)>("standin_values");
  const int32_t n = get(channel, nullptr, 0);
  std::vector<double> v(n > 0 ? static_cast<std::size_t>(n) : 0u);
  if (n > 0) get(channel, v.data(), n);
  return v;
}

}  // namespace standin
