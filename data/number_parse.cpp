#include "data/number_parse.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>

#include "data/decimal_separator.h"

namespace zirt {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The powers of ten that a double holds exactly.
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

[[noreturn]] void RefuseReal(std::string_view text) {
  throw EConvertError("'" + QuotedText(text) + "' is not a valid floating point value");
}

[[noreturn]] void RefuseInteger(std::string_view text) {
  throw EConvertError("'" + QuotedText(text) + "' is not a valid integer value");
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Whether the digits (no leading zeros, value 0.digits × 10^309) are at most those of the
// largest double rounded to 15 significant digits, 1.79769313486232E308.
bool WithinLargestGeneral(std::string_view digits) {
  constexpr std::string_view kLargest = "179769313486232";
  const std::string_view head = digits.substr(0, kLargest.size());
  if (head.size() < kLargest.size()) return head <= kLargest.substr(0, head.size());
  if (head != kLargest) return head < kLargest;
  return digits.find_first_not_of('0', kLargest.size()) == std::string_view::npos;
}

// Whether a mantissa of kExtendedDigits digits (no leading zeros) stays within the largest
// 80-bit value, 1.18973149535723176502E4932, when its digits are gathered.
constexpr std::size_t kExtendedDigits = 4933;
bool WithinLargestExtended(std::string_view digits) {
  constexpr std::string_view kLargest = "11897314953572317650";
  return digits.substr(0, kLargest.size()) <= kLargest;
}

}  // namespace

std::string QuotedText(std::string_view text) {
  // Counted in code points, so a cut never splits a letter; up to three continuation bytes
  // go with the byte before them, so even a text that is not UTF-8 is cut short.
  std::size_t end = 0;
  for (int points = 0; end < text.size() && points < kQuotedCodePoints; ++points) {
    const std::size_t letter_end = std::min(text.size(), end + 4);
    ++end;
    while (end < letter_end && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  }
  if (end == text.size()) return std::string(text);
  return std::string(text.substr(0, end)) + "\u2026";
}

namespace {

// A number's text taken apart: its sign, where the digits of its integer and fraction parts
// stand, its exponent, and up to 19 significant digits gathered on the way.
struct RealText {
  bool negative = false;
  std::uint64_t mantissa = 0;
  bool all_taken = true;  // no significant digit was left out of the mantissa
  std::size_t int_start = 0, int_end = 0;
  std::size_t frac_start = 0, frac_end = 0;
  bool has_exponent = false;
  long exponent = 0;
};

// Takes the text apart, and refuses it when it is no number.
RealText ScanReal(std::string_view text) {
  const std::size_t n = text.size();
  const char separator = DecimalSeparator();
  RealText real;
  std::size_t i = 0;
  while (i < n && text[i] == ' ') ++i;
  if (i < n && (text[i] == '+' || text[i] == '-')) real.negative = text[i++] == '-';

  // Up to 19 significant digits are gathered on the way: most coordinates convert exactly
  // from them, and the rest go whole to from_chars.
  int significant = 0;
  const auto take = [&](char c) {
    if (real.mantissa == 0 && c == '0') return;
    if (significant == 19) {
      real.all_taken = false;
      return;
    }
    real.mantissa = real.mantissa * 10 + static_cast<unsigned>(c - '0');
    ++significant;
  };
  real.int_start = i;
  for (; i < n && IsDigit(text[i]); ++i) take(text[i]);
  real.int_end = i;
  real.frac_start = real.frac_end = i;
  if (i < n && text[i] == separator) {
    real.frac_start = ++i;
    for (; i < n && IsDigit(text[i]); ++i) take(text[i]);
    real.frac_end = i;
  }
  if (real.int_end == real.int_start && i == real.int_end) RefuseReal(text);

  real.has_exponent = i < n && (text[i] == 'E' || text[i] == 'e');
  if (real.has_exponent) {
    ++i;
    bool exponent_negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) exponent_negative = text[i++] == '-';
    // The exponent stops growing at 500: a digit after that is left for the end test.
    while (i < n && IsDigit(text[i]) && real.exponent < 500)
      real.exponent = real.exponent * 10 + (text[i++] - '0');
    if (exponent_negative) real.exponent = -real.exponent;
  }
  while (i < n && text[i] == ' ') ++i;
  if (i != n) RefuseReal(text);
  return real;
}

// The value, without its sign, of a number the exact way does not take: its significant
// digits and exponent handed whole to from_chars.
double ConvertDigits(std::string_view text, const RealText& real) {
  const std::size_t int_start = real.int_start, int_end = real.int_end;
  const std::size_t frac_start = real.frac_start, frac_end = real.frac_end;
  // Leading zeros dropped; a short mantissa stays on the stack.
  std::size_t first = int_start;
  while (first < int_end && text[first] == '0') ++first;
  if (first == int_end) {
    first = frac_start;
    while (first < frac_end && text[first] == '0') ++first;
  }
  if (first == int_end || first == frac_end) return 0.0;
  const std::size_t count =
      first < int_end ? (int_end - first) + (frac_end - frac_start) : frac_end - first;
  // The digits are gathered as one 80-bit value: past its range the text overflows,
  // whatever its exponent.
  if (count > kExtendedDigits) RefuseReal(text);
  char small[64];
  std::string large;
  char* digits = small;
  if (count > 40) {
    large.resize(count + 24);
    digits = large.data();
  }
  char* out = digits;
  if (first < int_end) {
    for (std::size_t k = first; k < int_end; ++k) *out++ = text[k];
    first = frac_start;
  }
  for (std::size_t k = first; k < frac_end; ++k) *out++ = text[k];
  if (count == kExtendedDigits && !WithinLargestExtended(std::string_view(digits, count)))
    RefuseReal(text);
  const long scale = real.exponent - static_cast<long>(frac_end - frac_start);
  const long magnitude = static_cast<long>(count) + scale;
  *out++ = 'e';
  out = std::to_chars(out, digits + (count > 40 ? large.size() : sizeof small), scale).ptr;

  double value = 0;
  const char* end = out;
  const auto result = std::from_chars(digits, end, value);
  if (result.ec == std::errc::result_out_of_range) {
    // Too small underflows silently to zero. Too large for a double is refused, except the
    // texts up to the largest double written with 15 digits, so that everything FormatGeneral
    // writes reads back.
    if (magnitude <= 0) {
      value = 0;
    } else if (magnitude == 309 && WithinLargestGeneral(std::string_view(digits, count))) {
      value = std::numeric_limits<double>::max();
    } else {
      RefuseReal(text);
    }
  } else if (result.ec != std::errc() || result.ptr != end) {
    RefuseReal(text);
  }
  return value;
}

}  // namespace

double ParseReal(std::string_view text) {
  const RealText real = ScanReal(text);
  // An integer of at most 53 bits divided by an exact power of ten is one correctly rounded
  // operation, the same double that from_chars would give.
  const std::size_t fraction_digits = real.frac_end - real.frac_start;
  const bool exact = !real.has_exponent && real.all_taken &&
                     real.mantissa <= (std::uint64_t{1} << 53) &&
                     fraction_digits < std::size(kPowersOfTen);
  const double value = exact ? static_cast<double>(real.mantissa) / kPowersOfTen[fraction_digits]
                             : ConvertDigits(text, real);
  return real.negative ? -value : value;
}

int ParseInteger(std::string_view text) {
  const std::size_t n = text.size();
  if (n == 0) RefuseInteger(text);
  std::size_t i = 0;
  while (i < n && text[i] == ' ') ++i;

  std::size_t hex_start = 0;
  if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex_start = i + 1;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex_start = i + 2;
  }
  if (hex_start != 0) {
    if (hex_start >= n) RefuseInteger(text);
    std::uint32_t value = 0;
    for (std::size_t k = hex_start; k < n; ++k) {
      const int digit = HexValue(text[k]);
      if (digit < 0 || value > 0x0FFFFFFFu) RefuseInteger(text);
      value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return static_cast<int>(value);
  }

  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == n) RefuseInteger(text);
  std::int64_t value = 0;
  for (; i < n; ++i) {
    if (!IsDigit(text[i])) RefuseInteger(text);
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) RefuseInteger(text);
  }
  if (negative) value = -value;
  if (value > 2147483647LL) RefuseInteger(text);
  return static_cast<int>(value);
}

int TruncToInt(Ext value) {
  // The FPU's conversion gives the "integer indefinite" 0x8000000000000000 outside the
  // 64-bit range; its low 32 bits are 0.
  if (!(value > -0x1p63L - 1 && value < 0x1p63L)) return 0;
  const auto whole = static_cast<std::int64_t>(value);
  return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole)));
}

}  // namespace zirt
