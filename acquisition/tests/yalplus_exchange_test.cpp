// The YALPLUS family's single exchanges against the simulator's rack: device and channel set-up,
// the read-back items, channel commands, the YALPRESS evaluation exports, the disk transfer, the
// family settings, and the failure paths (refusals, device errors, malformed blocks, overflow).
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform.h"
#include "storix32.h"
#include "testkit/temp_dir.h"
#include "yalplus_fixture.h"

namespace {

using corvane_sim::Fault;
using corvane_sim::FaultKind;
using corvane_sim::YalplusEngine;
using yalplus_test::YalplusTest;

Fault refusal(const std::string& match, int32_t error = 3) {
  Fault f;
  f.kind = FaultKind::kRefuse;
  f.match = match;
  f.error = error;
  return f;
}

class YalplusExchangeTest : public YalplusTest {};

TEST_F(YalplusExchangeTest, DeviceSetUpReadsTheFirmwareThatSetsTheMinimalPreTrigger) {
  register_device({100.0f}, {0});
  EXPECT_EQ(take_bytes(), "SRB1\nIDN?\n");
  EXPECT_FLOAT_EQ(tallix::yalplus::family_state().devices[0].firmware, 2.07f);
  EXPECT_EQ(tallix::yalplus::family_state().min_pretrigger, 1);
  corvane_sim::YalplusConfig old;
  old.identity = "QBX,YALPLUS,4711,2.06";
  start_rack(old);
  register_device({100.0f}, {0});
  EXPECT_EQ(tallix::yalplus::family_state().min_pretrigger, 8);
  EXPECT_EQ(YALPLUS_SetMinPreTrig(0), 0);
  EXPECT_EQ(tallix::yalplus::family_state().min_pretrigger, 1);
}

TEST_F(YalplusExchangeTest, ChannelSetUpTakesUnitAndScaleFromTheDevice) {
  register_device({100.0f, 50.0f}, {0, 1});
  add_channel(1, 3, 2, 0, 1);
  add_channel(2, 17, 0, 0, 0);
  take_bytes();
  ASSERT_EQ(init_channels(), 0);
  // The time slot has no amplifier: no traffic for channel 2.
  EXPECT_EQ(take_bytes(),
            "PCS3\nSPS1\nAMT?\nSPS2\nCAN0\nOSP2,219\nPAR130,1\nPAR140,1942\nLVS2,0\nIUN?0\nEUN?1\nISV?\n");
  const AcqHdr& h = tallix::header(1);
  EXPECT_EQ(+h.full_scale, 30000);  // FIFO 1 has 2-byte samples
  EXPECT_FLOAT_EQ(+h.range, static_cast<float>(YalplusEngine::scale_span(3, 2)));
  EXPECT_STREQ(tallix::header(1).unit, "KN");
  EXPECT_STREQ(tallix::header(2).unit, "s");
  // An input unit the family does not know: the host's unit goes to the device.
  corvane_sim::YalplusConfig config;
  config.input_unit = "xyz ";
  config.engineering_unit = "abc ";
  start_rack(config);
  register_device({100.0f}, {0});
  add_channel(1, 2, 0, 0, 0);
  take_bytes();
  ASSERT_EQ(init_channels(), 0);
  EXPECT_NE(take_bytes().find("IUN?0\nIUN\"mV/V\"\nEUN?1\n"), std::string::npos);
  EXPECT_STREQ(tallix::header(1).unit, "mV/V");
}

TEST_F(YalplusExchangeTest, ChannelSetUpFailures) {
  corvane_sim::YalplusConfig config;
  config.slot_types[7] = 0;
  start_rack(config);
  register_device({100.0f}, {0});
  add_channel(1, 7, 0, 0, 0);
  EXPECT_EQ(init_channels(), kAcqChannelNotAvailable);  // empty slot
  engine_->inject(refusal("PCS"));
  tallix::header(1).hardware_channel = 2;
  EXPECT_EQ(init_channels(), kAcqChannelNotAvailable);
  engine_->inject(refusal("LVS"));
  take_bytes();
  EXPECT_EQ(init_channels(), kYalDeviceError);
  EXPECT_NE(take_bytes().find("LVS0,0\nESR?\n"), std::string::npos);
}

TEST_F(YalplusExchangeTest, ReadBackSendsEachItemWithItsMessage) {
  register_device({100.0f}, {0});
  add_channel(1, 4, 3, 0, 0);
  add_channel(2, 9, 0, 0, 0);
  static std::vector<std::string> texts;
  texts.clear();
  QBX_ACQSetMsgCallback([](int32_t code, int32_t value) {
    char text[256] = {};
    QBX_ACQGetItem(2, text);
    if (code == 109 || code == 110 || code == 151) texts.push_back(std::to_string(value) + ":" + text);
  });
  engine_->inject(refusal("DSB?40"));
  take_bytes();
  ASSERT_EQ(init_channels(-100), 0);
  const std::string bytes = take_bytes();
  EXPECT_EQ(bytes.substr(0, 36), "PCS4\nSPS3\nCBT?\nSNR?\nDSB?1\nDSB?2\nDSB?");
  EXPECT_NE(bytes.find("DSB?39\nDSB?40\nDSB?0,3\nPCS9\nCBT?\n"), std::string::npos);
  EXPECT_EQ(bytes.find("AMT?"), std::string::npos);  // the channel set-up is skipped
  EXPECT_EQ(texts, (std::vector<std::string>{"1:CB4", "1:100004", "1:SUB3", "2:CB9", "2:100009", "2:SUB0"}));
  QBX_ACQSetMsgCallback(nullptr);

  // Every item of channel 1 with its message; the refused one of the first round was -1.
  kernel_test::MessageRecorder all;
  ASSERT_EQ(init_channels(-100), 0);
  std::vector<int32_t> items;
  for (int32_t m : all.messages)
    if (m % 100000 == 1) items.push_back(m / 100000);
  ASSERT_EQ(items.size(), 43u);
  for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i], 109 + static_cast<int32_t>(i));
  int32_t integer = 0;
  QBX_ACQGetItem(0, &integer);
  EXPECT_EQ(integer, 0);  // "SUB0" has no number

  // The abort flag ends the read-back and is cleared.
  QBX_ACQSetAbortFlag(1);
  take_bytes();
  ASSERT_EQ(init_channels(-100), 0);
  EXPECT_EQ(take_bytes(), "PCS4\nSPS3\n");
  EXPECT_EQ(tallix::kernel().abort_flag, 0);
}

