#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "data/extended.h"
#include "data/number_format.h"
#include "data/number_parse.h"
#include "tests/core/separator_guard.h"

namespace zirt {
namespace {

TEST(FormatFixed4, WritesFourDecimalsWithTheSeparator) {
  SeparatorGuard comma(',');
  EXPECT_EQ(FormatFixed4(2), "2,0000");
  EXPECT_EQ(FormatFixed4(512), "512,0000");
  EXPECT_EQ(FormatFixed4(1), "1,0000");
  EXPECT_EQ(FormatFixed4(320.1439783828), "320,1440");
  SeparatorGuard point('.');
  EXPECT_EQ(FormatFixed4(2), "2.0000");
  EXPECT_EQ(FormatFixed4(512.34561), "512.3456");
}

TEST(FormatFixed4, ZeroAfterRoundingHasNoSign) {
  SeparatorGuard comma(',');
  EXPECT_EQ(FormatFixed4(-0.00004), "0,0000");
  EXPECT_EQ(FormatFixed4(-0.0), "0,0000");
  EXPECT_EQ(FormatFixed4(0), "0,0000");
  EXPECT_EQ(FormatFixed4(-0.00005), "-0,0001");
  EXPECT_EQ(FormatFixed4(-6e-15), "0,0000");
}

TEST(FormatFixed4, RoundsEighteenDigitsThenHalfUp) {
  SeparatorGuard comma(',');
  EXPECT_EQ(FormatFixed4(1234.56785), "1234,5678");  // The double lies below the half.
  EXPECT_EQ(FormatFixed4(0.01405), "0,0141");        // 18 digits end in ...500000.
  EXPECT_EQ(FormatFixed4(0.99995), "1,0000");
  EXPECT_EQ(FormatFixed4(0.00712), "0,0071");
  EXPECT_EQ(FormatFixed4(9.99995), "10,0000");
  EXPECT_EQ(FormatFixed4(0.00005), "0,0001");  // Rounding from no digits at all.
}

TEST(FormatFixed, LargeValuesTakeTheScientificForm) {
  SeparatorGuard comma(',');
  EXPECT_EQ(FormatFixed4(1.5e20), "1,5E20");
  EXPECT_EQ(FormatFixed4(1e17), "100000000000000000,0000");
  EXPECT_EQ(FormatFixed4(1e18), "1E18");
  EXPECT_EQ(FormatFixed(12345678901.5, 10, 3), "1,23456789E10");
  EXPECT_EQ(FormatFixed(9999999999.9996, 10, 3), "1E10");
  EXPECT_EQ(FormatFixed(-12345678901.5, 10, 3), "-1,23456789E10");
  EXPECT_EQ(FormatFixed(1234567890.4, 10, 3), "1234567890,000");
}

TEST(FormatFixed, ThreeDecimalsForLineStatistics) {
  SeparatorGuard comma(',');
  EXPECT_EQ(FormatFixed(2.5, 10, 3), "2,500");
  EXPECT_EQ(FormatFixed(0.516398, 10, 3), "0,516");
  EXPECT_EQ(FormatFixed(-0.00005, 10, 3), "0,000");
  EXPECT_EQ(FormatFixed(-0.0005, 10, 3), "-0,001");
  EXPECT_EQ(FormatFixed(0.5, 10, 0), "1");
  EXPECT_EQ(FormatFixed(1.25, 1, 3), "1,300");  // Precision below 2 counts as 2.
}

TEST(FormatFixed, NonFiniteValuesHaveNames) {
  EXPECT_EQ(FormatFixed4(std::numeric_limits<double>::quiet_NaN()), "NAN");
  EXPECT_EQ(FormatFixed4(std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(FormatGeneral(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST(FormatGeneral, ShortestTextWithFifteenDigits) {
  SeparatorGuard comma(',');
  EXPECT_EQ(FormatGeneral(2), "2");
  EXPECT_EQ(FormatGeneral(100), "100");
  EXPECT_EQ(FormatGeneral(0.1), "0,1");
  EXPECT_EQ(FormatGeneral(1.0 / 3), "0,333333333333333");
  EXPECT_EQ(FormatGeneral(0.0001), "0,0001");
  EXPECT_EQ(FormatGeneral(0.25), "0,25");
  EXPECT_EQ(FormatGeneral(1234.56785), "1234,56785");
  EXPECT_EQ(FormatGeneral(-0.0625), "-0,0625");
  EXPECT_EQ(FormatGeneral(-0.0), "0");
  EXPECT_EQ(FormatGeneral(512.3), "512,3");
}

TEST(FormatGeneral, ScientificBelowTenThousandthAndFromTenToTheFifteenth) {
  SeparatorGuard comma(',');
  EXPECT_EQ(FormatGeneral(0.00001), "1E-5");
  EXPECT_EQ(FormatGeneral(-0.00004), "-4E-5");
  EXPECT_EQ(FormatGeneral(123456789012345678.0), "1,23456789012346E17");
  EXPECT_EQ(FormatGeneral(1.5e20), "1,5E20");
  EXPECT_EQ(FormatGeneral(999999999999999.0), "999999999999999");
  EXPECT_EQ(FormatGeneral(1e15), "1E15");
  EXPECT_EQ(FormatGeneral(9999999999999999.0), "1E16");
  SeparatorGuard point('.');
  EXPECT_EQ(FormatGeneral(1.5e-7), "1.5E-7");
}

TEST(FormatInteger, PlainDigits) {
  EXPECT_EQ(FormatInteger(0), "0");
  EXPECT_EQ(FormatInteger(-17), "-17");
  EXPECT_EQ(FormatInteger(2147483647), "2147483647");
  EXPECT_EQ(FormatInteger(-2147483647 - 1), "-2147483648");
}

TEST(ParseReal, AcceptsBlanksSignSeparatorAndExponent) {
  SeparatorGuard comma(',');
  EXPECT_EQ(ParseReal("  12,5  "), 12.5);
  EXPECT_EQ(ParseReal("-,5"), -0.5);
  EXPECT_EQ(ParseReal("5,"), 5);
  EXPECT_EQ(ParseReal(","), 0);
  EXPECT_EQ(ParseReal("+3"), 3);
  EXPECT_EQ(ParseReal("1e3"), 1000);
  EXPECT_EQ(ParseReal("1E"), 1);
  EXPECT_EQ(ParseReal("1E+"), 1);
  EXPECT_EQ(ParseReal("2,5E-2"), 0.025);
  EXPECT_EQ(ParseReal("0,1"), 0.1);
  EXPECT_EQ(ParseReal("512,25"), 512.25);
  EXPECT_TRUE(std::signbit(ParseReal("-0")));
}

TEST(ParseReal, RefusesEverythingElseWithTheWholeText) {
  SeparatorGuard comma(',');
  for (const char* text : {"", " ", "-", "+", "12.5", "1 000", "12,5;", "1,2,3", "12,5\t", "\t1",
                           "1e5000", "1e-5001", "abc", "1,5x", "--1", "e5"}) {
    try {
      ParseReal(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(text) + "' is not a valid floating point value");
    }
  }
}

TEST(ParseReal, TheMessageQuotesSixtyCodePointsOfTheText) {
  // Every byte up to 60 code points; a longer text is cut on a letter's boundary.
  const std::string sixty = std::string("1\0x", 3) + std::string(55, 'y') + "жz";
  const std::string cyrillic = "ё" + std::string(59, '7');
  for (const auto& [text, quoted] : std::vector<std::pair<std::string, std::string>>{
           {sixty, sixty},
           {sixty + "!", sixty + "…"},
           {cyrillic + "ж", cyrillic + "…"},
           {std::string(3000000, '5') + "x", std::string(60, '5') + "…"}}) {
    try {
      ParseReal(text);
      ADD_FAILURE();
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + quoted + "' is not a valid floating point value");
    }
    EXPECT_THROW(ParseInteger(text), EConvertError);
  }
}

TEST(ParseReal, PointSeparatorRefusesTheComma) {
  SeparatorGuard point('.');
  EXPECT_EQ(ParseReal("  7.5 "), 7.5);
  EXPECT_THROW(ParseReal("12,5"), EConvertError);
}

TEST(ParseReal, ExponentStopsAtFiveHundred) {
  SeparatorGuard point('.');
  EXPECT_EQ(ParseReal("0e999"), 0);                  // 999 is taken whole: 99 is below 500.
  EXPECT_THROW(ParseReal("1e5001"), EConvertError);  // "1" is left after 500.
  EXPECT_EQ(ParseReal("1e-499"), 0);                 // Underflow is silent.
  EXPECT_EQ(ParseReal("1e-320"), 1e-320);
}

TEST(ParseReal, ValuesBeyondTheDoubleRangeAreRefused) {
  SeparatorGuard point('.');
  EXPECT_THROW(ParseReal("1e309"), EConvertError);
  EXPECT_THROW(ParseReal("-1e400"), EConvertError);
  EXPECT_THROW(ParseReal(std::string(400, '9')), EConvertError);
  EXPECT_EQ(ParseReal("1.7976931348623157e308"), DBL_MAX);
  // The largest double as FormatGeneral writes it reads back as the largest double.
  EXPECT_EQ(ParseReal(FormatGeneral(-DBL_MAX)), -DBL_MAX);
  EXPECT_EQ(ParseReal("179769313486232e294"), DBL_MAX);
  EXPECT_THROW(ParseReal("1.797693134862321e308"), EConvertError);
  EXPECT_THROW(ParseReal("1.79769313486233e308"), EConvertError);
  // The same boundary in the 309-digit integer form: a fraction past it is refused.
  const std::string largest = "179769313486232" + std::string(294, '0');
  EXPECT_EQ(ParseReal(largest), DBL_MAX);
  EXPECT_THROW(ParseReal(largest + ".5"), EConvertError);
}

TEST(ParseReal, MantissasPastTheEightyBitRangeOverflow) {
  SeparatorGuard comma(',');
  // Significant digit places count, trailing zeros of the fraction too; leading zeros do not.
  EXPECT_THROW(ParseReal("1," + std::string(5000, '0')), EConvertError);
  EXPECT_THROW(ParseReal("1" + std::string(5000, '0') + "e-5000"), EConvertError);
  EXPECT_THROW(ParseReal("2," + std::string(4932, '0')), EConvertError);
  EXPECT_EQ(ParseReal("1," + std::string(4932, '0')), 1);
  EXPECT_EQ(ParseReal("0," + std::string(5000, '0') + "1"), 0);
}

TEST(ParseReal, ManyDigitsRoundCorrectly) {
  SeparatorGuard point('.');
  EXPECT_EQ(ParseReal("0.1000000000000000055511151231257827"), 0.1);
  EXPECT_EQ(ParseReal("000000000000000000000000000000000000000000000000000000000000012.5"), 12.5);
  EXPECT_EQ(ParseReal("1" + std::string(100, '0') + "e-100"), 1);
}

TEST(ParseReal, EveryMantissaLengthRoundsCorrectly) {
  SeparatorGuard point('.');
  // Around 2^53, where an exact integer division stops being possible, and around 22
  // fraction digits, beyond which a power of ten is no longer exact.
  for (const char* text :
       {"9007199254740992", "9007199254740993", "9007199254740995", "900719925474099.3",
        "0.1234567890123456789012", "0.12345678901234567890123", "1234567890123456789012.5",
        "0.0000000000000000000001", "2.2250738585072011e-308", "4.9406564584124654e-324",
        "123456789.987654321", "0.30000000000000004", "1.00000000000000011102230246251565"}) {
    EXPECT_EQ(ParseReal(text), std::strtod(text, nullptr)) << text;
    EXPECT_EQ(ParseReal(std::string("-") + text), -std::strtod(text, nullptr)) << text;
  }
}

TEST(ParseReal, ReadsBackWhatTheFormattersWrite) {
  for (char separator : {',', '.'}) {
    SeparatorGuard guard(separator);
    for (double v : {0.1, -2.5, 1.0 / 3, 1e-5, 123456789012345678.0, 320.1439783828, 1e300}) {
      EXPECT_NEAR(ParseReal(FormatGeneral(v)), v, std::fabs(v) * 1e-14) << FormatGeneral(v);
      EXPECT_NEAR(ParseReal(FormatFixed4(v)), v, 0.00005 + std::fabs(v) * 4e-16);
    }
  }
}

TEST(ParseInteger, DecimalAndHexadecimalForms) {
  EXPECT_EQ(ParseInteger(" 42"), 42);
  EXPECT_EQ(ParseInteger("-17"), -17);
  EXPECT_EQ(ParseInteger("+5"), 5);
  EXPECT_EQ(ParseInteger("0"), 0);
  EXPECT_EQ(ParseInteger("007"), 7);
  EXPECT_EQ(ParseInteger("$1F"), 31);
  EXPECT_EQ(ParseInteger("0x10"), 16);
  EXPECT_EQ(ParseInteger("0X10"), 16);
  EXPECT_EQ(ParseInteger("x1F"), 31);
  EXPECT_EQ(ParseInteger("$FFFFFFFF"), -1);
  EXPECT_EQ(ParseInteger("$000000000001"), 1);
  EXPECT_EQ(ParseInteger("2147483647"), 2147483647);
  EXPECT_EQ(ParseInteger("-2147483648"), -2147483647 - 1);
}

TEST(ParseInteger, RefusesEverythingElse) {
  for (const char* text : {"", " ", "-", "2147483648", "-2147483649", "-$10", "42 ", "4.0", "$",
                           "0x", "$100000000", "1e3", "9999999999999999999999"}) {
    try {
      ParseInteger(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(text) + "' is not a valid integer value");
    }
  }
}

TEST(TruncToInt, CutsTowardZeroAndGivesZeroOutsideSixtyFourBits) {
  EXPECT_EQ(TruncToInt(2.9), 2);
  EXPECT_EQ(TruncToInt(-2.9), -2);
  EXPECT_EQ(TruncToInt(666.6666), 666);
  EXPECT_EQ(TruncToInt(6.7e19), 0);
  EXPECT_EQ(TruncToInt(-6.7e19), 0);
  EXPECT_EQ(TruncToInt(std::numeric_limits<Ext>::quiet_NaN()), 0);
  EXPECT_EQ(TruncToInt(4294967296.0 + 5), 5);  // Low 32 bits of the 64-bit integer.
}

TEST(ToView, TwoThirdsInExtendedPrecision) {
  EXPECT_EQ(ToView(300), 200);
  EXPECT_EQ(ToView(3), 2);
  EXPECT_EQ(ToView(100.2), 66);
  EXPECT_EQ(ToView(299.9), 199);
  EXPECT_EQ(ToView(1000), 666);
  EXPECT_EQ(ToView(1501), 1000);
  EXPECT_EQ(ToView(-1.2), 0);
  EXPECT_EQ(ToView(150.9), 100);
}

TEST(Extended, FaultsRaiseTheirErrorsInTheOptimisedBuild) {
  volatile double zero = 0;
  EXPECT_THROW(Div(0, zero), EInvalidOp);
  EXPECT_THROW(Div(1, zero), EZeroDivide);
  EXPECT_THROW(Sqrt(-1 + zero), EInvalidOp);
  EXPECT_THROW(Store(Ext{1e300} * 1e300 + zero), EOverflow);
  EXPECT_EQ(Store(Ext{1e-300} * 1e-300 + zero), 0);  // Underflow is silent.
  (void)TruncToInt(1e30);
  EXPECT_THROW(Div(0, zero), EInvalidOp);  // TruncToInt leaves the fault rules as they were.
  try {
    Div(1, zero);
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Floating point division by zero");
  }
}

TEST(Extended, StoreRoundsTheEightyBitValue) {
  // 1 + 2^-60 exists in 80 bits and rounds to 1 as a double.
  const Ext v = Ext{1} + 0x1p-60L;
  EXPECT_NE(v, 1.0L);
  EXPECT_EQ(Store(v), 1.0);
}

}  // namespace
}  // namespace zirt
