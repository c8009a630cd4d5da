// Channel descriptions: configuration, lengths, flags, stamp and the four texts.
#pragma once

#include <cstdint>

#include "storix32.h"

namespace storix {

int32_t get_config(int32_t channel, DbChannelHeader* out);
int32_t set_config(int32_t channel, const DbChannelHeader* in);
int32_t set_current_length(int32_t channel, int32_t length);
int32_t usage_flag(int32_t channel);
int32_t set_usage_flag(int32_t channel, int32_t flag);
int32_t set_alias(int32_t channel, int32_t alias);
int32_t set_modified(int32_t channel, double stamp);
int32_t set_text(int32_t channel, int32_t which, const char* text);
int32_t get_text(int32_t channel, int32_t which, char* out);
int32_t copy_text(int32_t to_channel, int32_t from_channel, int32_t which);

}  // namespace storix
