// The kernel frame without devices on a line: the device table exports and their bounds, the
// parameter texts against the published list, the header defaults byte by byte, family items,
// and the dispatch of device and channel set-up to families that answer without traffic.
#include <cstddef>
#include <string>
#include <vector>

#include "kernel_fixture.h"
#include "config_signature.h"
#include "linkar32.h"

using kernel_test::CountingPlatform;
using kernel_test::KernelTest;
using kernel_test::measured_header;

namespace {

using kernel_test::kNullPort;

std::string translate(int32_t id, int32_t* result = nullptr) {
  char text[256] = "untouched";
  int32_t r = QBX_ACQTranslateParID(id, text, 0);
  if (result) *result = r;
  return text;
}

extern "C" size_t c_layout(int which);

const float kRates[6] = {100, 200, 300, 400, 500, 600};
const uint8_t kWidths[6] = {1, 0, 2, 1, 0, 0};

}  // namespace

using FrameTest = KernelTest;

TEST_F(FrameTest, SetDeviceInfoChecksDeviceAndCount) {
  EXPECT_EQ(QBX_ACQSetDeviceInfo(64, 8, 1, 0, 0, 2, 3, 0, kRates, kWidths), 0);
  EXPECT_EQ(QBX_ACQSetDeviceInfo(-1, 8, 1, 0, 0, 2, 3, 0, kRates, kWidths), 0);
  EXPECT_EQ(tallix::kernel().device_count, 0);
  EXPECT_EQ(QBX_ACQSetDeviceInfo(5, 8, 1, 0, 0, 2, 65, 0, kRates, kWidths), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQSetDeviceInfo(5, 8, 1, 0, 0, 2, -1, 0, kRates, kWidths), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQSetDeviceInfo(5, 8, 1, 0, 0, 2, 6, 0, nullptr, kWidths), kAcqBadArgument);
  EXPECT_EQ(+tallix::device(5).device_type, 0);

  ASSERT_EQ(QBX_ACQSetDeviceInfo(5, 2000, 100, 7, 123, 2, 6, 1, kRates, kWidths), 0);
  const DeviceRecord& d = tallix::device(5);
  EXPECT_EQ(+d.device_type, 2000);
  EXPECT_EQ(+d.port, 100);
  EXPECT_EQ(+d.address, 7);
  EXPECT_EQ(+d.start_role, 2);
  EXPECT_EQ(+d.block_mode, 1);
  EXPECT_EQ(+d.fifo_rate[5], 600.0f);
  const int16_t widths[6] = {2, 4, 4, 2, 4, 4};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(+d.sample_width[i], widths[i]) << i;
  EXPECT_EQ(tallix::kernel().device_count, 6);
}

TEST_F(FrameTest, DeviceStatusItemsAreSixteenBitsWide) {
  EXPECT_EQ(QBX_ACQSetDeviceStatus(3, 70000), 0);
  EXPECT_EQ(QBX_ACQGetDeviceStatus(3, 0), 70000 - 65536);
  QBX_ACQSetDeviceStatus(3, -214);
  EXPECT_EQ(QBX_ACQGetDeviceStatus(3, 0), -214);
  tallix::device(3).status_words[5] = 12;
  EXPECT_EQ(QBX_ACQGetDeviceStatus(3, 6), 12);
  EXPECT_EQ(QBX_ACQGetDeviceStatus(3, 9), 9);
  EXPECT_EQ(QBX_ACQGetDeviceStatus(64, 0), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQSetDeviceStatus(-1, 5), kAcqBadArgument);
}

TEST_F(FrameTest, ResetDeviceStatusClearsReadFlagsOfRegisteredDevicesOnly) {
  ASSERT_EQ(QBX_ACQSetDeviceInfo(0, 8, 1, 0, 0, 0, 2, 0, kRates, kWidths), 0);
  for (int n : {0, 1, 2}) tallix::device(n).fifo_read_done[3] = 1;
  tallix::device(1).fifo_rate_matches[0] = 1;
  EXPECT_EQ(QBX_ACQResetDeviceStatus(), 0);
  EXPECT_EQ(+tallix::device(0).fifo_read_done[3], 0);
  EXPECT_EQ(+tallix::device(1).fifo_read_done[3], 0);
  EXPECT_EQ(+tallix::device(2).fifo_read_done[3], 1);
  EXPECT_EQ(+tallix::device(1).fifo_rate_matches[0], 1);
  EXPECT_EQ(tallix::kernel().first_read_after_reset, 1);

  tallix::device(63).config_unchanged = 1;
  tallix::device(63).config_signature[2] = 77;
  EXPECT_EQ(QBX_ACQEnforceStartInit(), 0);
  EXPECT_EQ(+tallix::device(63).config_unchanged, 0);
  EXPECT_EQ(+tallix::device(63).config_signature[2], 0);
}

