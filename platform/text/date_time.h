#pragma once

#include <cstdint>
#include <functional>

namespace vorn {

// A date-time is the number of days since 1899-12-30 with the time of day as the fraction.
// Before that day the number is negative and the fraction still counts forward from midnight:
// -1.25 is 1899-12-29 06:00.
using TDateTime = double;

inline constexpr int kHoursPerDay = 24;
inline constexpr int kMinsPerDay = kHoursPerDay * 60;
inline constexpr int kSecsPerDay = kMinsPerDay * 60;
inline constexpr std::int64_t kMSecsPerDay = std::int64_t{kSecsPerDay} * 1000;

// 0001-01-01 and 9999-12-31 23:59:59.999.
inline constexpr double kMinDateTime = -693593.0;
inline constexpr double kMaxDateTime = 2958465.99999999;

struct DateParts {
  int year = 0;
  int month = 0;
  int day = 0;
};

struct TimeParts {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

bool IsLeapYear(int year);
// Days of the month in that year; 0 for a month outside 1 to 12.
int DaysInMonth(int year, int month);

// Years 1 to 9999. TryEncodeDate returns false for a date that does not exist;
// EncodeDate throws EConvertError "Invalid argument to date encode".
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day);

// Hours 0 to 23, minutes and seconds 0 to 59, milliseconds 0 to 999.
// EncodeTime throws EConvertError "Invalid argument to time encode".
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);

// Joins a day number and a time of day under the sign rule above.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);

// The value is rounded to whole milliseconds first, so 23:59:59.9996 is the next midnight.
// Both throw EConvertError "Invalid date and time value " + the number for a value outside
// 0001-01-01 to 9999-12-31 or not a number.
DateParts DecodeDate(TDateTime value);
TimeParts DecodeTime(TDateTime value);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);

// 1 for Sunday to 7 for Saturday.
int DayOfWeek(TDateTime value);

// The day part and the time of day of a value, each under the sign rule above.
TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);

// The current local date and time: from the system clock unless a test has installed its
// own source with SetNowFunction; an empty function restores the system clock.
TDateTime Now();
TDateTime SystemNow();
void SetNowFunction(std::function<TDateTime()> now);

}  // namespace vorn
