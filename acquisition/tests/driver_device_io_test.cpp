// The device input/output statement on a pseudo-terminal that the test plays as the instrument:
// the bytes each write puts on the line, replies read by length, terminator and time-out into
// numeric and text variables, flushing, the n-th measured channel, and the block formats that
// parse a reply into the measured channels' IO buffers (text numbers, every binary type, groups,
// widths, skipped bytes, a single target channel) with their failures.
#include <cstring>

#include "driver_stack_fixture.h"
#include "linkar32.h"
#include "testkit/pty_pair.h"

namespace kernel_test {
namespace {

constexpr int32_t kPort = 1;
constexpr int32_t kType = 7777;  // no built-in family: a driver stack

class DeviceIoTest : public DriverStackTest {
 protected:
  void SetUp() override {
    DriverStackTest::SetUp();
    env_ = std::make_unique<testkit::ScopedEnv>("LINKAR32_COM1", pty_.slave_path());
    ASSERT_EQ(QBX_OpenPort(kPort, 9600, "n", 8, 1, 4096), 0);
    QBX_SetTimeout(1000);
    tallix::device(kSlot).port = kPort;
    tallix::device(kSlot).address = 0;
    for (int32_t ch = 1; ch <= 3; ++ch) {
      AcqHdr h = measured_header(kType, kPort, 0, static_cast<int16_t>(ch), kSlot);
      ASSERT_EQ(QBX_ACQSetAcqHdr(ch, &h), 0);
      ASSERT_EQ(QBX_ACQAllocIOBuf(ch, 8, 0), 0);
    }
  }
  void TearDown() override {
    QBX_ClosePortEx(-1);
    QBX_SetTimeout(3000);
    DriverStackTest::TearDown();
  }
  // The current length of a channel's IO buffer, and its values.
  std::vector<double> values(int32_t ch) {
    const IOBuf& b = tallix::buffer(ch);
    return std::vector<double>(b.values, b.values + b.current_length);
  }
  int32_t block_count(int32_t ch) { return tallix::header(ch).read_block_count; }

