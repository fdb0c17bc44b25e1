#include "platform/text/number_parse.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/system/exception.h"
#include "platform/text/format_settings.h"

namespace vorn {
namespace {

FormatSettings CommaDecimal() {
  FormatSettings settings = FormatSettings::CLocale();
  settings.decimal_separator = ',';
  settings.thousand_separator = '.';
  return settings;
}

template <typename Call>
std::string ConvertError(Call call) {
  try {
    call();
  } catch (const EConvertError& e) {
    return e.what();
  }
  return "no error";
}

struct FloatCase {
  const char* text;
  long double value;
};

TEST(StrToFloatTest, Accepts) {
  const FloatCase cases[] = {
      {"1.5", 1.5L},     {"  -2.25  ", -2.25L}, {"+3", 3},          {".5", 0.5L},
      {"5.", 5},         {"1e3", 1000},         {"1.5E-2", 0.015L}, {"-1E+2", -100},
      {"0", 0},          {"1e-6000", 0},        {"0.000e99999", 0}, {"\t7\t", 7},
      {"2.675", 2.675L}, {"1E4900", 1e4900L},
  };
  for (const FloatCase& c : cases) {
    EXPECT_EQ(StrToFloat(c.text, FormatSettings::CLocale()), c.value) << c.text;
  }
  EXPECT_EQ(StrToFloat("1,5", CommaDecimal()), 1.5L);
  EXPECT_EQ(StrToFloat(" -1,5e1 ", CommaDecimal()), -15);
}

TEST(StrToFloatTest, RefusesWithTheText) {
  for (const char* text : {"", " ", "abc", "1.5x", "1..5", "1 5", "e5", "1e", "1e+", "--1", "1,000",
                           ".", "INF", "NAN", "0x10", "1E5000", "1.5\x01"}) {
    EXPECT_EQ(ConvertError([&] { StrToFloat(text, FormatSettings::CLocale()); }),
              "'" + std::string(text) + "' is not a valid floating point value");
    long double value = 42;
    EXPECT_FALSE(TryStrToFloat(text, value, FormatSettings::CLocale()));
    EXPECT_EQ(value, 42);
  }
  EXPECT_EQ(ConvertError([] { StrToFloat("1.5", CommaDecimal()); }),
            "'1.5' is not a valid floating point value");
}

// Short numbers take a shortcut past the full conversion; it must give the same bits.
TEST(StrToFloatTest, ShortNumbersConvertExactlyAsTheFullConversion) {
  std::mt19937_64 random(7);
  std::vector<std::string> texts = {"0",
                                    "-0",
                                    "0.0",
                                    "-0.000",
                                    "1954",
                                    "2361.5",
                                    ".5",
                                    "5.",
                                    "0.1",
                                    "0.3",
                                    "123456789012345678",
                                    "-99999999999999999.9",
                                    "0.000000000000000001",
                                    "1234567890123456789",
                                    "0.1234567890123456789"};
  for (int i = 0; i < 20000; ++i) {
    std::string text = std::to_string(random() % 1000000000000000000ULL);
    const size_t point = random() % (text.size() + 1);
    if (random() % 4 != 0) text.insert(point, ".");
    if (random() % 2 != 0) text.insert(0, "-");
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    long double parsed = 0;
    ASSERT_TRUE(TryStrToFloat(text, parsed)) << text;
    const long double expected = std::strtold(text.c_str(), nullptr);
    EXPECT_EQ(std::memcmp(&parsed, &expected, 10), 0) << text;
  }
}

TEST(ValFloatTest, PlainSyntaxWithoutTrailingBlanks) {
  long double value = 0;
  EXPECT_TRUE(TryValFloat("  12.5", value));
  EXPECT_EQ(value, 12.5L);
  EXPECT_TRUE(TryValFloat("-1e2", value));
  EXPECT_EQ(value, -100);
  for (const char* text : {"12 ", "12abc", "", "12,5"}) {
    EXPECT_FALSE(TryValFloat(text, value)) << text;
  }
}

struct IntegerCase {
  const char* text;
  std::int64_t value;
};

TEST(StrToInt64Test, Accepts) {
  const IntegerCase cases[] = {
      {"0", 0},
      {"  42", 42},
      {"-17", -17},
      {"+8", 8},
      {"$FF", 255},
      {"0x1a", 26},
      {"-$10", -16},
      {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
      {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
  };
  for (const IntegerCase& c : cases) {
    EXPECT_EQ(StrToInt64(c.text), c.value) << c.text;
  }
  EXPECT_EQ(StrToInt("-2147483648"), std::numeric_limits<int>::min());
}

TEST(StrToInt64Test, RefusesWithTheText) {
  for (const char* text :
       {"", "  ", "2.5", "12 ", "1e3", "abc", "-", "$", "0x", "9223372036854775808",
        "-9223372036854775809", "99999999999999999999999", "$1G"}) {
    EXPECT_EQ(ConvertError([&] { StrToInt64(text); }),
              "'" + std::string(text) + "' is not a valid integer value");
  }
  EXPECT_EQ(ConvertError([] { StrToInt("2147483648"); }),
            "'2147483648' is not a valid integer value");
}

}  // namespace
}  // namespace vorn