TEST_F(FrameTest, NamesAndPathsMustFitTheirFields) {
  const std::string longest(255, 'a');
  EXPECT_EQ(QBX_ACQSetAppPath(longest.c_str()), 0);
  EXPECT_EQ(std::string(tallix::kernel().app_path), longest);
  EXPECT_EQ(QBX_ACQSetAppPath((longest + "b").c_str()), kAcqBadArgument);
  EXPECT_EQ(std::string(tallix::kernel().app_path), longest);
  EXPECT_EQ(QBX_ACQSetDeviceDriverInfo(64, "x.so"), 0);
  EXPECT_EQ(QBX_ACQSetDeviceDriverInfo(4, nullptr), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQSetDeviceDriverInfo(4, (longest + "b").c_str()), kAcqBadArgument);
  EXPECT_EQ(+tallix::device(4).plugin_named, 0);
  EXPECT_EQ(QBX_ACQSetDeviceDriverInfo(4, "libdriver.so"), 0);
  EXPECT_EQ(+tallix::device(4).plugin_named, 1);
  EXPECT_STREQ(tallix::device(4).plugin_file, "libdriver.so");
}

// The texts as the parameter list publishes them, double blanks and spellings included.
TEST_F(FrameTest, ParameterTextsAreStoredByteForByte) {
  const std::vector<std::pair<int32_t, std::string>> expected = {
      {0, "OFF"}, {3, "YES"}, {12, "1.25 V Excitation"}, {43, "Cold junction input"},
      {149, "Fixed filter"}, {289, "Remote Control Bitmask"}, {357, "Inductive halft bridge"},
      {363, "SG fullbridge (350 Ohm)"}, {368, "SQ quarter bridge 120 Ohm, 4-wire circuit"},
      {450, "Thermocouple Type  J"}, {502, "Resistance thermometer  Pt1000"}, {550, "Deltatron (TM)  0.1 V"},
      {571, "Charge amplifier  0.1 nC"}, {761, "Counter x 0.01"}, {770, "Temperature"},
      {901, "0.01"}, {911, "0.075"}, {927, "1"}, {944, "17.5"}, {983, "9000"}, {985, "50000"}, {1100, "10000"},
      {6300, "1"}, {6314, "800"}, {6320, "9600"}, {6321, "3"}, {6341, "1920"}, {6345, "19200"},
      {15003, "5 kHz / 2.5 V"}, {15013, "1000 mV/V"}, {32001, "Function not supported by firmware"},
      {32767, "Illegal parameter value"}, {5050, "Not connected"}, {5055, "Digital I/O"}};
  for (const auto& [id, text] : expected) {
    int32_t r = 0;
    EXPECT_EQ(translate(id, &r), text) << id;
    EXPECT_EQ(r, static_cast<int32_t>(text.size())) << id;
  }
  for (int32_t id : {4, 984, 1101, 5019, 5057, 6342, 6344, 15014, 15099, 15345, 32003, -1}) {
    int32_t r = 0;
    EXPECT_EQ(translate(id, &r), "Unknown") << id;
    EXPECT_EQ(r, -1) << id;
  }
  char text[16] = "kept";
  EXPECT_EQ(QBX_ACQTranslateParID(32767, text, -12), -12);
  EXPECT_STREQ(text, "kept");
  EXPECT_EQ(QBX_ACQTranslateParID(1, nullptr, 0), kAcqBadArgument);
}

