// Trigger records as a host sees them (whole 56-byte copies, the index checks, the reset, the
// trigger-logic values) and the text dump of a channel header, compared byte for byte with the
// text a reader of the file expects.
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

#include "kernel_fixture.h"
#include "testkit/temp_dir.h"
#include "trigger_records.h"

using kernel_test::KernelTest;

namespace {

AcqTrigger sample_record(int32_t seed) {
  AcqTrigger r{};
  int32_t words[14];
  for (int32_t w = 0; w < 14; ++w) words[w] = seed * 100 + w;
  std::memcpy(&r, words, sizeof r);
  return r;
}

bool same(const AcqTrigger& a, const AcqTrigger& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Runs the dump with the current directory in a private folder; returns the file's bytes.
class DumpTest : public KernelTest {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    ASSERT_NE(getcwd(previous_, sizeof previous_), nullptr);
    ASSERT_EQ(chdir(dir_.path().c_str()), 0);
  }
  void TearDown() override {
    ASSERT_EQ(chdir(previous_), 0);
    KernelTest::TearDown();
  }
  std::string dump(int32_t channel, int32_t expected_status = 0) {
    EXPECT_EQ(QBX_ACQDumpAcqHdr(channel), expected_status);
    return testkit::read_file(dir_.file("AQHDR" + std::to_string(channel) + ".DMP"));
  }
  testkit::TempDir dir_;
  char previous_[PATH_MAX] = {};
};

// Fails the creation of files.
class NoFilesPlatform : public tallix::Platform {
 public:
  int create_file(const char*) override { return -EACCES; }
};

}  // namespace

using TriggerTest = KernelTest;

TEST_F(TriggerTest, RecordsAreCopiedWholeAndIndexedOneToTen) {
  const AcqTrigger global = sample_record(1);
  ASSERT_EQ(QBX_ACQSetTrgCtrlStruct(&global), 0);
  AcqTrigger out{};
  ASSERT_EQ(QBX_ACQGetTrgCtrlStruct(&out), 0);
  EXPECT_TRUE(same(out, global));
  EXPECT_EQ(out.device, 101);
  EXPECT_EQ(out.pretrigger, 112);

  for (int32_t i = 1; i <= 10; ++i) {
    const AcqTrigger r = sample_record(i + 1);
    ASSERT_EQ(QBX_ACQSetTrgCtrlStructEx(&r, i), 0) << i;
  }
  for (int32_t i = 1; i <= 10; ++i) {
    ASSERT_EQ(QBX_ACQGetTrgCtrlStructEx(&out, i), 0);
    EXPECT_TRUE(same(out, sample_record(i + 1))) << i;
  }
  // Only the low 16 bits of the index count; outside 1..10 nothing is touched.
  const AcqTrigger other = sample_record(50);
  for (int32_t bad : {0, 11, -1, 0x7FFF}) {
    EXPECT_EQ(QBX_ACQSetTrgCtrlStructEx(&other, bad), kAcqBadArgument) << bad;
    EXPECT_EQ(QBX_ACQGetTrgCtrlStructEx(&out, bad), kAcqBadArgument) << bad;
  }
  EXPECT_EQ(QBX_ACQSetTrgCtrlStructEx(&other, 0x10003), 0);
  ASSERT_EQ(QBX_ACQGetTrgCtrlStructEx(&out, 3), 0);
  EXPECT_TRUE(same(out, other));
  EXPECT_EQ(QBX_ACQSetTrgCtrlStruct(nullptr), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQGetTrgCtrlStructEx(nullptr, 1), kAcqBadArgument);
  // The Corvane start reads the same words.
  EXPECT_EQ(tallix::kernel().triggers[3][1], 5001);
}

TEST_F(TriggerTest, ResetClearsOnlyTheDeviceWords) {
  for (int32_t i = 1; i <= 10; ++i) {
    const AcqTrigger r = sample_record(i);
    ASSERT_EQ(QBX_ACQSetTrgCtrlStructEx(&r, i), 0);
  }
  const AcqTrigger g = sample_record(20);
  ASSERT_EQ(QBX_ACQSetTrgCtrlStruct(&g), 0);
  ASSERT_EQ(QBX_ACQResetTriggers(), 0);
  AcqTrigger out{};
  for (int32_t i = 1; i <= 10; ++i) {
    ASSERT_EQ(QBX_ACQGetTrgCtrlStructEx(&out, i), 0);
    AcqTrigger expected = sample_record(i);
    expected.device = -1;
    EXPECT_TRUE(same(out, expected)) << i;
  }
  ASSERT_EQ(QBX_ACQGetTrgCtrlStruct(&out), 0);
  EXPECT_EQ(out.device, -1);
  EXPECT_EQ(out.mode, 2002);
  // The header defaults give the global record its defaults: device -1, pre-trigger 25, word 0 kept.
  ASSERT_EQ(QBX_ACQInitAcqHdr(), 0);
  ASSERT_EQ(QBX_ACQGetTrgCtrlStruct(&out), 0);
  EXPECT_EQ(out.reserved_0, 2000);
  EXPECT_EQ(out.device, -1);
  EXPECT_EQ(out.mode, 0);
  EXPECT_EQ(out.pretrigger, 25);
  EXPECT_EQ(out.reserved_13, 0);
}

