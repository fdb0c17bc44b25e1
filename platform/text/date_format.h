#pragma once

#include <string>
#include <string_view>

#include "platform/text/date_time.h"
#include "platform/text/format_settings.h"

namespace vorn {

// The classic date-time format language: c d dd ddd dddd ddddd dddddd e ee m mm mmm mmmm
// yy yyyy h hh n nn s ss z zzz t tt am/pm a/p ampm, "/" and ":" for the settings'
// separators, literals in ' or ". An "m" right after an hour token means minutes; the hour
// tokens count to 12 when am/pm, a/p or ampm follows before the next hour token. An empty
// format means "c". Throws EConvertError for a value outside the calendar.
std::string FormatDateTime(std::string_view format, TDateTime value,
                           const FormatSettings& settings = DefaultFormatSettings());

// The short date; the long time; the short date and, unless the time of day is
// 00:00:00.000, a blank and the long time.
std::string DateToStr(TDateTime value, const FormatSettings& settings = DefaultFormatSettings());
std::string TimeToStr(TDateTime value, const FormatSettings& settings = DefaultFormatSettings());
std::string DateTimeToStr(TDateTime value,
                          const FormatSettings& settings = DefaultFormatSettings());

}  // namespace vorn
