// The scanning of coordinate file text into points, shared by the window's load and
// zirt-batch: lines in the common form are read in one pass over their bytes, and every
// other line goes whole to ParseCoordinateLine, which holds the full rules and the messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "data/coordinate_file.h"
#include "data/decimal_separator.h"

namespace zirt {
namespace coordinate_scan {

// The powers of ten that a double holds exactly.
inline constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,
                                          1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13,
                                          1e14, 1e15, 1e16, 1e17, 1e18, 1e19};

inline bool IsDigit(char c) {
  return static_cast<unsigned char>(c - '0') < 10;
}

// A number in the common form at p: spaces, a sign, at most 19 digits with at most one
// separator among them, spaces; no exponent. Its value is the one ParseReal gives: an
// integer of at most 53 bits over an exact power of ten, one correctly rounded division.
// Returns false, leaving p, for every other text. The text must end in a byte that is none of
// these (a NUL).
inline bool ScanNumber(const char*& p, char separator, double& value) {
  const char* q = p;
  while (*q == ' ') ++q;
  const bool negative = *q == '-';
  if (negative || *q == '+') ++q;
  std::uint64_t mantissa = 0;
  const char* const digits = q;
  for (std::uint64_t d; (d = static_cast<unsigned char>(*q - '0')) < 10; ++q)
    mantissa = mantissa * 10 + d;
  std::ptrdiff_t count = q - digits;
  std::ptrdiff_t fraction = 0;
  const bool separated = *q == separator;
  if (separated) {
    const char* const start = ++q;
    for (std::uint64_t d; (d = static_cast<unsigned char>(*q - '0')) < 10; ++q)
      mantissa = mantissa * 10 + d;
    fraction = q - start;
    count += fraction;
  }
  if ((count == 0 && !separated) || count > 19 || mantissa > (std::uint64_t{1} << 53) ||
      *q == 'E' || *q == 'e')
    return false;
  while (*q == ' ') ++q;
  const double magnitude =
      static_cast<double>(static_cast<std::int64_t>(mantissa)) / kPowersOfTen[fraction];
  value = negative ? -magnitude : magnitude;
  p = q;
  return true;
}

// The line at `line` by the full rules, its number given for the error; `end` is the end of
// the text. Returns where the next line starts. Raises ECoordinateFileError for a bad line
// and for a zero byte before `end`.
const char* ScanLineFully(const char* line, const char* end, const std::string& name, int number,
                          double& x, double& y);

}  // namespace coordinate_scan

// Calls add(x, y) for each line of `text` in order, as ParseCoordinateLine reads it: lines end
// at CR LF, a lone CR or a lone LF, and a terminator at the very end adds no empty line. A
// zero byte anywhere refuses its line. A bad line raises ECoordinateFileError with `name` and its
// 1-based number. text[size] must be readable and a NUL, as in a std::string.
template <typename Add>
void ScanCoordinates(const char* text, std::size_t size, const std::string& name, Add&& add) {
  using namespace coordinate_scan;
  const char* p = text;
  const char* const end = text + size;
  const char separator = DecimalSeparator();
  // A separator that the common form could take for another character is left to the full
  // rules.
  const bool common = separator == '.' || separator == ',';
  int number = 0;
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  while (p < end) {
    ++number;
    double x, y;
    if (common) {
      const char* q = p;
      if (ScanNumber(q, separator, x) && *q == ';' && ScanNumber(++q, separator, y)) {
        if (*q == '\n' || *q == '\r' || q == end) {
          add(x, y);
          p = q == end ? end : q + (q[0] == '\r' && q[1] == '\n' ? 2 : 1);
          continue;
        }
      }
    }
    // The not-seen line as this tool writes it, after the common form: a line of numbers never
    // pays for it. Any other spelling goes to the full rules.
    if (p + 5 <= end && std::memcmp(p, "- ; -", 5) == 0 &&
        (p + 5 == end || p[5] == '\r' || p[5] == '\n')) {
      add(kNaN, kNaN);
      p += 5;
      if (p < end) p += p[0] == '\r' && p[1] == '\n' ? 2 : 1;
      continue;
    }
    p = ScanLineFully(p, end, name, number, x, y);
    add(x, y);
  }
}

}  // namespace zirt
