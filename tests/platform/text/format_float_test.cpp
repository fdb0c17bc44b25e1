#include <gtest/gtest.h>

#include <string>

#include "platform/text/format_settings.h"
#include "platform/text/number_format.h"

namespace vorn {
namespace {

struct PictureCase {
  const char* pattern;
  long double value;
  const char* dot_text;
  const char* comma_text;
};

FormatSettings CommaDecimal() {
  FormatSettings settings = FormatSettings::CLocale();
  settings.decimal_separator = ',';
  settings.thousand_separator = '.';
  return settings;
}

TEST(FormatFloatTest, Pictures) {
  const PictureCase cases[] = {
      // placeholders and rounding half away from zero
      {"0.00", 3.14159L, "3.14", "3,14"},
      {"0.00", 2.675L, "2.68", "2,68"},
      {"0.00", -2.675L, "-2.68", "-2,68"},
      {"0", 2.5L, "3", "3"},
      {"0", -2.5L, "-3", "-3"},
      {"#.##", 0.5L, ".5", ",5"},
      {"0.##", 1, "1", "1"},
      {"0.0#", 1.25L, "1.25", "1,25"},
      {"0.0#", 1.2L, "1.2", "1,2"},
      {"#", 0, "", ""},
      {"000", 7, "007", "007"},
      {"#00", 1234, "1234", "1234"},
      {"00.000", 1.5L, "01.500", "01,500"},
      // grouping
      {"#,##0.00", 1234567.891L, "1,234,567.89", "1.234.567,89"},
      {"#,##0", 999, "999", "999"},
      {"#,##0", -1000, "-1,000", "-1.000"},
      {",0", 1234567, "1,234,567", "1.234.567"},
      // exponents
      {"0.00E+00", 1234.5L, "1.23E+03", "1,23E+03"},
      {"0.00E-00", 1234.5L, "1.23E03", "1,23E03"},
      {"0.00e-0", 0.000123L, "1.23e-4", "1,23e-4"},
      {"##0.0E+0", 12345, "123.5E+2", "123,5E+2"},
      {"0.0E+00", 0, "0.0E+00", "0,0E+00"},
      // literals
      {"\"NT$\"#,##0", 1500, "NT$1,500", "NT$1.500"},
      {"0.00 'kg'", 2, "2.00 kg", "2,00 kg"},
      {"'#0;'0", 5, "#0;5", "#0;5"},
      {"0 \"E+\"", 5, "5 E+", "5 E+"},
      {"\"$\"0.00", -5, "-$5.00", "-$5,00"},
      {"#-##", 12345, "123-45", "123-45"},
      // sections
      {"0.00;(0.00)", -1.5L, "(1.50)", "(1,50)"},
      {"0.00;(0.00)", 1.5L, "1.50", "1,50"},
      {"0.00;(0.00);zero", 0, "zero", "zero"},
      {"0.00;(0.00);zero", -0.001L, "zero", "zero"},
      {"0.00;;zero", -1.5L, "-1.50", "-1,50"},
      {"0.0;(0.0)", -0.01L, "0.0", "0,0"},
      {"0.00", -0.001L, "0.00", "0,00"},
      {"", 1.5L, "1.5", "1,5"},
  };
  for (const PictureCase& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(FormatFloat(c.pattern, c.value, FormatSettings::CLocale()), c.dot_text);
    EXPECT_EQ(FormatFloat(c.pattern, c.value, CommaDecimal()), c.comma_text);
  }
}

TEST(FormatFloatTest, HostilePicturesStayBounded) {
  const FormatSettings settings = FormatSettings::CLocale();
  EXPECT_EQ(FormatFloat("\"unclosed", 5, settings), "unclosed");
  EXPECT_EQ(FormatFloat(std::string(5000, '0'), 1, settings).size(), 5000u);
  EXPECT_EQ(FormatFloat("0." + std::string(300, '0'), 1, settings).size(), 302u);
  EXPECT_EQ(FormatFloat("0E+0000000", 1e4000L, settings), "1E+4000");
  EXPECT_EQ(FormatFloat(";;;;", 1, settings), "1");
}

}  // namespace
}  // namespace vorn
