// Tare, single readings, block acquisition and shunt calibration against the device simulator:
// the values the driver reports are checked against the raw values that actually went over the
// line, the commands against the lines the device received, and every failure path for its
// status and the restored interface time-out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "online_fixture.h"

namespace {

using corvane_sim::Fault;
using corvane_sim::FaultKind;
using corvane_sim::SignalSource;

constexpr int32_t kStandardTimeout = 3000;

SignalSource raw_noise(double amplitude, uint32_t seed) {
  SignalSource s = SignalSource::raw(0);
  s.shape = SignalSource::Shape::kNoise;
  s.amplitude = amplitude;
  s.seed = seed;
  return s;
}

int32_t chan_int(int32_t ch, int32_t selector) {
  int32_t v = 0;
  EXPECT_EQ(CV_GetChanSettings(ch, selector, &v), 0);
  return v;
}

// What the driver must report for one raw value of a channel: digital lines as they are,
// overflow codes as their floats, else raw x scale x range value / 25000, linearised.
float expected_value(int32_t ch, int16_t raw) {
  if (chan_int(ch, kCvChanAmplifier) == 5055) return static_cast<float>(static_cast<uint16_t>(raw));
  switch (raw) {
    case 32766: return 1e36f;
    case 32767: return 1e37f;
    case -32768: return -1e38f;
    case -32767: return -1e37f;
    case -32766: return -1e36f;
    default: break;
  }
  float scale = 0, range_value = 0;
  CV_GetChanSettings(ch, kCvChanScale, &scale);
  CV_GetChanSettings(ch, kCvChanRangeValue, &range_value);
  float v = static_cast<float>(raw * static_cast<double>(scale) * range_value * 0.00004);
  CV_DoLinCalc(&v, chan_int(ch, kCvChanTransducer), 0);
  return v;
}

// ---- Single readings -----------------------------------------------------------------------

TEST_F(OnlineDriver, SingleReadingScalesRawToTheRange) {
  const int32_t chans[] = {4, 8};
  ASSERT_EQ(CV_ACQSetup(2, chans), 0);
  engine().set_source(4, SignalSource::raw(12500));
  ASSERT_EQ(CV_MeasOneVal(), 0);
  EXPECT_EQ(chan_float(4, kCvChanMeasured), 1.5f);  // half of 3 mV/V
  const std::vector<int16_t> raws = raw_replies("OMB?0");
  ASSERT_EQ(raws.size(), 2u);
  EXPECT_EQ(chan_int(8, kCvChanDigital), static_cast<uint16_t>(raws[1]));

  const int32_t none[] = {0};
  ASSERT_EQ(CV_ACQSetup(0, none), 0);
  take_lines();
  EXPECT_EQ(CV_MeasOneVal(), kCvNoActiveChannel);
  EXPECT_TRUE(take_lines().empty());
}

TEST_F(OnlineDriver, DigitalWordsAreUnsigned) {
  const int32_t chans[] = {8};
  ASSERT_EQ(CV_ACQSetup(1, chans), 0);
  for (const int32_t word : {0xFFFF, 0x8001, 0x7FFF, 0}) {
    engine().set_source(8, SignalSource::raw(word));
    ASSERT_EQ(CV_MeasOneVal(), 0);
    EXPECT_EQ(chan_int(8, kCvChanDigital), word);
  }
  // The same in a block.
  engine().set_source(8, SignalSource::raw(0xFFFF));
  ASSERT_EQ(CV_ACQStart(0, 6305, 6100, 0, 0.0f, 6000, 0), 0);
  float v[4] = {};
  ASSERT_EQ(CV_ACQRead(4, 10000, v), 0);
  for (float f : v) EXPECT_EQ(f, 65535.0f);
  ASSERT_EQ(CV_ACQStop(), 0);
}

TEST_F(OnlineDriver, ScansThatAreThereAreReadWhateverTheTimeOut) {
  const int32_t chans[] = {4};
  ASSERT_EQ(CV_ACQSetup(1, chans), 0);
  ASSERT_EQ(CV_ACQStart(0, 6305, 6100, 0, 0.0f, 6000, 0), 0);
  engine().advance_ms(5000);
  // A time-out of 0 has passed by the first poll; the scans the device holds come all the same.
  std::vector<float> v(10);
  EXPECT_EQ(CV_ACQRead(10, 0, v.data()), 0);
  EXPECT_EQ(QBX_GetCurrTimeout(), kStandardTimeout);
  ASSERT_EQ(CV_ACQStop(), 0);
}

// The framing of a binary block is checked where the protocol fixes it: a refusal in place of
// the block is the device's error number at once, a broken lead-in or trailer a malformed reply,
// and the line is clean for the next exchange either way.
TEST_F(OnlineDriver, BlockFramingAndRefusalsAreReportedAsSuch) {
  const int32_t chans[] = {4, 8};
  ASSERT_EQ(CV_ACQSetup(2, chans), 0);
  engine().set_source(4, SignalSource::raw(12500));
  Fault refuse;
  refuse.kind = FaultKind::kRefuse;
  refuse.match = "OMB?";
  refuse.error = 10009;
  engine().inject(refuse);
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(CV_MeasOneVal(), 10009);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(kStandardTimeout / 2));

