#pragma once

#include <array>
#include <string>

namespace vorn {

// The regional settings every number and date conversion reads. Texts are bytes as the
// locale gives them; the separators are single bytes.
struct FormatSettings {
  char decimal_separator = '.';
  // '\0' when the locale groups no thousands.
  char thousand_separator = ',';
  std::string currency_string = "$";
  // Where the symbol stands, numbered as the classic regional settings did:
  // positive 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"; negative 0 "($1)", 1 "-$1", 2 "$-1",
  // 3 "$1-", 4 "(1$)", 5 "-1$", 6 "1-$", 7 "1$-", 8 "-1 $", 9 "-$ 1", 10 "1 $-",
  // 11 "$ 1-", 12 "$ -1", 13 "1- $", 14 "($ 1)", 15 "(1 $)".
  int currency_format = 0;
  int negative_currency_format = 1;
  int currency_decimals = 2;
  char date_separator = '/';
  char time_separator = ':';
  // Date and time patterns in the FormatDateTime language ("/" and ":" stand for the
  // separators above).
  std::string short_date_format = "yyyy/mm/dd";
  std::string long_date_format = "dddd, mmmm d, yyyy";
  std::string short_time_format = "hh:nn";
  std::string long_time_format = "hh:nn:ss";
  std::string time_am_string = "AM";
  std::string time_pm_string = "PM";
  std::array<std::string, 12> short_month_names;
  std::array<std::string, 12> long_month_names;
  // Sunday first.
  std::array<std::string, 7> short_day_names;
  std::array<std::string, 7> long_day_names;
  // A two-digit year read from text lies within this many years before the current one
  // and the years after; 0 puts it in the current century.
  int two_digit_year_century_window = 50;

  // ".", ",", "$", 2 decimals, "yyyy/mm/dd", "hh:nn:ss" and English names.
  static FormatSettings CLocale();
  // The process's current locale as set by the program (the C locale gives CLocale()).
  // Values the locale leaves unspecified keep their CLocale() value.
  static FormatSettings FromLocale();
};

// The process-wide settings conversions use when the caller passes none. Read from the
// process locale on first use.
const FormatSettings& DefaultFormatSettings();
void SetDefaultFormatSettings(const FormatSettings& settings);

}  // namespace vorn
