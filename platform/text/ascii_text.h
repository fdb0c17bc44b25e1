#pragma once

#include <string>
#include <string_view>

namespace vorn {

// Names and keywords compare with the letters A to Z upper-cased and nothing else, so
// the bytes of any code page pass through untouched.
std::string UpperAscii(std::string_view text);
bool SameTextAscii(std::string_view a, std::string_view b);
// Removes leading and trailing bytes with codes 0 to 32.
std::string_view TrimControl(std::string_view text);

}  // namespace vorn
