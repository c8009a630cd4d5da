// One channel's settings as the commands show them, and the display rules of measured values
// (decimals by measuring range, the overflow words, the digital word).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver.h"

namespace corvane_cli {

// Amplifier type ids with a meaning for the display.
inline constexpr int32_t kAmpNotConnected = 5050;
inline constexpr int32_t kAmpDigitalIo = 5055;
inline constexpr int32_t kAmpAux = 5056;
inline constexpr int32_t kAmpShuntFirst = 5057;  // 5057 and 5058 have a shunt
inline constexpr int32_t kSignalMeasure = 42;
inline constexpr int32_t kSignalShunt = 43;

struct ChannelView {
  int32_t channel = 0;
  int32_t amplifier = 0;
  std::string name;  // UTF-8; "Channel N" when the record's name is empty
  std::string unit;  // UTF-8
  int32_t state = 0;
  int32_t transducer = 0;
  int32_t range = 0;
  int32_t filter_mode = 0;
  int32_t signal = kSignalMeasure;
  float range_value = 0;
  float measured = 0;
  float tare = 0;
  float scale = 1;
  int32_t digital = 0;

  // No amplifier in the slot. The aux channel (the device's internal temperature) is a
  // measuring channel like the others: show, read, acquire and JSON all give its value.
  bool inactive() const { return amplifier == kAmpNotConnected; }
  bool digital_io() const { return amplifier == kAmpDigitalIo; }
  bool measuring() const { return state == 6201 || state == 6203; }
  bool taring() const { return state == 6202 || state == 6203; }
  bool has_tare() const { return amplifier != kAmpNotConnected && amplifier != kAmpDigitalIo && amplifier != kAmpAux; }
  bool has_shunt() const { return amplifier >= kAmpShuntFirst; }
  // Decimals of a displayed value: by range, 1 for temperatures.
  int decimals() const;
  // Value with the channel's decimals and unit, or the overflow word.
  std::string format(float value) const;
  // Unit for headers: "" for the digital I/O channel.
  std::string display_unit() const { return digital_io() ? std::string() : unit; }
};

ChannelView read_channel(const Driver& driver, int32_t channel);

// The driver's index string of id in UTF-8 with its blanks trimmed; "" for an unknown id.
std::string id_text(const Driver& driver, int32_t id);
// The device name (device setting 64); online no query fills it, so an empty one reads as the
// product's name "Corvane".
std::string device_name(const Driver& driver);
// Whether a measured value is one of the driver's overflow floats (or not a number). The floats
// stand for +-1e36, +-1e37 and -1e38 in single precision; the smallest, 9.9999996e35, lies below
// 1e36, so the test is against 1e35, far beyond any measuring range.
inline bool is_overflow(double value) { return !(value > -1e35 && value < 1e35); }
// One of "+overflow", "+OVERFLOW", "OVERFLOW", "-OVERFLOW", "-overflow" for the five overflow
// floats, else "".
std::string overflow_word(float value);
// Lists the driver writes end with a 0 entry.
std::vector<int32_t> zero_terminated(const int32_t* list, size_t capacity);

// Channel lists such as "0-3,7,9": every channel must be below count. Throws CommandError.
std::vector<int32_t> parse_channel_list(const std::string& text, int32_t count);
// "0-3,7" for a sorted list of channels.
std::string channel_ranges(const std::vector<int32_t>& channels);
// The form of a channel list alone (any channel up to 99); throws CommandError (usage).
void check_channel_list_syntax(const std::string& text);

}  // namespace corvane_cli
