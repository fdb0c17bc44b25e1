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

size_t BinDataEnd(std::string_view text, size_t pos, const ControlWord& word) {
  const size_t data = pos + word.length;
  return data + std::min(static_cast<size_t>(word.param), text.size() - data);
}

std::optional<size_t> BinDataLength(const ControlWord& word, size_t remaining) {
  if (word.param < 0 || static_cast<size_t>(word.param) > remaining) return std::nullopt;
  return static_cast<size_t>(word.param);
}

}  // namespace vorn
