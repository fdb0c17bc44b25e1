#include "platform/text/date_parse.h"

#include <optional>
#include <string>
#include <string_view>

#include "platform/system/exception.h"

namespace vorn {
namespace {

enum class DateOrder { kMonthDayYear, kDayMonthYear, kYearMonthDay };

// Four digits at most: no field of a date or time needs more.
constexpr int kMaxFieldDigits = 4;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

DateOrder OrderOf(std::string_view format) {
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c == '"' || c == '\'') {
      const std::size_t close = format.find(c, i + 1);
      if (close == std::string_view::npos) break;
      i = close;
      continue;
    }
    switch (Lower(c)) {
      case 'd':
        return DateOrder::kDayMonthYear;
      case 'm':
        return DateOrder::kMonthDayYear;
      case 'y':
        return DateOrder::kYearMonthDay;
      default:
        break;
    }
  }
  return DateOrder::kMonthDayYear;
}

struct Number {
  int value = 0;
  int digits = 0;
};

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  bool AtEnd() const { return at_ >= text_.size(); }

  void SkipBlanks() {
    while (!AtEnd() && text_[at_] == ' ') ++at_;
  }

  std::optional<Number> TakeNumber() {
    SkipBlanks();
    Number number;
    while (!AtEnd() && text_[at_] >= '0' && text_[at_] <= '9' && number.digits < kMaxFieldDigits) {
      number.value = number.value * 10 + (text_[at_++] - '0');
      ++number.digits;
    }
    if (number.digits == 0) return std::nullopt;
    return number;
  }

  // A fraction of a second: its digits scaled to milliseconds, further digits dropped.
  std::optional<int> TakeMilliseconds() {
    int value = 0, digits = 0;
    while (!AtEnd() && text_[at_] >= '0' && text_[at_] <= '9') {
      if (digits < 3) value = value * 10 + (text_[at_] - '0');
      ++digits;
      ++at_;
    }
    if (digits == 0) return std::nullopt;
    for (int i = digits; i < 3; ++i) value *= 10;
    return value;
  }

  bool TakeChar(char c) {
    SkipBlanks();
    if (AtEnd() || text_[at_] != c) return false;
    ++at_;
    return true;
  }

  bool TakeWordNoCase(std::string_view word) {
    SkipBlanks();
    if (word.empty() || text_.size() - at_ < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
      if (Lower(text_[at_ + i]) != Lower(word[i])) return false;
    }
    at_ += word.size();
    return true;
  }

  std::size_t Position() const { return at_; }
  void Rewind(std::size_t at) { at_ = at; }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

int CurrentYear() { return DecodeDate(Now()).year; }

int FullYear(Number year, const FormatSettings& settings) {
  if (year.digits > 2) return year.value;
  const int window = settings.two_digit_year_century_window;
  const int base = CurrentYear() - (window > 0 ? window : 0);
  int full = year.value + base / 100 * 100;
  if (window > 0 && full < base) full += 100;
  return full;
}

bool ScanDate(Scanner& scanner, const FormatSettings& settings, TDateTime& value) {
  const std::optional<Number> first = scanner.TakeNumber();
  if (!first || !scanner.TakeChar(settings.date_separator)) return false;
  const std::optional<Number> second = scanner.TakeNumber();
  if (!second) return false;
  const DateOrder order = OrderOf(settings.short_date_format);
  const std::size_t before_third = scanner.Position();
  std::optional<Number> third;
  if (scanner.TakeChar(settings.date_separator)) third = scanner.TakeNumber();
  int year = 0, month = 0, day = 0;
  if (!third) {
    scanner.Rewind(before_third);
    year = CurrentYear();
    const bool day_first = order == DateOrder::kDayMonthYear;
    month = day_first ? second->value : first->value;
    day = day_first ? first->value : second->value;
  } else {
    switch (order) {
      case DateOrder::kMonthDayYear:
        month = first->value, day = second->value, year = FullYear(*third, settings);
        break;
      case DateOrder::kDayMonthYear:
        day = first->value, month = second->value, year = FullYear(*third, settings);
        break;
      case DateOrder::kYearMonthDay:
        year = FullYear(*first, settings), month = second->value, day = third->value;
        break;
    }
  }
  return TryEncodeDate(year, month, day, value);
}

