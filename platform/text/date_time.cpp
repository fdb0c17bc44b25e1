#include "platform/text/date_time.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <utility>

#include "platform/system/exception.h"

namespace vorn {
namespace {

// Day 1 of the calendar count is 0001-01-01; 1899-12-30 is day 693594 of it.
constexpr std::int64_t kDateDelta = 693594;

constexpr int kMonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                   {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

struct TimeStamp {
  std::int64_t date = 0;  // days, 0001-01-01 being 1
  std::int64_t time = 0;  // milliseconds since midnight
};

// Locale-free, so the message reads the same whatever the process locale.
std::string NumberText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

TimeStamp ToTimeStamp(TDateTime value) {
  if (!(value >= kMinDateTime - 1 && value < kMaxDateTime + 1)) {
    throw EConvertError("Invalid date and time value " + NumberText(value));
  }
  const auto msecs = static_cast<std::int64_t>(std::llround(value * kMSecsPerDay));
  TimeStamp stamp;
  stamp.date = kDateDelta + msecs / kMSecsPerDay;
  stamp.time = (msecs < 0 ? -msecs : msecs) % kMSecsPerDay;
  if (stamp.date < 1 || stamp.date > kDateDelta + static_cast<std::int64_t>(kMaxDateTime)) {
    throw EConvertError("Invalid date and time value " + NumberText(value));
  }
  return stamp;
}

std::function<TDateTime()>& NowSource() {
  static std::function<TDateTime()> source;
  return source;
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  if (month < 1 || month > 12) return 0;
  return kMonthDays[IsLeapYear(year) ? 1 : 0][month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
  if (day < 1 || day > DaysInMonth(year, month)) return false;
  std::int64_t days = day;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  const std::int64_t y = year - 1;
  days += y * 365 + y / 4 - y / 100 + y / 400;
  result = static_cast<TDateTime>(days - kDateDelta);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result = 0;
  if (!TryEncodeDate(year, month, day, result)) {
    throw EConvertError("Invalid argument to date encode");
  }
  return result;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result) {
  if (hour < 0 || hour >= kHoursPerDay || minute < 0 || minute >= 60 || second < 0 ||
      second >= 60 || millisecond < 0 || millisecond >= 1000) {
    return false;
  }
  const std::int64_t msecs =
      ((std::int64_t{hour} * 60 + minute) * 60 + second) * 1000 + millisecond;
  result = static_cast<double>(msecs) / static_cast<double>(kMSecsPerDay);
  return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  TDateTime result = 0;
  if (!TryEncodeTime(hour, minute, second, millisecond, result)) {
    throw EConvertError("Invalid argument to time encode");
  }
  return result;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
  const double day = std::trunc(date);
  const double fraction = std::fabs(time - std::trunc(time));
  return date < 0 ? day - fraction : day + fraction;
}

DateParts DecodeDate(TDateTime value) {
  // Whole 400-, 100- and 4-year cycles first, then the years and months within.
  std::int64_t days = ToTimeStamp(value).date - 1;
  constexpr std::int64_t kD1 = 365, kD4 = kD1 * 4 + 1, kD100 = kD4 * 25 - 1, kD400 = kD100 * 4 + 1;
  std::int64_t year = 1 + (days / kD400) * 400;
  days %= kD400;
  std::int64_t centuries = days / kD100;
  days %= kD100;
  if (centuries == 4) {  // the last day of a 400-year cycle
    centuries = 3;
    days += kD100;
  }
  year += centuries * 100;
  year += (days / kD4) * 4;
  days %= kD4;
  std::int64_t years = days / kD1;
  days %= kD1;
  if (years == 4) {  // the last day of a 4-year cycle
    years = 3;
    days += kD1;
  }
  year += years;
  DateParts parts;
  parts.year = static_cast<int>(year);
  parts.month = 1;
  while (days >= DaysInMonth(parts.year, parts.month)) {
    days -= DaysInMonth(parts.year, parts.month);
    ++parts.month;
  }
  parts.day = static_cast<int>(days) + 1;
  return parts;
}

TimeParts DecodeTime(TDateTime value) {
  std::int64_t msecs = ToTimeStamp(value).time;
  TimeParts parts;
  parts.millisecond = static_cast<int>(msecs % 1000);
  msecs /= 1000;
  parts.second = static_cast<int>(msecs % 60);
  msecs /= 60;
  parts.minute = static_cast<int>(msecs % 60);
  parts.hour = static_cast<int>(msecs / 60);
  return parts;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  const DateParts parts = DecodeDate(value);
  year = parts.year;
  month = parts.month;
  day = parts.day;
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond) {
  const TimeParts parts = DecodeTime(value);
  hour = parts.hour;
  minute = parts.minute;
  second = parts.second;
  millisecond = parts.millisecond;
}

int DayOfWeek(TDateTime value) { return static_cast<int>(ToTimeStamp(value).date % 7) + 1; }

TDateTime DateOf(TDateTime value) {
  return static_cast<TDateTime>(ToTimeStamp(value).date - kDateDelta);
}

TDateTime TimeOf(TDateTime value) {
  return static_cast<double>(ToTimeStamp(value).time) / static_cast<double>(kMSecsPerDay);
}

TDateTime SystemNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  const TDateTime date = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  // A leap second shows as the last second of its minute.
  const int second = local.tm_sec > 59 ? 59 : local.tm_sec;
  const auto millisecond = static_cast<int>(now.tv_nsec / 1000000);
  return date + EncodeTime(local.tm_hour, local.tm_min, second, millisecond);
}

TDateTime Now() {
  const std::function<TDateTime()>& source = NowSource();
  return source ? source() : SystemNow();
}

void SetNowFunction(std::function<TDateTime()> now) { NowSource() = std::move(now); }

}  // namespace vorn
