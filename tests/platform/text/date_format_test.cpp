#include "platform/text/date_format.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/system/exception.h"
#include "platform/text/date_parse.h"
#include "platform/text/date_time.h"
#include "platform/text/format_settings.h"

namespace vorn {
namespace {

// Saturday 2024-03-09, 14:05:07.089.
TDateTime Sample() { return EncodeDate(2024, 3, 9) + EncodeTime(14, 5, 7, 89); }

FormatSettings German() {
  FormatSettings settings = FormatSettings::CLocale();
  settings.date_separator = '.';
  settings.short_date_format = "dd/mm/yyyy";
  settings.long_date_format = "dddd, d. mmmm yyyy";
  settings.long_time_format = "hh:nn:ss";
  settings.short_time_format = "hh:nn";
  settings.decimal_separator = ',';
  settings.long_day_names[6] = "Samstag";
  settings.long_month_names[2] = "M\xE4rz";
  return settings;
}

struct TokenCase {
  const char* format;
  const char* text;
};

TEST(FormatDateTimeTest, Tokens) {
  const TokenCase cases[] = {
      {"d dd ddd dddd", "9 09 Sat Saturday"},
      {"ddddd", "2024/03/09"},
      {"dddddd", "Saturday, March 9, 2024"},
      {"m mm mmm mmmm", "3 03 Mar March"},
      {"yy yyyy y yyy", "24 2024 24 2024"},
      {"e ee", "2024 2024"},
      {"h hh n nn s ss", "14 14 5 05 7 07"},
      {"z zzz", "89 089"},
      {"hh:mm", "14:05"},
      {"h:m", "14:5"},
      {"mm/dd hh:nn", "03/09 14:05"},
      {"hh dd mm", "14 09 03"},
      {"h:nn am/pm", "2:05 pm"},
      {"h:nn AM/PM", "2:05 PM"},
      {"h:nn a/p", "2:05 p"},
      {"hh:nn ampm", "02:05 PM"},
      {"hh 'h' ampm", "02 h PM"},
      {"hh \"o'clock\" nn", "14 o'clock 05"},
      {"t", "14:05"},
      {"tt", "14:05:07"},
      {"c", "2024/03/09 14:05:07"},
      {"", "2024/03/09 14:05:07"},
      {"yyyy-mm-dd 'at' x", "2024-03-09 at x"},
      {"'unclosed", "unclosed"},
      {"dddddddd", "Saturday, March 9, 2024"},
  };
  for (const TokenCase& c : cases) {
    EXPECT_EQ(FormatDateTime(c.format, Sample(), FormatSettings::CLocale()), c.text) << c.format;
  }
}

TEST(FormatDateTimeTest, HoursOnTheTwelveHourClock) {
  const FormatSettings settings = FormatSettings::CLocale();
  EXPECT_EQ(FormatDateTime("h ampm", EncodeTime(0, 30, 0, 0), settings), "12 AM");
  EXPECT_EQ(FormatDateTime("h ampm", EncodeTime(12, 0, 0, 0), settings), "12 PM");
  EXPECT_EQ(FormatDateTime("h ampm", EncodeTime(11, 59, 0, 0), settings), "11 AM");
  // The marker applies only to the hour tokens before it.
  EXPECT_EQ(FormatDateTime("h am/pm h", EncodeTime(15, 0, 0, 0), settings), "3 pm 15");
}

TEST(FormatDateTimeTest, SettingsSeparatorsAndNames) {
  const FormatSettings settings = German();
  EXPECT_EQ(FormatDateTime("c", Sample(), settings), "09.03.2024 14:05:07");
  EXPECT_EQ(FormatDateTime("dddddd", Sample(), settings), "Samstag, 9. M\xE4rz 2024");
  EXPECT_EQ(DateToStr(Sample(), settings), "09.03.2024");
  EXPECT_EQ(TimeToStr(Sample(), settings), "14:05:07");
}

TEST(FormatDateTimeTest, MidnightDropsTheTime) {
  const FormatSettings settings = FormatSettings::CLocale();
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 1, 31), settings), "2024/01/31");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 1, 31) + EncodeTime(0, 0, 0, 1), settings),
            "2024/01/31 00:00:00");
}

TEST(FormatDateTimeTest, OldAndNegativeDates) {
  const FormatSettings settings = FormatSettings::CLocale();
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", EncodeDate(5, 3, 7), settings), "0005-03-07");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", -1.25, settings), "1899-12-29 06:00");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", 0, settings), "1899-12-30");
}

TEST(FormatDateTimeTest, SelfNamingSettingsStop) {
  FormatSettings settings = FormatSettings::CLocale();
  settings.short_date_format = "c";
  settings.long_time_format = "tt";
  EXPECT_NO_THROW(FormatDateTime("c", Sample(), settings));
  EXPECT_THROW(FormatDateTime("c", 1e300, settings), EConvertError);
}

class StrToDateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetNowFunction([] { return EncodeDate(2026, 6, 15) + 0.5; });
  }
  void TearDown() override { SetNowFunction(nullptr); }

  static std::string Date(std::string_view text, const FormatSettings& settings) {
    return FormatDateTime("yyyy-mm-dd", StrToDate(text, settings), FormatSettings::CLocale());
  }
};