  Fault corrupt;
  corrupt.kind = FaultKind::kCorruptBlock;
  corrupt.match = "OMB?";
  for (size_t offset : {size_t{0}, size_t{2 + 2 * 2}, size_t{2 + 2 * 2 + 1}}) {  // lead-in, CR, LF
    SCOPED_TRACE(offset);
    corrupt.offset = offset;
    engine().inject(corrupt);
    EXPECT_EQ(CV_MeasOneVal(), kCvBadReply);
    engine().clear_faults();
    ASSERT_EQ(CV_MeasOneVal(), 0);
    EXPECT_EQ(chan_float(4, kCvChanMeasured), 1.5f);
  }
}

TEST_F(OnlineDriver, OverflowCodesGiveTheirFloatsAndAreNotLinearised) {
  set_sensor(5, 451, 710);  // thermocouple K on the 100 mV range
  const int32_t chans[] = {4, 5};
  ASSERT_EQ(CV_ACQSetup(2, chans), 0);
  struct Case {
    double source;
    uint32_t bits;
  };
  const Case cases[] = {{40000, 0x7B4097CE}, {60000, 0x7CF0BDC2}, {NAN, 0xFE967699},
                        {-60000, 0xFCF0BDC2}, {-40000, 0xFB4097CE}};
  for (const Case& c : cases) {
    engine().set_source(4, SignalSource::raw(c.source));
    engine().set_source(5, SignalSource::raw(c.source));
    ASSERT_EQ(CV_MeasOneVal(), 0);
    EXPECT_EQ(bits(chan_float(4, kCvChanMeasured)), c.bits) << c.source;
    EXPECT_EQ(bits(chan_float(5, kCvChanMeasured)), c.bits) << c.source;
  }
  // An ordinary reading of the thermocouple is linearised: 4.4 mV of type K is about 107.4 degC
  // by the reference function.
  engine().set_source(5, SignalSource::raw(1100));  // 1100 / 25000 x 0.1 V = 4.4 mV
  ASSERT_EQ(CV_MeasOneVal(), 0);
  EXPECT_NEAR(chan_float(5, kCvChanMeasured), 107.4, 1.0);
}

// ---- Block acquisition ---------------------------------------------------------------------

