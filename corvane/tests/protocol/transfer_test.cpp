// Settings transfer online against a scripted device: the exact command line for each selector bit,
// the order of the bits, replies parsed into the records, refusals leaving their safe values, the
// warnings, the filter-frequency corrections and the tare conversions.
#include <cmath>
#include <cstring>

#include "scripted_device.h"
#include "testkit/temp_dir.h"

namespace {

const char* kChain = "0,5051,1,5051,2,5052,3,5052,4,5054,5,5053,6,5053,7,5058,8,5055,9,5050\r\n";

int32_t get_int(int32_t channel, int32_t selector) {
  int32_t v = -1;
  EXPECT_EQ(CV_GetChanSettings(channel, selector, &v), 0);
  return v;
}
float get_float(int32_t channel, int32_t selector) {
  float v = -1;
  EXPECT_EQ(CV_GetChanSettings(channel, selector, &v), 0);
  return v;
}
void set_int(int32_t channel, int32_t selector, int32_t v) { ASSERT_EQ(CV_SetChanSettings(channel, selector, &v), 0); }
void set_float(int32_t channel, int32_t selector, float v) { ASSERT_EQ(CV_SetChanSettings(channel, selector, &v), 0); }

// A device that refuses the commands starting with `refused` and reports `error` for them.
ScriptedDevice::Handler refusing(std::string refused, int32_t error, std::map<std::string, std::string> replies = {}) {
  return [=, pending = std::make_shared<int32_t>(0)](const std::string& line) {
    if (line == "EST?") {
      const int32_t e = *pending;
      *pending = 0;
      return Answer{std::to_string(e) + "\r\n"};
    }
    if (line.rfind(refused, 0) == 0) {
      *pending = error;
      return Answer{"?\r\n"};
    }
    auto it = replies.find(line);
    return Answer{it != replies.end() ? it->second : "0\r\n"};
  };
}

}  // namespace

TEST_F(Scripted, SaveChannelSendsOneCommandPerBitInOrder) {
  open_online(kChain, 10);
  set_int(4, kCvChanAmplifier, 5054);
  set_int(4, kCvChanTransducer, 420);  // offline-free: reloads the tare value ("TAV?4")
  set_int(4, kCvChanRange, 711);
  set_int(4, kCvChanState, 6201);
  set_int(4, kCvChanFilterMode, 149);
  set_int(4, kCvChanSignal, 42);
  set_float(4, kCvChanTare, 0.25f);  // 0.25 V at 1 V full scale: raw 6250
  dev_.clear();
  ASSERT_EQ(CV_SaveChanSettings(4, 0xFFFF), 0);
  EXPECT_EQ(traffic(), "ACT4,6201\nASA4,420,711\nTAV4,6250\nAFS4,149\nASS4,42\n");
  // One bit at a time.
  const struct {
    int32_t bit;
    const char* line;
  } cases[] = {{kCvChanState, "ACT4,6201\n"},   {kCvChanTransducer, "ASA4,420,711\n"},
               {kCvChanRange, "ASA4,420,711\n"}, {kCvChanTare, "TAV4,6250\n"},
               {kCvChanFilterMode, "AFS4,149\n"}, {kCvChanSignal, "ASS4,42\n"},
               {kCvChanDigital, ""},              {kCvChanRangeValue | kCvChanAmplifier | kCvChanIdent |
                                                       kCvChanName | kCvChanUnit | kCvChanMeasured, ""}};
  for (const auto& c : cases) {
    dev_.clear();
    EXPECT_EQ(CV_SaveChanSettings(4, c.bit), 0) << c.bit;
    EXPECT_EQ(traffic(), c.line) << c.bit;
  }
  // The digital value goes out for the digital I/O channel only.
  set_int(8, kCvChanDigital, 4660);
  dev_.clear();
  EXPECT_EQ(CV_SaveChanSettings(8, kCvChanDigital), 0);
  EXPECT_EQ(traffic(), "DPI8,4660\n");
  EXPECT_EQ(CV_SaveChanSettings(4, kCvChanScale), kCvUnknownSelector);
  EXPECT_EQ(CV_SaveChanSettings(10, kCvChanState), kCvBadChannel);
  EXPECT_EQ(CV_SaveChanSettings(-1, kCvChanState), kCvBadChannel);
}

