// The acquisition on the virtual clock: scans at the measuring rate, MSV? states, OMB? blocks
// with their exact layout, the full buffer, triggers with pre-trigger scans, single readings,
// taring, the shunt signal and the conversion of inputs into raw counts with overflow codes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "block_reader.h"
#include "corvane_sim/engine.h"

namespace corvane_sim {
namespace {

EngineConfig virtual_config() {
  EngineConfig c;
  c.virtual_clock = true;
  return c;
}

// Only the listed channels measure (passive tare state otherwise).
void measure_only(Engine& e, std::initializer_list<int> channels) {
  ASSERT_EQ(e.process("ACT100,0"), "0\r\n");
  for (int c : channels) ASSERT_EQ(e.process("ACT" + std::to_string(c) + ",6201"), "0\r\n");
}

TEST(Acquisition, ScansFallDueAtTheMeasuringRate) {
  Engine e(virtual_config());
  measure_only(e, {0, 3});
  e.set_source(0, SignalSource::raw(1000));
  e.set_source(3, SignalSource::ramp(0, 1000));  // counts per second via raw quantity below
  SignalSource ramp = SignalSource::ramp(0, 1000);
  ramp.quantity = SignalSource::Quantity::kRawCounts;
  e.set_source(3, ramp);
  ASSERT_EQ(e.process("ICR6308"), "10021\r\n");  // 100 Hz; the filter moves along
  ASSERT_EQ(e.process("MSV0,0,6100,1"), "0\r\n");
  EXPECT_EQ(e.process("MSV?"), "2,0,1\r\n");
  e.advance_ms(9.999);
  EXPECT_EQ(e.process("MSV?"), "2,0,1\r\n");
  e.advance_ms(0.001);
  EXPECT_EQ(e.process("MSV?"), "2,1,1\r\n");
  e.advance_ms(990);
  EXPECT_EQ(e.process("MSV?"), "2,100,1\r\n");
  std::string reply = e.process("OMB?3");
  ASSERT_EQ(reply.size(), 2u + 3 * 2 * 2 + 2);
  // Scan k is taken k / 100 s after the start: the ramp channel reads 10 k counts.
  EXPECT_EQ(block_values(reply), (std::vector<int16_t>{1000, 10, 1000, 20, 1000, 30}));
  EXPECT_EQ(e.process("MSV?"), "2,97,1\r\n");
  std::vector<int16_t> rest = block_values(e.process("OMB?97"));
  ASSERT_EQ(rest.size(), 194u);
  EXPECT_EQ(rest[1], 40);
  EXPECT_EQ(rest[193], 1000);
  EXPECT_EQ(e.process("MSV?"), "2,0,1\r\n");
  EXPECT_EQ(e.process("OMB?1"), "?\r\n");
  EXPECT_EQ(e.process("EST?"), "10009\r\n");
  EXPECT_EQ(e.process("STP"), "0\r\n");
  EXPECT_EQ(e.process("MSV?"), "0,0,1\r\n");
}

TEST(Acquisition, EveryRateGivesItsScanCount) {
  const int hz[] = {1, 2, 5, 10, 25, 50, 60, 75, 100, 150, 200, 300, 400, 600, 800, 1200, 1600, 2400, 3200, 4800, 9600};
  for (int i = 0; i < 21; ++i) {
    EngineConfig config = virtual_config();
    config.buffer_samples = 1 << 20;
    Engine e(config);
    measure_only(e, {1});
    std::string icr = e.process("ICR" + std::to_string(6300 + i));
    ASSERT_TRUE(icr == "0\r\n" || icr == "10021\r\n") << icr;
    ASSERT_EQ(e.process("MSV0,0,6100,1"), "0\r\n");
    e.advance_ms(2500);
    EXPECT_EQ(e.acquisition().buffered_scans, hz[i] * 5 / 2) << hz[i] << " Hz";
  }
}

TEST(Acquisition, RequestedScansCompleteTheMeasurement) {
  Engine e(virtual_config());
  measure_only(e, {0, 1, 2});
  ASSERT_EQ(e.process("ICR6303"), "10021\r\n");  // 10 Hz
  ASSERT_EQ(e.process("MSV25,0,6100,1"), "0\r\n");
  e.advance_ms(2000);
  EXPECT_EQ(e.process("MSV?"), "2,20,1\r\n");
  e.advance_ms(5000);
  EXPECT_EQ(e.process("MSV?"), "3,25,1\r\n");
  EXPECT_EQ(e.acquisition().total_scans, 25);
  EXPECT_EQ(block_values(e.process("OMB?25")).size(), 75u);
}

TEST(Acquisition, FullBufferGivesStateFive) {
  EngineConfig config = virtual_config();
  config.buffer_samples = 100;  // 50 scans of two channels
  Engine e(config);
  measure_only(e, {0, 1});
  ASSERT_EQ(e.process("ICR6308"), "10021\r\n");
  ASSERT_EQ(e.process("MSV0,0,6100,1"), "0\r\n");
  e.advance_ms(490);
  EXPECT_EQ(e.process("MSV?"), "2,49,1\r\n");
  e.advance_ms(20);
  EXPECT_EQ(e.process("MSV?"), "5,50,1\r\n");
  e.advance_ms(1000);
  EXPECT_EQ(e.process("MSV?"), "5,50,1\r\n") << "measuring stopped at the overflow";
  EXPECT_EQ(block_values(e.process("OMB?50")).size(), 100u) << "the buffered scans can still be read";
  EXPECT_EQ(e.process("MSV0,0,6100,1"), "0\r\n");
  EXPECT_EQ(e.process("MSV?"), "2,0,1\r\n") << "a new start clears the overflow";
}

TEST(Acquisition, StartNeedsMeasuringChannelsAndValidArguments) {
  Engine e(virtual_config());
  ASSERT_EQ(e.process("ACT100,0"), "0\r\n");
  EXPECT_EQ(e.process("MSV10,0,6100,1"), "?\r\n");
  EXPECT_EQ(e.process("EST?"), "10008\r\n");
  EXPECT_EQ(e.process("OMB?0"), "?\r\n");
  EXPECT_EQ(e.process("EST?"), "10009\r\n");
  ASSERT_EQ(e.process("ACT0,1"), "0\r\n");
  EXPECT_EQ(e.process("MSV10,0,6104,1"), "?\r\n");
  EXPECT_EQ(e.process("EST?"), "10005\r\n");
  EXPECT_EQ(e.process("MSV10,11,6101,1"), "?\r\n");
  EXPECT_EQ(e.process("EST?"), "10005\r\n");
  EXPECT_EQ(e.process("MSV-1,0,6100,1"), "?\r\n");
  EXPECT_EQ(e.process("EST?"), "10005\r\n");
  EXPECT_EQ(e.process("MSV10,0,6103,1"), "?\r\n") << "internal trigger without a condition";
  EXPECT_EQ(e.process("EST?"), "10012\r\n");
  EXPECT_EQ(e.process("MSV10,2,6100"), "0\r\n") << "the start option may be left out";
  EXPECT_EQ(e.process("ACT1,1"), "?\r\n") << "channels stay as they are while measuring";
  EXPECT_EQ(e.process("EST?"), "10008\r\n");
  EXPECT_EQ(e.process("ICR6300"), "?\r\n");
  EXPECT_EQ(e.process("EST?"), "10008\r\n");
  EXPECT_EQ(e.process("TRG"), "?\r\n") << "nothing waits for a trigger";
  EXPECT_EQ(e.process("EST?"), "10012\r\n");
}

TEST(Acquisition, CommandTriggerKeepsPretriggerScans) {
  Engine e(virtual_config());
  measure_only(e, {2});
  SignalSource ramp = SignalSource::ramp(0, 100);  // one count per scan at 100 Hz
  ramp.quantity = SignalSource::Quantity::kRawCounts;
  e.set_source(2, ramp);
  ASSERT_EQ(e.process("ICR6308"), "10021\r\n");
  ASSERT_EQ(e.process("MSV10,3,6101,1"), "0\r\n");
  e.advance_ms(500);
  EXPECT_EQ(e.process("MSV?"), "1,0,0\r\n");
  EXPECT_EQ(e.process("TRG"), "0\r\n");
  e.advance_ms(30);  // scans 51, 52, 53
  EXPECT_EQ(e.process("MSV?"), "2,6,1\r\n");
  e.advance_ms(100);
  EXPECT_EQ(e.process("MSV?"), "3,10,1\r\n");
  // Three scans before the trigger (48..50), the trigger scan 51, then 52..57.
  EXPECT_EQ(block_values(e.process("OMB?10")), (std::vector<int16_t>{48, 49, 50, 51, 52, 53, 54, 55, 56, 57}));
}

TEST(Acquisition, ExternalTriggerAndShortPretrigger) {
  Engine e(virtual_config());
  measure_only(e, {2});
  SignalSource ramp = SignalSource::ramp(0, 100);
  ramp.quantity = SignalSource::Quantity::kRawCounts;
  e.set_source(2, ramp);
  ASSERT_EQ(e.process("ICR6308"), "10021\r\n");
  ASSERT_EQ(e.process("MSV5,4,6102,1"), "0\r\n");
  e.advance_ms(20);  // only two scans before the trigger exist
  e.fire_external_trigger();
  e.advance_ms(100);
  EXPECT_EQ(e.process("MSV?"), "3,5,1\r\n");
  EXPECT_EQ(block_values(e.process("OMB?5")), (std::vector<int16_t>{1, 2, 3, 4, 5}));
}

TEST(Acquisition, InternalTriggerOnLevelAndEdges) {
  struct Case {
    const char* condition;
    double start;
    double slope;
    int level;
    std::vector<int16_t> expected;  // pre-trigger 2, 5 scans
  };
  const Case cases[] = {
      {"6000", 0, 100, 20, {18, 19, 20, 21, 22}},       // greater or equal
      {"6001", 50, -100, 20, {22, 21, 20, 19, 18}},     // less or equal
      {"6002", 0, 100, 20, {18, 19, 20, 21, 22}},       // rising edge
      {"6003", 50, -100, 20, {22, 21, 20, 19, 18}},     // falling edge
  };
  for (const Case& c : cases) {
    Engine e(virtual_config());
    measure_only(e, {1, 2});
    SignalSource ramp = SignalSource::ramp(c.start, c.slope);
    ramp.quantity = SignalSource::Quantity::kRawCounts;
    e.set_source(1, ramp);
    e.set_source(2, SignalSource::raw(7));
    ASSERT_EQ(e.process("ICR6308"), "10021\r\n");
    ASSERT_EQ(e.process(std::string("DTR1,") + c.condition + "," + std::to_string(c.level)), "0\r\n");
    ASSERT_EQ(e.process("MSV5,2,6103,1"), "0\r\n");
    e.advance_ms(1000);
    ASSERT_EQ(e.process("MSV?"), "3,5,1\r\n") << c.condition;
    std::vector<int16_t> values = block_values(e.process("OMB?5"));
    std::vector<int16_t> trigger_channel;
    for (size_t i = 0; i < values.size(); i += 2) {
      trigger_channel.push_back(values[i]);
      EXPECT_EQ(values[i + 1], 7);
    }
    EXPECT_EQ(trigger_channel, c.expected) << c.condition;
  }
}

TEST(Acquisition, EdgeConditionNeedsACrossing) {
  Engine e(virtual_config());
  measure_only(e, {1});
  e.set_source(1, SignalSource::raw(500));
  ASSERT_EQ(e.process("ICR6308"), "10021\r\n");
  ASSERT_EQ(e.process("DTR1,6002,100"), "0\r\n");
  ASSERT_EQ(e.process("MSV5,0,6103,1"), "0\r\n");
  e.advance_ms(500);
  EXPECT_EQ(e.process("MSV?"), "1,0,0\r\n") << "a level above the threshold is no rising edge";
  e.set_source(1, SignalSource::raw(0));
  e.advance_ms(100);
  e.set_source(1, SignalSource::raw(200));
  e.advance_ms(100);
  EXPECT_EQ(e.process("MSV?"), "3,5,1\r\n");
}

TEST(Acquisition, SingleReadingAndChannelOrder) {
  EngineConfig config = virtual_config();
  config.devices = 2;
  Engine e(config);
  measure_only(e, {17, 3, 8, 12});
  e.set_source(3, SignalSource::constant(1.5));   // 3 mV/V range: half scale
  e.set_source(8, SignalSource::raw(0x1234));      // digital input bits
  ASSERT_EQ(e.process("DPI8,1"), "0\r\n");
  e.set_source(12, SignalSource::constant(-3.0));
  e.set_source(17, SignalSource::raw(-7));
  EXPECT_EQ(block_values(e.process("OMB?0")), (std::vector<int16_t>{12500, 0x1235, -25000, -7}));
  EXPECT_EQ(e.reading(3), 12500);
}

TEST(Acquisition, OverflowCodesBeyondTheRange) {
  Engine e(virtual_config());
  measure_only(e, {0, 1, 2, 3, 4, 5});
  e.set_source(0, SignalSource::constant(3.93));    // 32750 counts: still a reading
  e.set_source(1, SignalSource::constant(4.0));     // 33333: +overflow
  e.set_source(2, SignalSource::constant(6.1));     // beyond twice full range: +OVERFLOW
  e.set_source(3, SignalSource::constant(-4.0));
  e.set_source(4, SignalSource::constant(-6.1));
  e.set_source(5, SignalSource::constant(std::nan("")));
  EXPECT_EQ(block_values(e.process("OMB?0")),
            (std::vector<int16_t>{32750, kOverflowPlus, kOverflowPlusHard, kOverflowMinus, kOverflowMinusHard,
                                  kOverflowBroken}));
  e.set_source(0, SignalSource::raw(32767));
  e.set_source(1, SignalSource::raw(-32768));
  std::vector<int16_t> v = block_values(e.process("OMB?0"));
  EXPECT_EQ(v[0], 32767);
  EXPECT_EQ(v[1], -32768);
}

TEST(Acquisition, TemperatureSensorsGiveTheirVoltageAndResistance) {
  EngineConfig config = virtual_config();
  config.slot_types = {5054, 5054, 5054, 5054, 5054, 5053, 5053, 5053, 5055, 5050};
  Engine e(config);
  measure_only(e, {0, 1, 2, 3});
  ASSERT_EQ(e.process("ASA0,451,710"), "0\r\n");  // K, 0.1 V range
  ASSERT_EQ(e.process("ASA1,501,730"), "0\r\n");  // PT100, 400 Ohm
  ASSERT_EQ(e.process("ASA2,503,731"), "0\r\n");  // PT1000, 4000 Ohm
  ASSERT_EQ(e.process("ASA3,450,710"), "0\r\n");  // J
  e.set_source(0, SignalSource::temperature(100.0));
  e.set_source(1, SignalSource::temperature(0.0));
  e.set_source(2, SignalSource::temperature(100.0));
  e.set_source(3, SignalSource::temperature(200.0));
  std::vector<int16_t> v = block_values(e.process("OMB?0"));
  // K at 100 degC: 4.096 mV -> 1024 counts; PT100 at 0 degC: 100 Ohm -> 6250;
  // PT1000 at 100 degC: 1385.06 Ohm -> 8657; J at 200 degC: 10.779 mV -> 2695.
  EXPECT_EQ(v, (std::vector<int16_t>{1024, 6250, 8657, 2695}));
}

TEST(Acquisition, SignalShapes) {
  Engine e(virtual_config());
  measure_only(e, {0, 1, 2});
  e.set_source(0, SignalSource::sine(0.0, 3.0, 1.0));       // full range sine, 1 Hz
  e.set_source(1, SignalSource::ramp(0.0, 1.0, 2.0));        // restarts every 2 s
  e.set_source(2, SignalSource::noise(1.5, 0.3, 42));
  e.advance_ms(250);
  EXPECT_EQ(e.reading(0), 25000);
  EXPECT_EQ(e.reading(1), 2083);  // 0.25 mV/V
  e.advance_ms(2000);
  EXPECT_EQ(e.reading(1), 2083) << "the ramp restarted";
  EXPECT_EQ(e.reading(0), 25000);
  e.advance_ms(500);
  EXPECT_EQ(e.reading(0), -25000);
  int16_t lo = 32767;
  int16_t hi = -32768;
  for (int i = 0; i < 200; ++i) {
    e.advance_ms(1);
    int16_t r = e.reading(2);
    lo = std::min(lo, r);
    hi = std::max(hi, r);
  }
  EXPECT_GE(lo, 10000);
  EXPECT_LE(hi, 15000);
  EXPECT_GT(hi - lo, 3000) << "noise spreads over most of its band";
  int16_t again = e.reading(2);
  EXPECT_EQ(e.reading(2), again) << "the same time gives the same noise value";
}

TEST(Acquisition, TareQueryTareCommandAndNetReadings) {
  EngineConfig config = virtual_config();
  config.slot_types = {5051, 5051, 5052, 5052, 5054, 5053, 5053, 5053, 5055, 5050};
  Engine e(config);
  ASSERT_EQ(e.process("ACT100,0"), "0\r\n");
  EXPECT_EQ(e.process("TAR?"), "?\r\n");
  EXPECT_EQ(e.process("EST?"), "10014\r\n");
  ASSERT_EQ(e.process("ACT1,6203"), "0\r\n");
  ASSERT_EQ(e.process("ACT4,6202"), "0\r\n");
  ASSERT_EQ(e.process("ACT5,6201"), "0\r\n");
  ASSERT_EQ(e.process("ASA4,501,730"), "0\r\n");
  e.set_source(1, SignalSource::constant(0.6));     // 5000 counts
  e.set_source(4, SignalSource::temperature(0.0));  // PT100 at 0 degC: tare raw relative to 100 Ohm
  e.set_source(5, SignalSource::constant(0.3));
  EXPECT_EQ(block_values(e.process("TAR?")), (std::vector<int16_t>{5000, 0}));
  EXPECT_EQ(e.channel(1).tare_raw, 0) << "the query only reports";
  EXPECT_EQ(block_values(e.process("OMB?0")), (std::vector<int16_t>{5000, 2500}));
  EXPECT_EQ(e.process("TAR"), "0\r\n");
  EXPECT_EQ(e.process("TAV?1"), "5000\r\n");
  EXPECT_EQ(e.process("TAV?4"), "0\r\n");
  EXPECT_EQ(e.process("TAV?5"), "0\r\n") << "channels without the tare bit are not tared";
  e.set_source(1, SignalSource::constant(0.9));
  EXPECT_EQ(block_values(e.process("OMB?0")), (std::vector<int16_t>{2500, 2500})) << "net of the tare value";
  ASSERT_EQ(e.process("ACT1,6201"), "0\r\n");
  EXPECT_EQ(block_values(e.process("OMB?0")), (std::vector<int16_t>{7500, 2500})) << "gross outside tare state";
  e.set_source(4, SignalSource::raw(32767));
  EXPECT_EQ(e.process("TAR"), "?\r\n") << "an overflowing channel cannot be tared";
  EXPECT_EQ(e.process("EST?"), "10014\r\n");
}

TEST(Acquisition, ShuntSignalAddsTheKnownDetuning) {
  EngineConfig config = virtual_config();
  config.slot_types = {5051, 5051, 5052, 5052, 5058, 5057, 5053, 5053, 5055, 5050};
  config.shunt_mv_per_v = 1.5;
  Engine e(config);
  measure_only(e, {4, 5});
  e.set_source(4, SignalSource::constant(0.3));
  e.set_source(5, SignalSource::constant(0.0));
  EXPECT_EQ(block_values(e.process("OMB?0")), (std::vector<int16_t>{2500, 0}));
  ASSERT_EQ(e.process("ASS4,43"), "0\r\n");
  ASSERT_EQ(e.process("ASS5,43"), "0\r\n");
  EXPECT_EQ(block_values(e.process("OMB?0")), (std::vector<int16_t>{15000, 12500}));
  ASSERT_EQ(e.process("ASS4,42"), "0\r\n");
  EXPECT_EQ(block_values(e.process("OMB?0")), (std::vector<int16_t>{2500, 12500}));
}

TEST(Acquisition, RealClockTakesScansWithoutAdvance) {
  Engine e;  // real clock
  measure_only(e, {0});
  ASSERT_EQ(e.process("ICR6315"), "10021\r\n");  // 1200 Hz
  ASSERT_EQ(e.process("MSV0,0,6100,1"), "0\r\n");
  e.advance_ms(10000);  // ignored on the real clock
  auto t0 = e.now();
  while (e.now() - t0 < std::chrono::milliseconds(100)) {
  }
  AcquisitionStatus s = e.acquisition();
  auto elapsed_ms = std::chrono::duration_cast<std::chrono::milliseconds>(e.now()).count();
  EXPECT_GE(s.buffered_scans, 100);
  EXPECT_LE(s.buffered_scans, elapsed_ms * 12 / 10 + 2);
}

}  // namespace
}  // namespace corvane_sim
