#include "data/number_format.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "data/decimal_separator.h"

namespace zirt {
namespace {

constexpr int kUnlimited = INT_MAX;

// |v| ≈ 0.digits × 10^exponent; empty digits mean zero.
struct Decimal {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};

// The 18 most significant digits of |v| rounded to nearest, then rounded half up to
// min(E + decimals, precision) digits, trailing zeros dropped.
Decimal Digits(double v, int precision, int decimals) {
  Decimal d;
  if (v == 0) return d;
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17e", std::fabs(v));
  std::string digits;
  digits.reserve(18);
  digits += buffer[0];
  digits.append(buffer + 2, 17);
  int exponent = std::atoi(buffer + 20) + 1;

  long n =
      decimals == kUnlimited ? precision : std::min<long>(long{exponent} + decimals, precision);
  if (n < 0) return d;
  if (n < 18) {
    const bool up = digits[static_cast<std::size_t>(n)] >= '5';
    digits.resize(static_cast<std::size_t>(n));
    if (up) {
      int i = static_cast<int>(n) - 1;
      while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') {
        digits[static_cast<std::size_t>(i)] = '0';
        --i;
      }
      if (i < 0) {
        digits.assign(1, '1');
        ++exponent;
      } else {
        ++digits[static_cast<std::size_t>(i)];
      }
    }
  }
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  if (digits.empty()) return d;
  d.negative = v < 0;
  d.digits = std::move(digits);
  d.exponent = exponent;
  return d;
}

const char* NonFinite(double v) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
  return nullptr;
}

std::string Scientific(const Decimal& d) {
  std::string text;
  text.reserve(40);
  if (d.negative) text += '-';
  text += d.digits[0];
  if (d.digits.size() > 1) {
    text += DecimalSeparator();
    text.append(d.digits, 1);
  }
  text += 'E';
  text += std::to_string(d.exponent - 1);
  return text;
}

}  // namespace

std::string FormatFixed(double value, int precision, int decimals) {
  if (const char* special = NonFinite(value)) return special;
  precision = std::clamp(precision, 2, 18);
  decimals = std::clamp(decimals, 0, 18);
  const Decimal d = Digits(value, precision, decimals);
  if (d.exponent > precision) return Scientific(d);

  std::string text;
  text.reserve(40);
  if (d.negative) text += '-';
  if (d.exponent <= 0) {
    text += '0';
  } else {
    text.append(d.digits, 0, static_cast<std::size_t>(d.exponent));
    text.append(static_cast<std::size_t>(std::max<long>(0, d.exponent - long(d.digits.size()))),
                '0');
  }
  if (decimals > 0) {
    text += DecimalSeparator();
    std::string fraction;
    if (d.exponent < 0) {
      fraction.assign(static_cast<std::size_t>(-d.exponent), '0');
      fraction += d.digits;
    } else if (static_cast<std::size_t>(d.exponent) < d.digits.size()) {
      fraction = d.digits.substr(static_cast<std::size_t>(d.exponent));
    }
    fraction.resize(static_cast<std::size_t>(decimals), '0');
    text += fraction;
  }
  return text;
}

std::string FormatFixed4(double value) {
  return FormatFixed(value, 18, 4);
}

std::string FormatGeneral(double value) {
  if (const char* special = NonFinite(value)) return special;
  const Decimal d = Digits(value, 15, kUnlimited);
  if (d.digits.empty()) return "0";
  if (d.exponent > 15 || d.exponent < -3) return Scientific(d);

  std::string text;
  text.reserve(40);
  if (d.negative) text += '-';
  if (d.exponent <= 0) {
    text += '0';
    text += DecimalSeparator();
    text.append(static_cast<std::size_t>(-d.exponent), '0');
    text += d.digits;
  } else {
    const auto e = static_cast<std::size_t>(d.exponent);
    text.append(d.digits, 0, e);
    if (d.digits.size() < e) text.append(e - d.digits.size(), '0');
    if (d.digits.size() > e) {
      text += DecimalSeparator();
      text.append(d.digits, e);
    }
  }
  return text;
}

std::string FormatInteger(int value) {
  return std::to_string(value);
}

}  // namespace zirt
