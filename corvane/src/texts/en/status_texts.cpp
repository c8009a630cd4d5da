// English status texts of CV_StatusText: the library's own statuses, and the settings-file statuses
// that share numbers with the interface statuses passed up from the line. Interface statuses take
// the interface library's own (English) texts.
#include "corvan32.h"
#include "texts.h"

namespace corvan {

namespace {

// Sorted by id.
constexpr TextEntry kStatusTexts[] = {
    {kCvLinClamped, "value outside the linearisation table (clamped)"},
    {kCvLinUnsupported, "the transducer has no linearisation"},
    {kCvBadReply, "the amplifier's reply was malformed"},
    {kCvUnknownReadForm, "unknown settings file form"},
    {kCvNoUnit, "no unit for this amplifier and transducer"},
    {kCvEstRefused, "the amplifier refused the error-status query"},
    {kCvBadChannel, "no such channel"},
    {kCvNoActiveChannel, "no channel takes part (none is switched to measure or tare)"},
    {kCvDeviceState5, "the amplifier's measured-value memory ran full (device state 5)"},
    {kCvDataTimeout, "time-out while waiting for measured data"},
    {kCvOfflineFlagFixed, "the offline flag cannot be set"},
    {kCvOfflineOnly, "the number of channels can be changed offline only"},
    {kCvBadValue, "a value is outside its allowed set for this channel or device"},
    {kCvUnitDerived, "the unit follows from the measuring range and cannot be set"},
    {kCvUnknownSelector, "the setting is not handled by this operation"},
    {kCvNoResource, "text resource not found"},
    {kCvOutOfMemory, "out of memory in the driver"},
    {kCvOk, "success"},
};

// Sorted by id.
constexpr TextEntry kFileStatusTexts[] = {
    {kCvUnknownReadForm, "unknown settings file form"},
    {kCvBadValue, "unknown settings file form"},
    {kCvFileNotSettings, "the file is not a Corvane settings file"},
    {kCvFileWriteFailed, "writing the file failed"},
    {kCvFileTooShort, "the file is too short or holds more than 100 channels"},
    {kCvFileSeekFailed, "positioning in the file failed"},
    {kCvFileOpenFailed, "the file cannot be opened or created"},
};

}  // namespace

std::span<const TextEntry> status_text_table() { return kStatusTexts; }
std::span<const TextEntry> file_status_text_table() { return kFileStatusTexts; }
const char* unknown_status_text() { return "unknown status"; }

}  // namespace corvan
