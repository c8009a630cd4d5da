// The last device status and the last reply after exports that reach other parts of the driver: a
// step inside an export (the tare reload of a transducer change, the channel loads of the bring-up,
// the signal switches of the shunt calibration, the error-status query after a refusal) must not
// leave its own status or its own reply behind in place of the export's. The driver is linked from
// its objects so that the test can read both, and talks to a device scripted over a pseudo-terminal.
#include <map>
#include <memory>
#include <string>

#include "../protocol/scripted_device.h"
#include "connection.h"
#include "corvan32_measure.h"

namespace {

const char* kIdentity = "QBX,Corvane,4711,P12\r\n";

// A device that answers the lines of `replies` (exact line, else by the longest listed prefix of
// `by_prefix`, else "0"), refuses every line starting with a key of `refusals` and reports that
// key's error number at the next "EST?".
ScriptedDevice::Handler device(std::map<std::string, std::string> replies,
                               std::map<std::string, int32_t> refusals,
                               std::map<std::string, std::string> by_prefix = {}) {
  return [=, pending = std::make_shared<int32_t>(0)](const std::string& line) {
    if (line == "EST?") {
      const int32_t e = *pending;
      *pending = 0;
      return Answer{std::to_string(e) + "\r\n"};
    }
    for (const auto& [prefix, error] : refusals) {
      if (line.rfind(prefix, 0) == 0) {
        *pending = error;
        return Answer{"?\r\n"};
      }
    }
    if (auto it = replies.find(line); it != replies.end()) return Answer{it->second};
    for (const auto& [prefix, reply] : by_prefix)
      if (line.rfind(prefix, 0) == 0) return Answer{reply};
    return Answer{"0\r\n"};
  };
}

int32_t last_status() { return corvan::state().last_device_status; }

// Sets the last device status to a value no step of the cases below gives (an unknown index string).
void mark_last_status() {
  char text[256];
  ASSERT_EQ(CV_GetIndexString(99999, text), kCvNoIndexString);
  ASSERT_EQ(last_status(), kCvNoIndexString);
}

}  // namespace

class LastStatus : public Scripted {};

TEST_F(LastStatus, TransducerChangeKeepsItsOwnStatusNotTheRefusedTareReload) {
  open_online("0,5051,1,5051,2,5052,3,5052,4,5054\r\n", 5);
  dev_.set_handler(device({}, {{"TAV?", kCvErrNotExecutable}}));
  mark_last_status();
  const int32_t transducer = 420;
  EXPECT_EQ(CV_SetChanSettings(4, kCvChanTransducer, &transducer), 0);
  EXPECT_EQ(traffic(), "TAV?4\nEST?\n");  // the reload was refused and its reason fetched
  EXPECT_EQ(last_status(), 0);
  float tare = -1;
  EXPECT_EQ(CV_GetChanSettings(4, kCvChanTare, &tare), 0);
  EXPECT_EQ(tare, 0.0f);  // the refused reload's safe value
}

TEST_F(LastStatus, BringUpEndsWithItsOwnStatusNotTheLastChannelLoad) {
  // Two channels; the last query of the last channel's load is refused, which the bring-up ignores.
  dev_.set_handler(device({{"AID?", "0,5051,1,5051\r\n"}, {"ASF?", "140,971\r\n"}, {"ICR?", "6320\r\n"},
                           {"IDN?", kIdentity}, {"IDN?100", kIdentity}},
                          {{"ASS?1", kCvErrParameterValue}}, {{"ASA?", "350,700\r\n"}}));
  mark_last_status();
  EXPECT_EQ(CV_InitAll(1, 9600), 0);
  EXPECT_NE(traffic().find("ASS?1\nEST?\n"), std::string::npos);
  EXPECT_EQ(last_status(), 0);
  int32_t signal = 0;
  EXPECT_EQ(CV_GetChanSettings(1, kCvChanSignal, &signal), 0);
  EXPECT_EQ(signal, 42);  // the refused query's safe value
}

TEST_F(LastStatus, ShuntCalibrationKeepsItsOwnStatusNotTheRefusedSwitchBack) {
  open_online("0,5051,1,5051,2,5052,3,5052,4,5054,5,5053,6,5053,7,5058\r\n", 8);
  // Only channel 7 measures, so each reading is one value.
  for (int32_t ch = 0; ch < 7; ++ch) {
    const int32_t passive = 6200;
    ASSERT_EQ(CV_SetChanSettings(ch, kCvChanState, &passive), 0);
  }
  const int32_t shunt_amplifier = 5058;
  ASSERT_EQ(CV_SetChanSettings(7, kCvChanAmplifier, &shunt_amplifier), 0);
  const std::string block = std::string("#0") + std::string("\x10\x27", 2) + "\r\n";  // raw 10000
  dev_.set_handler(device({{"OMB?0", block}}, {{"ASS7,42", kCvErrNotExecutable}}));
  dev_.clear();
  mark_last_status();
  const int32_t channels[] = {7};
  EXPECT_EQ(CV_ACQShuntCal(1, channels), 0);
  EXPECT_EQ(traffic(), "ASS7,43\nOMB?0\nASS7,42\nEST?\nOMB?0\n");
  EXPECT_EQ(last_status(), 0);
  // Readings that come back as a line instead of a block are malformed; the calibration still ends
  // with its own status.
  dev_.set_handler(device({{"OMB?0", "0\r\n"}}, {}));
  dev_.clear();
  mark_last_status();
  EXPECT_EQ(CV_ACQShuntCal(1, channels), 0);
  EXPECT_EQ(traffic(), "ASS7,43\nOMB?0\nASS7,42\nOMB?0\n");
  EXPECT_EQ(last_status(), 0);
  float scale = 0;
  EXPECT_EQ(CV_GetChanSettings(7, kCvChanScale, &scale), 0);
  EXPECT_EQ(scale, 1.0f);  // no usable readings: the factor stays 1
}

TEST_F(LastStatus, StartKeepsTheUncheckedRateStatusWhenItStarts) {
  open_online("0,5051,1,5051\r\n", 2);
  dev_.set_handler(device({}, {{"ICR", kCvErrParameterValue}}));
  mark_last_status();
  EXPECT_EQ(CV_ACQStart(100, 6310, -1, 0, 0.0f, 6000, 0), 0);
  EXPECT_EQ(traffic(), "PRG?9,0\nICR6310\nEST?\nMSV100,0,-1,1\n");
  EXPECT_EQ(last_status(), kCvErrParameterValue);
}

TEST_F(LastStatus, RefusedQueryLeavesItsOwnReplyNotTheErrorStatusReply) {
  open_online("0,5051,1,5051\r\n", 2);
  dev_.set_handler(device({}, {{"ACT?", kCvErrChannel}}));
  EXPECT_EQ(CV_LoadChanSettings(1, kCvChanState), kCvErrChannel);
  EXPECT_EQ(traffic(), "ACT?1\nEST?\n");
  EXPECT_EQ(corvan::last_reply(), "?\r\n");
  EXPECT_EQ(last_status(), kCvErrChannel);
  // A refused set command likewise.
  dev_.set_handler(device({}, {{"AFS", kCvErrParameterValue}}));
  EXPECT_EQ(CV_SaveChanSettings(1, kCvChanFilterMode), kCvErrParameterValue);
  EXPECT_EQ(corvan::last_reply(), "?\r\n");
  EXPECT_EQ(last_status(), kCvErrParameterValue);
}