// 0 for AM, 12 for PM, nothing when no marker stands here.
std::optional<int> TakeMarker(Scanner& scanner, const FormatSettings& settings) {
  if (scanner.TakeWordNoCase(settings.time_am_string) || scanner.TakeWordNoCase("AM")) return 0;
  if (scanner.TakeWordNoCase(settings.time_pm_string) || scanner.TakeWordNoCase("PM")) return 12;
  return std::nullopt;
}

bool ScanTime(Scanner& scanner, const FormatSettings& settings, TDateTime& value) {
  std::optional<int> half = TakeMarker(scanner, settings);
  const std::optional<Number> hour = scanner.TakeNumber();
  if (!hour) return false;
  int minute = 0, second = 0, millisecond = 0;
  if (scanner.TakeChar(settings.time_separator)) {
    const std::optional<Number> minutes = scanner.TakeNumber();
    if (!minutes) return false;
    minute = minutes->value;
    if (scanner.TakeChar(settings.time_separator)) {
      const std::optional<Number> seconds = scanner.TakeNumber();
      if (!seconds) return false;
      second = seconds->value;
      if (scanner.TakeChar(settings.decimal_separator)) {
        const std::optional<int> fraction = scanner.TakeMilliseconds();
        if (!fraction) return false;
        millisecond = *fraction;
      }
    }
  } else if (!half) {
    // A bare number is a time only with a marker: "3 PM".
    const std::size_t at = scanner.Position();
    half = TakeMarker(scanner, settings);
    if (!half) {
      scanner.Rewind(at);
      return false;
    }
  }
  if (!half) half = TakeMarker(scanner, settings);
  int hours = hour->value;
  if (half) {
    if (hours == 0 || hours > 12) return false;
    hours = hours % 12 + *half;
  }
  return TryEncodeTime(hours, minute, second, millisecond, value);
}

bool Finished(Scanner& scanner) {
  scanner.SkipBlanks();
  return scanner.AtEnd();
}

}  // namespace

bool TryStrToDate(std::string_view text, TDateTime& value, const FormatSettings& settings) {
  Scanner scanner(text);
  TDateTime date = 0;
  if (!ScanDate(scanner, settings, date) || !Finished(scanner)) return false;
  value = date;
  return true;
}

TDateTime StrToDate(std::string_view text, const FormatSettings& settings) {
  TDateTime value = 0;
  if (!TryStrToDate(text, value, settings)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid date");
  }
  return value;
}

bool TryStrToTime(std::string_view text, TDateTime& value, const FormatSettings& settings) {
  Scanner scanner(text);
  TDateTime time = 0;
  if (!ScanTime(scanner, settings, time) || !Finished(scanner)) return false;
  value = time;
  return true;
}

TDateTime StrToTime(std::string_view text, const FormatSettings& settings) {
  TDateTime value = 0;
  if (!TryStrToTime(text, value, settings)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid time");
  }
  return value;
}

bool TryStrToDateTime(std::string_view text, TDateTime& value, const FormatSettings& settings) {
  Scanner scanner(text);
  TDateTime date = 0, time = 0;
  if (ScanDate(scanner, settings, date)) {
    if (Finished(scanner) || (ScanTime(scanner, settings, time) && Finished(scanner))) {
      value = ComposeDateTime(date, time);
      return true;
    }
  }
  return TryStrToTime(text, value, settings);
}

TDateTime StrToDateTime(std::string_view text, const FormatSettings& settings) {
  TDateTime value = 0;
  if (!TryStrToDateTime(text, value, settings)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid date and time");
  }
  return value;
}

}  // namespace vorn