// The designation ranges: every id has a text of its own, within the 255 bytes a caller provides.
TEST_F(FrameTest, DesignationRangesHaveDistinctTexts) {
  std::vector<std::string> seen;
  for (auto [first, last] : {std::pair{5000, 5018}, {5050, 5056}, {5500, 5522}, {15100, 15344}}) {
    for (int32_t id = first; id <= last; ++id) {
      int32_t r = 0;
      std::string t = translate(id, &r);
      EXPECT_GT(r, 0) << id;
      EXPECT_LT(r, 255) << id;
      for (const std::string& s : seen) EXPECT_NE(s, t) << id;
      seen.push_back(t);
    }
  }
  EXPECT_EQ(translate(5000), "Amplifier module 1");
  EXPECT_EQ(translate(15344), "Transducer circuit 245");
}

TEST_F(FrameTest, ItemsAreCopiedByType) {
  tallix::Items& items = tallix::kernel().items;
  items.integer = -77;
  items.real = 2.5f;
  std::strcpy(items.text, "SG 350");
  for (int i = 0; i < 16; ++i) items.record[i] = static_cast<uint8_t>(i + 1);
  int32_t i32 = 0;
  float f = 0;
  char text[256];
  uint8_t record[17] = {};
  record[16] = 0xEE;
  EXPECT_EQ(QBX_ACQGetItem(0, &i32), 0);
  EXPECT_EQ(QBX_ACQGetItem(1, &f), 0);
  EXPECT_EQ(QBX_ACQGetItem(2, text), 0);
  EXPECT_EQ(QBX_ACQGetItem(3, record), 0);
  EXPECT_EQ(i32, -77);
  EXPECT_EQ(f, 2.5f);
  EXPECT_STREQ(text, "SG 350");
  EXPECT_EQ(record[15], 16);
  EXPECT_EQ(record[16], 0xEE);
  i32 = 5;
  EXPECT_EQ(QBX_ACQGetItem(4, &i32), 0);
  EXPECT_EQ(i32, 5);
  EXPECT_EQ(QBX_ACQGetItem(0, nullptr), kAcqBadArgument);
}

// The defaults, checked on the bytes of the record the host copies out.
TEST_F(FrameTest, InitAcqHdrWritesTheDefaultRecord) {
  AcqHdr h{};
  QBX_ACQSetAcqHdr(1234, &h);
  ASSERT_EQ(QBX_ACQInitAcqHdr(), 0);
  unsigned char bytes[76];
  ASSERT_EQ(QBX_ACQGetAcqHdr(1234, reinterpret_cast<AcqHdr*>(bytes)), 0);
  auto i16 = [&](int off) { return static_cast<int16_t>(bytes[off] | (bytes[off + 1] << 8)); };
  auto i32 = [&](int off) {
    return static_cast<int32_t>(bytes[off] | (bytes[off + 1] << 8) | (bytes[off + 2] << 16) |
                                (static_cast<uint32_t>(bytes[off + 3]) << 24));
  };
  auto f32 = [&](int off) {
    float f;
    std::memcpy(&f, bytes + off, 4);
    return f;
  };
  EXPECT_EQ(i16(0), -1);      // device type
  EXPECT_EQ(i16(2), -1);      // device address
  EXPECT_EQ(i16(4), 1);       // interface
  EXPECT_EQ(i16(6), 0);       // acquisition class
  EXPECT_EQ(i16(8), 1234);    // hardware channel
  EXPECT_EQ(i16(26), 4);      // format word
  EXPECT_EQ(i32(28), 1);      // full-scale count
  EXPECT_EQ(f32(32), 1.0f);   // range
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes + 36)), "mV/V");
  EXPECT_EQ(i16(44), 1);      // sensor type
  EXPECT_EQ(i16(46), 13);     // sort index
  EXPECT_EQ(f32(60), 0.02f);  // time interval
  for (int off : {10, 12, 14, 16, 18, 20, 22, 24, 52, 54, 64, 66, 72, 74}) EXPECT_EQ(i16(off), 0) << off;
  for (int off : {48, 56, 68}) EXPECT_EQ(i32(off), 0) << off;
  EXPECT_EQ(QBX_ACQGetAcqHdr(0, reinterpret_cast<AcqHdr*>(bytes)), kAcqBadChannel);
  EXPECT_EQ(QBX_ACQGetAcqHdr(10001, reinterpret_cast<AcqHdr*>(bytes)), kAcqBadChannel);
}

