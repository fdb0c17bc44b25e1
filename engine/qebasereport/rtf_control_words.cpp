#include "engine/qebasereport/rtf_control_words.h"

#include <algorithm>
#include <limits>

namespace vorn {

bool JoinsOpenWord(std::string_view text, unsigned char next) {
  if (!IsAsciiLetter(next) && !IsAsciiDigit(next) && next != '-' && next != ' ') return false;
  return EndsInOpenWord(text);
}

bool EndsInOpenWord(std::string_view text) {
  size_t i = text.size();
  while (i > 0 && IsAsciiDigit(static_cast<unsigned char>(text[i - 1]))) --i;
  if (i > 0 && text[i - 1] == '-') --i;
  const size_t letters_end = i;
  while (i > 0 && IsAsciiLetter(static_cast<unsigned char>(text[i - 1]))) --i;
  if (i == letters_end || i == 0 || text[i - 1] != '\\') return false;
  // "\\b" is an escaped backslash and the letter b, not a control word.
  size_t backslashes = 0;
  for (size_t j = i; j > 0 && text[j - 1] == '\\'; --j) ++backslashes;
  return backslashes % 2 == 1;
}

bool EndsInControlSymbolBackslash(std::string_view text) {
  size_t backslashes = 0;
  for (size_t i = text.size(); i > 0 && text[i - 1] == '\\'; --i) ++backslashes;
  return backslashes % 2 == 1;
}

ControlWord ReadControlWord(std::string_view text, size_t pos) {
  ControlWord word;
  size_t i = pos + 1;
  while (i < text.size() && IsAsciiLetter(static_cast<unsigned char>(text[i]))) ++i;
  word.name = text.substr(pos, i - pos);
  bool negative = false;
  if (i + 1 < text.size() && text[i] == '-' &&
      IsAsciiDigit(static_cast<unsigned char>(text[i + 1]))) {
    negative = true;
    word.negative = true;
    ++i;
  }
  // Saturating, so that twenty digits cannot overflow.
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t value = 0;
  while (i < text.size() && IsAsciiDigit(static_cast<unsigned char>(text[i]))) {
    word.has_param = true;
    if (value < kLimit) value = value * 10 + (text[i] - '0');
    ++i;
  }
  if (value > kLimit) value = kLimit;
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
  word.param = static_cast<int32_t>(value);
  if (i < text.size() && text[i] == ' ') {
    word.space_delimited = true;
    ++i;
  }
  word.length = i - pos;
  return word;
}

size_t BinDataEnd(std::string_view text, size_t pos, const ControlWord& word) {
  const size_t data = pos + word.length;
  return data + std::min(static_cast<size_t>(word.param), text.size() - data);
}

std::optional<size_t> BinDataLength(const ControlWord& word, size_t remaining) {
  if (word.param < 0 || static_cast<size_t>(word.param) > remaining) return std::nullopt;
  return static_cast<size_t>(word.param);
}

GroupExtent FindGroupEnd(std::string_view text, size_t pos, size_t depth) {
  size_t i = pos;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '{') {
      ++depth;
      ++i;
    } else if (c == '}') {
      ++i;
      if (--depth == 0) return {i, true};
    } else if (c != '\\') {
      ++i;
    } else if (i + 1 < text.size() && IsAsciiLetter(static_cast<unsigned char>(text[i + 1]))) {
      const ControlWord word = ReadControlWord(text, i);
      i += word.length;
      if (word.name == "\\bin") {
        const std::optional<size_t> data = BinDataLength(word, text.size() - i);
        if (!data) return {text.size(), false};
        i += *data;
      }
    } else {
      i += 2;  // a control symbol, escaped braces included
    }
  }
  return {text.size(), false};
}

}  // namespace vorn
