#include "platform/text/format_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text/date_format.h"
#include "platform/text/date_time.h"
#include "platform/text/number_format.h"
#include "platform/text/strftime_pattern.h"

namespace vorn {
namespace {

TEST(FormatSettingsTest, CLocaleValues) {
  const FormatSettings c = FormatSettings::CLocale();
  EXPECT_EQ(c.decimal_separator, '.');
  EXPECT_EQ(c.thousand_separator, ',');
  EXPECT_EQ(c.currency_string, "$");
  EXPECT_EQ(c.currency_decimals, 2);
  EXPECT_EQ(c.short_date_format, "yyyy/mm/dd");
  EXPECT_EQ(c.long_time_format, "hh:nn:ss");
  const TDateTime sample = EncodeDate(2024, 12, 1);
  EXPECT_EQ(FormatDateTime("ddd dddd mmm mmmm", sample, c), "Sun Sunday Dec December");
}

TEST(FormatSettingsTest, TheCLocaleOfTheProcessGivesCLocaleValues) {
  // The test process never sets a locale, so it runs in the C locale.
  const FormatSettings process = FormatSettings::FromLocale();
  const FormatSettings c = FormatSettings::CLocale();
  EXPECT_EQ(process.decimal_separator, c.decimal_separator);
  EXPECT_EQ(process.thousand_separator, c.thousand_separator);
  EXPECT_EQ(process.currency_string, c.currency_string);
  EXPECT_EQ(process.short_date_format, c.short_date_format);
  EXPECT_EQ(process.long_time_format, c.long_time_format);
  EXPECT_EQ(process.long_month_names, c.long_month_names);
}

TEST(FormatSettingsTest, DefaultCanBeReplaced) {
  const FormatSettings saved = DefaultFormatSettings();
  FormatSettings comma = FormatSettings::CLocale();
  comma.decimal_separator = ',';
  SetDefaultFormatSettings(comma);
  EXPECT_EQ(FloatToStr(1.5L), "1,5");
  SetDefaultFormatSettings(saved);
  EXPECT_EQ(FloatToStr(1.5L), "1.5");
}

struct PatternCase {
  const char* strftime;
  char placeholder;
  bool four_digit_year;
  const char* format;
  char separator;  // '\0' when none is found
};

TEST(StrftimePatternTest, LocalePatternsBecomeFormats) {
  const PatternCase cases[] = {
      {"%m/%d/%y", '/', false, "mm/dd/yy", '/'},
      {"%m/%d/%y", '/', true, "mm/dd/yyyy", '/'},
      {"%d.%m.%Y", '/', false, "dd/mm/yyyy", '.'},
      {"%Y-%m-%d", '/', false, "yyyy/mm/dd", '-'},
      {"%Y\xE5\xB9\xB4%m\xE6\x9C\x88%d\xE6\x97\xA5", '/', false,
       "yyyy\"\xE5\xB9\xB4\"mm\"\xE6\x9C\x88\"dd\"\xE6\x97\xA5\"", '\0'},
      {"%H:%M:%S", ':', false, "hh:nn:ss", ':'},
      {"%I:%M:%S %p", ':', false, "hh:nn:ss\" \"ampm", ':'},
      {"%p %I\xE6\x99\x82%M\xE5\x88\x86", ':', false,
       "ampm\" \"hh\"\xE6\x99\x82\"nn\"\xE5\x88\x86\"", '\0'},
      {"%e %B %Y", '/', false, "d\" \"mmmm\" \"yyyy", '\0'},
      {"%T", ':', false, "hh:nn:ss", '\0'},
      {"%Ey %Od %Q %%", '/', false, "yy\" \"dd\"  %\"", '\0'},
      {"day %d", '/', false, "\"day \"dd", '\0'},
      {"%", '/', false, "\"%\"", '\0'},
  };
  for (const PatternCase& c : cases) {
    SCOPED_TRACE(c.strftime);
    const StrftimePattern pattern = TranslateStrftime(c.strftime, c.placeholder, c.four_digit_year);
    EXPECT_EQ(pattern.format, c.format);
    EXPECT_EQ(pattern.separator.value_or('\0'), c.separator);
  }
}

TEST(StrftimePatternTest, TranslatedFormatsFormat) {
  FormatSettings settings = FormatSettings::CLocale();
  const StrftimePattern german = TranslateStrftime("%d.%m.%Y", '/', false);
  settings.short_date_format = german.format;
  settings.date_separator = *german.separator;
  EXPECT_EQ(DateToStr(EncodeDate(2024, 3, 9), settings), "09.03.2024");
}

}  // namespace
}  // namespace vorn
