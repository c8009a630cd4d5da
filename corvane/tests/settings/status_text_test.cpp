// CV_StatusText of the two editions: every status the header names has its own text in the
// edition's language, the settings-file statuses apart from the interface statuses of the same
// numbers, device errors as the index strings give them. The same source runs against both.
#include <cstring>
#include <set>
#include <string>

#include "offline_fixture.h"
#include "linkar32.h"

namespace {

const char* ed(const char* english, const char* german) { return kGerman ? german : english; }

const std::string kUnknown = kGerman ? "unbekannter Status" : "unknown status";

}  // namespace

TEST(StatusTexts, EveryLibraryAndInterfaceStatusHasItsOwnText) {
  const int32_t line_statuses[] = {
      kCvOutOfMemory, kCvNoResource, kCvUnknownSelector, kCvUnitDerived, kCvBadValue, kCvOfflineOnly,
      kCvOfflineFlagFixed, kCvDataTimeout, kCvDeviceState5, kCvNoActiveChannel, kCvBadChannel, kCvEstRefused,
      kCvNoUnit, kCvUnknownReadForm, kCvBadReply, kCvLinUnsupported, kCvLinClamped, kQbxOpenFailed,
      kQbxNoCurrentPort, kQbxBadArgument, kQbxPortNotOpen, kQbxCloseFailed, kQbxTableFull, kQbxReadFailed,
      kQbxRxOverflow, kQbxWriteFailed, kQbxRxOverrun, kQbxLogError, kQbxBreakFailed, kQbxGetSettingsFailed,
      kQbxSetSettingsFailed, kQbxQueueSetupFailed, kQbxLockTimeout, kQbxUsbWriteFailed, kQbxUsbPipeError,
      kQbxUsbNoSetupApi, kQbxUsbPipeOpenFailed};
  std::set<std::string> seen;
  for (int32_t status : line_statuses) {
    const std::string text = CV_StatusText(status, kCvStatusOfLine);
    EXPECT_NE(text, kUnknown) << status;
    EXPECT_TRUE(seen.insert(text).second) << status << " repeats " << text;
  }
  EXPECT_EQ(std::string(CV_StatusText(kCvBadChannel, kCvStatusOfLine)), ed("no such channel", "kein solcher Kanal"));
  EXPECT_EQ(std::string(CV_StatusText(kQbxReadFailed, kCvStatusOfLine)),
            ed("no answer from the amplifier within the time-out",
               "keine Antwort des Verst\xE4rkers innerhalb der Zeitgrenze"));
  EXPECT_EQ(std::string(CV_StatusText(0, kCvStatusOfLine)), ed("success", "Erfolg"));
  EXPECT_EQ(std::string(CV_StatusText(-77, kCvStatusOfLine)), kUnknown);
  EXPECT_EQ(std::string(CV_StatusText(-77, kCvStatusOfFile)), kUnknown);
}

TEST(StatusTexts, FileStatusesAreToldApartFromInterfaceStatuses) {
  const int32_t file_statuses[] = {kCvFileOpenFailed, kCvFileSeekFailed, kCvFileTooShort, kCvFileWriteFailed,
                                   kCvFileNotSettings};
  for (int32_t status : file_statuses) {
    const std::string as_file = CV_StatusText(status, kCvStatusOfFile);
    EXPECT_NE(as_file, kUnknown) << status;
    EXPECT_NE(as_file, std::string(CV_StatusText(status, kCvStatusOfLine))) << status;
  }
  EXPECT_EQ(std::string(CV_StatusText(kCvFileOpenFailed, kCvStatusOfFile)),
            ed("the file cannot be opened or created", "die Datei kann nicht ge\xF6" "ffnet oder angelegt werden"));
  // Statuses that only the library gives keep their text on either side.
  EXPECT_EQ(std::string(CV_StatusText(kCvBadChannel, kCvStatusOfFile)),
            std::string(CV_StatusText(kCvBadChannel, kCvStatusOfLine)));
}

TEST(StatusTexts, DeviceErrorsGiveTheIndexString) {
  for (int32_t error = kCvErrAfterReset; error <= kCvWarnTareState; ++error) {
    char index[256] = {};
    if (CV_GetIndexString(error, index) != 0) continue;  // numbers the amplifier does not use
    EXPECT_EQ(std::string(CV_StatusText(error, kCvStatusOfLine)), std::string(index)) << error;
  }
  EXPECT_EQ(std::string(CV_StatusText(kCvLastDeviceError, kCvStatusOfLine)), kUnknown);
}
