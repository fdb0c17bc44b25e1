#include "platform/text/date_format.h"

#include <string>
#include <string_view>

namespace vorn {
namespace {

// Formats named by c, ddddd, dddddd, t and tt come from the settings and may name others;
// two levels are enough for any sane setting and stop one that names itself.
constexpr int kMaxNesting = 2;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[i]) != Lower(prefix[i])) return false;
  }
  return true;
}

std::string Padded(int number, std::size_t width) {
  std::string text = std::to_string(number);
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  return text;
}

class DateTimeWriter {
 public:
  DateTimeWriter(TDateTime value, const FormatSettings& settings)
      : value_(value), date_(DecodeDate(value)), time_(DecodeTime(value)), settings_(settings) {}

  std::string Write(std::string_view format) {
    Append(format.empty() ? std::string_view("c") : format, 0);
    return std::move(out_);
  }

 private:
  // Repeats of the same character at `at` form one token.
  static std::size_t CountAt(std::string_view format, std::size_t at) {
    std::size_t end = at;
    while (end < format.size() && format[end] == format[at]) ++end;
    return end - at;
  }

  // Whether an am/pm marker follows before the next hour token.
  static bool TwelveHourAhead(std::string_view format, std::size_t from) {
    for (std::size_t i = from; i < format.size(); ++i) {
      const char c = format[i];
      if (c == '"' || c == '\'') {
        const std::size_t close = format.find(c, i + 1);
        if (close == std::string_view::npos) return false;
        i = close;
      } else if (Lower(c) == 'h') {
        return false;
      } else if (Lower(c) == 'a') {
        const std::string_view rest = format.substr(i);
        if (StartsWithNoCase(rest, "am/pm") || StartsWithNoCase(rest, "a/p") ||
            StartsWithNoCase(rest, "ampm")) {
          return true;
        }
      }
    }
    return false;
  }

  void Append(std::string_view format, int level) {
    char last_token = '\0';
    for (std::size_t i = 0; i < format.size();) {
      const char c = format[i];
      const char token = Lower(c);
      if (c == '"' || c == '\'') {
        const std::size_t close = format.find(c, i + 1);
        const std::size_t end = close == std::string_view::npos ? format.size() : close;
        out_.append(format.substr(i + 1, end - i - 1));
        i = end + 1;
        continue;
      }
      if (token == 'a') {
        i += AppendMarker(format.substr(i));
        last_token = 'a';
        continue;
      }
      if (token < 'a' || token > 'z') {
        AppendSeparatorOr(c);
        ++i;
        continue;
      }
      const std::size_t count = CountAt(format, i);
      const bool minutes = token == 'm' && last_token == 'h';
      AppendToken(minutes ? 'n' : token, count, format, i + count, level);
      last_token = token;
      i += count;
    }
  }

  void AppendSeparatorOr(char c) {
    if (c == '/') {
      out_ += settings_.date_separator;
    } else if (c == ':') {
      out_ += settings_.time_separator;
    } else {
      out_ += c;
    }
  }

  // am/pm and a/p copy their own letters for the half of the day; ampm writes the settings'
  // texts. Returns how many characters of the format it took.
  std::size_t AppendMarker(std::string_view rest) {
    const bool pm = time_.hour >= 12;
    if (StartsWithNoCase(rest, "am/pm")) {
      out_.append(rest.substr(pm ? 3 : 0, 2));
      return 5;
    }
    if (StartsWithNoCase(rest, "a/p")) {
      out_ += rest[pm ? 2 : 0];
      return 3;
    }
    if (StartsWithNoCase(rest, "ampm")) {
      out_ += pm ? settings_.time_pm_string : settings_.time_am_string;
      return 4;
    }
    out_ += rest[0];
    return 1;
  }

  void AppendNested(const std::string& format, int level) {
    if (level < kMaxNesting) Append(format, level + 1);
  }

  bool HasTimeOfDay() const {
    return time_.hour != 0 || time_.minute != 0 || time_.second != 0 || time_.millisecond != 0;
  }

  int Hour(std::string_view format, std::size_t after) const {
    if (!TwelveHourAhead(format, after)) return time_.hour;
    const int hour = time_.hour % 12;
    return hour == 0 ? 12 : hour;
  }

  void AppendDay(std::size_t count, int level) {
    switch (count) {
      case 1:
        out_ += std::to_string(date_.day);
        break;
      case 2:
        out_ += Padded(date_.day, 2);
        break;
      case 3:
        out_ += settings_.short_day_names[DayOfWeek(value_) - 1];
        break;
      case 4:
        out_ += settings_.long_day_names[DayOfWeek(value_) - 1];
        break;
      case 5:
        AppendNested(settings_.short_date_format, level);
        break;
      default:
        AppendNested(settings_.long_date_format, level);
        break;
    }
  }

  void AppendMonth(std::size_t count) {
    switch (count) {
      case 1:
        out_ += std::to_string(date_.month);
        break;
      case 2:
        out_ += Padded(date_.month, 2);
        break;
      case 3:
        out_ += settings_.short_month_names[date_.month - 1];
        break;
      default:
        out_ += settings_.long_month_names[date_.month - 1];
        break;
    }
  }

  void AppendToken(char token, std::size_t count, std::string_view format, std::size_t after,
                   int level) {
    switch (token) {
      case 'c':
        AppendNested(settings_.short_date_format, level);
        if (HasTimeOfDay()) {
          out_ += ' ';
          AppendNested(settings_.long_time_format, level);
        }
        break;
      case 'd':
        AppendDay(count, level);
        break;
      case 'e':
        out_ += count == 1 ? std::to_string(date_.year) : Padded(date_.year, 2);
        break;
      case 'm':
        AppendMonth(count);
        break;
      case 'y':
        out_ += count <= 2 ? Padded(date_.year % 100, 2) : Padded(date_.year, 4);
        break;
      case 'h':
        out_ += Padded(Hour(format, after), count == 1 ? 1 : 2);
        break;
      case 'n':
        out_ += Padded(time_.minute, count == 1 ? 1 : 2);
        break;
      case 's':
        out_ += Padded(time_.second, count == 1 ? 1 : 2);
        break;
      case 'z':
        out_ += Padded(time_.millisecond, count < 3 ? 1 : 3);
        break;
      case 't':
        AppendNested(count == 1 ? settings_.short_time_format : settings_.long_time_format, level);
        break;
      default:
        out_.append(format.substr(after - count, count));
        break;
    }
  }

  TDateTime value_;
  DateParts date_;
  TimeParts time_;
  const FormatSettings& settings_;
  std::string out_;
};

}  // namespace

std::string FormatDateTime(std::string_view format, TDateTime value,
                           const FormatSettings& settings) {
  return DateTimeWriter(value, settings).Write(format);
}

std::string DateToStr(TDateTime value, const FormatSettings& settings) {
  return FormatDateTime("ddddd", value, settings);
}

std::string TimeToStr(TDateTime value, const FormatSettings& settings) {
  return FormatDateTime("tt", value, settings);
}

std::string DateTimeToStr(TDateTime value, const FormatSettings& settings) {
  return FormatDateTime("c", value, settings);
}

}  // namespace vorn