  testkit::PtyPair pty_;
  std::unique_ptr<testkit::ScopedEnv> env_;
  const int32_t list_[3] = {1, 2, 3};
  tallix::StackCall call_{3, list_};
};

TEST_F(DeviceIoTest, WritesPutTheTextAndLineEndOnTheLine) {
  EXPECT_EQ(run("write \"*RST\" lf\nwrite \"A\" cr\nwrite \"B\" crlf\nwrite \"C\"\n$1 = \"VOLT 'DC'\"\n"
                "write $1 lf\nwrite \"MEAS?XYZ\" lf count 5\nwrite (2.5 * 2) lf"),
            0);
  EXPECT_EQ(pty_.read_available(100), "*RST\nA\rB\r\nCVOLT \"DC\"\nMEAS?\n5\n")
      << "single quotes become double quotes; count cuts the text before the line end";
}

TEST_F(DeviceIoTest, RepliesAreReadIntoVariables) {
  pty_.write("+1.250000E+01\r\nQBX,Meter\n12345678  -7\n");
  EXPECT_EQ(run("read x1\nread $2\nread $3 length 4 until none\nread x4 until 10 timeout 500"), 0);
  EXPECT_EQ(number(1), 12.5);
  EXPECT_EQ(text(2), "QBX,Meter") << "without the line end";
  EXPECT_EQ(text(3), "1234") << "exactly the length";
  EXPECT_EQ(number(4), 5678) << "the number at the start of the rest";
  pty_.write("no number\n");
  EXPECT_EQ(run("x1 = 9\nread x1"), 0);
  EXPECT_EQ(number(1), 0);
  // Nothing comes: the read's status ends the run; the time-out of the read is put back after it.
  EXPECT_EQ(run("x1 = 1\nread x2 timeout 50\nx1 = 2"), -10);
  EXPECT_EQ(number(1), 1);
  EXPECT_EQ(QBX_GetCurrTimeout(), 1000);
}

TEST_F(DeviceIoTest, FlushDiscardsWhatWaits) {
  pty_.write("stale\n");
  EXPECT_EQ(run("wait 100\nflush\nwrite \"Q\" lf\nwait 0"), 0);
  pty_.read_available(50);
  pty_.write("fresh\n");
  EXPECT_EQ(run("read $1"), 0);
  EXPECT_EQ(text(1), "fresh");
}

TEST_F(DeviceIoTest, TextNumbersGoRoundRobinToTheMeasuredChannels) {
  pty_.write("+1.5E+00,-2.25,3e1,4,5,6\n");
  EXPECT_EQ(run("read $1\nstore \"r2(%#,%#,%#,)\"", call_), 0);
  EXPECT_EQ(values(1), (std::vector<double>{1.5, 4}));
  EXPECT_EQ(values(2), (std::vector<double>{-2.25, 5}));
  EXPECT_EQ(values(3), (std::vector<double>{30, 6}));
  EXPECT_EQ(block_count(1), 2);
  // Each store starts again at the first channel and appends at the current length.
  pty_.write("7\n8\n");
  EXPECT_EQ(run("read $1\nstore \"%#\"\nread $1\nstore \"%#\"", call_), 0);
  EXPECT_EQ(values(1), (std::vector<double>{1.5, 4, 7, 8}));
  EXPECT_EQ(values(2).size(), 2u);
  // Fixed widths, blanks and skipped bytes.
  pty_.write("  12 -3.5xx99\n");
  EXPECT_EQ(run("read $1\nstore \"t4%#t0%#xx%#\" to 3", call_), 0);
  EXPECT_EQ(values(3), (std::vector<double>{30, 6, 12, -3.5, 99}));
}

TEST_F(DeviceIoTest, BinaryValuesOfEveryType) {
  std::string block = "#";
  auto put = [&](const void* p, size_t n) { block.append(static_cast<const char*>(p), n); };
  const uint8_t b = 200;
  const int16_t i = -1234;
  const int32_t l = -7000000;
  const float f = 0.375f;
  const double d = -1e-3;
  put(&b, 1);
  put(&i, 2);
  put(&l, 4);
  put(&f, 4);
  put(&d, 8);
  pty_.write(block);
  EXPECT_EQ(run("read $1 length " + std::to_string(block.size()) + " until none\nstore \"x%b%i%l%f%d\"", call_), 0);
  EXPECT_EQ(values(1), (std::vector<double>{200, 0.375}));
  EXPECT_EQ(values(2), (std::vector<double>{-1234, -1e-3}));
  EXPECT_EQ(values(3), (std::vector<double>{-7000000}));
  // Nested groups: two scans of (a 16-bit value and three bytes).
  std::string scans;
  for (int s = 0; s < 2; ++s) {
    const int16_t v = static_cast<int16_t>(100 * (s + 1));
    scans.append(reinterpret_cast<const char*>(&v), 2);
    scans += "\x01\x02\x03";
  }
  pty_.write(scans);
  QBX_ACQResetIOBuf(1);
  EXPECT_EQ(run("read $1 length 10 until none\nstore \"r2(%ir3(%b))\" to 1", call_), 0);
  EXPECT_EQ(values(1), (std::vector<double>{100, 1, 2, 3, 200, 1, 2, 3}));
}

TEST_F(DeviceIoTest, BadFormatsMissingValuesAndFullBuffers) {
  pty_.write("1,2\n");
  ASSERT_EQ(run("read $1", call_), 0);
  const struct {
    const char* format;
    int32_t result;
  } cases[] = {
      {"%q", kAcqStackBadFormat},           {"(%#", kAcqStackBadFormat},      {"%#)", kAcqStackBadFormat},
      {"%", kAcqStackBadFormat},            {"r(%#)", kAcqStackBadFormat},    {"((((((((%#))))))))", kAcqStackBadFormat},
      {"%#,%#,%#", kAcqStackBadFormat},     {"%d", kAcqStackBadFormat},       {"t9%#", kAcqStackBadFormat},
      {"r1000000(x)", 0},                   {"(((((((%#)))))))", 0},
  };
  for (const auto& c : cases) {
    std::vector<drvc::Statement> program = {
        statement(kDrvDeviceIO, {"111", ("\"" + std::string(c.format) + "\"").c_str()})};
    QBX_ACQRemoveDriverStack(kSlot);
    ASSERT_EQ(load(image_of("InitDevice", program)), 0);
    // The reply area keeps the last reply across runs.
    EXPECT_EQ(tallix::run_driver_stack(kSlot, tallix::StackSection::kInitDevice, call_), c.result) << c.format;
  }
  for (int32_t ch = 1; ch <= 3; ++ch) QBX_ACQResetIOBuf(ch);
  pty_.write("1,2,3,4,5,6,7,8,9\n");
  EXPECT_EQ(run("read $1\nstore \"r9(%#,)\" to 2", call_), kAcqStackBadChannel) << "the ninth value finds it full";
  EXPECT_EQ(values(2).size(), 8u) << "never written beyond its capacity";
  QBX_ACQFreeIOBuf(3);
  pty_.write("1\n");
  EXPECT_EQ(run("read $1\nstore \"%#\" to 3", call_), kAcqStackBadChannel);
  EXPECT_EQ(run("store \"%#\" to 0", call_), kAcqStackBadChannel);
  pty_.write("1\n");
  EXPECT_EQ(run("read $1\nstore \"%#\""), kAcqStackBadChannel) << "no measured channel in the list";
}

}  // namespace
}  // namespace kernel_test
