#include "platform/text/number_format.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "platform/text/format_settings.h"
#include "platform/text/number_parse.h"

namespace vorn {
namespace {

FormatSettings CommaDecimal() {
  FormatSettings settings = FormatSettings::CLocale();
  settings.decimal_separator = ',';
  settings.thousand_separator = '.';
  settings.currency_string = "EUR";
  settings.currency_format = 3;
  settings.negative_currency_format = 8;
  return settings;
}

struct GeneralCase {
  long double value;
  const char* text;
};

TEST(GeneralNumberTextTest, FifteenSignificantDigits) {
  const GeneralCase cases[] = {
      {0.5L, "0.5"},
      {1500, "1500"},
      {2024, "2024"},
      {1e20L, "1E20"},
      {1.5e-5L, "1.5E-5"},
      {0.0001L, "0.0001"},
      {0.00012345L, "0.00012345"},
      {123456789012345678.0L, "1.23456789012346E17"},
      {123456789012345.0L, "123456789012345"},
      {1e15L, "1E15"},
      {-2.75L, "-2.75"},
      {-1e-10L, "-1E-10"},
      {-0.0L, "0"},
      {0, "0"},
      {1.0L / 3.0L, "0.333333333333333"},
      {2.0L / 3.0L, "0.666666666666667"},
      {0.9999999999999995L, "1"},
      {0.9999999999999994L, "0.999999999999999"},
      {999999999999999.5L, "1E15"},
      {1.23456789012345e-300L, "1.23456789012345E-300"},
      {std::numeric_limits<long double>::infinity(), "INF"},
      {-std::numeric_limits<long double>::infinity(), "-INF"},
      {std::numeric_limits<long double>::quiet_NaN(), "NAN"},
  };
  for (const GeneralCase& c : cases) {
    EXPECT_EQ(FloatToCanonicalText(c.value), c.text);
  }
}

TEST(GeneralNumberTextTest, ThirdTimesThreeStaysBelowOne) {
  // The engine carries 1/3 as its 15-digit text; three times that is not 1.
  const long double third = StrToFloat(FloatToCanonicalText(1.0L / 3.0L));
  EXPECT_EQ(FloatToCanonicalText(third * 3), "0.999999999999999");
}

TEST(GeneralNumberTextTest, UsesTheLocaleSeparator) {
  EXPECT_EQ(FloatToStr(1234.5L, CommaDecimal()), "1234,5");
  EXPECT_EQ(FloatToStr(1.5e-5L, CommaDecimal()), "1,5E-5");
  EXPECT_EQ(FloatToCanonicalText(1234.5L), "1234.5");
}

struct FormatCase {
  FloatFormat format;
  long double value;
  int precision;
  int digits;
  const char* dot_text;
  const char* comma_text;
};

TEST(FloatToStrFTest, FormsUnderBothSeparatorConventions) {
  const FormatCase cases[] = {
      {FloatFormat::kFixed, 3.14159L, 18, 2, "3.14", "3,14"},
      {FloatFormat::kFixed, 3.14159L, 5, 1, "3.1", "3,1"},
      {FloatFormat::kFixed, 2.675L, 18, 2, "2.68", "2,68"},
      {FloatFormat::kFixed, 0.125L, 18, 2, "0.13", "0,13"},
      {FloatFormat::kFixed, -0.125L, 18, 2, "-0.13", "-0,13"},
      {FloatFormat::kFixed, -0.001L, 18, 2, "0.00", "0,00"},
      {FloatFormat::kFixed, 1234567.891L, 18, 0, "1234568", "1234568"},
      {FloatFormat::kFixed, 0, 18, 3, "0.000", "0,000"},
      {FloatFormat::kFixed, 12345.678L, 3, 2, "1.23E4", "1,23E4"},
      {FloatFormat::kFixed, 999.996L, 18, 2, "1000.00", "1000,00"},
      {FloatFormat::kNumber, 1234567.891L, 18, 2, "1,234,567.89", "1.234.567,89"},
      {FloatFormat::kNumber, -1234.5L, 18, 2, "-1,234.50", "-1.234,50"},
      {FloatFormat::kNumber, 999.5L, 18, 0, "1,000", "1.000"},
      {FloatFormat::kNumber, 100, 18, 0, "100", "100"},
      {FloatFormat::kNumber, 0.5L, 18, 2, "0.50", "0,50"},
      {FloatFormat::kExponent, 1234.5L, 4, 2, "1.235E+03", "1,235E+03"},
      {FloatFormat::kExponent, -0.000123L, 3, 0, "-1.23E-4", "-1,23E-4"},
      {FloatFormat::kExponent, 0, 4, 2, "0.000E+00", "0,000E+00"},
      {FloatFormat::kExponent, 9.9999L, 3, 4, "1.00E+0001", "1,00E+0001"},
      {FloatFormat::kGeneral, 1234.5L, 3, 0, "1.23E3", "1,23E3"},
      {FloatFormat::kCurrency, 1234.5L, 18, 2, "$1,234.50", "1.234,50 EUR"},
      {FloatFormat::kCurrency, -1234.5L, 18, 2, "-$1,234.50", "-1.234,50 EUR"},
      {FloatFormat::kCurrency, -0.004L, 18, 2, "$0.00", "0,00 EUR"},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.dot_text);
    EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits, FormatSettings::CLocale()),
              c.dot_text);
    EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits, CommaDecimal()), c.comma_text);
  }
}

