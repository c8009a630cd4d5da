// Settings model in memory: channel and device defaults, get and set by selector, the possible-value
// lists of the amplifier rules, chain texts, and the status codes of bad channels, selectors and
// pointers.
#include <cstring>

#include "offline_fixture.h"

using V = std::vector<int32_t>;

TEST_F(Offline, ChannelDefaultsFollowTheSlotPosition) {
  // Channel 14: slot 4 of the second device, a KX4 bridge amplifier.
  EXPECT_EQ(get_int(14, kCvChanAmplifier), 5053);
  EXPECT_EQ(get_int(14, kCvChanTransducer), 350);
  EXPECT_EQ(get_int(14, kCvChanRange), 700);
  EXPECT_EQ(get_float(14, kCvChanRangeValue), 3.0f);
  EXPECT_EQ(get_text(14, kCvChanUnit), "mV/V");
  EXPECT_EQ(get_text(14, kCvChanName), kGerman ? "Kanal 14" : "Channel14");
  EXPECT_EQ(get_text(14, kCvChanIdent), "4711");
  EXPECT_EQ(get_int(14, kCvChanState), 6203);
  EXPECT_EQ(get_int(14, kCvChanFilterMode), 148);
  EXPECT_EQ(get_int(14, kCvChanSignal), 42);
  EXPECT_EQ(get_float(14, kCvChanScale), 1.0f);
  EXPECT_EQ(get_float(14, kCvChanTare), 0.0f);
  EXPECT_EQ(get_int(14, kCvChanDigital), 0);
  // Channel 9: the spare slot, not connected.
  EXPECT_EQ(get_int(9, kCvChanAmplifier), 5050);
  EXPECT_EQ(get_int(9, kCvChanState), 6200);
  EXPECT_EQ(get_text(9, kCvChanUnit), " ");
  EXPECT_EQ(get_int(9, kCvChanTransducer), 0);
  // Slots 0..3 and 8.
  EXPECT_EQ(get_int(0, kCvChanAmplifier), 5051);
  EXPECT_EQ(get_int(1, kCvChanAmplifier), 5051);
  EXPECT_EQ(get_int(2, kCvChanAmplifier), 5052);
  EXPECT_EQ(get_int(13, kCvChanAmplifier), 5052);
  EXPECT_EQ(get_int(8, kCvChanAmplifier), 5055);
  EXPECT_EQ(get_int(8, kCvChanRange), 0);
  EXPECT_EQ(get_float(8, kCvChanRangeValue), 25000.0f);
  EXPECT_EQ(get_text(0, kCvChanName), kGerman ? "Kanal 0" : "Channel0");
}

TEST_F(Offline, OfflineDeviceBlockAndChainTable) {
  EXPECT_EQ(dev_int(kCvDevChannelCount), 20);
  EXPECT_EQ(dev_int(kCvDevRate), 6320);
  EXPECT_EQ(dev_int(kCvDevFilterType), 140);
  EXPECT_EQ(dev_int(kCvDevFilterFrequency), 971);
  EXPECT_EQ(dev_int(kCvDevOffline), 1);
  char text[256];
  ASSERT_EQ(CV_GetDevSettings(kCvDevSerial, text), 0);
  EXPECT_STREQ(text, "4711");
  ASSERT_EQ(CV_GetDevSettings(kCvDevVersion, text), 0);
  EXPECT_STREQ(text, "Pxx");
  ASSERT_EQ(CV_GetDevSettings(kCvDevType, text), 0);
  EXPECT_STREQ(text, "Corvane");
  ASSERT_EQ(CV_GetSystemSettings(0, 64, text), 0);
  EXPECT_STREQ(text, "4711");
  ASSERT_EQ(CV_GetSystemSettings(0, 32, text), 0);
  EXPECT_STREQ(text, "Pxx");
  ASSERT_EQ(CV_GetSystemSettings(0, 16, text), 0);
  EXPECT_STREQ(text, "Corvane");
  ASSERT_EQ(CV_GetSystemSettings(10, 64, text), 0);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(CV_GetSystemSettings(11, 64, text), kCvBadChannel);
  EXPECT_EQ(CV_GetSystemSettings(-1, 64, text), kCvBadChannel);
  EXPECT_EQ(CV_GetSystemSettings(0, 8, text), kCvUnknownSelector);
}