TEST_F(TriggerTest, TriggerLogicPerDevice) {
  EXPECT_EQ(QBX_ACQSetTrgLogic(0, 6500, 6501), 0);
  EXPECT_EQ(QBX_ACQSetTrgLogic(63, -2, 0x12345), 0);
  EXPECT_EQ(tallix::trigger_logic(0, 0), 6500);
  EXPECT_EQ(tallix::trigger_logic(1, 0), 6501);
  EXPECT_EQ(tallix::trigger_logic(0, 63), -2);
  EXPECT_EQ(tallix::trigger_logic(1, 63), 0x2345);  // 16-bit values
  EXPECT_EQ(QBX_ACQSetTrgLogic(64, 1, 1), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQSetTrgLogic(-1, 1, 1), kAcqBadArgument);
}

// The range 0.1 shows as ".100"; every number has its digits rounded, a minus first and no
// leading zero below 1; points and formula text follow.
TEST_F(DumpTest, TextOfAChannelHeader) {
  AcqHdr h = kernel_test::measured_header(8, 3, 2, 5);
  h.range = 0.1f;
  h.dio_port = 4;
  h.dio_bit = -7;
  std::memcpy(h.unit, "N", 2);
  ASSERT_EQ(QBX_ACQSetAcqHdr(12, &h), 0);
  EXPECT_EQ(dump(12),
            "Logical channel: 12\nDevice type: 8\nInterface: 3\nDevice address: 2\nHardware channel: 5\n"
            "DIO Port: 4\nDIO Bit: -7\nMeas.Range: .100\nUnit: N\n");

  const double points[] = {-0.5, 0.0, 0.000004, 2.5, 1.999996, -0.000004, 12345.678901, 1e-6};
  ASSERT_EQ(QBX_ACQCreateLinTab(12, 2, 0, 4, points, nullptr), 0);
  ASSERT_EQ(QBX_ACQCreateFormula(12, "c1*2", 0, nullptr, 0), 0);  // a formula channel has range 1.0
  h.range = -1234.56789f;
  std::memcpy(h.unit, "kNm/rad2", 8);  // a full field without terminator
  ASSERT_EQ(QBX_ACQSetAcqHdr(12, &h), 0);
  const std::string text = dump(12);
  const std::string tail =
      "Meas.Range: -1234.568\nUnit: kNm/rad2\n"
      "Lin Pt 1:   -.50000  .00000\n"
      "Lin Pt 2:   .00000  2.50000\n"
      "Lin Pt 3:   2.00000  -.00000\n"
      "Lin Pt 4:   12345.67890  .00000\n"
      "Formula: c1*2\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  // The default header: range 1.0 and "mV/V".
  EXPECT_EQ(dump(10000),
            "Logical channel: 10000\nDevice type: -1\nInterface: 1\nDevice address: -1\nHardware channel: 10000\n"
            "DIO Port: 0\nDIO Bit: 0\nMeas.Range: 1.000\nUnit: mV/V\n");
}

TEST_F(DumpTest, BadChannelAndUncreatableFile) {
  EXPECT_EQ(QBX_ACQDumpAcqHdr(0), kAcqBadChannel);
  EXPECT_EQ(QBX_ACQDumpAcqHdr(10001), kAcqBadChannel);
  NoFilesPlatform no_files;
  tallix::set_platform(&no_files);
  EXPECT_EQ(QBX_ACQDumpAcqHdr(1), kAcqFileNotCreated);
  tallix::set_platform(nullptr);
  // /dev/full takes the creation but no byte.
  if (access("/dev/full", W_OK) == 0) {
    ASSERT_EQ(symlink("/dev/full", dir_.file("AQHDR2.DMP").c_str()), 0);
    EXPECT_EQ(QBX_ACQDumpAcqHdr(2), kAcqFileWriteFailed);
  }
}
