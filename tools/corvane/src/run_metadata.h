// What makes a data file self-describing: the time it was taken (ISO 8601), the tool and its
// command line, the line and the chain, and every channel's range, unit, tare value and scale
// factor. Written as "# key: value" lines before a CSV header, as a JSON object, or both.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "channel_view.h"
#include "json_writer.h"
#include "session.h"

namespace corvane_cli {

struct MetaField {
  std::string key;
  std::string value;  // UTF-8
};

// "2026-12-09T06:12:03.123Z" (UTC, milliseconds).
std::string iso8601_utc(std::chrono::system_clock::time_point t);

// The run's fields: tool, command line, port, chain serial numbers, rate, filter, then one
// field per channel ("channel 4": name, range, unit, tare value, scale factor).
std::vector<MetaField> run_metadata(const Session& s, const std::vector<ChannelView>& channels);

// "# key: value" lines (line ends in a value become blanks).
std::string csv_comment_header(const std::vector<MetaField>& fields);
// The fields as members of the open JSON object (blanks in keys become "_": "start_time").
void write_meta_fields(JsonWriter& j, const std::vector<MetaField>& fields);

}  // namespace corvane_cli
