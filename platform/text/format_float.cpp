#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <string_view>

#include "platform/text/decimal_digits.h"
#include "platform/text/number_format.h"

namespace vorn {
namespace {

constexpr int kMaxDigits = 18;
constexpr int kMaxExponentDigits = 4;

bool IsQuote(char c) { return c == '"' || c == '\''; }

// The index just past the literal that opens at `at`; an unclosed literal runs to the end.
std::size_t SkipLiteral(std::string_view text, std::size_t at) {
  const std::size_t close = text.find(text[at], at + 1);
  return close == std::string_view::npos ? text.size() : close + 1;
}

std::array<std::string_view, 3> SplitSections(std::string_view pattern, int& count) {
  std::array<std::string_view, 3> sections;
  count = 1;
  std::size_t start = 0;
  for (std::size_t i = 0; i < pattern.size();) {
    if (IsQuote(pattern[i])) {
      i = SkipLiteral(pattern, i);
    } else if (pattern[i] == ';' && count < 3) {
      sections[count - 1] = pattern.substr(start, i - start);
      start = ++i;
      ++count;
    } else {
      ++i;
    }
  }
  sections[count - 1] = pattern.substr(start);
  return sections;
}

bool IsExponentAt(std::string_view text, std::size_t i) {
  return (text[i] == 'E' || text[i] == 'e') && i + 1 < text.size() &&
         (text[i + 1] == '+' || text[i + 1] == '-');
}

struct Layout {
  int integer_places = 0;
  int min_integer_digits = 0;
  int decimal_places = 0;
  int min_decimals = 0;
  bool grouping = false;
  bool scientific = false;
  int exponent_digits = 0;
};

Layout ScanSection(std::string_view section) {
  Layout layout;
  bool after_point = false;
  int first_zero = -1;
  for (std::size_t i = 0; i < section.size();) {
    const char c = section[i];
    if (IsQuote(c)) {
      i = SkipLiteral(section, i);
      continue;
    }
    if (layout.scientific) {
      ++i;
      continue;
    }
    if (c == '0' || c == '#') {
      if (!after_point) {
        if (c == '0' && first_zero < 0) first_zero = layout.integer_places;
        ++layout.integer_places;
      } else {
        ++layout.decimal_places;
        if (c == '0') layout.min_decimals = layout.decimal_places;
      }
    } else if (c == '.') {
      after_point = true;
    } else if (c == ',') {
      layout.grouping = true;
    } else if (IsExponentAt(section, i)) {
      layout.scientific = true;
      for (i += 2; i < section.size() && section[i] == '0'; ++i) ++layout.exponent_digits;
      layout.exponent_digits = std::min(layout.exponent_digits, kMaxExponentDigits);
      continue;
    }
    ++i;
  }
  if (first_zero >= 0) layout.min_integer_digits = layout.integer_places - first_zero;
  return layout;
}

// The rounded value laid out for a section: the whole digits, the decimals and, for
// scientific sections, the power of ten shown.
struct Rendered {
  bool zero = true;
  std::string whole;
  std::string decimals;
  int exponent = 0;
};

Rendered Render(long double value, const Layout& layout) {
  DecimalDigits decimal = ToDecimalDigits(value);
  int point = 0;
  Rendered rendered;
  if (layout.scientific) {
    RoundToSignificant(decimal,
                       std::clamp(layout.integer_places + layout.decimal_places, 1, kMaxDigits));
    point = layout.integer_places;
    rendered.exponent = decimal.IsZero() ? 0 : decimal.exponent - layout.integer_places;
  } else {
    RoundToDecimals(decimal, kMaxDigits, layout.decimal_places);
    point = decimal.exponent;
  }
  rendered.zero = decimal.IsZero();
  const int count = static_cast<int>(decimal.digits.size());
  for (int i = 0; i < point; ++i) rendered.whole += i < count ? decimal.digits[i] : '0';
  if (rendered.zero) rendered.whole.clear();
  if (point < 0 && !rendered.zero) rendered.decimals.assign(-point, '0');
  if (count > std::max(point, 0)) rendered.decimals += decimal.digits.substr(std::max(point, 0));
  if (static_cast<int>(rendered.whole.size()) < layout.min_integer_digits) {
    rendered.whole.insert(0, layout.min_integer_digits - rendered.whole.size(), '0');
  }
  if (static_cast<int>(rendered.decimals.size()) < layout.min_decimals) {
    rendered.decimals.append(layout.min_decimals - rendered.decimals.size(), '0');
  }
  return rendered;
}

class SectionWriter {
 public:
  SectionWriter(const Layout& layout, const Rendered& rendered, const FormatSettings& settings)
      : layout_(layout), rendered_(rendered), settings_(settings) {}

