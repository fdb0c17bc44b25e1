#include "data/field_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "platform/text/ascii_text.h"
#include "platform/text/code_page.h"
#include "platform/text/date_time.h"

namespace vorn {
namespace {
std::string_view Trim(std::string_view text) { return TrimControl(text); }

// from_chars takes no "+", which people do write in data files.
std::string_view WithoutPlus(std::string_view text) {
  if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+') {
    text.remove_prefix(1);
  }
  return text;
}

// Exactly `count` decimal digits at `pos`.
std::optional<int> Digits(std::string_view text, size_t pos, size_t count) {
  if (pos + count > text.size()) return std::nullopt;
  int value = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

std::string TwoDigits(int value) {
  char text[3] = {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10), 0};
  return text;
}

std::optional<double> ParseDateExact(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  const auto year = Digits(text, 0, 4);
  const auto month = Digits(text, 5, 2);
  const auto day = Digits(text, 8, 2);
  double date = 0;
  if (!year || !month || !day || !TryEncodeDate(*year, *month, *day, date)) return std::nullopt;
  return date;
}

// Fractions longer than milliseconds are cut: other programs write up to nine digits.
std::optional<int> Milliseconds(std::string_view fraction) {
  if (fraction.empty() || fraction.size() > 9 || !Digits(fraction, 0, fraction.size())) {
    return std::nullopt;
  }
  int msec = 0;
  for (size_t i = 0; i < 3; ++i) msec = msec * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
  return msec;
}

std::optional<double> ParseTimeExact(std::string_view text) {
  if (text.size() < 5 || text[2] != ':') return std::nullopt;
  const auto hour = Digits(text, 0, 2);
  const auto minute = Digits(text, 3, 2);
  std::optional<int> second = 0;
  std::optional<int> msec = 0;
  if (text.size() > 5) {
    if (text.size() < 8 || text[5] != ':') return std::nullopt;
    second = Digits(text, 6, 2);
    if (text.size() > 8) msec = text[8] == '.' ? Milliseconds(text.substr(9)) : std::nullopt;
  }
  double time = 0;
  if (!hour || !minute || !second || !msec ||
      !TryEncodeTime(*hour, *minute, *second, *msec, time)) {
    return std::nullopt;
  }
  return time;
}

}  // namespace

bool SameFieldName(std::string_view a, std::string_view b) { return SameTextAscii(a, b); }

std::optional<int64_t> ParseFieldInteger(std::string_view text) {
  text = WithoutPlus(Trim(text));
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

std::optional<double> ParseFieldFloat(std::string_view text) {
  text = WithoutPlus(Trim(text));
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<bool> ParseFieldBoolean(std::string_view text) {
  text = Trim(text);
  for (std::string_view yes : {"True", "T", "Yes", "Y", "1"}) {
    if (SameTextAscii(text, yes)) return true;
  }
  for (std::string_view no : {"False", "F", "No", "N", "0"}) {
    if (SameTextAscii(text, no)) return false;
  }
  return std::nullopt;
}

std::optional<double> ParseIsoDate(std::string_view text) { return ParseDateExact(Trim(text)); }

std::optional<double> ParseIsoTime(std::string_view text) { return ParseTimeExact(Trim(text)); }

std::optional<double> ParseIsoDateTime(std::string_view text) {
  text = Trim(text);
  const auto date = ParseDateExact(text.substr(0, 10));
  if (!date) return std::nullopt;
  if (text.size() == 10) return date;
  if (text[10] != ' ' && text[10] != 'T') return std::nullopt;
  const auto time = ParseTimeExact(text.substr(11));
  if (!time) return std::nullopt;
  return ComposeDateTime(*date, *time);
}

std::string FloatFieldText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.15G", value);
  std::string result = text;
  // "1E+20" and "1E-05" read as "1E20" and "1E-5", the run-time's own form.
  const size_t e = result.find('E');
  if (e != std::string::npos) {
    std::string exponent = result.substr(e + 1);
    const bool negative = exponent.front() == '-';
    exponent.erase(0, exponent.find_first_not_of("+-0"));
    result = result.substr(0, e + 1) + (negative ? "-" : "") + exponent;
  }
  return result;
}

std::string IsoDateText(double date_time) {
  int year = 0, month = 0, day = 0;
  DecodeDate(date_time, year, month, day);
  return std::to_string(year / 1000 % 10) + std::to_string(year / 100 % 10) +
         TwoDigits(year % 100) + "-" + TwoDigits(month) + "-" + TwoDigits(day);
}

std::string IsoTimeText(double date_time) {
  int hour = 0, minute = 0, second = 0, msec = 0;
  DecodeTime(date_time, hour, minute, second, msec);
  return TwoDigits(hour) + ":" + TwoDigits(minute) + ":" + TwoDigits(second);
}

std::string IsoDateTimeText(double date_time) {
  const std::string time = IsoTimeText(date_time);
  return time == "00:00:00" ? IsoDateText(date_time) : IsoDateText(date_time) + " " + time;
}

size_t CutLength(std::string_view text, size_t size, int code_page) {
  return CutToBytes(text, size, CodePage(code_page)).size();
}

}  // namespace vorn
