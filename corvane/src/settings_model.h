// The in-memory settings model: channel record creation with the defaults by slot position, the
// device block defaults of offline mode, range value and unit derived from the range id, the tare
// value's raw conversion, and bounded copies of the records' fixed text fields.
#pragma once

#include <cstddef>
#include <cstdint>

#include "corvan32.h"

namespace corvan {

// Sets range value and unit of a record from its range id; thermocouple and Pt transducers get
// "°C" (degree sign as byte 0xB0).
void derive_range(ChannelRecord& rec);
// The two halves of derive_range: the range value only, the unit only.
void derive_range_value(ChannelRecord& rec);
void derive_unit(ChannelRecord& rec);
// Fills a record with the defaults of channel `channel` (by its slot position channel mod 10) and
// resets the channel's signal selector (42) and scale factor (1.0).
void set_channel_defaults(int32_t channel, ChannelRecord& rec);
// The default channel name: string resource 10001 followed by the decimal channel number.
void default_channel_name(int32_t channel, char (&name)[20]);
// Creates records for channels 0..count-1 (freeing any records there first). Returns 0, or
// kCvOutOfMemory with *created set to the number of records that exist from slot 0.
int32_t create_records(int32_t count, int32_t* created);
// Frees every record, from the last slot to the first.
void free_records();
// Device block and chain table defaults of offline mode.
void set_offline_device_defaults();

// Copies a fixed text field (not necessarily terminated) into a caller's buffer: the bytes up to the
// field's first zero or its end, then a terminator.
void copy_field_out(char* out, const char* field, size_t field_size);
// Stores a caller's text into a fixed field: cut to field_size - 1 bytes, zero-filled behind.
void copy_field_in(char* field, size_t field_size, const char* text);
// Copies a zero-terminated text into a buffer of out_size bytes (cut, always terminated).
void copy_text(char* out, size_t out_size, const char* text);

// ---- Raw values ----

// Raw count that stands for the full range.
inline constexpr float kRawFullScale = 25000.0f;
// The overflow codes and the floats they stand for; overflow values are never scaled.
struct OverflowCode {
  int16_t raw;
  float value;
};
inline constexpr OverflowCode kOverflowCodes[] = {
    {32766, 1e36f}, {32767, 1e37f}, {-32768, -1e38f}, {-32767, -1e37f}, {-32766, -1e36f}};
// True (and *value set) when raw is an overflow code.
bool overflow_value(int16_t raw, float* value);
// True when v equals one of the overflow floats.
bool is_overflow_float(float v);
// The resistance offset of a Pt transducer (100, 500, 1000 Ohm), 0 for others.
float pt_offset(int32_t transducer);

// Tare raw reading to the tare value in the channel's unit: raw x scale x range value x 0.00004,
// plus the Pt offset, linearised for the transducer.
float tare_from_raw(int32_t raw, float scale, const ChannelRecord& rec);
// Tare value to the raw count the device takes: inverse linearisation, minus the Pt offset,
// x 25000 / (scale x range value), truncated toward zero. False when the result is no 32-bit
// number (zero scale or range value, or a value far outside the range).
bool tare_to_raw(float tare, float scale, const ChannelRecord& rec, int32_t* raw);

}  // namespace corvan