  std::string Write(std::string_view section) {
    bool after_point = false;
    bool exponent_written = false;
    for (std::size_t i = 0; i < section.size();) {
      const char c = section[i];
      if (IsQuote(c)) {
        const std::size_t end = SkipLiteral(section, i);
        const std::size_t close = end > i + 1 && section[end - 1] == c ? end - 1 : end;
        out_.append(section.substr(i + 1, close - i - 1));
        i = end;
        continue;
      }
      if (exponent_written) {
        if (c != '0' && c != '#' && c != ',' && c != '.') out_ += c;
        ++i;
        continue;
      }
      if (c == '0' || c == '#') {
        after_point ? DecimalPlace() : IntegerPlace();
      } else if (c == '.') {
        if (!after_point) Point();
        after_point = true;
      } else if (IsExponentAt(section, i)) {
        Exponent(c, section[i + 1] == '+');
        exponent_written = true;
        for (i += 2; i < section.size() && section[i] == '0';) ++i;
        continue;
      } else if (c != ',') {
        out_ += c;
      }
      ++i;
    }
    return out_;
  }

 private:
  void WholeDigit(int index) {
    const int count = static_cast<int>(rendered_.whole.size());
    out_ += rendered_.whole[index];
    if (layout_.grouping && !layout_.scientific && settings_.thousand_separator != '\0' &&
        index < count - 1 && (count - 1 - index) % 3 == 0) {
      out_ += settings_.thousand_separator;
    }
  }

  // Whole digits align right on the placeholders; those the placeholders cannot hold come
  // out at the first one.
  void IntegerPlace() {
    const int count = static_cast<int>(rendered_.whole.size());
    const int index = count - layout_.integer_places + integer_seen_;
    if (integer_seen_ == 0) {
      for (int i = 0; i < index; ++i) WholeDigit(i);
    }
    if (index >= 0) WholeDigit(index);
    ++integer_seen_;
  }

  void Point() {
    if (layout_.integer_places == 0) {
      for (int i = 0; i < static_cast<int>(rendered_.whole.size()); ++i) WholeDigit(i);
    }
    if (!rendered_.decimals.empty()) out_ += settings_.decimal_separator;
  }

  void DecimalPlace() {
    if (decimal_seen_ < static_cast<int>(rendered_.decimals.size())) {
      out_ += rendered_.decimals[decimal_seen_];
    }
    ++decimal_seen_;
  }

  void Exponent(char letter, bool always_signed) {
    out_ += letter;
    if (rendered_.exponent < 0) {
      out_ += '-';
    } else if (always_signed) {
      out_ += '+';
    }
    std::string digits = std::to_string(std::abs(rendered_.exponent));
    if (static_cast<int>(digits.size()) < layout_.exponent_digits) {
      digits.insert(0, layout_.exponent_digits - digits.size(), '0');
    }
    out_ += digits;
  }

  const Layout& layout_;
  const Rendered& rendered_;
  const FormatSettings& settings_;
  std::string out_;
  int integer_seen_ = 0;
  int decimal_seen_ = 0;
};

}  // namespace

std::string FormatFloat(std::string_view pattern, long double value,
                        const FormatSettings& settings) {
  if (!std::isfinite(value)) return FloatToStr(value, settings);
  int count = 0;
  const std::array<std::string_view, 3> sections = SplitSections(pattern, count);
  const bool has_negative = count >= 2 && !sections[1].empty();
  const bool has_zero = count >= 3 && !sections[2].empty();
  int chosen = 0;
  if (value < 0 && has_negative) chosen = 1;
  if (value == 0 && has_zero) chosen = 2;
  if (sections[chosen].empty()) return FloatToStr(value, settings);
  Layout layout = ScanSection(sections[chosen]);
  Rendered rendered = Render(std::fabs(value), layout);
  // A value that rounds to zero is written as zero, never as a negative zero.
  if (rendered.zero && chosen != 2 && (has_zero || chosen == 1)) {
    chosen = has_zero ? 2 : 0;
    if (sections[chosen].empty()) return FloatToStr(0, settings);
    layout = ScanSection(sections[chosen]);
    rendered = Render(0, layout);
  }
  std::string text = SectionWriter(layout, rendered, settings).Write(sections[chosen]);
  if (chosen == 0 && value < 0 && !rendered.zero) text.insert(0, 1, '-');
  return text;
}

}  // namespace vorn
