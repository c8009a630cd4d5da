// USB devices on port 200 through the simulator backend against the simulator's UsbServer: the scan
// entries, opening, selecting and closing two devices with their log lines, the buffering of a
// terminated read, exact reads across refills, writes in pieces, pipes that cannot be opened, a
// device that goes away, and a simulator that cannot be reached.
#include <algorithm>
#include <map>
#include <memory>

#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"
#include "linkar_fixture.h"
#include "platform.h"
#include "usb_pipes.h"

namespace {

namespace sim = corvane_sim;

sim::EngineConfig with_serial(const char* serial) {
  sim::EngineConfig c;
  c.serial_numbers = {serial};
  return c;
}

// The real system, counting the bytes of every send and receive per descriptor, leaving out the
// short request and answer lines that open the simulator's pipes.
class CountingPlatform : public linkar::Platform {
 public:
  static constexpr size_t kHandshakeBytes = 64;
  ssize_t send(int fd, const void* data, size_t count) override {
    ssize_t n = Platform::send(fd, data, count);
    if (n > 0 && count > kHandshakeBytes) sends[fd].push_back(static_cast<size_t>(n));
    return n;
  }
  ssize_t recv(int fd, void* buffer, size_t count) override {
    ssize_t n = Platform::recv(fd, buffer, count);
    if (n > 0 && count > 1) receives[fd].push_back(static_cast<size_t>(n));
    return n;
  }
  std::map<int, std::vector<size_t>> sends;
  std::map<int, std::vector<size_t>> receives;
};

class UsbTest : public LinkarTest {
 protected:
  void SetUp() override {
    LinkarTest::SetUp();
    server_.add_device(engine_b_, "CV-B");
    server_.start(socket_path_);
  }
  void TearDown() override {
    LinkarTest::TearDown();
    EXPECT_EQ(linkar::usb_pipes().open_count(), 0);  // every slot was given back
    linkar::set_platform(nullptr);
  }

  static int32_t open_usb(int32_t id, const char* name) { return QBX_OpenPort(200, id, name, 8, 1, 4096); }
  // Writes a command and reads the reply line.
  static std::string ask(const char* command, int32_t expect = kQbxOk) {
    char buf[1100] = {};
    int32_t status = 0, got = 0;
    EXPECT_EQ(QBX_WritePort(command), 0);
    EXPECT_EQ(QBX_ReadPort(buf, 1024, &status, &got, '\n'), expect);
    EXPECT_EQ(status, expect);
    return std::string(buf, static_cast<size_t>(got));
  }