TEST_F(Scripted, SaveChannelCorrectsTheRangeBeforeSending) {
  open_online(kChain, 10);
  set_int(4, kCvChanAmplifier, 5054);
  set_int(4, kCvChanTransducer, 501);  // PT100
  set_int(4, kCvChanRange, 700);
  dev_.clear();
  ASSERT_EQ(CV_SaveChanSettings(4, 0x20), 0);
  EXPECT_EQ(traffic(), "ASA4,501,730\n");
  EXPECT_EQ(get_int(4, kCvChanRange), 730);
  EXPECT_EQ(get_float(4, kCvChanRangeValue), 400.0f);
  char unit[256];
  ASSERT_EQ(CV_GetChanSettings(4, kCvChanUnit, unit), 0);
  EXPECT_STREQ(unit, "\xB0" "C");
}

TEST_F(Scripted, SetCommandRepliesAndWarnings) {
  open_online(kChain, 10);
  // A warning comes back as it is, without "EST?".
  dev_.set_replies({{"ACT0,6203", "10022\r\n"}});
  EXPECT_EQ(CV_SaveChanSettings(0, kCvChanState | kCvChanFilterMode), 10022);
  EXPECT_EQ(traffic(), "ACT0,6203\n");  // the first non-zero result ends the operation
  // A refusal: the device's error number, after "EST?".
  dev_.clear();
  dev_.set_handler(refusing("ASA", 10005));
  EXPECT_EQ(CV_SaveChanSettings(0, kCvChanState | kCvChanRange | kCvChanFilterMode), 10005);
  EXPECT_EQ(traffic(), "ACT0,6203\nASA0,350,700\nEST?\n");
  // An unexplained non-zero reply is not success.
  dev_.clear();
  dev_.set_replies({{"AFS0,148", "7\r\n"}, {"EST?", "0\r\n"}});
  EXPECT_EQ(CV_SaveChanSettings(0, kCvChanFilterMode), kCvBadReply);
  EXPECT_EQ(traffic(), "AFS0,148\nEST?\n");
  // No answer.
  dev_.set_replies({}, "");
  EXPECT_EQ(CV_SaveChanSettings(0, kCvChanFilterMode), kQbxReadFailed);
}

