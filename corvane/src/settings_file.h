// The settings file: the binary image of the device block and the channel records (current form,
// and the older 16-bit form read for compatibility), and the readable text report of the same
// settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace corvan {

// Header text at offset 0 of every settings file (22 bytes with its terminator).
inline constexpr char kSettingsHeader[] = "QBX Corvane structure";
inline constexpr size_t kSettingsHeaderBytes = 22;
inline constexpr size_t kSettingsVersionBytes = 5;
// Older form: a 54-byte device block of 16-bit fields and 60-byte channel records.
inline constexpr size_t kOldDeviceBlockBytes = 54;
inline constexpr size_t kOldChannelRecordBytes = 60;

// Binary settings file, current form: header, version "2.00", device block, one record per
// existing channel 0..count-1. Returns 0, kCvFileOpenFailed, kCvFileWriteFailed.
int32_t write_settings_binary(const char* path);
// Reads a binary settings file: the current form, and the older form when the current one is not
// recognised (any failure of the current reader). Returns the reader's status.
int32_t read_settings(const char* path);

// The text report as bytes (lines ending in CR LF), dated `now` in local time.
std::string settings_report(std::time_t now);
// Writes the text report dated now. Returns 0, kCvFileOpenFailed, kCvFileWriteFailed.
int32_t write_settings_report(const char* path);

// Writes bytes to a new file (replacing an old one). Returns 0, kCvFileOpenFailed or
// kCvFileWriteFailed (also when the data cannot be flushed to the file).
int32_t write_whole_file(const char* path, const std::string& bytes);

}  // namespace corvan
