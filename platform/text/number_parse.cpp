#include "platform/text/number_parse.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "platform/system/exception.h"

namespace vorn {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}
  bool AtEnd() const { return at_ == text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[at_]; }
  bool Take(char c) {
    if (AtEnd() || text_[at_] != c) return false;
    ++at_;
    return true;
  }
  void SkipBlanks() {
    while (!AtEnd() && IsBlank(text_[at_])) ++at_;
  }
  // Appends the run of digits to `out` and tells how many there were.
  std::size_t TakeDigits(std::string& out) {
    const std::size_t start = at_;
    while (!AtEnd() && IsDigit(text_[at_])) ++at_;
    out.append(text_.data() + start, at_ - start);
    return at_ - start;
  }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

// The power of ten of a number's first significant digit, the exponent clamped so that
// no sum overflows; it tells an underflow from an overflow.
long long Magnitude(const std::string& whole, const std::string& fraction,
                    const std::string& exponent, bool exponent_negative) {
  long long power = 0;
  const std::size_t first = whole.find_first_not_of('0');
  if (first != std::string::npos) {
    power = static_cast<long long>(whole.size() - first);
  } else {
    const std::size_t nonzero = fraction.find_first_not_of('0');
    power = -static_cast<long long>(nonzero == std::string::npos ? 0 : nonzero);
  }
  long long shift = 0;
  for (char c : exponent) shift = shift > 100000 ? shift : shift * 10 + (c - '0');
  return exponent_negative ? power - shift : power + shift;
}

// Up to 18 digits make an integer, and their powers of ten a divisor, that the extended
// type holds exactly; one division then rounds as the full conversion does, at a fraction
// of its cost.
constexpr std::size_t kExactDigits = 18;

long double ExactDecimal(const std::string& whole, const std::string& fraction) {
  std::uint64_t digits = 0;
  for (char c : whole) digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
  std::uint64_t scale = 1;
  for (char c : fraction) {
    digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
    scale *= 10;
  }
  return static_cast<long double>(digits) / static_cast<long double>(scale);
}

// Reads [sign] digits [separator digits] [E [sign] digits] and converts the plain ASCII
// form of it.
std::optional<long double> ParseNumber(Cursor& cursor, char separator) {
  bool negative = false;
  if (cursor.Take('-')) {
    negative = true;
  } else {
    cursor.Take('+');
  }
  std::string whole, fraction, exponent;
  const std::size_t whole_count = cursor.TakeDigits(whole);
  std::size_t fraction_count = 0;
  if (cursor.Take(separator)) fraction_count = cursor.TakeDigits(fraction);
  if (whole_count + fraction_count == 0) return std::nullopt;
  bool exponent_negative = false;
  if (cursor.Peek() == 'E' || cursor.Peek() == 'e') {
    cursor.Take(cursor.Peek());
    if (cursor.Take('-')) {
      exponent_negative = true;
    } else {
      cursor.Take('+');
    }
    if (cursor.TakeDigits(exponent) == 0) return std::nullopt;
  }
  if (exponent.empty() && whole.size() + fraction.size() <= kExactDigits) {
    const long double exact = ExactDecimal(whole, fraction);
    return negative ? -exact : exact;
  }
  std::string plain = (negative ? "-" : "") + (whole.empty() ? "0" : whole) + "." + fraction;
  if (!exponent.empty()) plain += (exponent_negative ? "e-" : "e") + exponent;
  long double value = 0;
  const char* begin = plain.data();
  const auto [end, error] = std::from_chars(begin, begin + plain.size(), value);
  if (error == std::errc::result_out_of_range &&
      Magnitude(whole, fraction, exponent, exponent_negative) < 0) {
    return negative ? -0.0L : 0.0L;
  }
  if (error != std::errc() || end != begin + plain.size()) return std::nullopt;
  return value;
}

std::optional<long double> ParseFloat(std::string_view text, char separator, bool blanks) {
  Cursor cursor(text);
  if (blanks) cursor.SkipBlanks();
  const std::optional<long double> value = ParseNumber(cursor, separator);
  if (blanks) cursor.SkipBlanks();
  if (!value || !cursor.AtEnd()) return std::nullopt;
  return value;
}

int DigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Accumulates the magnitude as unsigned so that the most negative value fits.
bool ParseInteger(std::string_view text, std::int64_t& value) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return false;
  const std::uint64_t limit =
      negative ? std::uint64_t{1} << 63 : std::uint64_t{std::numeric_limits<std::int64_t>::max()};
  std::uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i]);
    if (digit < 0 || digit >= base) return false;
    if (magnitude >
        (limit - static_cast<std::uint64_t>(digit)) / static_cast<std::uint64_t>(base)) {
      return false;
    }
    magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
  }
  value =
      negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  return true;
}

}  // namespace

bool TryStrToFloat(std::string_view text, long double& value, const FormatSettings& settings) {
  const std::optional<long double> parsed = ParseFloat(text, settings.decimal_separator, true);
  if (!parsed) return false;
  value = *parsed;
  return true;
}

long double StrToFloat(std::string_view text, const FormatSettings& settings) {
  long double value = 0;
  if (!TryStrToFloat(text, value, settings)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  }
  return value;
}

bool TryValFloat(std::string_view text, long double& value) {
  std::size_t start = 0;
  while (start < text.size() && IsBlank(text[start])) ++start;
  const std::optional<long double> parsed = ParseFloat(text.substr(start), '.', false);
  if (!parsed) return false;
  value = *parsed;
  return true;
}

bool TryStrToInt64(std::string_view text, std::int64_t& value) { return ParseInteger(text, value); }

std::int64_t StrToInt64(std::string_view text) {
  std::int64_t value = 0;
  if (!TryStrToInt64(text, value)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  }
  return value;
}

bool TryStrToInt(std::string_view text, int& value) {
  std::int64_t wide = 0;
  if (!ParseInteger(text, wide) || wide < std::numeric_limits<int>::min() ||
      wide > std::numeric_limits<int>::max()) {
    return false;
  }
  value = static_cast<int>(wide);
  return true;
}

int StrToInt(std::string_view text) {
  int value = 0;
  if (!TryStrToInt(text, value)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  }
  return value;
}

}  // namespace vorn
