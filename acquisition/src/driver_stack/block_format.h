// The format texts of the device input statement: how the bytes of a reply become values (text
// numbers, little-endian binary numbers, skipped bytes, repeated groups).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace tallix {

// Applies the format to the reply and hands each value to `sink` in order; a negative sink result
// ends the parse with it. 0, or -498 for a malformed format or a value beyond the reply.
int32_t parse_block(const char* format, const uint8_t* reply, size_t reply_length,
                    const std::function<int32_t(double)>& sink);

}  // namespace tallix
