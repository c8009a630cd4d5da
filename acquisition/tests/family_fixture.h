// What the family tests share: one instrument of a family's simulator personality on a
// pseudo-terminal opened as COM1, a device 0 of the family on it, measured channels on chosen
// hardware channels with IO buffers, and the bytes the instrument received.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "corvane_sim/server.h"
#include "kernel_fixture.h"
#include "linkar32.h"
#include "personalities/ascii_instrument.h"
#include "personality.h"
#include "program_options.h"
#include "testkit/pty_pair.h"

namespace family_test {

inline constexpr int32_t kCom1 = 1;
inline constexpr int32_t kTimeoutMs = 1000;
inline constexpr int32_t kCapacity = 1000;

class FamilyTest : public ::testing::Test {
 protected:
  // Puts the personality's instrument on COM1 and registers device 0 of `type` at `address`.
  void open(std::unique_ptr<corvane_sim::LineDevice> (*make)(const corvane_sim::ProgramOptions&),
            int16_t type, int16_t address = 0, float rate = 100.0f) {
    kernel_test::reset_kernel();
    tallix::acquisition().running = 0;
    type_ = type;
    address_ = address;
    device_ = make(corvane_sim::ProgramOptions{});
    instrument_ = dynamic_cast<corvane_sim::AsciiInstrument*>(device_.get());
    ASSERT_NE(instrument_, nullptr);
    server_ = std::make_unique<corvane_sim::PtyServer>(*device_);
    env_ = std::make_unique<testkit::ScopedEnv>("LINKAR32_COM1", server_->start());
    QBX_OpenInterfaceLib();
    ASSERT_EQ(QBX_OpenPort(kCom1, 9600, "e", 8, 1, 4096), 0);
    QBX_SetTimeout(kTimeoutMs);
    const float rates[6] = {rate, 0, 0, 0, 0, 0};
    const uint8_t widths[6] = {};
    ASSERT_EQ(QBX_ACQSetDeviceInfo(0, type, kCom1, address, 0, 0, 1, 0, rates, widths), 0);
    ASSERT_EQ(QBX_ACQSetSampleRate(rate), 0);
  }
  void TearDown() override {
    QBX_ACQResetMultiScan();
    tallix::acquisition().running = 0;
    QBX_OpenInterfaceLib();
    QBX_SetTimeout(3000);
    if (server_) server_->stop();
    kernel_test::reset_kernel();
  }

  // Measured channels 1.. on the hardware channels given, each with an IO buffer, raw scaling.
  void channels(const std::vector<int16_t>& hardware) {
    list_.clear();
    for (size_t i = 0; i < hardware.size(); ++i) {
      const auto ch = static_cast<int32_t>(i + 1);
      AcqHdr h = kernel_test::measured_header(type_, kCom1, address_, hardware[i]);
      h.full_scale = 1;
      h.range = 1.0f;
      ASSERT_EQ(QBX_ACQSetAcqHdr(ch, &h), 0);
      ASSERT_EQ(QBX_ACQAllocIOBuf(ch, kCapacity, 0), 0);
      ASSERT_EQ(QBX_ACQSetLinMode(ch, 1), 0);  // range x raw / full-scale count
      list_.push_back(ch);
    }
  }
  int32_t count() const { return static_cast<int32_t>(list_.size()); }
  std::vector<int16_t> list16() const { return std::vector<int16_t>(list_.begin(), list_.end()); }

  int32_t init_device() { return QBX_ACQInitDevice(0, type_, kCom1, address_); }
  int32_t init_channels() { return QBX_ACQInitChan(count(), list_.data(), 0, 0); }
  int32_t start(int32_t block_length = 0, int32_t option = 0) {
    return QBX_ACQStartMultiScan(count(), list_.data(), block_length, 0, option, nullptr);
  }
  int32_t read(int32_t* length, double mode = 0.0) {
    QBX_ACQResetDeviceStatus();
    return QBX_ACQReadMultiScan(count(), list_.data(), length, mode, 0, 0, 0);
  }
  int32_t cmd(int32_t code, void* value) {
    std::vector<int16_t> l = list16();
    return QBX_ACQCmd(count(), l.data(), code, value);
  }

  // The bytes received since the last call; waits (up to 2 s) for them to end with `tail`, for
  // commands the instrument answers with no line.
  std::string take(const std::string& tail = "") {
    std::string b;
    for (int i = 0; i < 200; ++i) {
      b = instrument_->received();
      if (b.size() >= tail.size() && b.compare(b.size() - tail.size(), tail.size(), tail) == 0) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    instrument_->clear_commands();
    return b;
  }

  // Trigger record `index` (1..10) of `device` with the trigger channel, condition, physical level
  // and pre-trigger percent.
  static void trigger(int32_t index, int32_t device, int32_t mode, int32_t channel, int32_t condition,
                      float level, int32_t pretrigger = 10) {
    AcqTrigger t{};
    t.device = device;
    t.mode = mode;
    t.channel = channel;
    t.condition = condition;
    t.level = level;
    t.pretrigger = pretrigger;
    ASSERT_EQ(QBX_ACQSetTrgCtrlStructEx(&t, index), 0);
  }
  // The range scaling of a channel's header: range, full-scale count, zero offset, sensor type.
  static void scale(int32_t channel, float range, int32_t full_scale, float zero = 0.0f, int16_t sensor = 1) {
    AcqHdr h = hdr(channel);
    h.range = range;
    h.full_scale = full_scale;
    h.zero_offset = zero;
    h.sensor_type = sensor;
    ASSERT_EQ(QBX_ACQSetAcqHdr(channel, &h), 0);
  }

  // Channel n's IO buffer value at index i.
  static double value(int32_t channel, int32_t i) { return tallix::buffer(channel).values[i]; }
  static AcqHdr hdr(int32_t channel) {
    AcqHdr h{};
    QBX_ACQGetAcqHdr(channel, &h);
    return h;
  }

  int16_t type_ = 0;
  int16_t address_ = 0;
  std::unique_ptr<corvane_sim::LineDevice> device_;
  corvane_sim::AsciiInstrument* instrument_ = nullptr;
  std::unique_ptr<corvane_sim::PtyServer> server_;
  std::unique_ptr<testkit::ScopedEnv> env_;
  std::vector<int32_t> list_;
};

}  // namespace family_test