TEST(OfflineOpen, ChannelCountIsLimitedAndAllRecordsExist) {
  int32_t n = 30;
  ASSERT_EQ(CV_OpenDevice(1, &n), 0);
  EXPECT_EQ(n, 30);
  int32_t amp = 0;
  // All 100 records exist offline: the channel at the count is reachable, beyond it is not.
  EXPECT_EQ(CV_GetChanSettings(30, kCvChanAmplifier, &amp), 0);
  EXPECT_EQ(CV_GetChanSettings(31, kCvChanAmplifier, &amp), kCvBadChannel);
  EXPECT_EQ(CV_GetChanSettings(-1, kCvChanAmplifier, &amp), kCvBadChannel);
  int32_t count = 100;
  ASSERT_EQ(CV_SetDevSettings(kCvDevChannelCount, &count), 0);
  EXPECT_EQ(CV_GetChanSettings(99, kCvChanAmplifier, &amp), 0);
  EXPECT_EQ(amp, 5050);
  EXPECT_EQ(CV_GetChanSettings(100, kCvChanAmplifier, &amp), kCvBadChannel);
  count = 101;
  EXPECT_EQ(CV_SetDevSettings(kCvDevChannelCount, &count), kCvBadValue);
  count = -1;
  EXPECT_EQ(CV_SetDevSettings(kCvDevChannelCount, &count), kCvBadValue);

  n = 150;
  ASSERT_EQ(CV_OpenDevice(1, &n), 0);  // opening again frees and recreates the records
  EXPECT_EQ(n, 100);
  EXPECT_EQ(CV_GetChanSettings(99, kCvChanAmplifier, &amp), 0);
  n = -5;
  EXPECT_EQ(CV_OpenDevice(1, &n), kCvBadValue);
  EXPECT_EQ(CV_OpenDevice(1, nullptr), kCvBadValue);
  EXPECT_EQ(CV_CloseDevice(), 0);
  EXPECT_EQ(CV_GetChanSettings(0, kCvChanAmplifier, &amp), kCvBadChannel);
  EXPECT_EQ(CV_CloseDevice(), 0);
}

TEST_F(Offline, RangeAndTransducerDeriveValueAndUnit) {
  set_int(4, kCvChanAmplifier, 5054);
  set_int(4, kCvChanTransducer, 503);
  set_int(4, kCvChanRange, 731);
  EXPECT_EQ(get_float(4, kCvChanRangeValue), 4000.0f);
  EXPECT_EQ(get_text(4, kCvChanUnit), "\xB0" "C");
  set_int(4, kCvChanTransducer, 475);  // resistor: the unit of the range again
  EXPECT_EQ(get_text(4, kCvChanUnit), "Ohm");
  set_int(4, kCvChanTransducer, 451);  // thermocouple K
  set_int(4, kCvChanRange, 710);
  EXPECT_EQ(get_float(4, kCvChanRangeValue), 0.1f);
  EXPECT_EQ(get_text(4, kCvChanUnit), "\xB0" "C");
  set_int(4, kCvChanTransducer, 420);
  const struct {
    int32_t range;
    float value;
    const char* unit;
  } cases[] = {{700, 3, "mV/V"},   {703, 500, "mV/V"},  {712, 10, "V"},    {721, 200, "mA"},
               {740, 1e6f, "Hz"},   {744, 100, "Hz"},    {750, 0.01f, "s"}, {754, 100, "s"},
               {760, 25000, ""},    {765, 25000, ""},    {0, 25000, ""}};
  for (const auto& c : cases) {
    set_int(4, kCvChanRange, c.range);
    EXPECT_EQ(get_float(4, kCvChanRangeValue), c.value) << c.range;
    EXPECT_EQ(get_text(4, kCvChanUnit), c.unit) << c.range;
  }
  // The unit is derived: setting it is refused.
  EXPECT_EQ(CV_SetChanSettings(4, kCvChanUnit, "V"), kCvUnitDerived);
}

