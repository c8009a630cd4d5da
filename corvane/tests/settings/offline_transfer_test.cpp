// Settings transfer in offline mode: loads do nothing, saves check the records against the
// amplifier rules and correct the dependent settings, all without a port.
#include "offline_fixture.h"

TEST_F(Offline, SaveDeviceChecksAndCorrectsFilterFrequency) {
  // Rate 9600 Hz with Butterworth allows 150..1200 Hz: a stored 0.1 Hz becomes the first of them.
  set_dev_int(kCvDevRate, 6320);
  set_dev_int(kCvDevFilterType, 141);
  set_dev_int(kCvDevFilterFrequency, 914);
  EXPECT_EQ(CV_SaveDevSettings(kCvDevRate | kCvDevFilterFrequency), 0);
  EXPECT_EQ(dev_int(kCvDevFilterFrequency), 957);
  // The filter type check corrects as well: no filter at 5 Hz allows 0.5 Hz and averaging.
  set_dev_int(kCvDevRate, 6302);
  set_dev_int(kCvDevFilterType, 140);
  set_dev_int(kCvDevFilterFrequency, 964);
  EXPECT_EQ(CV_SaveDevSettings(kCvDevFilterType), 0);
  EXPECT_EQ(dev_int(kCvDevFilterFrequency), 921);
  // An allowed frequency stays.
  set_dev_int(kCvDevFilterFrequency, 1199);
  EXPECT_EQ(CV_SaveDevSettings(kCvDevRate), 0);
  EXPECT_EQ(dev_int(kCvDevFilterFrequency), 1199);

  set_dev_int(kCvDevRate, 6321);
  EXPECT_EQ(CV_SaveDevSettings(kCvDevRate), kCvBadValue);
  set_dev_int(kCvDevRate, 6310);
  set_dev_int(kCvDevFilterType, 143);
  EXPECT_EQ(CV_SaveDevSettings(kCvDevFilterType), kCvBadValue);
  set_dev_int(kCvDevFilterType, 142);
  set_dev_int(kCvDevFilterFrequency, 914);
  EXPECT_EQ(CV_SaveDevSettings(kCvDevFilterFrequency), kCvBadValue);
  EXPECT_EQ(dev_int(kCvDevFilterFrequency), 914);  // the frequency check alone does not correct
  EXPECT_EQ(CV_SaveDevSettings(kCvDevChannelCount | kCvDevSerial | kCvDevOffline), 0);
  EXPECT_EQ(CV_SaveDevSettings(0), kCvUnknownSelector);
  EXPECT_EQ(CV_SaveDevSettings(0x100), kCvUnknownSelector);
  EXPECT_EQ(CV_LoadDevSettings(0xFF), 0);
  EXPECT_EQ(CV_LoadDevSettings(0), kCvUnknownSelector);
}

TEST_F(Offline, SaveChannelAmplifierChange) {
  // Slots 4..7 take a user amplifier with its transducer and range; state and name are reset.
  set_int(5, kCvChanState, 6200);
  ASSERT_EQ(CV_SetChanSettings(5, kCvChanName, "renamed"), 0);
  set_int(5, kCvChanAmplifier, 5054);
  EXPECT_EQ(CV_SaveChanSettings(5, kCvChanAmplifier), 0);
  EXPECT_EQ(get_int(5, kCvChanTransducer), 420);
  EXPECT_EQ(get_int(5, kCvChanRange), 712);
  EXPECT_EQ(get_float(5, kCvChanRangeValue), 10.0f);
  EXPECT_EQ(get_text(5, kCvChanUnit), "V");
  EXPECT_EQ(get_int(5, kCvChanState), 6203);
  EXPECT_EQ(get_text(5, kCvChanName), kGerman ? "Kanal 5" : "Channel5");
  set_int(5, kCvChanAmplifier, 5058);
  EXPECT_EQ(CV_SaveChanSettings(5, kCvChanAmplifier), 0);
  EXPECT_EQ(get_int(5, kCvChanTransducer), 350);
  EXPECT_EQ(get_int(5, kCvChanRange), 700);
  set_int(5, kCvChanAmplifier, 5057);
  EXPECT_EQ(CV_SaveChanSettings(5, kCvChanAmplifier), kCvBadValue);
  // Fixed slots accept only their own amplifier.
  set_int(0, kCvChanAmplifier, 5054);
  EXPECT_EQ(CV_SaveChanSettings(0, kCvChanAmplifier), kCvBadValue);
  set_int(0, kCvChanAmplifier, 5051);
  ASSERT_EQ(CV_SetChanSettings(0, kCvChanName, "kept"), 0);
  EXPECT_EQ(CV_SaveChanSettings(0, kCvChanAmplifier), 0);
  EXPECT_EQ(get_text(0, kCvChanName), "kept");
  set_int(18, kCvChanAmplifier, 5053);
  EXPECT_EQ(CV_SaveChanSettings(18, kCvChanAmplifier), kCvBadValue);
}

