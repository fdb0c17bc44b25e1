#include "platform/text/decimal_digits.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

namespace vorn {
namespace {

// The digits as the C library prints the extended value with 18 significant digits: the
// conversion every number text is built on must agree with it byte for byte.
DecimalDigits PrintfDigits(long double value) {
  DecimalDigits result;
  result.negative = std::signbit(value);
  if (value == 0) return result;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17Le", std::fabs(value));
  const char* p = buffer;
  for (; *p != 'e'; ++p) {
    if (*p != '.') result.digits += *p;
  }
  result.exponent = std::atoi(p + 1) + 1;
  while (!result.digits.empty() && result.digits.back() == '0') result.digits.pop_back();
  return result;
}

void ExpectSameDigits(long double value) {
  const DecimalDigits expected = PrintfDigits(value);
  const DecimalDigits actual = ToDecimalDigits(value);
  EXPECT_EQ(actual.digits, expected.digits) << static_cast<double>(value);
  EXPECT_EQ(actual.exponent, expected.exponent) << static_cast<double>(value);
  EXPECT_EQ(actual.negative, expected.negative) << static_cast<double>(value);
}

TEST(DecimalDigitsTest, AgreesWithTheCLibraryOnEdges) {
  const long double cases[] = {
      0.0L, -0.0L, 1, -1, 0.5L, 2361, -2239, 1954.5L, 0.1, 0.1L, 1.0L / 3, 2.0 / 3,
      // 19 significant digits ending in 5: exact ties at the 18th digit, odd and even.
      123456789.0009765625L, 123456789.0029296875L, -987654321.0009765625L,
      // Integers around the 18-digit edge and the double mantissa.
      999999999999999999.0L, 1e18L, 1e17L, 100, 1000000, 9007199254740993.0L, 9007199254740992.0,
      999999999999999999.5L, std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
      std::numeric_limits<double>::denorm_min(), 1e300, 1e-300, 1.5e-5, 0.0001,
      // Extended values no double holds.
      std::numeric_limits<long double>::max(), std::numeric_limits<long double>::denorm_min(),
      1e4000L, 1e-4000L, 1.0L + std::numeric_limits<long double>::epsilon()};
  for (long double value : cases) ExpectSameDigits(value);
}

TEST(DecimalDigitsTest, AgreesWithTheCLibraryOnRandomValues) {
  std::mt19937_64 random(12);
  std::uniform_int_distribution<int> exponent(-40, 40);
  std::uniform_int_distribution<long long> cents(-100000000, 100000000);
  for (int i = 0; i < 20000; ++i) {
    const double bits = std::bit_cast<double>(random());
    if (std::isfinite(bits)) ExpectSameDigits(bits);
    ExpectSameDigits(std::ldexp(static_cast<double>(random() >> 11), exponent(random)));
    ExpectSameDigits(static_cast<long double>(cents(random)) / 100);
    ExpectSameDigits(static_cast<long double>(random() % 2000000000000000000ULL));
    ExpectSameDigits(static_cast<long double>(cents(random)) * 1000);
  }
}

}  // namespace
}  // namespace vorn
