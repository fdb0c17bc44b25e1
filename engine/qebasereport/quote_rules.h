#pragma once

#include <string_view>

namespace vorn {

// The quotes of the tag language, in one place for the scanner that finds tags, the codec that
// decodes them and the expression reader.

inline constexpr unsigned char kLeftDoubleQuote = 0x93;
inline constexpr unsigned char kRightDoubleQuote = 0x94;
inline constexpr unsigned char kLeftGuillemet = 0xAB;
inline constexpr unsigned char kRightGuillemet = 0xBB;

// Whether the byte of a decoded tag text opens a quoted string.
constexpr bool IsQuoteOpener(unsigned char c) {
  return c == '"' || c == '\'' || c == '`' || c == '~' || c == kLeftDoubleQuote ||
         c == kRightDoubleQuote || c == kLeftGuillemet || c == kRightGuillemet;
}

// Whether `c` closes a string opened by `opener`: an ASCII quote closes itself, the curly double
// quotes and the guillemets are closed by their right-hand form. A byte that opens nothing is
// closed by nothing, so a caller's stray state can never end a string.
constexpr bool ClosesQuote(unsigned char opener, unsigned char c) {
  switch (opener) {
    case '"':
    case '\'':
    case '`':
    case '~':
      return c == opener;
    case kLeftDoubleQuote:
    case kRightDoubleQuote:
      return c == kRightDoubleQuote;
    case kLeftGuillemet:
    case kRightGuillemet:
      return c == kRightGuillemet;
    default:
      return false;
  }
}

// More than two bytes, an opener first, its closer last and nowhere between.
bool IsQuotedText(std::string_view text);

// A quote as it may stand in a template's raw RTF: the byte itself, its hex escape or a quote
// control word.
struct QuoteForm {
  std::string_view token;  // as written into a tag's raw text; escapes and words in lower case
  unsigned char byte;      // the byte the tag's decoded text holds for it
  // Left-hand marks open but never close; this matters for "\lquote", which decodes to the
  // apostrophe that does close.
  bool closes;
  // A control word (rather than a byte or an escape) takes one blank after it along.
  constexpr bool IsWord() const { return token.size() > 2 && token[0] == '\\' && token[1] != '\''; }
};

// In the order a scanner tries them, so that a form is found before any shorter one it begins
// with.
inline constexpr QuoteForm kQuoteForms[] = {
    {"\x93", kLeftDoubleQuote, false},
    {"\\'93", kLeftDoubleQuote, false},
    {"\x94", kRightDoubleQuote, true},
    {"\\'94", kRightDoubleQuote, true},
    {"\\lquote", '\'', false},
    {"\\ldblquote", kLeftDoubleQuote, false},
    {"\\rdblquote", kRightDoubleQuote, true},
    {"\\rquote", '\'', true},
    {"\xAB", kLeftGuillemet, false},
    {"\\'ab", kLeftGuillemet, false},
    {"\xBB", kRightGuillemet, true},
    {"\\'bb", kRightGuillemet, true},
    {"\"", '"', true},
    {"'", '\'', true},
    {"`", '`', true},
    {"~", '~', true},
};

}  // namespace vorn
