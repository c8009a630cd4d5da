// Settings by name ("range", "rate", ...) and values by their index strings or ids
// ("125 mV/V", "thermocouple K", 702), checked against the possible values the driver lists for
// the channel or the device.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver.h"

namespace corvane_cli {

enum class ValueKind { kId, kText, kNumber, kInteger };

struct SettingName {
  const char* name;
  int32_t selector;
  ValueKind kind;
  const char* help;
};

extern const std::vector<SettingName> kChannelSettings;
extern const std::vector<SettingName> kDeviceSettings;

// The entry called name (case-insensitive), or nullptr.
const SettingName* find_setting(const std::vector<SettingName>& table, const std::string& name);
// "amplifier, name, state, ..." for messages.
std::string setting_names(const std::vector<SettingName>& table);

// Finds the id among `possible` that value (UTF-8) names: the id itself in decimal, or its index
// string compared without case and blanks; a bare number also matches "<number> Hz". Returns 0
// when none matches.
int32_t match_id(const Driver& driver, const std::vector<int32_t>& possible, const std::string& value);
// "\"  3 mV/V\" (700), ..." trimmed texts of a list for messages.
std::string list_texts(const Driver& driver, const std::vector<int32_t>& ids);

}  // namespace corvane_cli
