#include "app/card/card_date.h"

#include <ctime>
#include <optional>
#include <vector>

#include "platform/system/exception.h"
#include "platform/text/ascii_text.h"

namespace vorn {

namespace {
constexpr int kMinguoOffset = 1911;

// The runs of digits of `text` when only single separators of one kind stand between them.
std::optional<std::vector<std::string_view>> DigitRuns(std::string_view text) {
  std::vector<std::string_view> runs;
  char separator = 0;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] >= '0' && text[i] <= '9') continue;
    if (i == start) return std::nullopt;  // a separator at the start or two in a row
    runs.push_back(text.substr(start, i - start));
    if (i == text.size()) break;
    const char c = text[i];
    if (c != '-' && c != '/' && c != '.') return std::nullopt;
    if (separator != 0 && c != separator) return std::nullopt;
    separator = c;
    start = i + 1;
  }
  return runs;
}

int Number(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

std::string TwoDigits(unsigned value) {
  return std::string(1, static_cast<char>('0' + value / 10 % 10)) +
         static_cast<char>('0' + value % 10);
}
}  // namespace

std::chrono::year_month_day ParseCardDate(std::string_view text) {
  const std::string_view trimmed = TrimControl(text);
  const auto fail = [text]() { return Exception("not a date: " + std::string(text)); };
  const std::optional<std::vector<std::string_view>> runs = DigitRuns(trimmed);
  if (!runs) throw fail();
  int year = 0, month = 0, day = 0;
  if (runs->size() == 1 && trimmed.size() == 8) {
    year = Number(trimmed.substr(0, 4));
    month = Number(trimmed.substr(4, 2));
    day = Number(trimmed.substr(6, 2));
  } else if (runs->size() == 3 && (*runs)[1].size() <= 2 && (*runs)[2].size() <= 2) {
    const std::string_view year_digits = (*runs)[0];
    if (year_digits.size() == 4) {
      year = Number(year_digits);
    } else if (year_digits.size() <= 3) {
      year = Number(year_digits) + kMinguoOffset;
    } else {
      throw fail();
    }
    month = Number((*runs)[1]);
    day = Number((*runs)[2]);
  } else {
    throw fail();
  }
  const std::chrono::year_month_day date{std::chrono::year(year),
                                         std::chrono::month(static_cast<unsigned>(month)),
                                         std::chrono::day(static_cast<unsigned>(day))};
  if (year <= kMinguoOffset || !date.ok()) throw fail();
  return date;
}

std::string IsoDate(std::chrono::year_month_day day) {
  const int year = static_cast<int>(day.year());
  return std::to_string(year) + "-" + TwoDigits(static_cast<unsigned>(day.month())) + "-" +
         TwoDigits(static_cast<unsigned>(day.day()));
}

std::string MonthDayText(std::chrono::year_month_day day) {
  return TwoDigits(static_cast<unsigned>(day.month())) + "/" +
         TwoDigits(static_cast<unsigned>(day.day()));
}

std::chrono::year_month_day LocalToday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  return std::chrono::year_month_day{std::chrono::year(local.tm_year + 1900),
                                     std::chrono::month(static_cast<unsigned>(local.tm_mon + 1)),
                                     std::chrono::day(static_cast<unsigned>(local.tm_mday))};
}

}  // namespace vorn
