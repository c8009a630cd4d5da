// ZELPLUS (device type 91) against its simulator personality: set-up, start, read and stop lines,
// blocks of known counts (exact and read-all), the refused slot, channel commands, and the
// digital and analog outputs and inputs through the shared exports and the ZELPLUS exports.
#include <cstring>
#include <string>

#include "family_fixture.h"
#include "tallix32.h"

namespace {

class ZelplusTest : public family_test::FamilyTest {
 protected:
  void SetUp() override { open(corvane_sim::make_zelplus, 91, 0, 100.0f); }

  // An output/input channel of the device (not a measured one).
  void io_channel(int32_t channel, int16_t kind, int16_t port, int16_t line, int16_t bit) {
    AcqHdr h = kernel_test::measured_header(91, family_test::kCom1, 0, line);
    h.signal_kind = kind;
    h.dio_port = port;
    h.dio_bit = bit;
    ASSERT_EQ(QBX_ACQSetAcqHdr(channel, &h), 0);
  }
};

TEST_F(ZelplusTest, SetUpStartReadStop) {
  channels({4, 1});
  ASSERT_EQ(init_device(), 0);
  EXPECT_EQ(take(), "SRB0,1\n");
  ASSERT_EQ(init_channels(), 0);
  EXPECT_EQ(take(), "AID?\nACT4,4,1\nCSA?4,4\nASA?4,4\nAID?\nACT1,1,1\nCSA?1,1\nASA?1,1\n");
  EXPECT_EQ(+hdr(1).range, 10.0f);
  EXPECT_EQ(+hdr(1).full_scale, 30000);
  EXPECT_EQ(+hdr(2).range, 2.5f);
  EXPECT_EQ(+hdr(2).full_scale, 25000);

  ASSERT_EQ(start(), 0);
  EXPECT_EQ(take(), "CHS9\nEST?\nCOF3\nICR6308\nWAI\nDOM0\nMSV0,28,0,0,0\n");
  int32_t length = 10;
  ASSERT_EQ(read(&length), 0);
  EXPECT_EQ(take(), "OMB?10,1,1\nEST?\n");
  ASSERT_EQ(length, 10);
  for (int i = 0; i < 10; ++i) {
    EXPECT_DOUBLE_EQ(value(1, i), 10.0 * (4000 + i) / 30000.0);
    EXPECT_DOUBLE_EQ(value(2, i), 2.5 * (1000 + i) / 25000.0);
  }
  // 15 scans are left: a block of 20 is not complete; read-all takes the 15.
  length = 20;
  EXPECT_EQ(read(&length), kAcqBlockNotComplete);
  take();
  length = 20;
  ASSERT_EQ(read(&length, -1.0), 0);
  EXPECT_EQ(take(), "OMB?1023,1,2\nEST?\n");
  ASSERT_EQ(length, 15);
  EXPECT_DOUBLE_EQ(value(1, 14), 10.0 * (4000 + 24) / 30000.0);
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  EXPECT_EQ(take(), "CLS\n");
}

TEST_F(ZelplusTest, MissingSlotAndBlockStart) {
  channels({3});
  EXPECT_EQ(init_channels(), kAcqChannelNotAvailable);
  EXPECT_EQ(take(), "AID?\n");
  channels({2});
  ASSERT_EQ(start(500), 0);
  EXPECT_EQ(take(), "CHS2\nEST?\nCOF3\nICR6308\nWAI\nDOM1\nMSV0,28,500,0,0\n");
  ASSERT_EQ(start(500, -1), 0);
  EXPECT_EQ(take(), "CHS2\nEST?\nCOF3\nICR6308\nWAI\nDOM0;MSV0,28,500,0,0\n");
}

// A level trigger of the device's port: data output mode 2, the condition with the level as a raw
// count of the trigger channel (5.0 of 10 at 30000 counts), the pre-trigger scans of the block.
TEST_F(ZelplusTest, TriggeredStart) {
  channels({4});
  ASSERT_EQ(init_channels(), 0);
  take();
  int32_t* record = tallix::kernel().triggers[1];
  record[1] = 0;  // device 0
  record[2] = 2;  // level trigger
  record[3] = 1;  // on channel 1
  record[4] = 1;  // condition
  const float level = 5.0f;
  std::memcpy(&record[5], &level, sizeof level);
  record[12] = 10;  // percent before the trigger
  ASSERT_EQ(start(500), 0);
  EXPECT_EQ(take(), "CHS8\nEST?\nCOF3\nICR6308\nWAI\nDOM2\nDTR4,1,0,15000,,16777215\nTSV0,28,500,50,2,0\n");
}

// Two level triggers of the port in record order, each with its own condition and trigger-channel
// number; records of another port's device and a record without a level send no condition; mode
// and pre-trigger come from the port's first record.
TEST_F(ZelplusTest, TwoLevelTriggers) {
  channels({4, 2, 1});
  scale(1, 10.0f, 30000);
  scale(2, 2.5f, 25000);
  const float rates[6] = {100.0f, 0, 0, 0, 0, 0};
  const uint8_t widths[6] = {};
  ASSERT_EQ(QBX_ACQSetDeviceInfo(1, 91, 2, 0, 0, 0, 1, 0, rates, widths), 0);  // on COM2
  trigger(1, 0, 2, 1, 2, 5.0f, 20);
  trigger(2, 1, 2, 3, 0, 1.0f);
  trigger(3, 0, 1, 3, 0, 0.0f);
  trigger(5, 0, 2, 2, 3, -1.25f);
  ASSERT_EQ(start(500), 0);
  EXPECT_EQ(take(),
            "CHS11\nEST?\nCOF3\nICR6308\nWAI\nDOM2\nDTR4,2,0,15000,,16777215\n"
            "DTR2,3,1,-12500,,16777215\nTSV0,28,500,100,2,0\n");
  // A restart sends no trigger.
  ASSERT_EQ(start(500, -1), 0);
  EXPECT_EQ(take(), "CHS11\nEST?\nCOF3\nICR6308\nWAI\nDOM0;MSV0,28,500,0,0\n");
}

// The level as the raw count of a channel with a point table (after the software tare) and of a
// thermocouple channel: what the scaling pass turns back into the level.
TEST_F(ZelplusTest, LinearisedLevels) {
  channels({4, 2});
  scale(1, 10.0f, 30000, 0.5f);
  const double points[6] = {0, 0, 4, 16, 12, 80};
  ASSERT_EQ(QBX_ACQCreateLinTab(1, 2, 0, 3, points, nullptr), 0);
  double tare = 16.0;
  ASSERT_EQ(QBX_ACQSoftwareTare(0, 1, &tare), 0);
  scale(2, 0.1f, 30000, 0.0f, 1);  // thermocouple J, range in V
  ASSERT_EQ(QBX_ACQSetLinMode(2, 3), 0);
  trigger(1, 0, 2, 1, 0, 32.0f);
  trigger(2, 0, 2, 2, 1, 600.0f);
  // 32 + tare 16 = 48 lies on the segment (4, 16)..(12, 80): x = 4 + 32 x 8 / 64 = 8 in range units.
  const auto table_raw = static_cast<long>((8.0 - 0.5) / 10.0 * 30000);
  // Type J reads 600 degrees at 6.6192 x 5 mV.
  const auto thermo_raw = static_cast<long>(6.6192 * 5 / 1000 / static_cast<double>(0.1f) * 30000);
  ASSERT_EQ(table_raw, 22500);
  ASSERT_EQ(thermo_raw, 9928);
  ASSERT_EQ(start(200), 0);
  EXPECT_EQ(take(), "CHS10\nEST?\nCOF3\nICR6308\nWAI\nDOM2\nDTR4,0,0," + std::to_string(table_raw) +
                        ",,16777215\nDTR2,1,1," + std::to_string(thermo_raw) +
                        ",,16777215\nTSV0,28,200,20,2,0\n");
}

// A trigger the device cannot be told is refused with -225 before anything is sent; a refused
// condition ends the start with -225 before "TSV".
TEST_F(ZelplusTest, RefusedTriggers) {
  channels({4, 2});
  scale(1, 10.0f, 30000);
  scale(2, 10.0f, 30000);
  const double polynomial[2] = {0.0, 2.0};
  ASSERT_EQ(QBX_ACQCreateLinTab(2, 2, 1, 2, polynomial, nullptr), 0);
  struct Case {
    const char* what;
    int32_t channel;
    int32_t condition;
    float level;
  };
  const Case cases[] = {{"no inverse", 2, 0, 1.0f},        {"channel 0", 0, 0, 1.0f},
                        {"channel 10001", 10001, 0, 1.0f}, {"condition 4", 1, 4, 1.0f},
                        {"condition -1", 1, -1, 1.0f},     {"count beyond 32 bits", 1, 0, 1e9f}};
  for (const Case& c : cases) {
    trigger(1, 0, 2, c.channel, c.condition, c.level);
    EXPECT_EQ(start(500), kAcqTriggerRefused) << c.what;
    EXPECT_EQ(take(), "") << c.what;
  }
  // The bad record second, after a valid one.
  trigger(1, 0, 2, 1, 0, 1.0f);
  trigger(2, 0, 2, 2, 0, 1.0f);
  EXPECT_EQ(start(500), kAcqTriggerRefused);
  EXPECT_EQ(take(), "");
  // A third level record of the port.
  ASSERT_EQ(QBX_ACQSetLinMode(2, 1), 0);
  trigger(3, 0, 2, 1, 3, 2.0f);
  EXPECT_EQ(start(500), kAcqTriggerRefused);
  EXPECT_EQ(take(), "");

  trigger(3, -1, 0, 0, 0, 0.0f);
  instrument_->on_line("DTR", "?");
  EXPECT_EQ(start(500), kAcqTriggerRefused);
  EXPECT_EQ(take(), "CHS10\nEST?\nCOF3\nICR6308\nWAI\nDOM2\nDTR4,0,0,3000,,16777215\n");
}

TEST_F(ZelplusTest, ChannelCommands) {
  channels({1, 2});
  int32_t v = 1;
  EXPECT_EQ(cmd(kAcqCmdTare, &v), 0);
  EXPECT_EQ(take(), "CHS3\nEST?\nTAR1,28,1\n");
  v = 0;
  EXPECT_EQ(cmd(kAcqCmdTareSource, &v), 0);
  EXPECT_EQ(take(), "CHS3\nEST?\nTAS1,28,0\n");
  EXPECT_EQ(cmd(kAcqCmdLinPoint, &v), kAcqCommandNotSupported);
}

TEST_F(ZelplusTest, OutputsAndInputs) {
  io_channel(1, 5, 3, 1, 4);  // digital out: port 3, line 1, bit 4
  io_channel(2, 5, 0, 1, 0);  // port 0 writes line 2
  io_channel(3, 6, 3, 1, 4);  // digital in
  io_channel(4, 7, 2, 6, 0);  // analog out: port 2, channel 6
  const int32_t outs[2] = {1, 2};
  const int32_t bits[2] = {1, 0x10001};  // only the low 16 bits count
  ASSERT_EQ(QBX_ACQDIOWrite(2, outs, bits), 0);
  EXPECT_EQ(take(), "DPI?3,1\nDPI3,1,16\nDPI?0,2\nDPI0,2,1\n");
  const int32_t ins[1] = {3};
  int32_t got[1] = {7};
  ASSERT_EQ(QBX_ACQDIORead(1, ins, got), 0);
  EXPECT_EQ(got[0], 1);
  EXPECT_EQ(take(), "DPI?3,1\n");
  const int32_t clear[1] = {0};
  ASSERT_EQ(QBX_ACQDIOWrite(1, outs, clear), 0);
  EXPECT_EQ(take(), "DPI?3,1\nDPI3,1,0\n");
  const int32_t aos[1] = {4};
  const double volts[1] = {-2.5};
  EXPECT_EQ(QBX_ACQAOWrite(1, aos, volts), 1);
  EXPECT_EQ(take(), "DAU2,6,-1000000\n");
  // A channel of another signal kind is left out of each export.
  EXPECT_EQ(QBX_ACQAOWrite(1, outs, volts), 1);
  EXPECT_EQ(QBX_ACQDIORead(1, outs, got), 0);
  EXPECT_EQ(take(), "");

  EXPECT_EQ(ZELPLUS_DIGLINOUT(5, 2, 16, 1), kAcqCommandNotSupported);
  EXPECT_EQ(ZELPLUS_ANALOGOUT(1, 1, 1e10), kAcqCommandNotSupported);
  EXPECT_EQ(ZELPLUS_DIGLININ(0, 9, 0, nullptr), kAcqBadArgument);
  EXPECT_EQ(take(), "");
}

}  // namespace