TEST_F(Offline, GetAndSetEverySelector) {
  set_int(5, kCvChanState, 6201);
  EXPECT_EQ(get_int(5, kCvChanState), 6201);
  set_int(5, kCvChanFilterMode, 149);
  EXPECT_EQ(get_int(5, kCvChanFilterMode), 149);
  set_int(5, kCvChanDigital, 77);
  EXPECT_EQ(get_int(5, kCvChanDigital), 77);
  set_int(5, kCvChanSignal, 43);
  EXPECT_EQ(get_int(5, kCvChanSignal), 43);
  float f = 2.5f;
  ASSERT_EQ(CV_SetChanSettings(5, kCvChanScale, &f), 0);
  EXPECT_EQ(get_float(5, kCvChanScale), 2.5f);
  f = 1.25f;
  ASSERT_EQ(CV_SetChanSettings(5, kCvChanTare, &f), 0);
  EXPECT_EQ(get_float(5, kCvChanTare), 1.25f);
  f = -3.5f;
  ASSERT_EQ(CV_SetChanSettings(5, kCvChanMeasured, &f), 0);
  EXPECT_EQ(get_float(5, kCvChanMeasured), -3.5f);
  f = 7.0f;
  ASSERT_EQ(CV_SetChanSettings(5, kCvChanRangeValue, &f), 0);
  EXPECT_EQ(get_float(5, kCvChanRangeValue), 7.0f);
  ASSERT_EQ(CV_SetChanSettings(5, kCvChanName, "Force left"), 0);
  EXPECT_EQ(get_text(5, kCvChanName), "Force left");
  ASSERT_EQ(CV_SetChanSettings(5, kCvChanIdent, "A-7"), 0);
  EXPECT_EQ(get_text(5, kCvChanIdent), "A-7");
  // The other channels keep their side-array values.
  EXPECT_EQ(get_int(6, kCvChanSignal), 42);
  EXPECT_EQ(get_float(6, kCvChanScale), 1.0f);

  int32_t v = 0;
  EXPECT_EQ(CV_GetChanSettings(5, 3, &v), kCvUnknownSelector);
  EXPECT_EQ(CV_GetChanSettings(5, 16384, &v), kCvUnknownSelector);
  EXPECT_EQ(CV_SetChanSettings(5, 0, &v), kCvUnknownSelector);
  EXPECT_EQ(CV_GetChanSettings(21, kCvChanState, &v), kCvBadChannel);
  EXPECT_EQ(CV_SetChanSettings(-3, kCvChanState, &v), kCvBadChannel);
  EXPECT_EQ(CV_GetChanSettings(5, kCvChanState, nullptr), kCvBadValue);
  EXPECT_EQ(CV_SetChanSettings(5, kCvChanState, nullptr), kCvBadValue);
}

TEST_F(Offline, TextsAreCutToTheirFields) {
  ASSERT_EQ(CV_SetChanSettings(3, kCvChanName, "a channel name that is far too long"), 0);
  EXPECT_EQ(get_text(3, kCvChanName), "a channel name that");  // 19 characters and the terminator
  ASSERT_EQ(CV_SetChanSettings(3, kCvChanIdent, "0123456789ABCDEF"), 0);
  EXPECT_EQ(get_text(3, kCvChanIdent), "012345678");
  ASSERT_EQ(CV_SetDevSettings(kCvDevSerial, "SN-1234567890"), 0);
  char text[256];
  ASSERT_EQ(CV_GetDevSettings(kCvDevSerial, text), 0);
  EXPECT_STREQ(text, "SN-123456");
  ASSERT_EQ(CV_SetDevSettings(kCvDevVersion, "V-012345678901234567890123456789"), 0);
  ASSERT_EQ(CV_GetDevSettings(kCvDevVersion, text), 0);
  EXPECT_EQ(std::strlen(text), 23u);
}

TEST_F(Offline, DeviceSettingsGuards) {
  set_dev_int(kCvDevRate, 6305);
  EXPECT_EQ(dev_int(kCvDevRate), 6305);
  set_dev_int(kCvDevFilterType, 141);
  set_dev_int(kCvDevFilterFrequency, 927);
  EXPECT_EQ(dev_int(kCvDevFilterFrequency), 927);
  int32_t one = 1;
  EXPECT_EQ(CV_SetDevSettings(kCvDevOffline, &one), kCvOfflineFlagFixed);
  EXPECT_EQ(CV_SetDevSettings(256, &one), kCvUnknownSelector);
  EXPECT_EQ(CV_GetDevSettings(0, &one), kCvUnknownSelector);
  EXPECT_EQ(CV_GetDevSettings(kCvDevRate, nullptr), kCvBadValue);
  EXPECT_EQ(CV_SetDevSettings(kCvDevRate, nullptr), kCvBadValue);
}

