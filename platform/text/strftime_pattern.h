#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vorn {

struct StrftimePattern {
  std::string format;             // in the FormatDateTime language
  std::optional<char> separator;  // the separator `placeholder` stands for, if one was found
};

// Turns a locale's strftime pattern ("%d.%m.%Y") into the FormatDateTime language
// ("dd/mm/yyyy" with "." as the separator). The first one-byte separator between two fields
// becomes `placeholder` ("/" or ":"); other literal text is quoted; directives without a
// counterpart are dropped. `four_digit_year` writes %y as yyyy.
StrftimePattern TranslateStrftime(std::string_view pattern, char placeholder, bool four_digit_year);

}  // namespace vorn
