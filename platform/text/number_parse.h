#pragma once

#include <cstdint>
#include <string_view>

#include "platform/text/format_settings.h"

namespace vorn {

// Text to number without the C library's locale state. StrToFloat reads blanks, a sign,
// digits with the settings' decimal separator and an exponent E or e, then blanks; a value
// beyond the extended range is refused, one too small to hold is 0. It throws EConvertError
// "'%s' is not a valid floating point value" with the text.
bool TryStrToFloat(std::string_view text, long double& value,
                   const FormatSettings& settings = DefaultFormatSettings());
long double StrToFloat(std::string_view text,
                       const FormatSettings& settings = DefaultFormatSettings());

// The number syntax of the classic Val procedure, "." as the point: leading blanks, a sign,
// digits with an optional fraction and exponent, and nothing after them.
bool TryValFloat(std::string_view text, long double& value);

// Leading blanks, a sign, then decimal digits or hexadecimal ones after "$" or "0x"; nothing
// after the digits. They throw EConvertError "'%s' is not a valid integer value" with the text,
// also for a value outside the type's range.
bool TryStrToInt64(std::string_view text, std::int64_t& value);
std::int64_t StrToInt64(std::string_view text);
bool TryStrToInt(std::string_view text, int& value);
int StrToInt(std::string_view text);

}  // namespace vorn
