// Text to numbers, as every file line and editor cell is read, and floating values to pixels.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/extended.h"

namespace zirt {

// A refused text as its message quotes it: whole up to kQuotedCodePoints code points, else
// that many followed by "…", so a huge bad field cannot flood memory or a message box.
inline constexpr int kQuotedCodePoints = 60;
std::string QuotedText(std::string_view text);

// An optionally signed decimal number with DecimalSeparator() and an optional exponent,
// blanks (spaces only) around it. Raises EConvertError "'%s' is not a valid floating point
// value" (%s is QuotedText) for any other text, for a value beyond the double range and for
// more mantissa digits than an 80-bit value holds.
double ParseReal(std::string_view text);

// Leading blanks, then a signed decimal int or an unsigned hexadecimal one behind "$", "x",
// "X", "0x" or "0X", and nothing after. Raises EConvertError "'%s' is not a valid integer
// value" otherwise.
int ParseInteger(std::string_view text);

// Truncation toward zero to 64 bits, keeping the low 32; 0 outside the 64-bit range.
int TruncToInt(Ext value);

// Image pixel to view pixel: TruncToInt(value × 2/3), the product in extended precision.
inline int ToView(double value) {
  return TruncToInt(static_cast<Ext>(value) * kTwoThirds);
}

}  // namespace zirt