TEST_F(YalplusExchangeTest, ChannelCommandsSendParameterWordsAndReadThemBack) {
  register_device({100.0f}, {0});
  add_channel(1, 4, 3, 0, 0);
  add_channel(2, 6, 0, 0, 0);
  ASSERT_EQ(init_channels(), 0);
  take_bytes();
  int16_t one[] = {1};
  float point[2] = {1.5f, -2.25f};
  ASSERT_EQ(QBX_ACQCmd(1, one, 6, point), 0);
  EXPECT_EQ(take_bytes(), "PCS4\nESR?\nSPS3\nCAP11.5,-2.25\n");
  float back[2] = {};
  ASSERT_EQ(QBX_ACQCmd(1, one, 106, back), 0);
  EXPECT_EQ(take_bytes(), "PCS4\nESR?\nSPS3\nCAP?1\n");
  EXPECT_FLOAT_EQ(back[0], 1.5f);
  EXPECT_FLOAT_EQ(back[1], -2.25f);
  int16_t both[] = {1, 2};
  int32_t filter = 7;
  ASSERT_EQ(QBX_ACQCmd(2, both, 9, &filter), 0);
  EXPECT_EQ(take_bytes(), "PCS4\nESR?\nSPS3\nAIS7\nPCS6\nESR?\nAIS7\n");
  ASSERT_EQ(QBX_ACQCmd(1, one, 1, nullptr), 0);
  EXPECT_EQ(take_bytes(), "PCS4\nESR?\nSPS3\nTAV\n");
  // An unknown code: no traffic.
  EXPECT_EQ(QBX_ACQCmd(1, one, 77, &filter), kAcqCommandNotSupported);
  EXPECT_EQ(take_bytes(), "");
  // A refused command fetches the error; a pending device error refuses the selection.
  engine_->inject(refusal("GFV"));
  float level = 2.0f;
  EXPECT_EQ(QBX_ACQCmd(1, one, 11, &level), kAcqDeviceRefused);
  EXPECT_EQ(take_bytes(), "PCS4\nESR?\nSPS3\nGFV2\nESR?\n");
  engine_->set_error_number(12);
  EXPECT_EQ(QBX_ACQCmd(1, one, 11, &level), kYalDeviceError);
}