// Re-initialising returns the IO buffers, tables and work areas it clears; rings stay.
TEST_F(FrameTest, InitAcqHdrFreesWhatItClears) {
  CountingPlatform counting;
  tallix::set_platform(&counting);
  ASSERT_EQ(QBX_ACQAllocIOBuf(7, 10, 3), 0);
  ASSERT_EQ(QBX_CBAllocateBuffer(7, 10), 0);
  tallix::kernel().lin[7].points = tallix::allocate_doubles(4);
  tallix::kernel().formulas[7].text = static_cast<char*>(counting.allocate(8));
  AcqHdr time_channel = measured_header(-1, kNullPort, 0, 1);
  time_channel.acq_class = 2;
  QBX_ACQSetAcqHdr(7, &time_channel);
  const int32_t list[] = {7};
  ASSERT_EQ(QBX_ACQInitChan(1, list, 0, 0), 0);
  EXPECT_EQ(tallix::kernel().work[7].bytes, 16);
  EXPECT_EQ(counting.live, 5);

  ASSERT_EQ(QBX_ACQInitAcqHdr(), 0);
  EXPECT_EQ(counting.live, 1);  // the ring
  EXPECT_EQ(+tallix::buffer(7).values, nullptr);
  EXPECT_EQ(+tallix::buffer(7).tag, 0);
  EXPECT_NE(+tallix::buffer(7).ring, nullptr);
  EXPECT_EQ(tallix::kernel().work[7].block, nullptr);
  EXPECT_EQ(tallix::kernel().trigger_global[1], -1);
  EXPECT_EQ(tallix::kernel().trigger_global[12], 25);
  const int32_t* atmio = tallix::kernel().atmio[63];
  EXPECT_EQ(atmio[4], 20);
  EXPECT_EQ(atmio[6], 2);
  EXPECT_EQ(atmio[70], 1);
  EXPECT_EQ(atmio[71] & 0xFFFF, 28100);
  EXPECT_EQ(atmio[72] & 0xFFFF, 256);
  QBX_CBFreeBuffer(7);
  EXPECT_EQ(counting.live, 0);
  tallix::set_platform(nullptr);
}

TEST_F(FrameTest, InitChanChecksTheWholeListFirst) {
  kernel_test::MessageRecorder recorder;
  std::vector<int32_t>& messages = recorder.messages;
  AcqHdr h = measured_header(2001, kNullPort, 0, 1);
  QBX_ACQSetAcqHdr(5, &h);
  const int32_t bad[] = {5, 10001};
  EXPECT_EQ(QBX_ACQInitChan(2, bad, 0, 0), kAcqBadChannel);
  const int32_t zero[] = {0};
  EXPECT_EQ(QBX_ACQInitChan(1, zero, 0, 0), kAcqBadChannel);
  EXPECT_EQ(QBX_ACQInitChan(-1, zero, 0, 0), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQInitChan(1, nullptr, 0, 0), kAcqBadArgument);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(tallix::header(5).full_scale, 25000);
  EXPECT_EQ(QBX_ACQInitChan(0, nullptr, 0, 0), 0);
}

// Families that answer without the line: data server, ATMIO, reserved and unavailable families;
// formula and time channels cause no family call and no message.
TEST_F(FrameTest, InitChanDispatchesByFamily) {
  kernel_test::MessageRecorder recorder;
  std::vector<int32_t>& messages = recorder.messages;
  struct Case {
    int16_t type;
    int32_t result;
  };
  const Case cases[] = {{2001, 0}, {16, kAcqFamilyNotSupported}, {155, kAcqReservedType},
                        {156, kAcqReservedType}, {40, kAcqFamilyNotSupported}, {2000, kAcqFamilyNotSupported}};
  for (const Case& c : cases) {
    AcqHdr h = measured_header(c.type, kNullPort, 0, 1);
    QBX_ACQSetAcqHdr(20, &h);
    const int32_t list[] = {20};
    EXPECT_EQ(QBX_ACQInitChan(1, list, 0, 0), c.result) << c.type;
  }
  EXPECT_EQ(tallix::header(20).full_scale, 25000);
  AcqHdr server = measured_header(2001, kNullPort, 0, 1);
  QBX_ACQSetAcqHdr(21, &server);
  AcqHdr formula = measured_header(16, 5, 0, 1);
  formula.acq_class = 1;
  QBX_ACQSetAcqHdr(22, &formula);
  messages.clear();
  const int32_t list[] = {22, 21};
  EXPECT_EQ(QBX_ACQInitChan(2, list, 0, 0), 0);
  EXPECT_EQ(tallix::header(21).full_scale, 1);
  EXPECT_EQ(tallix::header(21).range, 1.0f);
  EXPECT_EQ(messages, std::vector<int32_t>{21});

  AcqHdr unopened = measured_header(2001, 5, 0, 1);
  QBX_ACQSetAcqHdr(23, &unopened);
  const int32_t one[] = {23};
  EXPECT_EQ(QBX_ACQInitChan(1, one, 0, 0), kQbxPortNotOpen);

  // The read-back mode runs the YALPLUS read-back first, not available yet.
  AcqHdr yal = measured_header(2000, kNullPort, 0, 1);
  QBX_ACQSetAcqHdr(24, &yal);
  const int32_t yal_list[] = {21, 24};
  EXPECT_EQ(QBX_ACQInitChan(2, yal_list, -100, 0), kAcqFamilyNotSupported);
}

