// What the YALPLUS tests share: one YALPLUS rack of the simulator on a pseudo-terminal (COM1),
// played on the virtual clock, registered as device 0 of type 2000, and the values its known
// signals give a channel after the kernel's scaling.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "corvane_sim/server.h"
#include "corvane_sim/yalplus.h"
#include "families/yalplus/yalplus_state.h"
#include "kernel_fixture.h"
#include "linkar32.h"
#include "multiscan/acquisition_state.h"
#include "testkit/pty_pair.h"

namespace yalplus_test {

inline constexpr int32_t kCom1 = 1;
inline constexpr int32_t kTimeoutMs = 1000;
inline constexpr int16_t kType = 2000;

class YalplusTest : public ::testing::Test {
 protected:
  void SetUp() override { start_rack({}); }
  void TearDown() override {
    QBX_ACQResetMultiScan();
    tallix::acquisition().running = 0;
    QBX_OpenInterfaceLib();
    QBX_SetTimeout(3000);
    server_->stop();
    tallix::yalplus::reset_settings();
    kernel_test::reset_kernel();
  }

  // A fresh kernel and rack with `config`.
  void start_rack(corvane_sim::YalplusConfig config) {
    if (server_) server_->stop();
    env_.reset();  // restores the variable before the new rack sets it
    kernel_test::reset_kernel();
    tallix::yalplus::reset_settings();
    tallix::acquisition().running = 0;
    for (auto& record : tallix::kernel().triggers) {
      std::memset(record, 0, sizeof record);
      record[1] = -1;
    }
    QBX_ACQEnforceStartInit();
    engine_ = std::make_unique<corvane_sim::YalplusEngine>(config);
    server_ = std::make_unique<corvane_sim::PtyServer>(*engine_);
    env_ = std::make_unique<testkit::ScopedEnv>("LINKAR32_COM1", server_->start());
    QBX_OpenInterfaceLib();
    ASSERT_EQ(QBX_OpenPort(kCom1, 9600, "e", 8, 1, 4096), 0);
    QBX_SetTimeout(kTimeoutMs);
  }

  // Registers device 0 with FIFO rates and 2-byte flags (1: 2-byte samples) and sets it up.
  void register_device(std::vector<float> rates, std::vector<uint8_t> two_byte, int32_t role = 0) {
    float r[6] = {};
    uint8_t w[6] = {};
    for (size_t i = 0; i < rates.size() && i < 6; ++i) r[i] = rates[i];
    for (size_t i = 0; i < two_byte.size() && i < 6; ++i) w[i] = two_byte[i];
    ASSERT_EQ(QBX_ACQSetDeviceInfo(0, kType, kCom1, 0, 0, role, 1, 0, r, w), 0);
    ASSERT_EQ(QBX_ACQInitDevice(0, kType, kCom1, 0), 0);
  }

  // A measured channel of the rack with an IO buffer.
  void add_channel(int32_t channel, int16_t slot, int16_t sub, int16_t sort_index, int16_t fifo,
                   int32_t capacity = 4096) {
    AcqHdr h = kernel_test::measured_header(kType, kCom1, 0, slot);
    h.sub_channel = sub;
    h.sort_index = sort_index;
    h.fifo = fifo;
    h.full_scale = 1;
    h.range = 1.0f;
    ASSERT_EQ(QBX_ACQSetAcqHdr(channel, &h), 0);
    ASSERT_EQ(QBX_ACQAllocIOBuf(channel, capacity, 0), 0);
    tallix::kernel().lin[channel].mode = 1;
    list_.push_back(channel);
  }

  int32_t init_channels(int32_t mode = 0) {
    return QBX_ACQInitChan(static_cast<int32_t>(list_.size()), list_.data(), mode, 0);
  }

  int32_t start(int32_t block_length = 0, const char* text = nullptr) {
    return QBX_ACQStartMultiScan(static_cast<int32_t>(list_.size()), list_.data(), block_length, 0, 0, text);
  }

  int32_t read(int32_t* length, double mode = 0.0) {
    return QBX_ACQReadMultiScan(static_cast<int32_t>(list_.size()), list_.data(), length, mode, 0, 0, 0);
  }

  // What went over the line since the last call.
  std::string take_bytes() {
    std::string b = engine_->received_bytes();
    engine_->clear_received_bytes();
    return b;
  }

  // The value the kernel gives an amplifier channel for scan k of its FIFO: count x the float
  // scale factor - the float offset, as the kernel keeps them.
  static double expected(int slot, int sub, int32_t signal, int64_t scan, int width) {
    const double span = corvane_sim::YalplusEngine::scale_span(slot, sub);
    const auto factor = static_cast<float>(span / (width == 4 ? 7680000.0 : 30000.0));
    const auto offset = static_cast<float>(corvane_sim::YalplusEngine::scale_offset(slot, sub));
    return corvane_sim::YalplusEngine::sample(slot, sub, signal, scan, width) * static_cast<double>(factor) -
           static_cast<double>(offset);
  }

  static std::vector<double> values(int32_t channel) {
    const int32_t n = QBX_ACQGetIOBufCurrLen(channel);
    std::vector<double> v(static_cast<size_t>(n > 0 ? n : 0));
    if (n > 0) QBX_ACQGetIOBuf(channel, 0, n, v.data());
    return v;
  }

  std::unique_ptr<corvane_sim::YalplusEngine> engine_;
  std::unique_ptr<corvane_sim::PtyServer> server_;
  std::unique_ptr<testkit::ScopedEnv> env_;
  std::vector<int32_t> list_;
};

}  // namespace yalplus_test