TEST_F(YalplusExchangeTest, RestartAndReadModeAndFifoModeSettings) {
  register_device({100.0f, 100.0f}, {0, 0});
  take_bytes();
  ASSERT_EQ(YALPLUS_RestartMeasurement(0), 0);
  EXPECT_EQ(take_bytes(), "STP\nTSV\n");
  EXPECT_EQ(YALPLUS_RestartMeasurement(64), kAcqBadArgument);
  engine_->inject(refusal("TSV"));
  EXPECT_EQ(YALPLUS_RestartMeasurement(0), -1);
  EXPECT_EQ(take_bytes(), "STP\nTSV\nESR?\n");
  ASSERT_EQ(QBX_ACQSetReadMode(3), 0);
  EXPECT_EQ(tallix::yalplus::family_state().read_mode, 3);
  EXPECT_EQ(YALPLUS_SetMaxDynReadBlock(-5), 0);
  EXPECT_EQ(tallix::yalplus::family_state().max_dyn_block, 1000);
  EXPECT_EQ(YALPLUS_SetFIFOMode(0, 4, 0, 0, 0, 0), kAcqBadArgument);

  // A channel in FIFOs 0 and 1 keeps its span until the FIFO mode fixes the sample width; the
  // factor is set, not scaled again, by a second call.
  add_channel(1, 2, 0, 0, 4);
  add_channel(2, 2, 1, 0, 0);
  ASSERT_EQ(init_channels(), 0);
  EXPECT_EQ(+tallix::header(1).full_scale, 1);
  ASSERT_EQ(start(), 0);
  for (int i = 0; i < 2; ++i) ASSERT_EQ(YALPLUS_SetFIFOMode(0, 1, 0, 0, 0, 0), 0);
  EXPECT_EQ(+tallix::header(1).full_scale, 7680000);
  EXPECT_FLOAT_EQ(tallix::yalplus::family_state().scale[1],
                  static_cast<float>(YalplusEngine::scale_span(2, 0)) / 7680000.0f);
}

TEST_F(YalplusExchangeTest, StartFailuresStopTheStartAndForceAFullSetUpNextTime) {
  register_device({100.0f}, {0});
  add_channel(1, 2, 0, 1, 0);
  add_channel(2, 2, 4, 0, 0);
  add_channel(3, 3, 1, 1, 0);
  ASSERT_EQ(init_channels(), 0);
  engine_->inject(refusal("MSS215"));
  EXPECT_EQ(start(), kYalSignalRefused);
  engine_->inject(refusal("ICR"));
  EXPECT_EQ(start(), kYalRateRefused);
  Fault other_mode;
  other_mode.kind = FaultKind::kGarbage;
  other_mode.match = "TOM?";
  other_mode.garbage = "6712\r\n";
  engine_->inject(other_mode);
  EXPECT_EQ(start(), kYalTriggerOutputMode);
  // A refused "TOM?" is followed by "RMS?", whose value decides.
  engine_->inject(refusal("TOM?"));
  take_bytes();
  ASSERT_EQ(start(), 0);
  EXPECT_NE(take_bytes().find("TOM6713\nESR?\nTOM?\nRMS?\nTSV1000,1,0\n"), std::string::npos);
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  // A sub-channel beyond 128 is refused before the device is asked.
  tallix::header(2).sub_channel = 129;
  EXPECT_EQ(start(), kYalDeviceError);
  tallix::header(2).sub_channel = 4;
  engine_->inject(refusal("SMS"));
  EXPECT_EQ(start(), kYalDeviceError);
  // The failure forced the full set-up: the next start sends it.
  take_bytes();
  ASSERT_EQ(start(), 0);
  EXPECT_NE(take_bytes().find("MCS\nCHS-1\nSPS0\nMSS215\nMRG0\nPCS2\nSPS4\nMSS214\nSMS4\nPCS3\nSMS1\nMCS2,3,\n"),
            std::string::npos);
  // A trigger condition the device refuses.
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  int32_t* record = tallix::kernel().triggers[2];
  record[1] = 0;
  record[2] = 2;
  record[3] = 1;
  record[4] = 1;
  const float level = 2.5f;
  std::memcpy(&record[5], &level, sizeof level);
  engine_->inject(refusal("TRE"));
  take_bytes();
  EXPECT_EQ(start(100), kAcqTriggerRefused);
  EXPECT_EQ(take_bytes(), "TRR\nTRE2,2,0,6000,215,2.5,0\n");
  // A condition the rack has no code for is refused before its "TRE".
  record[4] = 5;
  EXPECT_EQ(start(100), kAcqTriggerRefused);
  EXPECT_EQ(take_bytes(), "TRR\n");
}

