#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorn {

// Widths count in twentieths of the font size (an em): a Chinese character is 20, a Latin
// capital of a bold sans face about 14, a small letter or a digit about 11 to 12, a blank 5.
// Generous for Latin, so that a line measured to fit does fit.
inline constexpr int kUnitsPerEm = 20;

// The width of record bytes (code page 950) in twentieths of an em.
int CardTextUnits(std::string_view bytes);

// `bytes` broken into lines of at most `width_em` ems, joined by a line break (byte 11, which
// a report writes as a line break). Lines break at blanks and between Chinese characters,
// never inside a run of letters and digits ("300g", "600ml") nor between a number and the
// Chinese character after it ("12入") unless the run alone is wider than a line; closing
// punctuation stays with what it closes. Blanks at a break are dropped. A width below one em
// leaves the text as it is.
std::string WrapCardText(std::string_view bytes, double width_em);

// How many lines WrapCardText gives; 0 for an empty text.
int CountCardLines(std::string_view bytes, double width_em);

}  // namespace vorn