FormatSettings WithShortDate(const char* format, char separator) {
  FormatSettings settings = FormatSettings::CLocale();
  settings.short_date_format = format;
  settings.date_separator = separator;
  return settings;
}

TEST_F(StrToDateTest, ReadsInTheShortDateOrder) {
  const FormatSettings ymd = WithShortDate("yyyy/mm/dd", '/');
  const FormatSettings mdy = WithShortDate("m/d/yy", '/');
  const FormatSettings dmy = WithShortDate("dd/mm/yyyy", '.');
  const FormatSettings quoted = WithShortDate("'day' dd/mm/yyyy", '-');
  EXPECT_EQ(Date("2024/03/09", ymd), "2024-03-09");
  EXPECT_EQ(Date(" 2024 / 3 / 9 ", ymd), "2024-03-09");
  EXPECT_EQ(Date("3/9/2024", mdy), "2024-03-09");
  EXPECT_EQ(Date("9.3.2024", dmy), "2024-03-09");
  EXPECT_EQ(Date("09-03-2024", quoted), "2024-03-09");
  EXPECT_EQ(Date("0005/03/07", ymd), "0005-03-07");
}

TEST_F(StrToDateTest, ShortFormsUseTheClock) {
  const FormatSettings mdy = WithShortDate("m/d/yy", '/');
  const FormatSettings dmy = WithShortDate("dd/mm/yyyy", '.');
  EXPECT_EQ(Date("3/9", mdy), "2026-03-09");
  EXPECT_EQ(Date("9.3", dmy), "2026-03-09");
  // Fifty years back from 2026 and forty-nine ahead.
  EXPECT_EQ(Date("3/9/76", mdy), "1976-03-09");
  EXPECT_EQ(Date("3/9/75", mdy), "2075-03-09");
  EXPECT_EQ(Date("3/9/0075", mdy), "0075-03-09");
  FormatSettings no_window = mdy;
  no_window.two_digit_year_century_window = 0;
  EXPECT_EQ(Date("3/9/76", no_window), "2076-03-09");
}

TEST_F(StrToDateTest, RefusesWithTheText) {
  const FormatSettings ymd = WithShortDate("yyyy/mm/dd", '/');
  for (const char* text : {"", "2024", "2024/02/30", "2024/13/01", "2024-03-09", "2024/03/09x",
                           "20245/03/09", "2024/03/", "a/b/c", "2024/03/09 10:00"}) {
    try {
      StrToDate(text, ymd);
      ADD_FAILURE() << text;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.what(), "'" + std::string(text) + "' is not a valid date");
    }
  }
}

TEST_F(StrToDateTest, TimesAndDateTimes) {
  const FormatSettings settings = FormatSettings::CLocale();
  const auto time = [&](std::string_view text) {
    return FormatDateTime("hh:nn:ss.zzz", StrToTime(text, settings), settings);
  };
  EXPECT_EQ(time("10:20"), "10:20:00.000");
  EXPECT_EQ(time("10:20:30"), "10:20:30.000");
  EXPECT_EQ(time("10:20:30.5"), "10:20:30.500");
  EXPECT_EQ(time("10:20:30.1234"), "10:20:30.123");
  EXPECT_EQ(time("3:05 pm"), "15:05:00.000");
  EXPECT_EQ(time("PM 3:05"), "15:05:00.000");
  EXPECT_EQ(time("12:00 AM"), "00:00:00.000");
  EXPECT_EQ(time("3 PM"), "15:00:00.000");
  for (const char* text : {"", "10", "24:00", "10:60", "13:00 PM", "10:20:30.", "10:20 xx"}) {
    EXPECT_THROW(StrToTime(text, settings), EConvertError) << text;
  }
  EXPECT_EQ(StrToTime("10:20", settings), EncodeTime(10, 20, 0, 0));

  const TDateTime both = StrToDateTime("2024/01/31 10:20:30", settings);
  EXPECT_EQ(DateTimeToStr(both, settings), "2024/01/31 10:20:30");
  EXPECT_EQ(StrToDateTime("2024/01/31", settings), EncodeDate(2024, 1, 31));
  EXPECT_EQ(StrToDateTime("10:20", settings), EncodeTime(10, 20, 0, 0));
  try {
    StrToDateTime("2024/01/31 25:00", settings);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'2024/01/31 25:00' is not a valid date and time");
  }
  EXPECT_THROW(StrToTime("nonsense", settings), EConvertError);
}

TEST_F(StrToDateTest, FormattedTextReadsBack) {
  const FormatSettings german = German();
  const TDateTime value = EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 58, 0);
  EXPECT_EQ(StrToDateTime(DateTimeToStr(value, german), german), value);
}

TEST(NowTest, ComesFromTheInstalledClock) {
  SetNowFunction([] { return 45000.25; });
  EXPECT_EQ(Now(), 45000.25);
  SetNowFunction(nullptr);
  const TDateTime now = Now();
  EXPECT_GT(now, EncodeDate(2020, 1, 1));
  EXPECT_LT(now, EncodeDate(2200, 1, 1));
  EXPECT_NEAR(now, SystemNow(), 1.0 / 24 / 60);
}

}  // namespace
}  // namespace vorn
