// Text to numbers, as every file line and editor cell is read, and floating values to pixels.
#pragma once

#include <cstdint>
#include <string_view>

#include "data/extended.h"

namespace zirt {

// An optionally signed decimal number with DecimalSeparator() and an optional exponent,
// blanks (spaces only) around it. Raises EConvertError "'%s' is not a valid floating point
// value" for any other text and for a value beyond the double range.
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
