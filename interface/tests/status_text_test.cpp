// QBX_StatusText: every status the header names has a text of its own; other numbers are unknown.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "linkar32.h"

TEST(StatusText, EveryInterfaceStatusHasItsOwnText) {
  const int32_t statuses[] = {kQbxOk, kQbxOpenFailed, kQbxNoCurrentPort, kQbxBadArgument, kQbxPortNotOpen,
                              kQbxCloseFailed, kQbxTableFull, kQbxReadFailed, kQbxRxOverflow, kQbxWriteFailed,
                              kQbxRxOverrun, kQbxLogError, kQbxBreakFailed, kQbxGetSettingsFailed,
                              kQbxSetSettingsFailed, kQbxQueueSetupFailed, kQbxLockTimeout, kQbxUsbWriteFailed,
                              kQbxUsbPipeError, kQbxUsbNoSetupApi, kQbxUsbPipeOpenFailed};
  std::set<std::string> seen;
  for (int32_t status : statuses) {
    const std::string text = QBX_StatusText(status);
    EXPECT_NE(text, "unknown status") << status;
    EXPECT_TRUE(seen.insert(text).second) << status << " repeats " << text;
  }
  EXPECT_STREQ(QBX_StatusText(kQbxOk), "success");
  EXPECT_STREQ(QBX_StatusText(kQbxReadFailed), "no answer from the amplifier within the time-out");
  EXPECT_STREQ(QBX_StatusText(-5), "unknown status");
  EXPECT_STREQ(QBX_StatusText(10005), "unknown status");
}