TEST_F(Offline, SaveChannelChecksTheRules) {
  // Transducer not allowed for the amplifier.
  set_int(4, kCvChanTransducer, 501);
  EXPECT_EQ(CV_SaveChanSettings(4, kCvChanTransducer), kCvBadValue);
  // Allowed transducer, range corrected to the first allowed one.
  set_int(4, kCvChanAmplifier, 5054);
  set_int(4, kCvChanTransducer, 501);
  set_int(4, kCvChanRange, 700);
  EXPECT_EQ(CV_SaveChanSettings(4, kCvChanTransducer), 0);
  EXPECT_EQ(get_int(4, kCvChanRange), 730);
  EXPECT_EQ(get_float(4, kCvChanRangeValue), 400.0f);
  EXPECT_EQ(get_text(4, kCvChanUnit), "\xB0" "C");
  // The range check alone does not correct.
  set_int(4, kCvChanRange, 731);
  EXPECT_EQ(CV_SaveChanSettings(4, kCvChanRange), kCvBadValue);
  EXPECT_EQ(get_int(4, kCvChanRange), 731);
  set_int(4, kCvChanRange, 730);
  EXPECT_EQ(CV_SaveChanSettings(4, kCvChanRange | kCvChanTransducer), 0);
  // State of an unconnected channel must be passive.
  EXPECT_EQ(CV_SaveChanSettings(9, kCvChanState), 0);
  set_int(9, kCvChanState, 6201);
  EXPECT_EQ(CV_SaveChanSettings(9, kCvChanState), kCvBadValue);
  // Digital value and signal selector.
  set_int(8, kCvChanDigital, 65535);
  EXPECT_EQ(CV_SaveChanSettings(8, kCvChanDigital), 0);
  set_int(8, kCvChanDigital, 65536);
  EXPECT_EQ(CV_SaveChanSettings(8, kCvChanDigital), kCvBadValue);
  set_int(6, kCvChanSignal, 43);
  EXPECT_EQ(CV_SaveChanSettings(6, kCvChanSignal), 0);
  set_int(6, kCvChanSignal, 44);
  EXPECT_EQ(CV_SaveChanSettings(6, kCvChanSignal), kCvBadValue);
  // Bits that are only accepted, and the ones that are not handled.
  EXPECT_EQ(CV_SaveChanSettings(6, kCvChanName | kCvChanMeasured | kCvChanUnit), 0);
  EXPECT_EQ(CV_SaveChanSettings(6, 0), kCvUnknownSelector);
  EXPECT_EQ(CV_SaveChanSettings(6, kCvChanScale), kCvUnknownSelector);
  EXPECT_EQ(CV_SaveChanSettings(21, kCvChanState), kCvBadChannel);
  EXPECT_EQ(CV_SaveChanSettings(-1, kCvChanState), kCvBadChannel);
  // The first failing bit ends the operation: the transducer check fails before the range check.
  set_int(7, kCvChanTransducer, 475);
  set_int(7, kCvChanRange, 999);
  EXPECT_EQ(CV_SaveChanSettings(7, kCvChanTransducer | kCvChanRange), kCvBadValue);
}

TEST_F(Offline, LoadChannelDoesNothingOffline) {
  set_int(3, kCvChanState, 6201);
  EXPECT_EQ(CV_LoadChanSettings(3, 0xFFFF), 0);
  EXPECT_EQ(get_int(3, kCvChanState), 6201);
  EXPECT_EQ(get_text(3, kCvChanIdent), "4711");
  EXPECT_EQ(CV_LoadChanSettings(3, kCvChanScale), kCvUnknownSelector);
  EXPECT_EQ(CV_LoadChanSettings(3, kCvChanName | kCvChanMeasured), kCvUnknownSelector);
  EXPECT_EQ(CV_LoadChanSettings(3, 0), kCvUnknownSelector);
  EXPECT_EQ(CV_LoadChanSettings(-1, kCvChanState), kCvBadChannel);
}

TEST_F(Offline, PossibleSettingsFileNeedsADevice) {
  EXPECT_EQ(CV_WritePsbleSettings("/tmp/never-written.psb"), kCvBadValue);
  char out[256];
  EXPECT_EQ(CV_ReadPsbleSettings("/nonexistent/dir/file.psb", 0, out), kCvFileOpenFailed);
  EXPECT_EQ(CV_ReadPsbleSettings(nullptr, 0, out), kCvBadValue);
}
