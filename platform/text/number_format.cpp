#include "platform/text/number_format.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/text/decimal_digits.h"

namespace vorn {
namespace {

constexpr int kMaxPrecision = 18;

std::string SpecialText(long double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

char DigitAt(const DecimalDigits& value, int index) {
  return index >= 0 && index < static_cast<int>(value.digits.size()) ? value.digits[index] : '0';
}

std::string ExponentText(int exponent, int min_digits, bool always_signed) {
  std::string text = std::to_string(exponent < 0 ? -exponent : exponent);
  if (static_cast<int>(text.size()) < min_digits) text.insert(0, min_digits - text.size(), '0');
  if (exponent < 0) return "-" + text;
  return always_signed ? "+" + text : text;
}

std::string General(long double value, int precision, int digits, char separator) {
  DecimalDigits decimal = ToDecimalDigits(value);
  RoundToSignificant(decimal, precision);
  if (decimal.IsZero()) return "0";
  std::string text = decimal.negative ? "-" : "";
  const int count = static_cast<int>(decimal.digits.size());
  if (decimal.exponent > precision || decimal.exponent < -3) {
    text += decimal.digits[0];
    if (count > 1) text += separator + decimal.digits.substr(1);
    return text + "E" + ExponentText(decimal.exponent - 1, digits, false);
  }
  if (decimal.exponent <= 0) {
    return text + "0" + separator + std::string(-decimal.exponent, '0') + decimal.digits;
  }
  for (int i = 0; i < decimal.exponent; ++i) text += DigitAt(decimal, i);
  if (count > decimal.exponent) text += separator + decimal.digits.substr(decimal.exponent);
  return text;
}

std::string Exponent(long double value, int precision, int digits, char separator) {
  DecimalDigits decimal = ToDecimalDigits(value);
  RoundToSignificant(decimal, precision);
  std::string text = decimal.negative && !decimal.IsZero() ? "-" : "";
  text += DigitAt(decimal, 0);
  if (precision > 1) text += separator;
  for (int i = 1; i < precision; ++i) text += DigitAt(decimal, i);
  const int exponent = decimal.IsZero() ? 0 : decimal.exponent - 1;
  return text + "E" + ExponentText(exponent, std::clamp(digits, 0, 4), true);
}

// The digits of a rounded value without its sign: the whole part, grouped unless the
// separator is '\0', then `digits` decimals.
std::string UnsignedFixed(const DecimalDigits& decimal, int digits, char decimal_separator,
                          char thousand_separator) {
  std::string text;
  const int whole = std::max(decimal.exponent, 0);
  if (decimal.IsZero() || whole == 0) text = "0";
  for (int i = 0; i < whole; ++i) {
    if (i > 0 && (whole - i) % 3 == 0 && thousand_separator != '\0') text += thousand_separator;
    text += DigitAt(decimal, i);
  }
  if (digits > 0) {
    text += decimal_separator;
    for (int i = 0; i < digits; ++i) text += DigitAt(decimal, decimal.exponent + i);
  }
  return text;
}

std::string PlaceCurrency(const std::string& amount, bool negative,
                          const FormatSettings& settings) {
  const std::string& symbol = settings.currency_string;
  if (!negative) {
    switch (settings.currency_format) {
      case 1:
        return amount + symbol;
      case 2:
        return symbol + " " + amount;
      case 3:
        return amount + " " + symbol;
      default:
        return symbol + amount;
    }
  }
  switch (settings.negative_currency_format) {
    case 0:
      return "(" + symbol + amount + ")";
    case 2:
      return symbol + "-" + amount;
    case 3:
      return symbol + amount + "-";
    case 4:
      return "(" + amount + symbol + ")";
    case 5:
      return "-" + amount + symbol;
    case 6:
      return amount + "-" + symbol;
    case 7:
      return amount + symbol + "-";
    case 8:
      return "-" + amount + " " + symbol;
    case 9:
      return "-" + symbol + " " + amount;
    case 10:
      return amount + " " + symbol + "-";
    case 11:
      return symbol + " " + amount + "-";
    case 12:
      return symbol + " -" + amount;
    case 13:
      return amount + "- " + symbol;
    case 14:
      return "(" + symbol + " " + amount + ")";
    case 15:
      return "(" + amount + " " + symbol + ")";
    default:
      return "-" + symbol + amount;
  }
}

std::string FixedFamily(long double value, FloatFormat format, int precision, int digits,
                        const FormatSettings& settings) {
  DecimalDigits decimal = ToDecimalDigits(value);
  if (decimal.exponent > precision) {
    return General(value, precision, 0, settings.decimal_separator);
  }
  RoundToDecimals(decimal, precision, digits);
  // A value that rounds to zero shows no minus sign: "-0.00" is no amount.
  const bool negative = decimal.negative && !decimal.IsZero();
  const char grouping = format == FloatFormat::kFixed ? '\0' : settings.thousand_separator;
  const std::string amount = UnsignedFixed(decimal, digits, settings.decimal_separator, grouping);
  if (format == FloatFormat::kCurrency) return PlaceCurrency(amount, negative, settings);
  return negative ? "-" + amount : amount;
}

std::string FixedWidthScientific(long double value, int width) {
  const int precision = std::clamp(width - 8, 2, kMaxPrecision);
  DecimalDigits decimal = ToDecimalDigits(value);
  RoundToSignificant(decimal, precision);
  std::string text = decimal.negative && !decimal.IsZero() ? "-" : " ";
  text += DigitAt(decimal, 0);
  text += '.';
  for (int i = 1; i < precision; ++i) text += DigitAt(decimal, i);
  const int exponent = decimal.IsZero() ? 0 : decimal.exponent - 1;
  return text + "E" + ExponentText(exponent, 4, true);
}

}  // namespace

std::string FloatToStrF(long double value, FloatFormat format, int precision, int digits,
                        const FormatSettings& settings) {
  if (!std::isfinite(value)) return SpecialText(value);
  precision = std::clamp(precision, 1, kMaxPrecision);
  digits = std::clamp(digits, 0, kMaxPrecision);
  switch (format) {
    case FloatFormat::kGeneral:
      return General(value, precision, digits, settings.decimal_separator);
    case FloatFormat::kExponent:
      return Exponent(value, precision, digits, settings.decimal_separator);
    case FloatFormat::kFixed:
    case FloatFormat::kNumber:
    case FloatFormat::kCurrency:
      return FixedFamily(value, format, precision, digits, settings);
  }
  return General(value, precision, digits, settings.decimal_separator);
}

std::string FloatToStr(long double value, const FormatSettings& settings) {
  return FloatToStrF(value, FloatFormat::kGeneral, 15, 0, settings);
}

std::string FloatToCanonicalText(long double value) {
  if (!std::isfinite(value)) return SpecialText(value);
  return General(value, 15, 0, '.');
}

std::string FormatFixedWidth(long double value, int width, int decimals) {
  width = std::min(width, 255);
  std::string text;
  if (!std::isfinite(value)) {
    text = SpecialText(value);
  } else if (decimals < 0 || std::fabs(value) >= 1e36L) {
    text = FixedWidthScientific(value, width);
  } else {
    decimals = std::min(decimals, 216);
    DecimalDigits decimal = ToDecimalDigits(value);
    RoundToDecimals(decimal, kMaxPrecision, decimals);
    text = UnsignedFixed(decimal, decimals, '.', '\0');
    if (decimal.negative && !decimal.IsZero()) text.insert(0, 1, '-');
  }
  if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), ' ');
  return text;
}

}  // namespace vorn
