// Output pieces that several commands share: a channel's settings and value as JSON fields, and
// the three-column table "Chan. / Name / <value>".
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "channel_view.h"
#include "json_writer.h"

namespace corvane_cli {

// Texts of a chain row (CV_GetSystemSettings).
inline constexpr int32_t kChainSerial = 64, kChainVersion = 32;
// A device setting's text (serial number, program version, ...) in UTF-8.
std::string dev_text(const Driver& d, int32_t selector);
// A text of row `row` of the chain table in UTF-8.
std::string chain_text(const Driver& d, int32_t row, int32_t selector);

// "name": {"id": id, "text": "<index string>"}.
void write_id(JsonWriter& j, const Driver& d, const char* name, int32_t id);
// The device's name, channel count, measuring rate and filter inside an open JSON object.
void write_device_settings(JsonWriter& j, const Driver& d);
// The fields of a channel's settings inside an open JSON object.
void write_channel_settings(JsonWriter& j, const Driver& d, const ChannelView& v);
// The measured value as the field "value" of an open JSON object: the number, the digital word,
// or null when there is none (offline, channel not measuring) or it is an overflow; an overflow
// adds the field "overflow" with its word ("+overflow", "-OVERFLOW", ...), so that "value" is
// always a number or null.
void write_measured_value(JsonWriter& j, const ChannelView& v, bool available);
// A physical value (tare value) as the field `name`, null plus `name`_overflow for an overflow.
void write_physical_field(JsonWriter& j, const std::string& name, float value);
// A CSV field, quoted when it holds a comma, a quote or a line end.
std::string csv_field(const std::string& text);
// A measured value in a CSV cell: the number, the digital word, or the overflow word.
std::string csv_value(const ChannelView& v, float value);
// "name [unit]" of a column.
std::string csv_label(const ChannelView& v);
// A table of channel number, name and one text per channel.
std::string channel_table(const Driver& d, const std::vector<int32_t>& channels, const std::string& header,
                          const std::function<std::string(const ChannelView&)>& cell);

}  // namespace corvane_cli