TEST_F(OnlineDriver, BlockReadReturnsExactlyTheScansSentInChannelOrder) {
  set_sensor(5, 450, 710);  // a J thermocouple among the channels
  struct Case {
    int32_t rate;
    std::vector<int32_t> channels;
    int32_t scans;
  };
  const std::vector<Case> cases = {{6305, {4}, 40},
                                   {6313, {8, 0, 5, 4}, 300},  // listed out of order on purpose
                                   {6320, {0, 1, 2, 3, 4, 5, 6, 7, 8}, 3000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rate);
    for (int32_t ch = 0; ch < 9; ++ch) engine().set_source(ch, raw_noise(ch == 5 ? 800 : 20000, 7 + ch));
    ASSERT_EQ(CV_ACQSetup(static_cast<int32_t>(c.channels.size()), c.channels.data()), 0);
    ASSERT_EQ(CV_ACQStart(c.scans, c.rate, 6100, 0, 0.0f, 6000, 0), 0);
    std::vector<int32_t> ascending = c.channels;
    std::sort(ascending.begin(), ascending.end());
    EXPECT_EQ(engine().acquisition().scan_channels, std::vector<int>(ascending.begin(), ascending.end()));
    clear_replies();

    const size_t n = ascending.size();
    std::vector<float> values(static_cast<size_t>(c.scans) * n, -7.0f);
    const int32_t first = c.scans / 3;
    ASSERT_EQ(CV_ACQRead(first, 10000, values.data()), 0);
    ASSERT_EQ(CV_ACQRead(c.scans - first, 10000, values.data() + first * n), 0);
    EXPECT_EQ(QBX_GetCurrTimeout(), kStandardTimeout);

    const std::vector<int16_t> raws = raw_replies("OMB?");
    ASSERT_EQ(raws.size(), values.size());
    for (size_t i = 0; i < raws.size(); ++i) {
      const int32_t ch = ascending[i % n];
      ASSERT_EQ(bits(values[i]), bits(expected_value(ch, raws[i]))) << "scan " << i / n << " channel " << ch;
    }
    ASSERT_EQ(CV_ACQStop(), 0);
  }
}

TEST_F(OnlineDriver, ReadFailurePathsRestoreTheStandardTimeout) {
  const int32_t chans[] = {4};
  ASSERT_EQ(CV_ACQSetup(1, chans), 0);
  std::vector<float> v(100);

  // Arguments: no traffic.
  take_lines();
  for (int32_t scans : {3001, 0, -1}) {
    QBX_SetTimeout(1234);
    EXPECT_EQ(CV_ACQRead(scans, 1000, v.data()), kCvBadValue) << scans;
    EXPECT_EQ(QBX_GetCurrTimeout(), kStandardTimeout);
  }
  EXPECT_EQ(CV_ACQRead(10, 1000, nullptr), kCvBadValue);
  EXPECT_TRUE(take_lines().empty());

  // Waiting for a trigger that never comes: no scans within the time-out.
  ASSERT_EQ(CV_ACQStart(100, -1, 6101, 0, 0.0f, 6000, 0), 0);
  QBX_SetTimeout(1234);
  EXPECT_EQ(CV_ACQRead(10, 300, v.data()), kCvDataTimeout);
  EXPECT_EQ(QBX_GetCurrTimeout(), kStandardTimeout);

  // The device refuses the poll: its error number.
  Fault refuse;
  refuse.kind = FaultKind::kRefuse;
  refuse.match = "MSV?";
  refuse.error = 10008;
  engine().inject(refuse);
  QBX_SetTimeout(1234);
  EXPECT_EQ(CV_ACQRead(10, 300, v.data()), 10008);
  EXPECT_EQ(QBX_GetCurrTimeout(), kStandardTimeout);

  // The device stays silent: the read's own time-out.
  Fault silent;
  silent.kind = FaultKind::kNoAnswer;
  silent.match = "MSV?";
  engine().inject(silent);
  QBX_SetTimeout(1234);
  EXPECT_EQ(CV_ACQRead(10, 200, v.data()), kQbxReadFailed);
  EXPECT_EQ(QBX_GetCurrTimeout(), kStandardTimeout);
  engine().clear_faults();

  // After the trigger the scans come.
  ASSERT_EQ(CV_Trigger(), 0);
  QBX_SetTimeout(1234);
  EXPECT_EQ(CV_ACQRead(10, 5000, v.data()), 0);
  EXPECT_EQ(QBX_GetCurrTimeout(), kStandardTimeout);

  // A block cut short on the line: the read fails within the time-out.
  Fault short_block;
  short_block.kind = FaultKind::kShortBlock;
  short_block.match = "OMB?";
  short_block.drop_bytes = 4;
  engine().inject(short_block);
  EXPECT_EQ(CV_ACQRead(10, 500, v.data()), kQbxReadFailed);
  EXPECT_EQ(QBX_GetCurrTimeout(), kStandardTimeout);
  EXPECT_EQ(CV_ACQStop(), 0);

  // No measuring channel.
  ASSERT_EQ(CV_ACQSetup(0, chans), 0);
  QBX_SetTimeout(1234);
  EXPECT_EQ(CV_ACQRead(10, 300, v.data()), kCvNoActiveChannel);
  EXPECT_EQ(QBX_GetCurrTimeout(), kStandardTimeout);
}