TEST(FloatToStrFTest, EveryCurrencyPlacement) {
  const char* positive[] = {"$1.50", "1.50$", "$ 1.50", "1.50 $"};
  const char* negative[] = {"($1.50)", "-$1.50",  "$-1.50",   "$1.50-",  "(1.50$)", "-1.50$",
                            "1.50-$",  "1.50$-",  "-1.50 $",  "-$ 1.50", "1.50 $-", "$ 1.50-",
                            "$ -1.50", "1.50- $", "($ 1.50)", "(1.50 $)"};
  FormatSettings settings = FormatSettings::CLocale();
  for (int form = 0; form < 4; ++form) {
    settings.currency_format = form;
    EXPECT_EQ(FloatToStrF(1.5L, FloatFormat::kCurrency, 18, 2, settings), positive[form]);
  }
  for (int form = 0; form < 16; ++form) {
    settings.negative_currency_format = form;
    EXPECT_EQ(FloatToStrF(-1.5L, FloatFormat::kCurrency, 18, 2, settings), negative[form]);
  }
}

TEST(FloatToStrFTest, OutOfRangeArgumentsAreClamped) {
  const FormatSettings settings = FormatSettings::CLocale();
  EXPECT_EQ(FloatToStrF(1.0L / 3, FloatFormat::kFixed, 1000, 1000, settings),
            "0.333333333333333333");
  EXPECT_EQ(FloatToStrF(2.5L, FloatFormat::kFixed, -5, -5, settings), "3");
}

struct FixedWidthCase {
  long double value;
  int width;
  int decimals;
  const char* text;
};

TEST(FixedWidthTest, ClassicStrForms) {
  const FixedWidthCase cases[] = {
      {2.5L, 5, 0, "    3"},
      {-2.5L, 5, 0, "   -3"},
      {0.125L, 0, 2, "0.13"},
      {3.14159L, 8, 2, "    3.14"},
      {12345, 3, 0, "12345"},
      {1.5L, 10, -1, " 1.5E+0000"},
      {-123456.0L, 12, -1, "-1.235E+0005"},
      {1e40L, 15, 2, " 1.000000E+0040"},
  };
  for (const FixedWidthCase& c : cases) {
    EXPECT_EQ(FormatFixedWidth(c.value, c.width, c.decimals), c.text);
  }
  EXPECT_EQ(FormatFixedWidth(1, 100000, 0).size(), 255u);
  EXPECT_EQ(FormatFixedWidth(1, 0, 100000).size(), 218u);
}

}  // namespace
}  // namespace vorn