TEST_F(YalplusExchangeTest, ReadFailuresMalformedBlocksOverflowAndLimits) {
  corvane_sim::YalplusConfig config;
  config.fifo_capacity = 50;
  start_rack(config);
  register_device({100.0f}, {0});
  add_channel(1, 2, 0, 0, 0, 100);
  add_channel(2, 3, 0, 0, 0, 100);
  add_channel(3, 4, 0, 0, 0, 100);
  ASSERT_EQ(QBX_ACQSetSampleRate(100.0f), 0);
  ASSERT_EQ(init_channels(), 0);
  ASSERT_EQ(start(), 0);
  engine_->advance_ms(200.0);
  // A block whose lead-in is not '#': -207, the line flushed, the next read is sound again.
  Fault corrupt;
  corrupt.kind = FaultKind::kCorruptBlock;
  corrupt.match = "RMB?";
  corrupt.offset = 0;
  engine_->inject(corrupt);
  int32_t n = 10;
  ASSERT_EQ(QBX_ACQResetDeviceStatus(), 0);
  EXPECT_EQ(read(&n), kYalDeviceError);
  EXPECT_EQ(QBX_ACQGetDeviceStatus(0, 0), kYalDeviceError);
  ASSERT_EQ(QBX_ACQResetDeviceStatus(), 0);
  n = 10;
  ASSERT_EQ(read(&n), 0);
  EXPECT_DOUBLE_EQ(values(1)[0], expected(2, 0, 214, 10, 4));
  // A block too large for an IO buffer (read without a poll): -214 without a request.
  ASSERT_EQ(YALPLUS_SetFIFOMode(0, 0, 1, 0, 0, 0), 0);
  ASSERT_EQ(QBX_ACQResetDeviceStatus(), 0);
  engine_->advance_ms(1000.0);
  n = 101;
  take_bytes();
  EXPECT_EQ(read(&n), kAcqBlockTooLarge);
  EXPECT_EQ(take_bytes().find("RMB?"), std::string::npos);
  ASSERT_EQ(YALPLUS_SetFIFOMode(0, 0, 0, 0, 0, 0), 0);
  // The FIFO had overflowed (100 scans for a capacity of 50): -405 is kept as the device's last
  // error, and the 50 scans it holds are read.
  ASSERT_EQ(QBX_ACQResetDeviceStatus(), 0);
  n = 100;
  ASSERT_EQ(read(&n), 0);
  EXPECT_EQ(n, 50);
  EXPECT_EQ(QBX_ACQGetDeviceStatus(0, 0), kYalFifoOverflow);
  // A block cut short: the interface's time-out status, the rest flushed.
  Fault cut;
  cut.kind = FaultKind::kShortBlock;
  cut.match = "RMB?";
  cut.drop_bytes = 5;
  start_rack({});
  register_device({100.0f}, {0});
  list_.clear();
  add_channel(1, 2, 0, 0, 0, 100);
  ASSERT_EQ(QBX_ACQSetSampleRate(100.0f), 0);
  ASSERT_EQ(init_channels(), 0);
  ASSERT_EQ(start(), 0);
  engine_->inject(cut);
  engine_->advance_ms(200.0);
  QBX_SetTimeout(200);
  ASSERT_EQ(QBX_ACQResetDeviceStatus(), 0);
  n = 10;
  EXPECT_LT(read(&n), 0);
}

