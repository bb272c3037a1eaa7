// Numbers to text, as every report line, camera file and editor cell writes them. All use
// DecimalSeparator() and never write thousands separators.
#pragma once

#include <string>

namespace zirt {

// Fixed point with `decimals` digits after the separator and at most `precision` significant
// digits (limited to 2..18); from 10^precision up, the scientific form of FormatGeneral.
std::string FormatFixed(double value, int precision, int decimals);

// Fixed point with four decimals: FormatFixed(value, 18, 4).
std::string FormatFixed4(double value);

// Shortest text with at most 15 significant digits; scientific below 0.0001 and from 10^15.
std::string FormatGeneral(double value);

// Plain decimal digits with a leading "-" for negative values.
std::string FormatInteger(int value);

}  // namespace zirt
