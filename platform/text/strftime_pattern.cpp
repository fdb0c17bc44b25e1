#include "platform/text/strftime_pattern.h"

#include <optional>
#include <string>
#include <string_view>

namespace vorn {
namespace {

void AppendLiteral(std::string& out, std::string_view literal) {
  if (literal.empty()) return;
  const char quote = literal.find('"') == std::string_view::npos ? '"' : '\'';
  out += quote;
  for (char c : literal) {
    if (c != quote) out += c;
  }
  out += quote;
}

std::string_view FieldFor(char directive, bool four_digit_year) {
  switch (directive) {
    case 'd':
      return "dd";
    case 'e':
      return "d";
    case 'm':
      return "mm";
    case 'y':
      return four_digit_year ? "yyyy" : "yy";
    case 'Y':
    case 'G':
      return "yyyy";
    case 'b':
    case 'h':
      return "mmm";
    case 'B':
      return "mmmm";
    case 'a':
      return "ddd";
    case 'A':
      return "dddd";
    case 'H':
    case 'k':
    case 'I':
    case 'l':
      return "hh";
    case 'M':
      return "nn";
    case 'S':
      return "ss";
    case 'p':
    case 'P':
      return "ampm";
    case 'F':
      return "yyyy-mm-dd";
    case 'D':
      return four_digit_year ? "mm/dd/yyyy" : "mm/dd/yy";
    case 'T':
      return "hh:nn:ss";
    case 'R':
      return "hh:nn";
    case 'r':
      return "hh:nn:ss ampm";
    default:
      return "";
  }
}

}  // namespace

StrftimePattern TranslateStrftime(std::string_view pattern, char placeholder,
                                  bool four_digit_year) {
  StrftimePattern result;
  std::string literal;
  bool after_field = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%' || i + 1 == pattern.size()) {
      literal += pattern[i];
      continue;
    }
    char directive = pattern[++i];
    while ((directive == 'E' || directive == 'O' || directive == '-' || directive == '_' ||
            directive == '0' || directive == '^' || directive == '#') &&
           i + 1 < pattern.size()) {
      directive = pattern[++i];
    }
    if (directive == '%') {
      literal += '%';
      continue;
    }
    const std::string_view field = FieldFor(directive, four_digit_year);
    if (field.empty()) continue;
    const bool separator_literal =
        literal.size() == 1 && static_cast<unsigned char>(literal[0]) < 0x80 && literal[0] != ' ' &&
        after_field && (!result.separator || *result.separator == literal[0]);
    if (separator_literal) {
      result.separator = literal[0];
      result.format += placeholder;
    } else {
      AppendLiteral(result.format, literal);
    }
    literal.clear();
    result.format += field;
    after_field = true;
  }
  AppendLiteral(result.format, literal);
  return result;
}

}  // namespace vorn