class SmallBufferDriver : public OnlineDriver {
 protected:
  corvane_sim::EngineConfig config() override {
    corvane_sim::EngineConfig c = OnlineDriver::config();
    c.buffer_samples = 50;
    return c;
  }
};

TEST_F(SmallBufferDriver, BufferOverflowStateFiveEndsTheRead) {
  const int32_t chans[] = {4};
  ASSERT_EQ(CV_ACQSetup(1, chans), 0);
  ASSERT_EQ(CV_ACQStart(0, 6320, 6100, 0, 0.0f, 6000, 0), 0);
  std::vector<float> v(100);
  QBX_SetTimeout(1234);
  EXPECT_EQ(CV_ACQRead(100, 5000, v.data()), kCvDeviceState5);
  EXPECT_EQ(QBX_GetCurrTimeout(), kStandardTimeout);
}

// ---- Start, stop, trigger ------------------------------------------------------------------

TEST_F(OnlineDriver, StartChecksEveryArgumentBeforeAnyTraffic) {
  const int32_t chans[] = {4};
  ASSERT_EQ(CV_ACQSetup(1, chans), 0);
  take_lines();
  EXPECT_EQ(CV_ACQStart(20001, -1, 6100, 0, 0.0f, 6000, 0), kCvBadValue);
  EXPECT_EQ(CV_ACQStart(-1, -1, 6100, 0, 0.0f, 6000, 0), kCvBadValue);
  EXPECT_EQ(CV_ACQStart(10, 6299, 6100, 0, 0.0f, 6000, 0), kCvBadValue);
  EXPECT_EQ(CV_ACQStart(10, 6321, -1, 0, 0.0f, 6000, 0), kCvBadValue);
  EXPECT_EQ(CV_ACQStart(10, -1, 6099, 0, 0.0f, 6000, 0), kCvBadValue);
  EXPECT_EQ(CV_ACQStart(10, -1, 6104, 0, 0.0f, 6000, 0), kCvBadValue);
  EXPECT_EQ(CV_ACQStart(10, -1, 6103, 8, 0.0f, 6000, 0), kCvBadValue);
  EXPECT_EQ(CV_ACQStart(10, -1, 6103, -1, 0.0f, 6000, 0), kCvBadValue);
  EXPECT_EQ(CV_ACQStart(10, -1, 6103, 4, 4.0f, 6000, 0), kCvBadValue);  // 4 mV/V on 3 mV/V: raw 33333
  EXPECT_EQ(CV_ACQStart(10, -1, 6103, 4, NAN, 6000, 0), kCvBadValue);
  EXPECT_EQ(CV_ACQStart(10, -1, 6103, 4, 1.0f, 6004, 0), kCvBadValue);
  EXPECT_EQ(CV_ACQStart(10, -1, 6103, 4, 1.0f, 5999, 0), kCvBadValue);
  EXPECT_EQ(CV_ACQStart(10, -1, 6100, 0, 0.0f, 6000, 201), kCvBadValue);
  EXPECT_EQ(CV_ACQStart(10, -1, 6100, 0, 0.0f, 6000, -1), kCvBadValue);
  EXPECT_TRUE(take_lines().empty());
}