TEST_F(Offline, PossibleDeviceValues) {
  int32_t out[27];
  ASSERT_EQ(CV_GetPsbleDevSettings(0, kCvDevChannelCount, out), 0);
  EXPECT_EQ(out[0], 10);
  V rates;
  for (int32_t r = 6300; r <= 6320; ++r) rates.push_back(r);
  EXPECT_EQ(dev_list(kCvDevRate), rates);
  EXPECT_EQ(dev_list(kCvDevFilterType), (V{140, 141, 142}));
  set_dev_int(kCvDevRate, 6305);
  set_dev_int(kCvDevFilterType, 141);
  EXPECT_EQ(dev_list(kCvDevFilterFrequency), (V{921, 927, 932, 935}));
  set_dev_int(kCvDevFilterType, 142);
  EXPECT_EQ(dev_list(kCvDevFilterFrequency), (V{921, 927, 932, 935}));
  set_dev_int(kCvDevFilterType, 140);
  EXPECT_EQ(dev_list(kCvDevFilterFrequency), (V{935, 1199}));
  set_dev_int(kCvDevFilterType, 143);
  EXPECT_EQ(dev_list(kCvDevFilterFrequency), V{});
  // The windows at both ends of the rate list and in the shared rows.
  const struct {
    int32_t rate;
    V butterworth;
    V none;
  } cases[] = {{6300, {914}, {914, 1199}},
               {6301, {914, 918}, {918, 1199}},
               {6303, {914, 918, 921, 927}, {927, 1199}},
               {6304, {918, 921, 927, 932}, {932, 1199}},
               {6308, {927, 932, 935, 941}, {941, 1199}},
               {6314, {941, 945, 948, 952}, {952, 1199}},
               {6319, {952, 957, 960, 964}, {964, 1199}},
               {6320, {957, 960, 964, 971}, {971, 1199}},
               {6321, {}, {}}};
  for (const auto& c : cases) {
    set_dev_int(kCvDevRate, c.rate);
    set_dev_int(kCvDevFilterType, 141);
    EXPECT_EQ(dev_list(kCvDevFilterFrequency), c.butterworth) << c.rate;
    set_dev_int(kCvDevFilterType, 140);
    EXPECT_EQ(dev_list(kCvDevFilterFrequency), c.none) << c.rate;
  }
  out[0] = 4242;
  EXPECT_EQ(CV_GetPsbleDevSettings(0, kCvDevSerial, out), 0);
  EXPECT_EQ(out[0], 4242);
  EXPECT_EQ(CV_GetPsbleDevSettings(0, 256, out), kCvUnknownSelector);
  EXPECT_EQ(CV_GetPsbleDevSettings(0, kCvDevRate, nullptr), kCvBadValue);
}

TEST_F(Offline, PossibleChannelValuesFollowTheAmplifierRules) {
  EXPECT_EQ(chan_list(0, kCvChanAmplifier), (V{5053, 5054, 5058}));
  // Channel 4 as KX1 (5054).
  set_int(4, kCvChanAmplifier, 5054);
  EXPECT_EQ(chan_list(4, kCvChanTransducer), (V{420, 421, 450, 451, 452, 453, 454, 455, 456, 475, 501, 502, 503}));
  EXPECT_EQ(chan_list(4, kCvChanState), (V{6200, 6201, 6202, 6203}));
  EXPECT_EQ(chan_list(4, kCvChanSignal), V{42});
  EXPECT_EQ(chan_list(4, kCvChanScale), V{42});
  EXPECT_EQ(chan_list(4, kCvChanFilterMode), (V{148, 149}));
  const struct {
    int32_t transducer;
    V ranges;
  } kx1[] = {{420, {710, 711, 712}}, {421, {720, 721}}, {450, {710}}, {456, {710}}, {510, {710}},
             {475, {730, 731}},      {501, {730}},      {502, {731}}, {503, {731}}, {350, {}}};
  for (const auto& c : kx1) {
    set_int(4, kCvChanTransducer, c.transducer);
    EXPECT_EQ(chan_list(4, kCvChanRange), c.ranges) << c.transducer;
  }
  // TF with f (5051): bridges, voltage and the frequency kinds.
  EXPECT_EQ(chan_list(0, kCvChanTransducer), (V{350, 351, 420, 520, 521, 522, 523}));
  set_int(0, kCvChanTransducer, 522);
  EXPECT_EQ(chan_list(0, kCvChanRange),
            (V{740, 741, 742, 743, 744, 750, 751, 752, 753, 754, 760, 761}));
  set_int(0, kCvChanTransducer, 351);
  EXPECT_EQ(chan_list(0, kCvChanRange), (V{700, 701, 702, 703}));
  set_int(0, kCvChanTransducer, 352);  // quarter bridge: not on this amplifier
  EXPECT_EQ(chan_list(0, kCvChanRange), V{});
  EXPECT_EQ(chan_list(2, kCvChanTransducer), (V{350, 351, 420}));
  // KX3 (5058): quarter bridge, shunt.
  set_int(6, kCvChanAmplifier, 5058);
  EXPECT_EQ(chan_list(6, kCvChanTransducer), (V{350, 351, 352, 420}));
  set_int(6, kCvChanTransducer, 352);
  EXPECT_EQ(chan_list(6, kCvChanRange), (V{700, 701, 702, 703}));
  set_int(6, kCvChanTransducer, 420);
  EXPECT_EQ(chan_list(6, kCvChanRange), V{712});
  EXPECT_EQ(chan_list(6, kCvChanSignal), (V{42, 43}));
  // Digital I/O (5055), aux (5056), not connected (5050).
  EXPECT_EQ(chan_list(8, kCvChanTransducer), V{528});
  EXPECT_EQ(chan_list(8, kCvChanRange), V{765});
  EXPECT_EQ(chan_list(8, kCvChanState), (V{6200, 6201}));
  EXPECT_EQ(chan_list(8, kCvChanFilterMode), V{});
  set_int(7, kCvChanAmplifier, 5056);
  EXPECT_EQ(chan_list(7, kCvChanTransducer), (V{510, 525}));
  set_int(7, kCvChanTransducer, 510);
  EXPECT_EQ(chan_list(7, kCvChanRange), V{770});
  set_int(7, kCvChanTransducer, 525);
  EXPECT_EQ(chan_list(7, kCvChanRange), V{760});
  EXPECT_EQ(chan_list(7, kCvChanFilterMode), V{});
  EXPECT_EQ(chan_list(9, kCvChanTransducer), V{});
  EXPECT_EQ(chan_list(9, kCvChanState), V{});
  EXPECT_EQ(chan_list(9, kCvChanSignal), V{42});

  // Selectors without a list leave the buffer as it was.
  int32_t out[27] = {4242};
  for (int32_t sel : {1, 4, 8, 256, 512, 2048}) {
    EXPECT_EQ(CV_GetPsbleChanSettings(4, 0, sel, out), 0) << sel;
    EXPECT_EQ(out[0], 4242) << sel;
  }
  EXPECT_EQ(CV_GetPsbleChanSettings(4, 0, 3, out), kCvUnknownSelector);
  EXPECT_EQ(CV_GetPsbleChanSettings(21, 0, kCvChanState, out), kCvBadChannel);
  EXPECT_EQ(CV_GetPsbleChanSettings(-1, 0, kCvChanState, out), kCvBadChannel);
  EXPECT_EQ(CV_GetPsbleChanSettings(4, 0, kCvChanState, nullptr), kCvBadValue);
}

