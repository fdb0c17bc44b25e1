#pragma once

#include <string>

namespace vorn {

// A finite value as its significant decimal digits: value = 0.digits x 10^exponent.
// Digits hold no leading or trailing zeros; a value that is or rounds to zero has none.
struct DecimalDigits {
  bool negative = false;
  std::string digits;
  int exponent = 0;

  bool IsZero() const { return digits.empty(); }
};

// The classic run-time's view of an extended value: its 18 significant digits, correctly
// rounded, on which every later rounding works.
DecimalDigits ToDecimalDigits(long double value);

// Rounds half away from zero so that `keep` significant digits remain (keep <= 0 leaves
// 0 or a single 1 of the next higher power of ten).
void RoundToSignificant(DecimalDigits& value, int keep);

// Rounds half away from zero to `decimals` digits after the point, at most `precision`
// significant digits.
void RoundToDecimals(DecimalDigits& value, int precision, int decimals);

}  // namespace vorn