TEST_F(FrameTest, WorkAreasFollowClassAndFormulaKind) {
  CountingPlatform counting;
  tallix::set_platform(&counting);
  tallix::FormulaRecord& f = tallix::kernel().formulas[30];
  static double parameters[2] = {0, 5};
  f.kind = 13;
  f.parameters = parameters;
  f.parameter_count = 2;
  AcqHdr h = measured_header(-1, kNullPort, 0, 1);
  h.acq_class = 1;
  QBX_ACQSetAcqHdr(30, &h);
  const int32_t list[] = {30};
  ASSERT_EQ(QBX_ACQInitChan(1, list, 0, 0), 0);
  EXPECT_EQ(tallix::kernel().work[30].elements, 6);
  EXPECT_EQ(tallix::kernel().work[30].bytes, 48);
  f.kind = 45;
  ASSERT_EQ(QBX_ACQInitChan(1, list, 0, 0), 0);
  EXPECT_EQ(tallix::kernel().work[30].bytes, 40);
  EXPECT_EQ(counting.live, 1);
  parameters[1] = -3;
  f.kind = 14;
  EXPECT_EQ(QBX_ACQInitChan(1, list, 0, 0), kAcqWorkAreaFailed);
  f.kind = 21;
  counting.fail_at = counting.allocations + 1;
  EXPECT_EQ(QBX_ACQInitChan(1, list, 0, 0), kAcqWorkAreaFailed);
  EXPECT_EQ(tallix::kernel().work[30].block, nullptr);
  EXPECT_EQ(counting.live, 0);
  f = tallix::FormulaRecord{};
  tallix::set_platform(nullptr);
}

TEST_F(FrameTest, InitDeviceSelectsOnlyWhereTheFamilySays) {
  EXPECT_EQ(QBX_ACQInitDevice(64, 8, 1, 0), kAcqBadArgument);
  // Port 5 is not open: families that select first fail on it, ATMIO and reserved types do not.
  EXPECT_EQ(QBX_ACQInitDevice(2, 16, 5, 0), kAcqFamilyNotSupported);
  EXPECT_EQ(QBX_ACQInitDevice(2, 156, 5, 0), kAcqReservedType);
  EXPECT_EQ(QBX_ACQInitDevice(2, 155, 5, 0), 0);  // no plug-in, no driver stack ready
  EXPECT_EQ(QBX_ACQInitDevice(2, 40, 5, 0), kQbxPortNotOpen);
  EXPECT_EQ(QBX_ACQInitDevice(2, 40, kNullPort, 0), kAcqFamilyNotSupported);
  EXPECT_EQ(QBX_ACQInitDevice(2, 77, kNullPort, 4), 0);
  EXPECT_EQ(+tallix::device(2).device_type, 77);
  EXPECT_EQ(+tallix::device(2).port, kNullPort);
  EXPECT_EQ(+tallix::device(2).address, 4);
  EXPECT_EQ(QBX_ACQDeviceControl(2, 1, 2, 3), 0);
  EXPECT_EQ(QBX_ACQDeviceControl(-1, 1, 2, 3), kAcqBadArgument);
  QBX_ACQSetDeviceDriverInfo(3, "libno-such-driver-anywhere.so");
  EXPECT_EQ(QBX_ACQInitDevice(3, 77, kNullPort, 0), kAcqPluginNotFound);
  EXPECT_EQ(+tallix::device(3).plugin_loaded, 0);
}

