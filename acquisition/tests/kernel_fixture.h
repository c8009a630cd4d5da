// What the kernel tests share: the kernel returned to its load-time state around each test, a
// platform seam that counts kernel-owned blocks and fails a chosen allocation, and the header of
// a measured channel. Tests compare fields of the packed records as values (+record.field): the
// assertion macros bind references, and a packed field may sit at a misaligned address.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kernel_state.h"
#include "multiscan/acquisition_state.h"
#include "platform.h"
#include "tallix32.h"

namespace kernel_test {

// Counts live blocks; allocation number `fail_at` (1-based, 0: none) fails.
class CountingPlatform : public tallix::Platform {
 public:
  void* allocate(size_t bytes) override {
    if (fail_at != 0 && ++allocations == fail_at) return nullptr;
    ++live;
    return Platform::allocate(bytes);
  }
  void release(void* block) override {
    --live;
    Platform::release(block);
  }
  int live = 0;
  int allocations = 0;
  int fail_at = 0;
};

// The null port of the interface library: selectable without opening, no traffic.
inline constexpr int32_t kNullPort = 99;

// Records the kernel's message callbacks as code * 100000 + value while it lives.
class MessageRecorder {
 public:
  MessageRecorder() {
    sink() = &messages;
    QBX_ACQSetMsgCallback([](int32_t code, int32_t value) { sink()->push_back(code * 100000 + value); });
  }
  ~MessageRecorder() { QBX_ACQSetMsgCallback(nullptr); }
  std::vector<int32_t> messages;

 private:
  static std::vector<int32_t>*& sink() {
    static std::vector<int32_t>* s = nullptr;
    return s;
  }
};

// Frees every buffer and ring, sets the header defaults, clears devices and globals and closes the
// online files.
inline void reset_kernel() {
  tallix::set_platform(nullptr);
  for (int32_t ch = 1; ch <= kAcqMaxChannels; ++ch) {
    QBX_ACQFreeIOBuf(ch);
    QBX_CBFreeBuffer(ch);
  }
  QBX_ACQInitAcqHdr();
  tallix::KernelState& k = tallix::kernel();
  std::memset(k.devices, 0, sizeof k.devices);
  k.device_count = 0;
  k.message_callback = nullptr;
  k.timer_callback = nullptr;
  k.formula_row = 0;
  k.first_read_after_reset = 0;
  k.current = tallix::CurrentDevice{};
  for (auto& f : k.formulas) {
    tallix::release(f.parameters);
    f = tallix::FormulaRecord{};
  }
  for (auto& lin : k.lin) lin = tallix::LinRecord{};  // the header defaults freed the tables
  k.sample_rate = 0.0f;
  tallix::AcquisitionState& a = tallix::acquisition();
  a.scaling_rate = 0.0f;
  a.elapsed_ms = a.start_time = a.external_time = 0.0;
  // Online storage: every file closed (a stop after a failure ends with it), the default settings.
  QBX_ACQSetOLStorageMode(kAcqOnlineFilePerChannel);
  QBX_ACQCloseOnlineFile(0);
  QBX_ACQSetOLStorageMode(kAcqOnlineSingleFile);
  QBX_SetOLStorageFlag(kAcqStoreBoth);
  QBX_ACQSetOnlineFile(0, 0, nullptr, 0, 0, 0, nullptr);
}

class KernelTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_kernel(); }
  void TearDown() override { reset_kernel(); }
};

// A measured channel (class 0, signal kind 8) of a device.
inline AcqHdr measured_header(int16_t type, int16_t port, int16_t address, int16_t hardware, int16_t device = 0) {
  AcqHdr h{};
  h.device_type = type;
  h.device_address = address;
  h.interface = port;
  h.hardware_channel = hardware;
  h.signal_kind = 8;
  h.full_scale = 25000;
  h.range = 3.0f;
  std::memcpy(h.unit, "mV/V", 5);
  h.sort_index = 13;
  h.device_number = device;
  return h;
}

}  // namespace kernel_test