class YalpressTest : public YalplusTest {
 protected:
  void SetUp() override {
    YalplusTest::SetUp();
    QBX_SelectPort(yalplus_test::kCom1);
    QBX_SelectDevice(0);
  }
};

TEST_F(YalpressTest, EvaluationStatusPortsAndStatistics) {
  for (auto [bits, status] : {std::pair{0x83, 3}, {0x06, 2}, {0x01, 1}, {0x00, 0}}) {
    engine_->set_eval_status(bits);
    EXPECT_EQ(YALPRESS_GetEvalStatus(3), status) << bits;
  }
  EXPECT_EQ(take_bytes().substr(0, 21), "CHS4\nESR?\nFDE?0\nCHS4\n");
  ASSERT_EQ(YALPRESS_RunEval(1, 1), 0);
  EXPECT_EQ(take_bytes(), "CHS1\nESR?\nFDE1\n");
  int32_t p1 = 0;
  int32_t p2 = 0;
  ASSERT_EQ(YALPRESS_GetIOPorts(32, &p1, &p2), 0);
  EXPECT_EQ(take_bytes(), "CHS2147483648\nESR?\nFDI?\n");
  EXPECT_EQ(p1, 3);
  EXPECT_EQ(p2, 5);
  ASSERT_EQ(YALPRESS_ClearStatistics(2, 4), 0);
  EXPECT_EQ(take_bytes(), "CHS2\nESR?\nFDH4\n");
  double stats[3] = {};
  EXPECT_EQ(YALPRESS_GetStatistics(2, 4, stats, 3), 4);  // four numbers, three kept
  EXPECT_EQ(take_bytes(), "CHS2\nESR?\nFDH?4\n");
  EXPECT_EQ(stats[0], 4.0);
  EXPECT_EQ(stats[1], 1.5);
  EXPECT_EQ(stats[2], -2.25);
  // Failures: a channel outside 1..32, a device error, a refused selection or command.
  EXPECT_EQ(YALPRESS_GetEvalStatus(33), kAcqBadArgument);
  engine_->set_error_number(4);
  EXPECT_EQ(YALPRESS_RunEval(1, 0), kYalDeviceError);
  engine_->inject(refusal("CHS"));
  EXPECT_EQ(YALPRESS_RunEval(1, 0), kAcqCommandNotSupported);
  engine_->inject(refusal("FDE0"));
  EXPECT_EQ(YALPRESS_RunEval(1, 0), kAcqCommandNotSupported);
}

