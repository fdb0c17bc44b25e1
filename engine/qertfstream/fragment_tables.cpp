#include "engine/qertfstream/fragment_tables.h"

#include <algorithm>

#include "engine/qebasereport/rtf_walker.h"

namespace vorn {

namespace {
constexpr uint32_t kMaxNumber = 0xFFFF;

// The digits at text[pos...], or nullopt when they need more than 16 bits; no digits read 0.
std::optional<uint16_t> ReadNumber(std::string_view text, size_t& pos) {
  uint32_t value = 0;
  while (pos < text.size() && IsAsciiDigit(static_cast<unsigned char>(text[pos]))) {
    value = value * 10 + static_cast<uint32_t>(text[pos] - '0');
    ++pos;
    if (value > kMaxNumber) return std::nullopt;
  }
  return static_cast<uint16_t>(value);
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// "\word" at text[pos] standing as a whole word, not as the head of a longer one.
bool WordAt(std::string_view text, size_t pos, std::string_view word) {
  return text.substr(pos, word.size()) == word &&
         (pos + word.size() >= text.size() ||
          !IsAsciiLetter(static_cast<unsigned char>(text[pos + word.size()])));
}
}  // namespace

std::optional<int32_t> TQEReplTable::Replacement(uint32_t key) const {
  if (key >= replacements_.size() || replacements_[key] < 0) return std::nullopt;
  return replacements_[key];
}

void TQEReplTable::SetReplacement(uint32_t key, int32_t merged) {
  if (key >= replacements_.size()) replacements_.resize(size_t{key} + 1, -1);
  replacements_[key] = merged;
}

std::optional<TQEFontStr> ParseFontEntry(std::string_view entry) {
  if (entry.size() <= 5 || entry.substr(0, 3) != "{\\f" ||
      !IsAsciiDigit(static_cast<unsigned char>(entry[3])) || entry.back() != '}') {
    return std::nullopt;
  }
  size_t pos = 3;
  const std::optional<uint16_t> number = ReadNumber(entry, pos);
  if (!number) return std::nullopt;
  return TQEFontStr{*number, std::string(entry.substr(pos))};
}

void TQEFontStrings::Import(const std::vector<std::string>& fonts) {
  for (const std::string& entry : fonts) {
    std::optional<TQEFontStr> font = ParseFontEntry(entry);
    if (!font) continue;
    highest_ = std::max<int32_t>(highest_, font->Number);
    by_rest_.emplace(font->Rest, font->Number);
    items_.push_back(std::move(*font));
  }
  imported_count_ = Count();
}

std::vector<std::string> TQEFontStrings::Export() const {
  std::vector<std::string> fonts;
  fonts.reserve(items_.size());
  for (const TQEFontStr& font : items_) {
    fonts.push_back("{\\f" + std::to_string(font.Number) + font.Rest);
  }
  return fonts;
}

void TQEFontStrings::Merge(uint16_t number, std::string rest) {
  if (auto found = by_rest_.find(rest); found != by_rest_.end()) {
    SetReplacement(number, found->second);
    return;
  }
  if (highest_ >= static_cast<int32_t>(kMaxNumber)) return;
  const auto merged = static_cast<uint16_t>(++highest_);
  by_rest_.emplace(rest, merged);
  items_.push_back({merged, std::move(rest)});
  ++added_count_;
  SetReplacement(number, merged);
}

std::string NormalColorEntry(std::string_view entry) {
  int32_t red = -1, green = -1, blue = -1;
  RtfWalker walker(entry, 0, {.bin_data = false});
  while (const RtfToken token = walker.Next()) {
    if (!token.Is(RtfTokenKind::kWord)) continue;
    const int32_t value = std::clamp(token.word.param, 0, 255);
    if (token.word.name == "\\red") red = value;
    if (token.word.name == "\\green") green = value;
    if (token.word.name == "\\blue") blue = value;
  }
  if (red < 0 && green < 0 && blue < 0) return ";";
  return "\\red" + std::to_string(std::max(red, 0)) + "\\green" +
         std::to_string(std::max(green, 0)) + "\\blue" + std::to_string(std::max(blue, 0)) + ";";
}

void TQEColorStrings::Import(const std::vector<std::string>& colors) {
  for (const std::string& entry : colors) {
    Append(EndsWith(entry, ";") ? entry : entry + ";");
  }
  imported_count_ = Count();
}

int32_t TQEColorStrings::Append(const std::string& entry) {
  const auto index = static_cast<int32_t>(items_.size());
  items_.push_back(entry);
  by_entry_.emplace(entry, index);
  return index;
}

void TQEColorStrings::Merge(uint32_t index, const std::string& entry) {
  if (auto found = by_entry_.find(entry); found != by_entry_.end()) {
    SetReplacement(index, found->second);
    return;
  }
  // Without an auto entry first, the report's own \cf0 would take the fragment's colour.
  if (items_.empty() && entry != ";") {
    Append(";");
    ++added_count_;
  }
  SetReplacement(index, Append(entry));
  ++added_count_;
}

std::optional<TQEStyleStr> ParseStyleEntry(std::string_view raw) {
  std::string entry;
  entry.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    if (static_cast<unsigned char>(raw[i]) >= 32) {
      entry.push_back(raw[i]);
    } else if (EndsInControlSymbolBackslash(entry)) {
      // "\" and a control byte are a control symbol that means nothing in a style; with the
      // byte gone the backslash would escape what follows, a brace too.
      entry.pop_back();
    } else if (i + 1 < raw.size() && JoinsOpenWord(entry, static_cast<unsigned char>(raw[i + 1]))) {
      entry.push_back(' ');  // the line break ended a control word
    }
  }
  if (entry.size() <= 5 || entry.front() != '{' || !EndsWith(entry, ";}")) return std::nullopt;
  TQEStyleStr style;
  size_t digits = 0;  // where the number stands; 0: the entry has none
  if (WordAt(entry, 1, "\\s")) {
    digits = 3;
  } else if (WordAt(entry, 1, "\\*\\cs") || WordAt(entry, 1, "\\*\\ds")) {
    style.Kind = entry[4] == 'c' ? kStyleCharacter : kStyleSection;
    digits = 6;
  } else if (WordAt(entry, 1, "\\cs") || WordAt(entry, 1, "\\ds")) {
    style.Kind = entry[2] == 'c' ? kStyleCharacter : kStyleSection;
    digits = 4;
  } else if (entry.compare(1, 3, "\\*\\") == 0) {
    // Another ignorable group, a table style for one: written back as it stands, since a
    // "\s0" in front would redefine the normal style.
    style.Kind = kStylePlainGroup;
    size_t pos = 4;
    while (pos < entry.size() && IsAsciiLetter(static_cast<unsigned char>(entry[pos]))) ++pos;
    style.Number = ReadNumber(entry, pos).value_or(0);
    style.Rest = entry.substr(1);
    return style;
  }
  if (digits == 0) {
    style.Rest = entry.substr(1);
    return style;
  }
  size_t pos = digits;
  const std::optional<uint16_t> number = ReadNumber(entry, pos);
  if (!number) return std::nullopt;
  style.Number = *number;
  style.Rest = entry.substr(pos);
  return style;
}

std::string StyleEntryText(const TQEStyleStr& style) {
  const std::string number = std::to_string(style.Number);
  switch (style.Kind) {
    case kStylePlainGroup:
      return "{" + style.Rest;
    case kStyleCharacter:
      return "{\\*\\cs" + number + style.Rest;
    case kStyleSection:
      return "{\\ds" + number + style.Rest;
    default:
      return "{\\s" + number + style.Rest;
  }
}

void TQEStyleStrings::Import(const std::vector<std::string>& styles) {
  for (const std::string& entry : styles) {
    std::optional<TQEStyleStr> style = ParseStyleEntry(entry);
    if (!style) continue;
    highest_ = std::max<int32_t>(highest_, style->Number);
    by_content_.emplace(ContentKey(style->Kind, style->Rest), items_.size());
    items_.push_back(std::move(*style));
  }
  imported_count_ = Count();
}

std::vector<std::string> TQEStyleStrings::Export() const {
  std::vector<std::string> styles;
  styles.reserve(items_.size());
  for (const TQEStyleStr& style : items_) styles.push_back(StyleEntryText(style));
  return styles;
}

std::optional<size_t> TQEStyleStrings::Merge(uint8_t kind, uint16_t number,
                                             const std::string& rest) {
  if (auto found = by_content_.find(ContentKey(kind, rest)); found != by_content_.end()) {
    SetReplacement(Key(kind, number), items_[found->second].Number);
    return found->second;
  }
  if (highest_ >= static_cast<int32_t>(kMaxNumber)) return std::nullopt;
  const auto merged = static_cast<uint16_t>(++highest_);
  const size_t position = items_.size();
  items_.push_back({merged, kind, rest, kLinksPending});
  by_content_.emplace(ContentKey(kind, rest), position);
  ++added_count_;
  SetReplacement(Key(kind, number), merged);
  return position;
}

void TQEStyleStrings::SetRest(size_t position, std::string rest) {
  TQEStyleStr& style = items_[position];
  style.Rest = std::move(rest);
  style.Flags &= ~kLinksPending;
}

std::string TQEStyleStrings::ContentKey(uint8_t kind, std::string_view rest) {
  // The numbers of linked styles are the one part of a style that a merge renumbers, so
  // two styles alike in all else are the same style.
  std::string key(1, static_cast<char>('0' + kind));
  key.reserve(rest.size() + 1);
  for (size_t i = 0; i < rest.size();) {
    const bool link = rest[i] == '\\' && (WordAt(rest, i, "\\sbasedon") ||
                                          WordAt(rest, i, "\\snext") || WordAt(rest, i, "\\slink"));
    if (!link) {
      key.push_back(rest[i++]);
      continue;
    }
    do {
      key.push_back(rest[i++]);
    } while (i < rest.size() && IsAsciiLetter(static_cast<unsigned char>(rest[i])));
    while (i < rest.size() && (IsAsciiDigit(static_cast<unsigned char>(rest[i])) || rest[i] == '-'))
      ++i;
  }
  return key;
}

}  // namespace vorn
