// The texts of the channel grid's cells: numbers with the sign column of the program's number
// texts, measured and tare values with their overflow words, the three display forms of a digital
// I/O word, the decimals a measuring range asks for, and the transducer picture numbers.
#pragma once

#include <cstdint>
#include <string>

namespace setup {

// Display forms of a digital I/O channel (kept in ChannelFormat).
enum DigitalForm : int16_t { kDigitalDecimal = 1, kDigitalHex = 2, kDigitalBinary = 3 };

// A whole number written with a leading blank in place of the sign when it is not negative
// (" 3", "-3").
std::string signed_number(int64_t value);

// A measured or tare value: the overflow word when the value is exactly one of the five overflow
// floats ("OVERFLOW" -1e38, "-OVERFLOW" -1e37, "-overflow" -1e36, "+OVERFLOW" 1e37, "+overflow"
// 1e36); else fixed-point with `decimals` digits (0..6; any other count gives an empty text) and
// "." as the decimal point under every locale.
std::string value_text(float value, int decimals);
// True for the five overflow floats.
bool is_overflow(float value);

// A digital I/O word in one display form: a signed decimal number with its sign column, the
// hexadecimal digits of the word taken as a 16-bit integer, or 16 binary digits, most significant
// first, with a blank and a carriage return after the eighth (two lines of eight).
std::string digital_text(int32_t word, int form);

// Decimals of the displayed value for a channel's measuring range and transducer.
int decimals_for(int32_t range, int32_t transducer);

// Picture number of a channel's transducer cell for its amplifier type and transducer; -1 no
// picture. Pictures 0..20 exist (0 the digital I/O picture).
int transducer_picture(int32_t amplifier, int32_t transducer);
inline constexpr int kPictureCount = 21;

// Bit of a digital word under a binary digit: line 0 holds bits 15..8, line 1 bits 7..0; digit
// 0..7 counts from the left. -1 outside.
int binary_digit_bit(int line, int digit);

// Numeric value of the leading number of a text (blanks skipped, "." decimal point under every
// locale); 0 when the text does not start with a number.
double leading_number(const std::string& text);

}  // namespace setup