TEST_F(YalpressTest, CurvesAreScaledIntoArraysAndBuffers) {
  std::vector<double> x(10);
  std::vector<double> y(10);
  ASSERT_EQ(YALPRESS_GetDynData(2, 5, 10, x.data(), y.data()), 10);
  EXPECT_EQ(take_bytes(), "CHS18\nESR?\nISV?\nFDE?0\nFDB?4,10\n");
  auto sx = [](int w) { return w * (YalplusEngine::scale_span(2, 0) / 30000.0) - YalplusEngine::scale_offset(2, 0); };
  auto sy = [](int w) { return w * (YalplusEngine::scale_span(5, 0) / 30000.0) - YalplusEngine::scale_offset(5, 0); };
  for (int i = 0; i < 10; ++i) {
    EXPECT_DOUBLE_EQ(x[static_cast<size_t>(i)], sx(YalplusEngine::curve_x(i)));
    EXPECT_DOUBLE_EQ(y[static_cast<size_t>(i)], sy(YalplusEngine::curve_y(i)));
  }
  ASSERT_EQ(YALPRESS_GetDynDataComp(2, 5, 3, 4, 5, 3, x.data(), y.data()), 5);
  EXPECT_EQ(take_bytes(), "CHS18\nESR?\nISV?\nFDE?0\nFDB?3,4,5,3\n");
  EXPECT_DOUBLE_EQ(x[4], sx(YalplusEngine::curve_x(16)));
  ASSERT_EQ(QBX_ACQAllocIOBuf(7, 20, 0), 0);
  ASSERT_EQ(QBX_ACQAllocIOBuf(8, 20, 0), 0);
  ASSERT_EQ(YALPRESS_GetDynDataArray(2, 5, 12, 7, 8), 12);
  EXPECT_EQ(QBX_ACQGetIOBufCurrLen(8), 12);
  EXPECT_DOUBLE_EQ(values(8)[11], sy(YalplusEngine::curve_y(11)));
  ASSERT_EQ(YALPRESS_GetDynDataCompArray(2, 5, 4, 0, 6, 2, 7, 8), 6);
  EXPECT_DOUBLE_EQ(values(7)[5], sx(YalplusEngine::curve_x(10)));
  EXPECT_EQ(YALPRESS_GetDynDataArray(2, 5, 21, 7, 8), kAcqBlockTooLarge);
  EXPECT_EQ(YALPRESS_GetDynDataArray(2, 5, 5, 7, 9), kAcqNotAllocated);
  // An evaluation that still runs has no curve yet.
  engine_->set_eval_status(0x80);
  EXPECT_EQ(YALPRESS_GetDynData(2, 5, 10, x.data(), y.data()), kAcqBlockNotComplete);
  // A malformed curve block.
  engine_->set_eval_status(0x02);
  Fault corrupt;
  corrupt.kind = FaultKind::kCorruptBlock;
  corrupt.match = "FDB?";
  corrupt.offset = 0;
  engine_->inject(corrupt);
  EXPECT_EQ(YALPRESS_GetDynData(2, 5, 10, x.data(), y.data()), kYalDeviceError);
  EXPECT_EQ(YALPRESS_RunEval(2, 1), 0);  // the line is in step again
}

TEST_F(YalpressTest, EvaluationDataGoesToTheDatabase) {
  testkit::TempDir dir;
  const std::string file = dir.file("press.db");
  ASSERT_GE(QBX_CreateDatabase(0, file.c_str(), 4), 0);
  ASSERT_GE(QBX_CreateDatabase(1, file.c_str(), 4), 0);
  ASSERT_EQ(YALPRESS_GetEvalData(2, 5, 3, 2), 0);
  EXPECT_EQ(take_bytes(), "CHS18\nESR?\nISV?\nCHS4\nESR?\nFDE?1\n");
  ASSERT_EQ(QBX_GetDatabaseChanCurrLen(2), 48);
  std::vector<double> v(48);
  ASSERT_GE(QBX_ReadFromDatabase(2, 1, 48, v.data()), 0);
  for (int i = 0; i < 48; ++i) {
    const int w = YalplusEngine::eval_word(i);
    const int slot = i % 3 == 0 ? 2 : 5;
    const double want = i % 3 == 2 ? w : w * (YalplusEngine::scale_span(slot, 0) / 30000.0) -
                                             YalplusEngine::scale_offset(slot, 0);
    EXPECT_DOUBLE_EQ(v[static_cast<size_t>(i)], want) << i;
  }
  Fault corrupt;
  corrupt.kind = FaultKind::kCorruptBlock;
  corrupt.match = "FDE?1";
  corrupt.offset = 1;
  engine_->inject(corrupt);
  EXPECT_EQ(YALPRESS_GetEvalData(2, 5, 3, 2), kYalDeviceError);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(2), 48);
  QBX_RemoveDatabase(1);
}

// A platform whose free-space answer is chosen by the test.
class DiskPlatform : public tallix::Platform {
 public:
  int free_disk_space(const char* folder, double* free_bytes) override {
    if (error != 0) return error;
    if (free_override >= 0) {
      *free_bytes = free_override;
      return 0;
    }
    return Platform::free_disk_space(folder, free_bytes);
  }
  void show_message(const char*, const char* text) override { shown.emplace_back(text); }
  int error = 0;
  double free_override = -1.0;
  std::vector<std::string> shown;
};