TEST_F(Scripted, LoadChannelQueriesInOrder) {
  open_online(kChain, 10);
  dev_.set_replies({{"AID?", kChain},
                    {"ACT?4", "6202\r\n"},
                    {"ASA?4", "501,730\r\n"},
                    {"TAV?4", "0\r\n"},
                    {"AFS?4", "149\r\n"},
                    {"ASS?4", "42\r\n"}});
  ASSERT_EQ(CV_LoadChanSettings(4, 0xFFFF), 0);
  EXPECT_EQ(traffic(), "AID?\nACT?4\nASA?4\nTAV?4\nAFS?4\nASS?4\n");
  EXPECT_EQ(get_int(4, kCvChanAmplifier), 5054);
  EXPECT_EQ(get_int(7, kCvChanAmplifier), 5058);  // every listed channel took its type
  EXPECT_EQ(get_int(4, kCvChanState), 6202);
  EXPECT_EQ(get_int(4, kCvChanTransducer), 501);
  EXPECT_EQ(get_int(4, kCvChanRange), 730);
  EXPECT_EQ(get_float(4, kCvChanRangeValue), 400.0f);
  EXPECT_EQ(get_int(4, kCvChanFilterMode), 149);
  char ident[256];
  ASSERT_EQ(CV_GetChanSettings(4, kCvChanIdent, ident), 0);
  EXPECT_STREQ(ident, "");
  // PT100 with raw tare 0 at 400 Ohm: 100 Ohm, linearised to 0 degrees Celsius.
  EXPECT_NEAR(get_float(4, kCvChanTare), 0.0f, 0.05f);

  // The types were read: later loads skip "AID?", except the mask that is exactly 2.
  dev_.clear();
  ASSERT_EQ(CV_LoadChanSettings(5, kCvChanAmplifier | kCvChanState), 0);
  EXPECT_EQ(traffic(), "ACT?5\n");
  dev_.clear();
  dev_.set_replies({{"AID?", "0,5051,4,5053,5,5054\r\n"}});
  ASSERT_EQ(CV_LoadChanSettings(4, kCvChanAmplifier), 0);
  EXPECT_EQ(traffic(), "AID?\n");
  EXPECT_EQ(get_int(4, kCvChanAmplifier), 5053);
  EXPECT_EQ(get_int(5, kCvChanAmplifier), 5053);  // mask 2 takes this channel's pair only
  // Transducer alone takes the first field; range alone the second; one "ASA?" for both.
  dev_.set_replies({{"ASA?4", "420,712\r\n"}});
  dev_.clear();
  ASSERT_EQ(CV_LoadChanSettings(4, kCvChanTransducer | kCvChanRange), 0);
  EXPECT_EQ(traffic(), "ASA?4\n");
  EXPECT_EQ(get_int(4, kCvChanTransducer), 420);
  EXPECT_EQ(get_int(4, kCvChanRange), 712);
  // Digital I/O and aux channels have no tare value to load.
  dev_.clear();
  ASSERT_EQ(CV_LoadChanSettings(8, kCvChanTare | kCvChanDigital), 0);
  EXPECT_EQ(traffic(), "");
  EXPECT_EQ(CV_LoadChanSettings(4, kCvChanScale), kCvUnknownSelector);
  EXPECT_EQ(CV_LoadChanSettings(10, kCvChanState), kCvBadChannel);
}

TEST_F(Scripted, RefusedQueriesLeaveSafeValues) {
  open_online(kChain, 10);
  set_int(3, kCvChanState, 6203);
  dev_.set_handler(refusing("ACT?", 10010));
  EXPECT_EQ(CV_LoadChanSettings(3, kCvChanState), 10010);
  EXPECT_EQ(get_int(3, kCvChanState), 6200);
  EXPECT_EQ(traffic(), "ACT?3\nEST?\n");

  set_float(3, kCvChanTare, 1.5f);
  dev_.set_handler(refusing("TAV?", 10014));
  EXPECT_EQ(CV_LoadChanSettings(3, kCvChanTare), 10014);
  EXPECT_EQ(get_float(3, kCvChanTare), 0.0f);

  set_int(3, kCvChanState, 6203);
  dev_.set_handler(refusing("AFS?", 10003));
  EXPECT_EQ(CV_LoadChanSettings(3, kCvChanFilterMode), 10003);
  EXPECT_EQ(get_int(3, kCvChanState), 6200);

  set_int(7, kCvChanSignal, 43);
  dev_.set_handler(refusing("ASS?", 10005));
  EXPECT_EQ(CV_LoadChanSettings(7, kCvChanSignal), 10005);
  EXPECT_EQ(get_int(7, kCvChanSignal), 42);

  // Transducer and range stay as they were.
  set_int(3, kCvChanTransducer, 351);
  dev_.set_handler(refusing("ASA?", 10010));
  EXPECT_EQ(CV_LoadChanSettings(3, kCvChanTransducer | kCvChanRange), 10010);
  EXPECT_EQ(get_int(3, kCvChanTransducer), 351);
  // The device refuses the error query too.
  dev_.set_replies({{"ACT?3", "?\r\n"}, {"EST?", "?\r\n"}});
  EXPECT_EQ(CV_LoadChanSettings(3, kCvChanState), kCvEstRefused);
  // A refusal the device does not explain is still a failure.
  dev_.set_replies({{"ACT?3", "?\r\n"}, {"EST?", "0\r\n"}});
  EXPECT_EQ(CV_LoadChanSettings(3, kCvChanState), kCvBadReply);
  // Missing and non-numeric fields.
  dev_.set_replies({{"ASA?3", "350\r\n"}, {"ACT?3", "passive\r\n"}});
  EXPECT_EQ(CV_LoadChanSettings(3, kCvChanRange), kCvBadReply);
  EXPECT_EQ(CV_LoadChanSettings(3, kCvChanState), kCvBadReply);
}