  std::string socket_path_ = dir_.file("usb.sock");
  testkit::ScopedEnv backend_{"LINKAR32_USB_BACKEND", "sim"};
  testkit::ScopedEnv socket_env_{"LINKAR32_USB_SIM", socket_path_};
  sim::Engine engine_a_{with_serial("111")};
  sim::Engine engine_b_{with_serial("222")};
  sim::UsbServer server_{engine_a_, "CV-A"};
};

TEST_F(UsbTest, ScanFillsEntriesOf510Bytes) {
  std::vector<char> list(3 * 510, '\x55');
  ASSERT_EQ(USB_ScanUsbDevice(3, list.data()), 2);
  auto field = [&](size_t entry, size_t offset) { return std::string(list.data() + entry * 510 + offset); };
  EXPECT_EQ(field(0, 0), "CV-A");
  EXPECT_EQ(field(0, 255), "simusb:0");
  EXPECT_EQ(field(1, 0), "CV-B");
  EXPECT_EQ(field(1, 255), "simusb:1");
  // The fields are zero after their text; the third entry was not touched.
  EXPECT_TRUE(std::all_of(list.begin() + 5, list.begin() + 255, [](char c) { return c == 0; }));
  EXPECT_TRUE(std::all_of(list.begin() + 255 + 9, list.begin() + 510, [](char c) { return c == 0; }));
  EXPECT_TRUE(std::all_of(list.begin() + 1020, list.end(), [](char c) { return c == '\x55'; }));
  std::fill(list.begin(), list.end(), '\x55');
  EXPECT_EQ(USB_ScanUsbDevice(1, list.data()), 1);
  EXPECT_EQ(list[510], '\x55');
  EXPECT_EQ(USB_ScanUsbDevice(0, nullptr), 0);
  EXPECT_EQ(USB_GetMaxUsbDevice(), 2);
  EXPECT_EQ(USB_ScanUsbDevice(-1, list.data()), kQbxBadArgument);
}

TEST_F(UsbTest, TwoDevicesSelectedByIdAndClosedOneByOne) {
  enable_log();
  ASSERT_EQ(open_usb(1, "CV-A"), 0);
  ASSERT_EQ(open_usb(2, "CV-B"), 0);
  EXPECT_EQ(ask("IDN?\n"), "QBX,Corvane,222,P2.10\r\n");  // the newest device is current
  ASSERT_EQ(QBX_SelectDevice(1), 0);
  EXPECT_EQ(ask("IDN?\n"), "QBX,Corvane,111,P2.10\r\n");
  EXPECT_EQ(QBX_SelectDevice(3), -1);
  EXPECT_EQ(ask("IDN?\n"), "QBX,Corvane,111,P2.10\r\n");  // still on device 1

  // Named-port calls reach a device by its position.
  int32_t index = 0, handle = -1;
  ASSERT_EQ(QBX_GetSocket(200, 2, &index, &handle), 0);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(handle, 0);
  EXPECT_EQ(QBX_GetSocket(200, 9, &index, &handle), -1);
  ASSERT_EQ(QBX_WritePortEx(handle, 200, 2, "IDN?\n"), 0);
  char buf[64];
  int32_t status = 0, got = 0;
  ASSERT_EQ(QBX_ReadPortEx(handle, 200, 2, buf, 63, &status, &got, '\n'), 0);
  EXPECT_STREQ(buf, "QBX,Corvane,222,P2.10\r\n");

  // Closing the current device keeps port 200 for the other one.
  ASSERT_EQ(QBX_ClosePort(), 0);
  EXPECT_EQ(linkar::usb_pipes().open_count(), 2);
  ASSERT_EQ(QBX_SelectPort(200), 0);
  EXPECT_EQ(QBX_SelectDevice(1), -1);
  ASSERT_EQ(QBX_SelectDevice(2), 0);
  EXPECT_EQ(ask("IDN?\n"), "QBX,Corvane,222,P2.10\r\n");
  ASSERT_EQ(QBX_ClosePort(), 0);
  EXPECT_EQ(QBX_SelectPort(200), kQbxPortNotOpen);  // the last device took the entry with it
  EXPECT_EQ(linkar::usb_pipes().open_count(), 0);
  QBX_DisableComLog();

  const std::string text = log_text();
  const char* expected[] = {
      "(T ms) >>> Attempting to open or modify port USB - Device CV-A\r\n"
      "(T ms) >>> Ports currently open: 0\r\n"
      "(T ms) >>> Successfully opened USB device: CV-A Read handle = 0  Write handle = 1\r\n"
      "(T ms) >>> Attempting to open or modify port USB - Device CV-B\r\n"
      "(T ms) >>> Ports currently open: 1 (Current = USB)\r\n"
      "(T ms) >>>           USB  (0)\r\n"
      "(T ms) >>> Successfully opened USB device: CV-B Read handle = 2  Write handle = 3\r\n"
      "(T ms) >>> Sent 5 bytes:  IDN?\n\r\n"
      "(T ms) >>> Received 23 bytes: QBX,Corvane,222,P2.10\r\n\r\n"
      "(T ms) >>> USB: Attempting to select address ID 1\r\n"
      "(T ms) >>> USB: Selected device CV-A\r\n",
      "(T ms) >>> USB: Attempting to select address ID 3\r\n(T ms) >>> Sent 5 bytes:  IDN?\n",
      "(T ms) >>> USB: selected device: CV-B\r\n",
      "(T ms) >>> Device: 2 Sent 5 bytes:  IDN?\n\r\n(T ms) >>> Device: 2 Received 23 bytes: "
      "QBX,Corvane,222,P2.10\r\n",
      "(T ms) >>> Closing current port: USB  Handle 0\r\n(T ms) >>> Selected port: USB  Handle 0\r\n"
      "(T ms) >>> USB: Attempting to select address ID 1\r\n(T ms) >>> USB: Attempting to select address ID "
      "2\r\n"
      "(T ms) >>> USB: Selected device CV-B\r\n",
  };
  for (const char* part : expected)
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n---\n" << text;
}

TEST_F(UsbTest, TerminatedReadKeepsTheBytesAfterTheTerminator) {
  sim::Fault twice;
  twice.kind = sim::FaultKind::kGarbage;
  twice.match = "EST?";
  twice.garbage = "0\r\n10003\r\nABCDEF";  // one reply write, one pipe transfer
  engine_a_.inject(twice);
  QBX_SetTimeout(300);
  enable_log();
  ASSERT_EQ(open_usb(1, "CV-A"), 0);
  ASSERT_EQ(QBX_WritePort("EST?\n"), 0);
  char buf[1100];
  std::memset(buf, 'x', sizeof buf);
  int32_t status = -1, got = 0;
  ASSERT_EQ(QBX_ReadPort(buf, 1024, &status, &got, '\n'), 0);
  EXPECT_EQ(got, 3);
  EXPECT_EQ(std::string(buf, 4), std::string("0\r\n\0", 4));
  EXPECT_EQ(linkar::usb_pipes().buffered(0), 13u);
  // The second line comes from the buffer: the device is not asked again.
  ASSERT_EQ(QBX_ReadPort(buf, 1024, &status, &got, '\n'), 0);
  EXPECT_STREQ(buf, "10003\r\n");
  // An exact read takes the rest; one more byte is not there within the time-out.
  ASSERT_EQ(QBX_ReadPort(buf, 4, &status, &got, 0), 0);
  EXPECT_EQ(std::string(buf, 4), "ABCD");
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(QBX_ReadPort(buf, 3, &status, &got, 0), kQbxReadFailed);
  EXPECT_EQ(status, kQbxReadFailed);
  EXPECT_EQ(got, 2);
  EXPECT_EQ(std::string(buf, 2), "EF");
  EXPECT_GE(ms_since(start), 290);
  EXPECT_EQ(engine_a_.lines(), std::vector<std::string>{"EST?"});
  QBX_DisableComLog();
  EXPECT_NE(log_text().find("(T ms) >>> Received 3 bytes: 0\r\n\r\n(T ms) >>> Received 7 bytes: 10003\r\n\r\n"
                            "(T ms) >>> Received unterminated 4 Bytes\r\n"),
            std::string::npos)
      << log_text();
}

TEST_F(UsbTest, WritesGoOutInPiecesAndExactReadsRefill) {
  CountingPlatform counting;
  linkar::set_platform(&counting);
  ASSERT_EQ(open_usb(1, "CV-A"), 0);
  // 8000 commands in one write of 40000 bytes: at most 16384 bytes per pipe write.
  std::string commands;
  for (int i = 0; i < 8000; ++i) commands += "EST?\n";
  ASSERT_EQ(QBX_WritePortCount(commands.data(), static_cast<int32_t>(commands.size())), 0);
  // 8000 replies of "0\r\n": 24000 bytes, more than one pipe buffer holds.
  std::string replies(24000, '\0');
  int32_t status = -1, got = 0;
  ASSERT_EQ(QBX_ReadPort(replies.data(), 24000, &status, &got, 0), 0);
  EXPECT_EQ(got, 24000);
  std::string expected;
  for (int i = 0; i < 8000; ++i) expected += "0\r\n";
  EXPECT_TRUE(replies == expected);
  EXPECT_EQ(engine_a_.line_count(), 8000u);
  linkar::set_platform(nullptr);

  // The write pipe is the descriptor that sent the commands; the read pipe the one that received.
  size_t written = 0, pieces = 0, biggest_piece = 0;
  for (const auto& [fd, sizes] : counting.sends) {
    size_t sum = 0;
    for (size_t s : sizes) sum += s;
    if (sum != commands.size()) continue;
    written = sum;
    pieces = sizes.size();
    biggest_piece = *std::max_element(sizes.begin(), sizes.end());
  }
  EXPECT_EQ(written, commands.size());
  EXPECT_GE(pieces, 3u);
  EXPECT_EQ(biggest_piece, linkar::kUsbPipeBufferSize);
  size_t refills = 0, biggest_transfer = 0;
  for (const auto& [fd, sizes] : counting.receives) {
    size_t sum = 0;
    for (size_t s : sizes) sum += s;
    if (sum != replies.size()) continue;
    refills = sizes.size();
    biggest_transfer = *std::max_element(sizes.begin(), sizes.end());
  }
  EXPECT_GE(refills, 2u);
  EXPECT_LE(biggest_transfer, linkar::kUsbPipeBufferSize);
}

TEST_F(UsbTest, PipesThatCannotOpenLeaveTheDeviceUnusable) {
  enable_log();
  ASSERT_EQ(open_usb(1, "NO-SUCH-CORVANE"), 0);
  char buf[16];
  int32_t status = 0, got = 0;
  EXPECT_EQ(QBX_ReadPort(buf, 10, &status, &got, '\n'), kQbxUsbPipeError);
  EXPECT_EQ(QBX_ReadPort(buf, 10, &status, &got, 0), kQbxUsbPipeError);
  EXPECT_EQ(QBX_WritePort("EST?\n"), kQbxWriteFailed);
  QBX_DisableComLog();
  const std::string text = log_text();
  EXPECT_NE(text.find("(T ms) >>> Successfully opened USB device: NO-SUCH-CORVANE Read handle = -6004  "
                      "Write handle = -6004\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("(T ms) >>> USB Write operation failed with status -6002\r\n"), std::string::npos);
}

TEST_F(UsbTest, SixtyFourPipeSlots) {
  // 33 devices on one socket: 32 take every slot, the 33rd gets none.
  server_.stop();
  std::vector<std::string> names{"CV-A", "CV-B"};
  for (int i = 2; i < 33; ++i) {
    names.push_back("CV-" + std::to_string(i));
    server_.add_device(engine_b_, names.back());
  }
  server_.start(socket_path_);
  for (int i = 0; i < 32; ++i) ASSERT_EQ(open_usb(i, names[static_cast<size_t>(i)].c_str()), 0) << i;
  EXPECT_EQ(linkar::usb_pipes().open_count(), 64);
  enable_log();
  ASSERT_EQ(open_usb(32, "CV-32"), 0);
  QBX_DisableComLog();
  EXPECT_NE(
      log_text().find("Successfully opened USB device: CV-32 Read handle = -6004  Write handle = -6004\r\n"),
      std::string::npos);
  EXPECT_EQ(QBX_WritePort("EST?\n"), kQbxWriteFailed);
  // Closing one device frees its two slots for the next open.
  ASSERT_EQ(QBX_SelectDevice(0), 0);
  ASSERT_EQ(QBX_ClosePort(), 0);
  ASSERT_EQ(open_usb(40, "CV-A"), 0);
  EXPECT_EQ(linkar::usb_pipes().open_count(), 64);
  EXPECT_EQ(ask("IDN?\n"), "QBX,Corvane,111,P2.10\r\n");
}

TEST_F(UsbTest, RefusedAndRepeatedOpens) {
  EXPECT_EQ(open_usb(-1, "CV-A"), kQbxOpenFailed);
  EXPECT_EQ(open_usb(128, "CV-A"), kQbxOpenFailed);
  EXPECT_EQ(open_usb(1, std::string(32, 'N').c_str()), kQbxOpenFailed);  // no room for the zero in 32 bytes
  EXPECT_EQ(QBX_SelectPort(200), kQbxPortNotOpen);
  EXPECT_EQ(linkar::usb_pipes().open_count(), 0);

  // Without a name the first Corvane is opened and kept as "UNKNOWN".
  enable_log();
  ASSERT_EQ(open_usb(7, nullptr), 0);
  EXPECT_EQ(ask("IDN?\n"), "QBX,Corvane,111,P2.10\r\n");
  ASSERT_EQ(open_usb(8, "CV-B"), 0);
  // Opening a device that is open again makes it and port 200 current, with nothing reopened.
  ASSERT_EQ(open_com1(), 0);
  ASSERT_EQ(open_usb(9, nullptr), 0);
  EXPECT_EQ(linkar::usb_pipes().open_count(), 4);
  EXPECT_EQ(ask("IDN?\n"), "QBX,Corvane,111,P2.10\r\n");
  EXPECT_EQ(pty_.read_available(50), "");
  EXPECT_EQ(QBX_SelectDevice(9), -1);  // the repeated open kept the first id
  EXPECT_EQ(QBX_SelectDevice(7), 0);
  EXPECT_EQ(open_usb(10, std::string(31, 'N').c_str()), 0);  // the longest name that fits
  QBX_DisableComLog();
  const std::string text = log_text();
  EXPECT_NE(
      text.find("(T ms) >>> Attempting to open or modify port USB - Device UNKNOWN\r\n"
                "(T ms) >>> Ports currently open: 0\r\n"
                "(T ms) >>> Successfully opened USB device: UNKNOWN Read handle = 0  Write handle = 1\r\n"),
      std::string::npos)
      << text;
}

TEST_F(UsbTest, DeviceThatGoesAway) {
  ASSERT_EQ(open_usb(1, "CV-A"), 0);
  EXPECT_EQ(ask("EST?\n"), "0\r\n");
  server_.stop();
  enable_log();
  char buf[16];
  int32_t status = 0, got = 0;
  EXPECT_EQ(QBX_ReadPort(buf, 10, &status, &got, '\n'), kQbxUsbPipeError);
  EXPECT_EQ(QBX_WritePort("EST?\n"), kQbxWriteFailed);
  QBX_DisableComLog();
  EXPECT_NE(log_text().find("(T ms) >>> USB Write operation failed with status -6001\r\n"), std::string::npos)
      << log_text();
  EXPECT_EQ(QBX_ClosePort(), 0);
}

TEST_F(UsbTest, FlushDiscardsBufferedBytes) {
  sim::Fault extra;
  extra.kind = sim::FaultKind::kGarbage;
  extra.match = "EST?";
  extra.garbage = "0\r\nXYZXYZ";
  engine_a_.inject(extra);
  ASSERT_EQ(open_usb(1, "CV-A"), 0);
  EXPECT_EQ(ask("EST?\n"), "0\r\n");
  EXPECT_EQ(QBX_FlushInQueue(), 6);
  EXPECT_EQ(ask("EST?\n"), "0\r\n");
}

TEST_F(UsbTest, SimulatorThatCannotBeReached) {
  testkit::ScopedEnv elsewhere("LINKAR32_USB_SIM", dir_.file("nobody-listens.sock"));
  char list[510];
  EXPECT_EQ(USB_ScanUsbDevice(1, list), kQbxUsbNoSetupApi);
  EXPECT_EQ(USB_GetMaxUsbDevice(), kQbxUsbNoSetupApi);
  EXPECT_EQ(open_usb(1, "CV-A"), kQbxUsbNoSetupApi);
  EXPECT_EQ(QBX_SelectPort(200), kQbxPortNotOpen);
  testkit::ScopedEnv unset("LINKAR32_USB_SIM", "");
  EXPECT_EQ(open_usb(1, "CV-A"), kQbxUsbNoSetupApi);
}

}  // namespace