TEST_F(FrameTest, CmdChecksItsList) {
  const int16_t bad[] = {1, 0};
  EXPECT_EQ(QBX_ACQCmd(2, bad, 109, nullptr), kAcqBadChannel);
  const int16_t negative[] = {-5};
  EXPECT_EQ(QBX_ACQCmd(1, negative, 109, nullptr), kAcqBadChannel);
  EXPECT_EQ(QBX_ACQCmd(-1, bad, 109, nullptr), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQCmd(0, nullptr, 109, nullptr), 0);
  // Families without code answer -234, reserved ones -451.
  AcqHdr h = measured_header(40, kNullPort, 0, 1);
  QBX_ACQSetAcqHdr(3, &h);
  const int16_t list[] = {3};
  int32_t value = 0;
  EXPECT_EQ(QBX_ACQCmd(1, list, 1, &value), kAcqFamilyNotSupported);
  h.device_type = 156;
  QBX_ACQSetAcqHdr(3, &h);
  EXPECT_EQ(QBX_ACQCmd(1, list, 1, &value), kAcqReservedType);
}

// A plug-in compiled as C sees the records at the kernel's offsets.
TEST(PluginLayout, CAndCppAgree) {
  const size_t expected[] = {sizeof(DeviceRecord), sizeof(AcqHdr), sizeof(IOBuf),
                             offsetof(DeviceRecord, plugin_entry), offsetof(DeviceRecord, plugin_handle),
                             offsetof(AcqHdr, zero_offset), offsetof(IOBuf, ring), offsetof(IOBuf, ring_wrapped),
                             sizeof(AcqTrigger), offsetof(AcqTrigger, level), offsetof(AcqTrigger, pretrigger)};
  const size_t published[] = {2618, 76, 54, 2542, 2610, 68, 28, 53, 56, 20, 48};
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(c_layout(i), expected[i]) << i;
    EXPECT_EQ(c_layout(i), published[i]) << i;
  }
}

// The signature sums over the device's measured channels; a changed list clears the
// configuration-unchanged flag, the same list keeps it.
TEST_F(FrameTest, ConfigurationSignature) {
  const float rates[6] = {};
  const uint8_t widths[6] = {};
  ASSERT_EQ(QBX_ACQSetDeviceInfo(1, 8, kNullPort, 2, 0, 0, 2, 0, rates, widths), 0);
  AcqHdr h = measured_header(8, kNullPort, 2, 3);
  h.sub_channel = 1;
  h.sort_index = 13;
  h.fifo = 4;
  QBX_ACQSetAcqHdr(10, &h);
  h.hardware_channel = 5;
  h.sub_channel = 0;
  h.fifo = 0;
  QBX_ACQSetAcqHdr(11, &h);
  h.device_address = 3;  // another device
  QBX_ACQSetAcqHdr(12, &h);
  h.device_address = 2;
  h.acq_class = 1;  // a formula channel
  QBX_ACQSetAcqHdr(13, &h);
  const int32_t list[] = {10, 11, 12, 13};
  tallix::ConfigSignature s = tallix::config_signature(1, 4, list);
  EXPECT_EQ(s.sums[0], 3 * 3 + 5 * 5);
  EXPECT_EQ(s.sums[1], 3 * 2 + 5 * 1);
  EXPECT_EQ(s.sums[2], 3 * 14 + 5 * 14);
  EXPECT_EQ(s.sums[3], 3 * 5 + 5 * 1);

  DeviceRecord& d = tallix::device(1);
  d.config_unchanged = 1;
  tallix::note_config_signature(1, s);
  EXPECT_EQ(+d.config_unchanged, 0);  // differs from the empty one
  d.config_unchanged = 1;
  tallix::note_config_signature(1, tallix::config_signature(1, 4, list));
  EXPECT_EQ(+d.config_unchanged, 1);
  QBX_ACQEnforceStartInit();
  d.config_unchanged = 1;
  tallix::note_config_signature(1, tallix::config_signature(1, 4, list));
  EXPECT_EQ(+d.config_unchanged, 0);
}