TEST_F(Scripted, DeviceSettingsLoad) {
  open_online(kChain, 10);
  dev_.set_replies({{"AID?", "0,5051,1,5051\r\n"},
                    {"ICR?", "6310\r\n"},
                    {"ASF?", "142,945\r\n"},
                    {"IDN?", "QBX,Corvane,SN-0042,P2.10\r\n"},
                    {"IDN?100", "QBX,Corvane,SN-0042,P2.10,QBX,Corvane,SN-0043,P2.11\r\n"}});
  ASSERT_EQ(CV_LoadDevSettings(0xFF), 0);
  EXPECT_EQ(traffic(), "AID?\nICR?\nASF?\nASF?\nIDN?\nIDN?100\n");
  int32_t v = 0;
  char text[256];
  ASSERT_EQ(CV_GetDevSettings(kCvDevChannelCount, &v), 0);
  EXPECT_EQ(v, 2);
  ASSERT_EQ(CV_GetDevSettings(kCvDevRate, &v), 0);
  EXPECT_EQ(v, 6310);
  ASSERT_EQ(CV_GetDevSettings(kCvDevFilterType, &v), 0);
  EXPECT_EQ(v, 142);
  ASSERT_EQ(CV_GetDevSettings(kCvDevFilterFrequency, &v), 0);
  EXPECT_EQ(v, 945);
  ASSERT_EQ(CV_GetDevSettings(kCvDevSerial, text), 0);
  EXPECT_STREQ(text, "SN-0042");
  ASSERT_EQ(CV_GetDevSettings(kCvDevVersion, text), 0);
  EXPECT_STREQ(text, "P2.10");
  ASSERT_EQ(CV_GetSystemSettings(1, 64, text), 0);
  EXPECT_STREQ(text, "SN-0043");
  ASSERT_EQ(CV_GetSystemSettings(1, 32, text), 0);
  EXPECT_STREQ(text, "P2.11");
  // Bits one by one.
  const struct {
    int32_t bit;
    const char* lines;
  } cases[] = {{kCvDevChannelCount, "AID?\n"}, {kCvDevRate, "ICR?\n"}, {kCvDevFilterType, "ASF?\n"},
               {kCvDevFilterFrequency, "ASF?\n"}, {kCvDevSerial, "IDN?\nIDN?100\n"},
               {kCvDevType, "IDN?100\n"},         {kCvDevOffline, ""}};
  for (const auto& c : cases) {
    dev_.clear();
    EXPECT_EQ(CV_LoadDevSettings(c.bit), 0) << c.bit;
    EXPECT_EQ(traffic(), c.lines) << c.bit;
  }
  // Long identity fields are cut to their fields; a chain of more than 11 devices to 11 rows.
  std::string chain;
  for (int k = 0; k < 13; ++k) chain += (k ? "," : "") + std::string("QBX,Corvane,SERIAL-NUMBER-") + std::to_string(k) + ",VERSION-TEXT-LONG";
  dev_.set_replies({{"IDN?100", chain + "\r\n"}});
  ASSERT_EQ(CV_LoadDevSettings(kCvDevType), 0);
  ASSERT_EQ(CV_GetSystemSettings(10, 64, text), 0);
  EXPECT_STREQ(text, "SERIAL-NU");
  ASSERT_EQ(CV_GetSystemSettings(10, 32, text), 0);
  EXPECT_STREQ(text, "VERSION-T");
  dev_.set_replies({{"IDN?", "QBX,Corvane\r\n"}});
  EXPECT_EQ(CV_LoadDevSettings(kCvDevSerial), kCvBadReply);
  dev_.set_handler(refusing("ICR?", 10003));
  EXPECT_EQ(CV_LoadDevSettings(kCvDevRate), 10003);
  EXPECT_EQ(CV_LoadDevSettings(0x100), kCvUnknownSelector);
}