class DiskTransferTest : public YalpressTest {
 protected:
  void SetUp() override {
    YalpressTest::SetUp();
    tallix::set_platform(&platform_);
    std::string bytes;
    for (int i = 0; i < 3000; ++i) bytes += static_cast<char>((i * 31) & 0xFF);
    engine_->set_disk_file("run1", bytes);
  }
  void TearDown() override {
    tallix::set_platform(nullptr);
    YalpressTest::TearDown();
  }
  static std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  DiskPlatform platform_;
  testkit::TempDir dir_;
};

TEST_F(DiskTransferTest, CopiesTheFileInPiecesWithProgress) {
  static std::vector<std::string> progress;
  progress.clear();
  const std::string local = dir_.file("run1.bin");
  ASSERT_EQ(YALPLUS_TransferDiskFile("run1", local.c_str(),
                                     [](const char* text, void*) { progress.emplace_back(text); }, nullptr),
            0);
  EXPECT_EQ(take_bytes(), "RHD?run1\n");
  EXPECT_EQ(file_bytes(local), engine_->disk_file("run1"));
  EXPECT_EQ(progress, (std::vector<std::string>{"Transfer: 1024 Byte of 3000 (34)", "Transfer: 2048 Byte of 3000 (68)",
                                                "Transfer: 3000 Byte of 3000 (100)"}));
}

TEST_F(DiskTransferTest, FailuresAndAbort) {
  const std::string local = dir_.file("out.bin");
  EXPECT_EQ(YALPLUS_TransferDiskFile("none", local.c_str(), nullptr, nullptr), kYalDiskRefused);
  platform_.error = 5;
  EXPECT_EQ(YALPLUS_TransferDiskFile("run1", local.c_str(), nullptr, nullptr), kYalDiskRefused);
  EXPECT_EQ(platform_.shown, (std::vector<std::string>{"Unable to determine available disk space: 5"}));
  platform_.error = 0;
  platform_.free_override = 2999;
  take_bytes();
  EXPECT_EQ(YALPLUS_TransferDiskFile("run1", local.c_str(), nullptr, nullptr), kYalDiskFull);
  EXPECT_EQ(take_bytes(), "RHD?run1\nSTP\n");
  platform_.free_override = -1.0;
  // A folder of that name: it cannot be created as a file.
  const std::string folder = dir_.file("taken");
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  EXPECT_EQ(YALPLUS_TransferDiskFile("run1", folder.c_str(), nullptr, nullptr), kYalDiskFileNotCreated);
  // The host aborts after the first piece: the message, "STP", 0, the flag cleared.
  take_bytes();
  ASSERT_EQ(YALPLUS_TransferDiskFile("run1", local.c_str(), [](const char*, void*) { QBX_ACQSetAbortFlag(1); },
                                     nullptr),
            0);
  EXPECT_EQ(platform_.shown.back(), "Disk transfer aborted!");
  EXPECT_EQ(take_bytes(), "RHD?run1\nSTP\n");
  EXPECT_EQ(file_bytes(local), engine_->disk_file("run1").substr(0, 1024));
  EXPECT_EQ(tallix::kernel().abort_flag, 0);
  QBX_Delay(50);  // the rest of the aborted file is still on its way
  QBX_FlushInQueue();
  // The device stops sending: -308.
  Fault cut;
  cut.kind = FaultKind::kShortBlock;
  cut.match = "RHD?";
  cut.drop_bytes = 100;
  engine_->inject(cut);
  QBX_SetTimeout(200);
  EXPECT_EQ(YALPLUS_TransferDiskFile("run1", local.c_str(), nullptr, nullptr), kYalDiskReadFailed);
  EXPECT_EQ(YALPLUS_TransferDiskFile(nullptr, local.c_str(), nullptr, nullptr), kAcqBadArgument);
}

}  // namespace
