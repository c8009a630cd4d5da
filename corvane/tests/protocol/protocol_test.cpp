// Connection and framing against a scripted device: the line-speed switch, the error-status query,
// the set-command reply, online device opening, and every malformed or missing reply ending in a
// status code within the time-out.
#include <chrono>

#include "scripted_device.h"

namespace {

using Clock = std::chrono::steady_clock;
// What a failing exchange may take beyond its time-outs on a loaded machine: the checks tell a
// time-out from a hang, nothing finer.
constexpr int64_t kNoHangMarginMs = 10000;

int64_t ms_since(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

}  // namespace

TEST_F(Scripted, LineSpeedSwitchSendsBaudCodeAndReopens) {
  dev_.set_replies({{"EST?", "0\r\n"}, {"BDR1410", "0\r\n"}});
  ASSERT_EQ(CV_OpenPort(1, 19200, "e", 8, 1, 4096), 0);
  EXPECT_EQ(traffic(), "EST?\nEST?\nEST?\nBDR1410\n");
  EXPECT_EQ(dev_.speed(), static_cast<speed_t>(B19200));
  // The port is open at the new speed: a plain query goes through.
  EXPECT_EQ(CV_GetErrorStatus(), 0);
}

TEST_F(Scripted, BaudCodesAndUnknownRate) {
  const struct {
    int32_t baud;
    const char* line;
    speed_t speed;
  } cases[] = {{600, "BDR1404\n", B600},     {4800, "BDR1407\n", B4800},
               {38400, "BDR1412\n", B38400}, {12345, "BDR1408\n", B9600}};
  for (const auto& c : cases) {
    dev_.set_replies({{"EST?", "0\r\n"}});
    dev_.clear();
    ASSERT_EQ(CV_OpenPort(1, c.baud, "e", 8, 1, 4096), 0) << c.baud;
    EXPECT_EQ(traffic(), std::string("EST?\nEST?\nEST?\n") + c.line) << c.baud;
    EXPECT_EQ(dev_.speed(), c.speed) << c.baud;
    ASSERT_EQ(CV_ClosePort(), 0);
  }
}

TEST_F(Scripted, NineThousandSixHundredOpensOnceWithoutTraffic) {
  ASSERT_EQ(CV_OpenPort(1, 9600, "e", 8, 1, 4096), 0);
  EXPECT_EQ(traffic(), "");
  EXPECT_EQ(dev_.speed(), static_cast<speed_t>(B9600));
}

TEST_F(Scripted, LineSpeedSwitchFailures) {
  // A device that keeps an error after three queries: no BDR, port closed, the error returned.
  dev_.set_replies({{"EST?", "10002\r\n"}});
  EXPECT_EQ(CV_OpenPort(1, 19200, "e", 8, 1, 4096), 10002);
  EXPECT_EQ(traffic(), "EST?\nEST?\nEST?\n");
  EXPECT_EQ(CV_GetErrorStatus(), kCvBadReply);  // no port: nothing goes out, no reply comes back
  // BDR refused: its error comes back.
  dev_.clear();
  int est = 0;
  dev_.set_handler([&](const std::string& line) {
    if (line == "EST?") return Answer{++est > 3 ? "10005\r\n" : "0\r\n"};
    return Answer{"?\r\n"};
  });
  EXPECT_EQ(CV_OpenPort(1, 19200, "e", 8, 1, 4096), 10005);
  EXPECT_EQ(traffic(), "EST?\nEST?\nEST?\nBDR1410\nEST?\n");
  // A silent device: the read time-out, not a hang.
  dev_.clear();
  dev_.set_replies({}, "");
  const auto t0 = Clock::now();
  EXPECT_EQ(CV_OpenPort(1, 19200, "e", 8, 1, 4096), kQbxReadFailed);
  EXPECT_LT(ms_since(t0), 4 * kTimeoutMs + kNoHangMarginMs);
}

TEST_F(Scripted, ErrorStatusReplies) {
  ASSERT_EQ(open_port(), 0);
  const struct {
    const char* reply;
    int32_t result;
  } cases[] = {{"0\r\n", 0},           {"10005\r\n", 10005}, {"?\r\n", kCvEstRefused},
               {" 10013\r\n", 10013},  {"abc\r\n", kCvBadReply}, {"\r\n", kCvBadReply},
               {"10021,7\r\n", 10021}};
  for (const auto& c : cases) {
    dev_.set_replies({{"EST?", c.reply}});
    EXPECT_EQ(CV_GetErrorStatus(), c.result) << c.reply;
  }
  std::string expected;
  for (int i = 0; i < 7; ++i) expected += "EST?\n";
  EXPECT_EQ(traffic(), expected);
}

TEST_F(Scripted, MalformedAndMissingRepliesEndInAStatus) {
  ASSERT_EQ(open_port(), 0);
  // 1024 bytes without LF: the read stops at its limit, the reply is malformed.
  dev_.set_replies({{"EST?", std::string(1100, '7')}});
  EXPECT_EQ(CV_GetErrorStatus(), kCvBadReply);
  QBX_FlushInQueue();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  QBX_FlushInQueue();
  // No answer, a delay beyond the time-out: read time-out. A line cut before its LF is
  // malformed: bytes came, the line end did not.
  dev_.set_replies({{"EST?", ""}});
  auto t0 = Clock::now();
  EXPECT_EQ(CV_GetErrorStatus(), kQbxReadFailed);
  EXPECT_LT(ms_since(t0), kTimeoutMs + kNoHangMarginMs);
  dev_.set_replies({{"EST?", "100"}});
  t0 = Clock::now();
  EXPECT_EQ(CV_GetErrorStatus(), kCvBadReply);
  EXPECT_LT(ms_since(t0), kTimeoutMs + kNoHangMarginMs);
  dev_.set_handler([](const std::string&) { return Answer{"0\r\n", 3 * kTimeoutMs}; });
  EXPECT_EQ(CV_GetErrorStatus(), kQbxReadFailed);
  std::this_thread::sleep_for(std::chrono::milliseconds(4 * kTimeoutMs));
  QBX_FlushInQueue();
  // A delay within the time-out is fine.
  dev_.set_handler([](const std::string&) { return Answer{"0\r\n", kTimeoutMs / 3}; });
  EXPECT_EQ(CV_GetErrorStatus(), 0);
  // Garbage bytes.
  dev_.set_replies({{"EST?", "\xff\xfe#%garbage\r\n"}});
  EXPECT_EQ(CV_GetErrorStatus(), kCvBadReply);
  // Without a port every exchange fails at the write.
  QBX_OpenInterfaceLib();
  EXPECT_EQ(CV_GetErrorStatus(), kCvBadReply);  // no port: nothing goes out, no reply comes back
}

TEST_F(Scripted, RawWriteAndRead) {
  ASSERT_EQ(open_port(), 0);
  dev_.set_replies({{"IDN?", "QBX,Corvane,4711,P2.10\r\n"}});
  ASSERT_EQ(CV_WritePort("IDN?\n"), 0);
  char buf[64] = {};
  int32_t status = -1, n = -1;
  ASSERT_EQ(CV_ReadPort(60, 10, &status, buf, &n), 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(std::string(buf, n), "QBX,Corvane,4711,P2.10\r\n");
  // Exact-count read.
  dev_.set_replies({{"X", "ABCDEF"}});
  ASSERT_EQ(CV_WritePort("X\n"), 0);
  ASSERT_EQ(CV_ReadPort(4, 0, &status, buf, &n), 0);
  EXPECT_EQ(std::string(buf, 4), "ABCD");
  EXPECT_EQ(CV_ReadPort(4, 0, &status, buf, &n), kQbxReadFailed);  // only two bytes left
  EXPECT_EQ(CV_WritePort(nullptr), kCvBadValue);
  EXPECT_EQ(CV_ReadPort(4, 0, nullptr, buf, &n), kCvBadValue);
  EXPECT_EQ(CV_ReadPort(-1, 0, &status, buf, &n), kCvBadValue);
}

TEST_F(Scripted, OpenDeviceOnline) {
  open_online("0,5051,1,5051\r\n", 2);
  int32_t amp = 0;
  EXPECT_EQ(CV_GetChanSettings(1, kCvChanAmplifier, &amp), 0);
  // Online only the records of the chain exist: the index equal to the count is refused.
  EXPECT_EQ(CV_GetChanSettings(2, kCvChanAmplifier, &amp), kCvBadChannel);
  EXPECT_EQ(CV_GetChanSettings(-1, kCvChanAmplifier, &amp), kCvBadChannel);
  int32_t count = 5;
  EXPECT_EQ(CV_SetDevSettings(kCvDevChannelCount, &count), kCvOfflineOnly);
  int32_t offline = -1;
  ASSERT_EQ(CV_GetDevSettings(kCvDevOffline, &offline), 0);
  EXPECT_EQ(offline, 0);

  // Opening again frees the old records first (the sanitizer build checks for leaks).
  dev_.set_replies({{"EST?", "0\r\n"}, {"AID?", "0,5051,1,5051,2,5052\r\n"}});
  int32_t n = 0;
  ASSERT_EQ(CV_OpenDevice(0, &n), 0);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(traffic(), "EST?\nAID?\n");

  // A device error at opening leaves the library offline without records.
  dev_.set_replies({{"EST?", "10000\r\n"}});
  EXPECT_EQ(CV_OpenDevice(0, &n), 10000);
  EXPECT_EQ(CV_GetChanSettings(0, kCvChanAmplifier, &amp), kCvBadChannel);
  ASSERT_EQ(CV_GetDevSettings(kCvDevOffline, &offline), 0);
  EXPECT_EQ(offline, 1);
  // A malformed channel list.
  dev_.set_replies({{"EST?", "0\r\n"}, {"AID?", "0,5051,x\r\n"}});
  EXPECT_EQ(CV_OpenDevice(0, &n), kCvBadReply);
  EXPECT_EQ(CV_GetChanSettings(0, kCvChanAmplifier, &amp), kCvBadChannel);
  // The chain is unknown: the library stays offline rather than talk to it.
  ASSERT_EQ(CV_GetDevSettings(kCvDevOffline, &offline), 0);
  EXPECT_EQ(offline, 1);
}

TEST_F(Scripted, InitAllBringsUpTheDevice) {
  dev_.set_replies({{"EST?", "0\r\n"},
                    {"AID?", "0,5051,1,5054\r\n"},
                    {"ICR?", "6305\r\n"},
                    {"ASF?", "141,927\r\n"},
                    {"IDN?", "QBX,Corvane,SN77,P2.10\r\n"},
                    {"IDN?100", "QBX,Corvane,SN77,P2.10\r\n"},
                    {"ACT?0", "6201\r\n"},
                    {"ACT?1", "6203\r\n"},
                    {"ASA?0", "351,701\r\n"},
                    {"ASA?1", "452,710\r\n"},
                    {"TAV?0", "0\r\n"},
                    {"TAV?1", "0\r\n"},
                    {"AFS?0", "148\r\n"},
                    {"AFS?1", "149\r\n"},
                    {"ASS?0", "42\r\n"},
                    {"ASS?1", "42\r\n"}});
  ASSERT_EQ(CV_InitAll(1, 9600), 0);
  EXPECT_EQ(traffic(),
            "EST?\nEST?\nEST?\nEST?\nAID?\n"
            "AID?\nICR?\nASF?\nASF?\nIDN?\nIDN?100\n"
            "AID?\nACT?0\nASA?0\nTAV?0\nAFS?0\nASS?0\n"
            "ACT?1\nASA?1\nTAV?1\nAFS?1\nASS?1\n");
  int32_t v = 0;
  ASSERT_EQ(CV_GetChanSettings(1, kCvChanAmplifier, &v), 0);
  EXPECT_EQ(v, 5054);
  ASSERT_EQ(CV_GetChanSettings(1, kCvChanRange, &v), 0);
  EXPECT_EQ(v, 710);
  ASSERT_EQ(CV_GetDevSettings(kCvDevFilterFrequency, &v), 0);
  EXPECT_EQ(v, 927);
}