TEST_F(Scripted, DeviceSettingsSaveAndFilterCorrection) {
  open_online(kChain, 10);
  int32_t rate = 6320, type = 141, freq = 914;
  ASSERT_EQ(CV_SetDevSettings(kCvDevRate, &rate), 0);
  ASSERT_EQ(CV_SetDevSettings(kCvDevFilterType, &type), 0);
  ASSERT_EQ(CV_SetDevSettings(kCvDevFilterFrequency, &freq), 0);
  ASSERT_EQ(CV_SaveDevSettings(kCvDevRate), 0);
  EXPECT_EQ(traffic(), "ICR6320\n");
  dev_.clear();
  ASSERT_EQ(CV_SaveDevSettings(kCvDevRate | kCvDevFilterFrequency), 0);
  EXPECT_EQ(traffic(), "ICR6320\nASF141,957\n");
  ASSERT_EQ(CV_GetDevSettings(kCvDevFilterFrequency, &freq), 0);
  EXPECT_EQ(freq, 957);
  // The warning after ICR: the device chose the filter frequency, the driver reads it back.
  dev_.clear();
  dev_.set_replies({{"ICR6320", "10021\r\n"}, {"ASF?", "141,964\r\n"}});
  EXPECT_EQ(CV_SaveDevSettings(kCvDevRate), 0);
  EXPECT_EQ(traffic(), "ICR6320\nASF?\n");
  ASSERT_EQ(CV_GetDevSettings(kCvDevFilterFrequency, &freq), 0);
  EXPECT_EQ(freq, 964);
  // The same warning for ASF ends the operation with it.
  dev_.set_replies({{"ASF141,964", "10021\r\n"}});
  EXPECT_EQ(CV_SaveDevSettings(kCvDevFilterType), 10021);
  // Bits that send nothing.
  dev_.clear();
  EXPECT_EQ(CV_SaveDevSettings(kCvDevChannelCount | kCvDevSerial | kCvDevVersion | kCvDevType | kCvDevOffline), 0);
  EXPECT_EQ(traffic(), "");
  dev_.set_handler(refusing("ICR", 10005));
  EXPECT_EQ(CV_SaveDevSettings(kCvDevRate | kCvDevFilterType), 10005);
}

TEST_F(Scripted, TareValueConversions) {
  open_online(kChain, 10);
  // Full bridge at 3 mV/V: raw 12500 is 1.5 mV/V; scale factor 2 doubles it.
  dev_.set_replies({{"TAV?5", "12500\r\n"}});
  ASSERT_EQ(CV_LoadChanSettings(5, kCvChanTare), 0);
  EXPECT_FLOAT_EQ(get_float(5, kCvChanTare), 1.5f);
  set_float(5, kCvChanScale, 2.0f);
  ASSERT_EQ(CV_LoadChanSettings(5, kCvChanTare), 0);
  EXPECT_FLOAT_EQ(get_float(5, kCvChanTare), 3.0f);
  dev_.clear();
  set_float(5, kCvChanTare, -1.5f);
  ASSERT_EQ(CV_SaveChanSettings(5, kCvChanTare), 0);
  EXPECT_EQ(traffic(), "TAV5,-6250\n");
  // Overflow values are not sent.
  dev_.clear();
  set_float(5, kCvChanTare, 1e37f);
  ASSERT_EQ(CV_SaveChanSettings(5, kCvChanTare), 0);
  EXPECT_EQ(traffic(), "");
  // A zero scale factor gives no raw value.
  set_float(5, kCvChanScale, 0.0f);
  set_float(5, kCvChanTare, 1.0f);
  EXPECT_EQ(CV_SaveChanSettings(5, kCvChanTare), kCvBadValue);
  // PT100 at 400 Ohm: 50 degrees Celsius is about 119.40 Ohm, 19.40 Ohm above R0: raw ~1212.
  set_int(4, kCvChanAmplifier, 5054);
  dev_.set_replies({{"TAV?4", "1212\r\n"}});
  set_int(4, kCvChanTransducer, 501);  // reloads the tare value: "TAV?4"
  set_int(4, kCvChanRange, 730);
  ASSERT_EQ(CV_LoadChanSettings(4, kCvChanTare), 0);
  EXPECT_NEAR(get_float(4, kCvChanTare), 50.0f, 0.1f);
  dev_.clear();
  set_float(4, kCvChanTare, 50.0f);
  ASSERT_EQ(CV_SaveChanSettings(4, kCvChanTare), 0);
  const std::string sent = traffic();
  ASSERT_EQ(sent.rfind("TAV4,", 0), 0u) << sent;
  EXPECT_NEAR(std::stoi(sent.substr(5)), 1212, 3) << sent;
}

