#include "platform/text/decimal_digits.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace vorn {
namespace {

constexpr int kExtendedDigits = 18;

void StripTrailingZeros(DecimalDigits& value) {
  const std::size_t last = value.digits.find_last_not_of('0');
  value.digits.resize(last == std::string::npos ? 0 : last + 1);
  if (value.digits.empty()) value.exponent = 0;
}

}  // namespace

DecimalDigits ToDecimalDigits(long double value) {
  assert(std::isfinite(value));
  DecimalDigits result;
  result.negative = std::signbit(value);
  if (value == 0) return result;
  char buffer[64];
  const long double magnitude = std::fabs(value);
  // Whole numbers below 10^18 are their own 18 digits, as amounts and counts mostly are.
  if (magnitude < 1e18L && magnitude == std::floor(magnitude)) {
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, static_cast<uint64_t>(magnitude));
    assert(error == std::errc());
    result.digits.assign(buffer, end);
    result.exponent = static_cast<int>(end - buffer);
    StripTrailingZeros(result);
    return result;
  }
  // Most values fit a double exactly; its exact decimal expansion is then the same, and its
  // conversion is far cheaper than the extended one, which goes through printf.
  const double narrow = static_cast<double>(magnitude);
  const auto [end, error] = static_cast<long double>(narrow) == magnitude
                                ? std::to_chars(buffer, buffer + sizeof buffer, narrow,
                                                std::chars_format::scientific, kExtendedDigits - 1)
                                : std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                                std::chars_format::scientific, kExtendedDigits - 1);
  assert(error == std::errc());
  // The text is d.ddddE+x: the digits around the point, then the power of ten.
  const char* p = buffer;
  for (; p < end && *p != 'e'; ++p) {
    if (*p != '.') result.digits += *p;
  }
  int power = 0;
  std::from_chars(p + (p[1] == '+' ? 2 : 1), end, power);
  result.exponent = power + 1;
  StripTrailingZeros(result);
  return result;
}

void RoundToSignificant(DecimalDigits& value, int keep) {
  if (static_cast<int>(value.digits.size()) <= keep) return;
  if (keep < 0) {
    value.digits.clear();
    StripTrailingZeros(value);
    return;
  }
  const bool up = value.digits[keep] >= '5';
  value.digits.resize(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && value.digits[i] == '9') value.digits[i--] = '0';
    if (i >= 0) {
      ++value.digits[i];
    } else {
      value.digits.insert(value.digits.begin(), '1');
      ++value.exponent;
    }
  }
  StripTrailingZeros(value);
}

void RoundToDecimals(DecimalDigits& value, int precision, int decimals) {
  if (value.IsZero()) return;
  const long long by_decimals = static_cast<long long>(value.exponent) + decimals;
  const long long keep = by_decimals < precision ? by_decimals : precision;
  RoundToSignificant(value, static_cast<int>(keep < -1 ? -1 : keep));
}

}  // namespace vorn
