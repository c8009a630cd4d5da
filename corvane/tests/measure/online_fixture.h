// A driver talking to the device simulator over a pseudo-terminal: the engine plays a one-device
// chain on COM1, the driver is brought up with CV_InitAll, and every reply the engine sends is
// kept so that a test can decode the exact raw values that went over the line.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "corvan32_measure.h"
#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"
#include "linkar32.h"
#include "testkit/pty_pair.h"
#include "testkit/temp_dir.h"

class OnlineDriver : public ::testing::Test {
 protected:
  // Chain layout: slot 5 a KX1 (thermocouples, Pt), slot 6 a KX3 (shunt), the rest the defaults.
  virtual corvane_sim::EngineConfig config() {
    corvane_sim::EngineConfig c;
    c.virtual_clock = true;
    c.channel_types = {{5, 5054}, {6, 5058}};
    return c;
  }

  void SetUp() override {
    engine_ = std::make_unique<corvane_sim::Engine>(config());
    // Every line moves the device clock on, so polling sees scans fall due.
    engine_->set_auto_advance(std::chrono::milliseconds(20));
    engine_->set_observer([this](std::string_view line, const corvane_sim::Reply& reply) {
      std::lock_guard<std::mutex> lock(mutex_);
      replies_.push_back({std::string(line), reply.bytes});
    });
    server_ = std::make_unique<corvane_sim::PtyServer>(*engine_);
    env_ = std::make_unique<testkit::ScopedEnv>("LINKAR32_COM1", server_->start());
    ASSERT_EQ(CV_InitAll(1, 9600), 0);
    int32_t n = 0;
    ASSERT_EQ(CV_GetDevSettings(kCvDevChannelCount, &n), 0);
    ASSERT_EQ(n, 10);
  }

  void TearDown() override {
    CV_CloseDevice();
    CV_ClosePort();
    server_->stop();
  }

  corvane_sim::Engine& engine() { return *engine_; }

  // Lines received since the last call (clears the engine's record).
  std::vector<std::string> take_lines() {
    std::vector<std::string> l = engine_->lines();
    engine_->clear_lines();
    return l;
  }

  // Raw 16-bit values of every binary reply to lines starting with `command`, in order.
  std::vector<int16_t> raw_replies(const std::string& command) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<int16_t> raws;
    for (const auto& [line, bytes] : replies_) {
      if (line.rfind(command, 0) != 0 || bytes.size() < 4) continue;
      for (size_t i = 2; i + 1 < bytes.size() - 2; i += 2) {
        raws.push_back(static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8)));
      }
    }
    return raws;
  }
  void clear_replies() {
    std::lock_guard<std::mutex> lock(mutex_);
    replies_.clear();
  }

  // Sets a channel's transducer and range in memory and sends them ("ASA").
  void set_sensor(int32_t ch, int32_t transducer, int32_t range) {
    ASSERT_EQ(CV_SetChanSettings(ch, kCvChanTransducer, &transducer), 0);
    ASSERT_EQ(CV_SetChanSettings(ch, kCvChanRange, &range), 0);
    ASSERT_EQ(CV_SaveChanSettings(ch, kCvChanTransducer | kCvChanRange), 0);
  }

  static float chan_float(int32_t ch, int32_t selector) {
    float v = 0;
    EXPECT_EQ(CV_GetChanSettings(ch, selector, &v), 0);
    return v;
  }
  static uint32_t bits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
  }

 private:
  std::unique_ptr<corvane_sim::Engine> engine_;
  std::unique_ptr<corvane_sim::PtyServer> server_;
  std::unique_ptr<testkit::ScopedEnv> env_;
  std::mutex mutex_;
  std::vector<std::pair<std::string, std::string>> replies_;
};
