// Text channels: fixed-size zero-terminated texts as elements.
#pragma once

#include <cstdint>

namespace storix {

int32_t put_string(int32_t channel, int32_t position, const char* text);
int32_t get_string(int32_t channel, int32_t position, char* out);
int32_t shift_texts(int32_t channel, int32_t from, int32_t count, bool insert);
int32_t clear_texts(int32_t channel);

}  // namespace storix
