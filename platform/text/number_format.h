#pragma once

#include <string>
#include <string_view>

#include "platform/text/format_settings.h"

namespace vorn {

enum class FloatFormat { kGeneral, kExponent, kFixed, kNumber, kCurrency };

// Number to text as the classic run-time did it, rounding half away from zero on the
// value's 18 significant digits. Not-a-number and the infinities give "NAN", "INF", "-INF".
//
// kGeneral: at most `precision` significant digits, trailing zeros dropped; fixed notation
//   when at most `precision` digits stand before the point and the value is at least 0.0001,
//   else d.dddE-x with at least `digits` exponent digits and a sign only when negative.
// kExponent: d.dddE+xx with `precision` significant digits and at least `digits` (0 to 4)
//   exponent digits, always signed.
// kFixed: `digits` decimals; kNumber adds thousands grouping; kCurrency is kNumber placed
//   with the currency string by the settings' currency formats. All three fall back to
//   kGeneral when more than `precision` digits stand before the point.
// `precision` is taken in 1 to 18 and `digits` in 0 to 18.
std::string FloatToStrF(long double value, FloatFormat format, int precision, int digits,
                        const FormatSettings& settings = DefaultFormatSettings());

// The general form with 15 significant digits and the settings' decimal separator.
std::string FloatToStr(long double value, const FormatSettings& settings = DefaultFormatSettings());

// The general form with 15 significant digits and "." whatever the locale: the canonical
// number text of report values (0.5, 1500, 1E20, 1.5E-5).
std::string FloatToCanonicalText(long double value);

// The fixed-width form of the classic Str(x:width:decimals) procedure, "." as the point:
// fixed notation rounded half away from zero, blanks on the left up to `width` (a longer
// text is not cut). A negative `decimals`, or a value of 1E36 or more, gives the scientific
// form " d.dddE+dddd" with width - 8 significant digits (2 to 18). Width is capped at 255,
// decimals at 216.
std::string FormatFixedWidth(long double value, int width, int decimals);

// The picture language: 0 and # digit placeholders, "." for the decimal separator, "," for
// thousands grouping, E+ E- e+ e- exponents, literals in ' or ", and up to three sections
// separated by ";" for positive, negative and zero values. An empty picture gives the
// general form.
std::string FormatFloat(std::string_view pattern, long double value,
                        const FormatSettings& settings = DefaultFormatSettings());

}  // namespace vorn