TEST_F(OnlineDriver, StartStopAndTriggerLines) {
  const int32_t chans[] = {4};
  ASSERT_EQ(CV_ACQSetup(1, chans), 0);
  take_lines();
  // Internal trigger on channel 4 at 1 mV/V of 3 mV/V: raw 8333 (truncated).
  ASSERT_EQ(CV_ACQStart(100, 6313, 6103, 4, 1.0f, 6000, 10), 0);
  std::vector<std::string> lines = take_lines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines.front(), "PRG?9,0");
  EXPECT_EQ(lines[1], "ICR6313");
  EXPECT_EQ(lines[lines.size() - 2], "DTR4,6000,8333");
  EXPECT_EQ(lines.back(), "MSV100,10,6103,1");
  int32_t rate = 0;
  CV_GetDevSettings(kCvDevRate, &rate);
  EXPECT_EQ(rate, 6313);

  // The internal trigger fires once channel 4 reaches the level.
  engine().set_source(4, SignalSource::raw(9000));
  std::vector<float> v(20);
  EXPECT_EQ(CV_ACQRead(20, 5000, v.data()), 0);

  EXPECT_EQ(CV_ACQStop(), 0);
  EXPECT_EQ(take_lines().back(), "STP");
  // A trigger with nothing waiting for it is refused: the device's error number.
  EXPECT_EQ(CV_Trigger(), 10012);
  EXPECT_EQ(take_lines(), (std::vector<std::string>{"TRG", "EST?"}));
  ASSERT_EQ(CV_ACQStart(100, -1, 6101, 0, 0.0f, 6000, 0), 0);
  take_lines();
  EXPECT_EQ(CV_Trigger(), 0);
  EXPECT_EQ(take_lines(), std::vector<std::string>{"TRG"});
  EXPECT_EQ(CV_ACQStop(), 0);

  // A refused start comes back as the device's error number.
  Fault refuse;
  refuse.kind = FaultKind::kRefuse;
  refuse.match = "MSV";
  refuse.error = 10008;
  engine().inject(refuse);
  EXPECT_EQ(CV_ACQStart(100, -1, 6100, 0, 0.0f, 6000, 0), 10008);
}

// ---- Taring and shunt calibration ----------------------------------------------------------

TEST_F(OnlineDriver, TareOfPt100ChannelIsItsTemperature) {
  set_sensor(5, 501, 730);  // PT100 on 400 Ohm
  const int32_t chans[] = {5};
  ASSERT_EQ(CV_TareSetup(1, chans), 0);
  EXPECT_EQ(chan_int(5, kCvChanState) & 2, 2);
  EXPECT_EQ(chan_int(4, kCvChanState) & 2, 0);
  for (double celsius : {0.0, 100.0, 420.0}) {
    SCOPED_TRACE(celsius);
    engine().set_source(5, SignalSource::temperature(celsius));
    clear_replies();
    ASSERT_EQ(CV_DoTara(), 0);
    const std::vector<int16_t> raws = raw_replies("TAR?");
    ASSERT_EQ(raws.size(), 1u);
    float ohm = static_cast<float>(raws[0] * 400.0 * 0.00004) + 100.0f;
    CV_DoLinCalc(&ohm, 501, 0);
    EXPECT_EQ(chan_float(5, kCvChanTare), ohm);
    EXPECT_NEAR(chan_float(5, kCvChanTare), celsius, 1.0);
  }
  const int32_t none[] = {0};
  ASSERT_EQ(CV_TareSetup(0, none), 0);
  EXPECT_EQ(CV_DoTara(), kCvNoActiveChannel);
  const int32_t bad[] = {10};
  EXPECT_EQ(CV_TareSetup(1, bad), kCvBadChannel);
}