TEST_F(Scripted, PossibleSettingsFile) {
  open_online(kChain, 10);
  dev_.set_replies({{"IDN?", "QBX,Corvane,SN-1,P2.10\r\n"}, {"IDN?100", "QBX,Corvane,SN-1,P2.10\r\n"}});
  ASSERT_EQ(CV_LoadDevSettings(kCvDevVersion), 0);
  testkit::TempDir dir;
  const std::string path = dir.file("possible.psb");
  ASSERT_EQ(CV_WritePsbleSettings(path.c_str()), 0);
  const std::string bytes = testkit::read_file(path);
  ASSERT_EQ(bytes.size(), 214u + 85u);
  EXPECT_EQ(bytes.substr(0, 10), std::string("P2.10\0\0\0\0\0", 10));
  EXPECT_EQ(bytes.substr(10, 4), std::string("\x01\0\0\0", 4));
  EXPECT_EQ(bytes.substr(14, 8), std::string("\xD6\0\0\0\0\0\0\0", 8));
  EXPECT_EQ(bytes.substr(22, 192), std::string(192, '\0'));
  EXPECT_EQ(bytes.substr(214),
            std::string("   1   2   5  10  25  50  60  75 100 150 200 300 400 600 800120016002400320048009600\0", 85));
  char out[256];
  ASSERT_EQ(CV_ReadPsbleSettings(path.c_str(), 0, out), 0);
  EXPECT_STREQ(out, "P2.10");
  ASSERT_EQ(CV_ReadPsbleSettings(path.c_str(), 1, out), 0);
  EXPECT_EQ(std::strlen(out), 84u);
  EXPECT_EQ(std::string(out, 8), "   1   2");
  std::strcpy(out, "kept");
  ASSERT_EQ(CV_ReadPsbleSettings(path.c_str(), 2, out), 0);
  EXPECT_STREQ(out, "kept");
  // A position pointing nowhere, and a file too short to hold one.
  std::string broken = bytes;
  broken.replace(14, 8, std::string("\xff\xff\xff\xff\xff\xff\xff\x7f", 8));
  testkit::write_file(path, broken);
  EXPECT_EQ(CV_ReadPsbleSettings(path.c_str(), 1, out), kCvFileSeekFailed);
  testkit::write_file(path, "short");
  EXPECT_EQ(CV_ReadPsbleSettings(path.c_str(), 1, out), kCvFileSeekFailed);
  ASSERT_EQ(CV_ReadPsbleSettings(path.c_str(), 0, out), 0);
  EXPECT_STREQ(out, "short");
  EXPECT_EQ(CV_WritePsbleSettings((dir.path() + "/missing/dir/f.psb").c_str()), kCvFileOpenFailed);
}
