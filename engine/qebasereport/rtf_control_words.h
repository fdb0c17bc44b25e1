#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vorn {

// How RTF text is read word by word, for every reader in the engine: the template scanner, the
// header tables and the fragment merger.

// Control words longer than this are not RTF; readers drop them.
inline constexpr size_t kMaxControlWordLetters = 32;

// One control word as it stands in the input.
struct ControlWord {
  std::string_view name;  // the backslash and the letters
  bool has_param = false;
  bool negative = false;  // a "-" stood before the digits
  int32_t param = 0;      // clamped to the 32-bit range, however many digits stood there
  bool space_delimited = false;
  size_t length = 0;  // bytes taken in the input, the delimiting blank included
};

inline bool IsAsciiLetter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
inline bool IsAsciiDigit(unsigned char c) { return c >= '0' && c <= '9'; }
// The value of a hex digit, as in a "\'XX" escape; -1 for any other byte.
inline int HexDigitValue(unsigned char c) {
  if (IsAsciiDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
inline bool IsHexDigit(unsigned char c) { return HexDigitValue(c) >= 0; }

// True when `text` ends in a control word with no delimiter, so that any letter or digit put
// after it would run into it. A "-" at the end is still part of the word: a digit after it
// would become its parameter.
bool EndsInOpenWord(std::string_view text);

// True when `text` ends in a control word that the byte `next` would run into, as when a
// line break that ended the word is taken out.
bool JoinsOpenWord(std::string_view text, unsigned char next);

// True when `text` ends in a backslash that would escape the next byte (an odd run of them).
bool EndsInControlSymbolBackslash(std::string_view text);

// Reads the control word whose backslash stands at text[pos]; text[pos + 1] must be a letter.
ControlWord ReadControlWord(std::string_view text, size_t pos);

// Whether the word is \bin with an unsigned count, which announces that many raw bytes.
inline bool AnnouncesBinData(const ControlWord& word) {
  return word.name == "\\bin" && word.has_param && !word.negative;
}

// For a word that AnnouncesBinData, read at text[pos]: one past its raw data, at most
// text.size() when the count runs past the end.
size_t BinDataEnd(std::string_view text, size_t pos, const ControlWord& word);

// The number of data bytes a \bin word announces, or nullopt when the count is negative
// or more than the `remaining` bytes after the word: such data cannot be skipped soundly.
std::optional<size_t> BinDataLength(const ControlWord& word, size_t remaining);

struct GroupExtent {
  size_t end = 0;       // one past the closing brace, or text.size()
  bool closed = false;  // false when the input ends first or a \bin runs past it
};

// The extent of the brace group opening at text[pos], as a reader sees it: escaped braces
// and \bin data do not count. Linear in the group's length, no recursion. With `depth` 1,
// pos stands inside the group instead.
GroupExtent FindGroupEnd(std::string_view text, size_t pos, size_t depth = 0);

}  // namespace vorn