TEST_F(OnlineDriver, ShuntCalibrationSetsReciprocalOfTheDifference) {
  set_sensor(6, 350, 700);
  const int32_t chans[] = {4, 6};
  ASSERT_EQ(CV_ACQSetup(2, chans), 0);
  engine().set_source(6, SignalSource::constant(0.5));  // mV/V; the shunt adds 1 mV/V
  take_lines();
  clear_replies();
  ASSERT_EQ(CV_ACQShuntCal(2, chans), 0);
  const std::vector<std::string> lines = take_lines();
  auto has = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) != lines.end(); };
  EXPECT_TRUE(has("ASS6,43"));
  EXPECT_TRUE(has("ASS6,42"));
  EXPECT_FALSE(has("ASS4,43")) << "only amplifiers 5058 take part";

  const std::vector<int16_t> raws = raw_replies("OMB?0");
  ASSERT_EQ(raws.size(), 4u);  // two readings of channels 4 and 6
  EXPECT_NEAR(raws[1], 12500, 2);  // 1.5 mV/V of 3
  EXPECT_NEAR(raws[3], 4167, 2);   // 0.5 mV/V of 3
  // Both readings unscaled by any earlier factor.
  const float b = static_cast<float>(raws[1] * 1.0 * 3.0 * 0.00004);
  const float c = static_cast<float>(raws[3] * 1.0 * 3.0 * 0.00004);
  const float factor = chan_float(6, kCvChanScale);
  EXPECT_FLOAT_EQ(factor, 1.0f / (b - c));
  EXPECT_NEAR(factor, 1.0f, 0.001f);  // the shunt step is 1 mV/V
  EXPECT_EQ(chan_float(4, kCvChanScale), 1.0f);
  EXPECT_EQ(chan_int(6, kCvChanSignal), 42);
  // A calibration does not depend on the one before it.
  for (int again = 0; again < 2; ++again) {
    ASSERT_EQ(CV_ACQShuntCal(2, chans), 0);
    EXPECT_EQ(chan_float(6, kCvChanScale), factor);
  }
}

// ---- Settings file online ------------------------------------------------------------------

TEST_F(OnlineDriver, SettingsFileOnlineKeepsTheChainCountAndItsAmplifierTypes) {
  const std::string path = ::testing::TempDir() + "corvan32_online.set";
  ASSERT_EQ(CV_WriteSettings(path.c_str(), 0), 0);
  std::string b = testkit::read_file(path);
  ASSERT_EQ(b.size(), 91u + 72 * 10);
  // A 16-channel file: six more records, every ident changed, channel 2's amplifier type differs.
  b += b.substr(91, 72 * 6);
  b[27] = 16;
  for (int ch = 0; ch < 16; ++ch) b[91 + 72 * ch + 4] = 'F';
  b[91 + 72 * 2] = static_cast<char>(5058 & 0xFF);
  b[91 + 72 * 2 + 1] = static_cast<char>(5058 >> 8);
  testkit::write_file(path, b);

  char before[256];
  ASSERT_EQ(CV_GetChanSettings(2, kCvChanIdent, before), 0);
  take_lines();
  ASSERT_EQ(CV_ReadSettings(path.c_str(), 0), 0);
  EXPECT_TRUE(take_lines().empty()) << "nothing is sent";
  int32_t n = 0;
  CV_GetDevSettings(kCvDevChannelCount, &n);
  EXPECT_EQ(n, 10);
  char ident[256];
  ASSERT_EQ(CV_GetChanSettings(3, kCvChanIdent, ident), 0);
  EXPECT_EQ(ident[0], 'F');
  ASSERT_EQ(CV_GetChanSettings(2, kCvChanIdent, ident), 0);
  EXPECT_STREQ(ident, before) << "record of another amplifier type is skipped online";
  std::remove(path.c_str());
}

}  // namespace
