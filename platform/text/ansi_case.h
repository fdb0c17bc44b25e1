#pragma once

#include <string>
#include <string_view>

#include "platform/text/code_page.h"

namespace vorn {

// Upper- or lower-cases the letters of a code page text: A to Z everywhere, and in the
// single-byte code pages their other letters that have a case partner there (for 1252 the
// accented Latin letters). The bytes of a two-byte character are never changed, though a
// trail byte may look like an ASCII letter. A character the code page lacks (its Unicode form)
// takes its partner from the same scripts.
std::string AnsiUpperCase(std::string_view text, CodePage code_page);
std::string AnsiLowerCase(std::string_view text, CodePage code_page);

}  // namespace vorn
