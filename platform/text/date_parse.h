#pragma once

#include <string_view>

#include "platform/text/date_time.h"
#include "platform/text/format_settings.h"

namespace vorn {

// Text to date in the order of the settings' short date format (day, month and year first,
// whichever of d, m and y comes first), numbers separated by the date separator. Two
// numbers take the current year; a year of at most two digits is placed by the century
// window. Throws EConvertError "'%s' is not a valid date".
bool TryStrToDate(std::string_view text, TDateTime& value,
                  const FormatSettings& settings = DefaultFormatSettings());
TDateTime StrToDate(std::string_view text,
                    const FormatSettings& settings = DefaultFormatSettings());

// Hours and minutes, then optional seconds and a fraction of a second after the decimal
// separator, separated by the time separator; an AM or PM marker (the settings' or the
// English ones) may stand before or after. Throws EConvertError "'%s' is not a valid time".
bool TryStrToTime(std::string_view text, TDateTime& value,
                  const FormatSettings& settings = DefaultFormatSettings());
TDateTime StrToTime(std::string_view text,
                    const FormatSettings& settings = DefaultFormatSettings());

// A date, optionally followed by a time, or a time alone on day 0. Throws EConvertError
// "'%s' is not a valid date and time".
bool TryStrToDateTime(std::string_view text, TDateTime& value,
                      const FormatSettings& settings = DefaultFormatSettings());
TDateTime StrToDateTime(std::string_view text,
                        const FormatSettings& settings = DefaultFormatSettings());

}  // namespace vorn
