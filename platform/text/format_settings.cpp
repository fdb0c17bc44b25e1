#include "platform/text/format_settings.h"

#include <langinfo.h>
#include <locale.h>

#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text/strftime_pattern.h"

namespace vorn {
namespace {

constexpr std::array<const char*, 12> kShortMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 12> kLongMonths = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kShortDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 7> kLongDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};

bool IsCLocale(int category) {
  const std::string_view name = nl_langinfo(_NL_LOCALE_NAME(category));
  return name == "C" || name == "POSIX" || name.starts_with("C.");
}

// The engine's separators are single bytes; a locale's multi-byte separator (a UTF-8
// no-break space, say) cannot be one, so grouping falls back to a blank.
char ThousandSeparatorFrom(const char* text) {
  if (text == nullptr || text[0] == '\0') return '\0';
  if (text[1] == '\0' && static_cast<unsigned char>(text[0]) < 0x80) return text[0];
  return ' ';
}

char DecimalSeparatorFrom(const char* text) {
  if (text != nullptr && text[0] != '\0' && text[1] == '\0' &&
      static_cast<unsigned char>(text[0]) < 0x80) {
    return text[0];
  }
  return '.';
}

int PositiveCurrencyFormat(char precedes, char separated) {
  if (precedes == CHAR_MAX || separated == CHAR_MAX) return -1;
  if (precedes != 0) return separated != 0 ? 2 : 0;
  return separated != 0 ? 3 : 1;
}

int NegativeCurrencyFormat(char precedes, char separated, char sign_position) {
  if (precedes == CHAR_MAX || separated == CHAR_MAX || sign_position == CHAR_MAX ||
      sign_position < 0 || sign_position > 4) {
    return -1;
  }
  // Rows: symbol first or last, with or without a blank; columns: the sign position.
  static constexpr int kForms[2][2][5] = {{{4, 5, 7, 6, 7}, {15, 8, 10, 13, 10}},
                                          {{0, 1, 3, 1, 2}, {14, 9, 11, 9, 12}}};
  return kForms[precedes != 0 ? 1 : 0][separated != 0 ? 1 : 0][static_cast<int>(sign_position)];
}

// Drops the seconds and the separator before them from a time pattern.
std::string WithoutSeconds(std::string_view format) {
  std::string result(format);
  for (std::string_view seconds : {":ss", ":s"}) {
    const std::size_t at = result.find(seconds);
    if (at != std::string::npos) return result.erase(at, seconds.size());
  }
  return result;
}

void ReadNumeric(FormatSettings& settings) {
  if (IsCLocale(LC_NUMERIC)) return;
  const lconv* conv = localeconv();
  settings.decimal_separator = DecimalSeparatorFrom(conv->decimal_point);
  settings.thousand_separator = ThousandSeparatorFrom(conv->thousands_sep);
  if (settings.thousand_separator == settings.decimal_separator) {
    settings.thousand_separator = '\0';
  }
}

void ReadMonetary(FormatSettings& settings) {
  if (IsCLocale(LC_MONETARY)) return;
  const lconv* conv = localeconv();
  if (conv->currency_symbol != nullptr && conv->currency_symbol[0] != '\0') {
    settings.currency_string = conv->currency_symbol;
  }
  if (conv->frac_digits != CHAR_MAX && conv->frac_digits >= 0) {
    settings.currency_decimals = conv->frac_digits;
  }
  const int positive = PositiveCurrencyFormat(conv->p_cs_precedes, conv->p_sep_by_space);
  if (positive >= 0) settings.currency_format = positive;
  const int negative =
      NegativeCurrencyFormat(conv->n_cs_precedes, conv->n_sep_by_space, conv->n_sign_posn);
  if (negative >= 0) settings.negative_currency_format = negative;
}

void ReadNames(FormatSettings& settings) {
  for (int i = 0; i < 12; ++i) {
    settings.short_month_names[i] = nl_langinfo(ABMON_1 + i);
    settings.long_month_names[i] = nl_langinfo(MON_1 + i);
  }
  for (int i = 0; i < 7; ++i) {
    settings.short_day_names[i] = nl_langinfo(ABDAY_1 + i);
    settings.long_day_names[i] = nl_langinfo(DAY_1 + i);
  }
  const char* am = nl_langinfo(AM_STR);
  const char* pm = nl_langinfo(PM_STR);
  if (am[0] != '\0' && pm[0] != '\0') {
    settings.time_am_string = am;
    settings.time_pm_string = pm;
  }
}

void ReadTime(FormatSettings& settings) {
  if (IsCLocale(LC_TIME)) return;
  ReadNames(settings);
  const StrftimePattern short_date = TranslateStrftime(nl_langinfo(D_FMT), '/', false);
  if (!short_date.format.empty()) {
    settings.short_date_format = short_date.format;
    settings.date_separator = short_date.separator.value_or(settings.date_separator);
    settings.long_date_format = TranslateStrftime(nl_langinfo(D_FMT), '/', true).format;
  }
  const StrftimePattern long_time = TranslateStrftime(nl_langinfo(T_FMT), ':', false);
  if (!long_time.format.empty()) {
    settings.long_time_format = long_time.format;
    settings.short_time_format = WithoutSeconds(long_time.format);
    settings.time_separator = long_time.separator.value_or(settings.time_separator);
  }
}

std::optional<FormatSettings>& DefaultSlot() {
  static std::optional<FormatSettings> slot;
  return slot;
}

}  // namespace

FormatSettings FormatSettings::CLocale() {
  FormatSettings settings;
  for (int i = 0; i < 12; ++i) {
    settings.short_month_names[i] = kShortMonths[i];
    settings.long_month_names[i] = kLongMonths[i];
  }
  for (int i = 0; i < 7; ++i) {
    settings.short_day_names[i] = kShortDays[i];
    settings.long_day_names[i] = kLongDays[i];
  }
  return settings;
}

FormatSettings FormatSettings::FromLocale() {
  FormatSettings settings = CLocale();
  ReadNumeric(settings);
  ReadMonetary(settings);
  ReadTime(settings);
  return settings;
}

const FormatSettings& DefaultFormatSettings() {
  std::optional<FormatSettings>& slot = DefaultSlot();
  if (!slot) slot = FormatSettings::FromLocale();
  return *slot;
}

void SetDefaultFormatSettings(const FormatSettings& settings) { DefaultSlot() = settings; }

}  // namespace vorn
