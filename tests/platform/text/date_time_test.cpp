#include "platform/text/date_time.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/system/exception.h"

namespace vorn {
namespace {

struct DateCase {
  int year, month, day;
  double serial;
};

TEST(DateEncodingTest, KnownDaysHaveTheirSerials) {
  const DateCase cases[] = {
      {1899, 12, 30, 0},       {1899, 12, 31, 1},   {1900, 1, 1, 2},        {1899, 12, 29, -1},
      {1900, 3, 1, 61},        {2000, 1, 1, 36526}, {2024, 2, 29, 45351},   {1, 1, 1, -693593},
      {9999, 12, 31, 2958465}, {5, 3, 7, -692067},  {1600, 2, 29, -109512}, {2100, 3, 1, 73110},
  };
  for (const DateCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month) + "-" +
                 std::to_string(c.day));
    EXPECT_EQ(EncodeDate(c.year, c.month, c.day), c.serial);
    const DateParts parts = DecodeDate(c.serial);
    EXPECT_EQ(parts.year, c.year);
    EXPECT_EQ(parts.month, c.month);
    EXPECT_EQ(parts.day, c.day);
  }
}

TEST(DateEncodingTest, EveryDayRoundTripsAndFollowsItsPredecessor) {
  int previous_year = 1, previous_month = 1, previous_day = 0;
  for (double serial = -693593; serial <= 2958465; serial += 1) {
    const DateParts p = DecodeDate(serial);
    const bool next_day =
        p.year == previous_year && p.month == previous_month && p.day == previous_day + 1;
    const bool next_month = p.year == previous_year && p.month == previous_month + 1 && p.day == 1;
    const bool next_year = p.year == previous_year + 1 && p.month == 1 && p.day == 1;
    ASSERT_TRUE(next_day || next_month || next_year) << serial;
    ASSERT_EQ(EncodeDate(p.year, p.month, p.day), serial);
    previous_year = p.year;
    previous_month = p.month;
    previous_day = p.day;
  }
  EXPECT_EQ(previous_year, 9999);
}

TEST(DateEncodingTest, DaysThatDoNotExistFail) {
  const DateCase cases[] = {{2023, 2, 29, 0}, {1900, 2, 29, 0}, {2024, 4, 31, 0}, {0, 1, 1, 0},
                            {10000, 1, 1, 0}, {2024, 0, 1, 0},  {2024, 13, 1, 0}, {2024, 1, 0, 0}};
  for (const DateCase& c : cases) {
    TDateTime result = 123;
    EXPECT_FALSE(TryEncodeDate(c.year, c.month, c.day, result));
    try {
      EncodeDate(c.year, c.month, c.day);
      ADD_FAILURE() << "no error for " << c.year << "-" << c.month << "-" << c.day;
    } catch (const EConvertError& e) {
      EXPECT_STREQ(e.what(), "Invalid argument to date encode");
    }
  }
}

TEST(DateEncodingTest, LeapYears) {
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_FALSE(IsLeapYear(2023));
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(2100, 2), 28);
}

TEST(TimeEncodingTest, PartsRoundTrip) {
  const TimeParts cases[] = {{0, 0, 0, 0}, {6, 0, 0, 0}, {12, 30, 15, 250}, {23, 59, 59, 999}};
  for (const TimeParts& c : cases) {
    const TimeParts parts = DecodeTime(EncodeTime(c.hour, c.minute, c.second, c.millisecond));
    EXPECT_EQ(parts.hour, c.hour);
    EXPECT_EQ(parts.minute, c.minute);
    EXPECT_EQ(parts.second, c.second);
    EXPECT_EQ(parts.millisecond, c.millisecond);
  }
  EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(1, 60, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(1, 0, 0, 1000), EConvertError);
}

TEST(TimeEncodingTest, NegativeDatesKeepTheirTimeForward) {
  // -1.25 is the day before 1899-12-30 at 06:00, not at 18:00.
  const TDateTime value = ComposeDateTime(EncodeDate(1899, 12, 29), EncodeTime(6, 0, 0, 0));
  EXPECT_EQ(value, -1.25);
  const DateParts date = DecodeDate(value);
  EXPECT_EQ(date.day, 29);
  EXPECT_EQ(DecodeTime(value).hour, 6);
  EXPECT_EQ(DateOf(value), -1);
  EXPECT_EQ(TimeOf(value), 0.25);
  const TDateTime old = ComposeDateTime(EncodeDate(5, 3, 7), EncodeTime(18, 30, 0, 0));
  EXPECT_EQ(DecodeDate(old).year, 5);
  EXPECT_EQ(DecodeTime(old).hour, 18);
  EXPECT_EQ(DecodeTime(old).minute, 30);
}

TEST(TimeEncodingTest, RoundsToTheMillisecondAcrossMidnight) {
  const TDateTime almost = EncodeDate(2024, 12, 31) + 0.99999999999;
  EXPECT_EQ(DecodeDate(almost).year, 2025);
  EXPECT_EQ(DecodeTime(almost).hour, 0);
}

TEST(TimeEncodingTest, ValuesOutsideTheCalendarFail) {
  for (double value : {1e300, -1e300, -693594.0, 2958466.0, 0.0 / 0.0}) {
    EXPECT_THROW(DecodeDate(value), EConvertError) << value;
    EXPECT_THROW(DecodeTime(value), EConvertError) << value;
  }
}

TEST(TimeEncodingTest, OutOfCalendarMessageNamesTheValue) {
  try {
    DecodeDate(1e300);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Invalid date and time value 1e+300");
  }
}

TEST(DayOfWeekTest, CountsFromSunday) {
  EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);  // a Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 3)), 1);
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 4) + 0.75), 2);
  EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);
}

}  // namespace
}  // namespace vorn