TEST_F(Offline, PossibleUnits) {
  char text[256];
  ASSERT_EQ(CV_GetPsbleChanSettings(0, 1, kCvChanUnit, text), 0);
  EXPECT_EQ(std::string(text, 26), std::string(" mV/V    V   mA  Ohm   \xB0" "C\0", 26));
  const struct {
    int32_t channel, amplifier, transducer;
    const char* unit;
  } cases[] = {{4, 5053, 350, " mV/V"}, {4, 5053, 420, "    V"}, {0, 5051, 521, "   Hz"},
               {4, 5054, 420, "    V"}, {4, 5054, 421, "   mA"}, {4, 5054, 452, "   \xB0" "C"},
               {4, 5054, 502, "   \xB0" "C"}, {4, 5054, 475, "  Ohm"}, {2, 5052, 352, " mV/V"}};
  for (const auto& c : cases) {
    set_int(c.channel, kCvChanAmplifier, c.amplifier);
    set_int(c.channel, kCvChanTransducer, c.transducer);
    ASSERT_EQ(CV_GetPsbleChanSettings(c.channel, 0, kCvChanUnit, text), 0) << c.transducer;
    EXPECT_STREQ(text, c.unit) << c.transducer;
  }
  EXPECT_EQ(CV_GetPsbleChanSettings(8, 0, kCvChanUnit, text), kCvNoUnit);
  EXPECT_EQ(CV_GetPsbleChanSettings(9, 0, kCvChanUnit, text), kCvNoUnit);
  set_int(2, kCvChanTransducer, 520);  // frequency kinds only on 5051
  EXPECT_EQ(CV_GetPsbleChanSettings(2, 0, kCvChanUnit, text), kCvNoUnit);
}

TEST(Version, VersionAndReservedEntryPoints) {
  char text[8] = "xxxxxxx";
  ASSERT_EQ(CV_GetVersion(text), 0);
  EXPECT_EQ(std::string(text, 5), std::string("2.00\0", 5));
  EXPECT_EQ(text[5], 'x');
  EXPECT_EQ(CV_GetVersion(nullptr), kCvBadValue);
  EXPECT_EQ(CV_DoSelfTest(1, 2, 3), 0);
  EXPECT_EQ(CV_GetChanInfo(1, 2, 3, 4, 5), 0);
  EXPECT_EQ(CV_GetDevInfo(1, 2, 3, 4), 0);
}
