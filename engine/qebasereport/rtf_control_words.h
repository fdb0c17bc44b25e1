#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
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
// Inline: every walk reads its words with it, and a caller that needs only some of the fields
// lets the compiler drop the rest.
inline ControlWord ReadControlWord(std::string_view text, size_t pos) {
  ControlWord word;
  const char* const data = text.data();
  const size_t size = text.size();
  size_t i = pos + 1;
  while (i < size && IsAsciiLetter(static_cast<unsigned char>(data[i]))) ++i;
  word.name = std::string_view(data + pos, i - pos);
  if (i + 1 < size && data[i] == '-' && IsAsciiDigit(static_cast<unsigned char>(data[i + 1]))) {
    word.negative = true;
    ++i;
  }
  // Saturating, so that twenty digits cannot overflow.
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t value = 0;
  const size_t digits = i;
  for (; i < size && IsAsciiDigit(static_cast<unsigned char>(data[i])); ++i) {
    if (value < kLimit) value = value * 10 + (data[i] - '0');
  }
  word.has_param = i > digits;
  if (value > kLimit) value = kLimit;
  if (word.negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
  word.param = static_cast<int32_t>(value);
  if (i < size && data[i] == ' ') {
    word.space_delimited = true;
    ++i;
  }
  word.length = i - pos;
  return word;
}

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

}  // namespace vorn
