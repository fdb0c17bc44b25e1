#include "app/card/card_text.h"

#include <vector>

#include "app/card/record_text.h"
#include "platform/text/code_page.h"

namespace vorn {

namespace {
constexpr char kLineBreak = '\x0B';

bool IsBlank(unsigned char c) { return c <= ' '; }

std::size_t CharLength(std::string_view bytes, std::size_t at) {
  return CharacterLength(bytes, at, CodePage(kRecordCodePage));
}

// A character of a Latin word: an ASCII letter, digit or mark, or a letter the code page lacks
// that is no wider ("é" of "Café").
bool IsWordCharacter(std::string_view character) {
  const auto first = static_cast<unsigned char>(character[0]);
  if (character.size() == 1) return first > ' ' && first < 0x80 && first != kUnicodeMark;
  const char32_t code_point = UnicodeFormAt(character, 0);
  // From the circled digits on, characters are set as wide as Chinese ones.
  return code_point != 0 && code_point < 0x2460;
}

// Big5 marks that may not begin a line: ，、。．；：？！）」』】〉》〕｝…—～％
bool IsClosingMark(std::string_view c) {
  static constexpr std::string_view kMarks[] = {
      "\xA1\x41", "\xA1\x42", "\xA1\x43", "\xA1\x44", "\xA1\x46", "\xA1\x47", "\xA1\x48",
      "\xA1\x49", "\xA1\x5E", "\xA1\x76", "\xA1\x7A", "\xA1\x6A", "\xA1\x72", "\xA1\x6E",
      "\xA1\x66", "\xA1\x62", "\xA1\x4B", "\xA1\x58", "\xA1\xE3", "\xA2\x48"};
  for (std::string_view mark : kMarks) {
    if (c == mark) return true;
  }
  return false;
}

// Big5 marks that may not end a line: （「『【〈《〔｛
bool IsOpeningMark(std::string_view c) {
  static constexpr std::string_view kMarks[] = {"\xA1\x5D", "\xA1\x75", "\xA1\x79", "\xA1\x69",
                                                "\xA1\x71", "\xA1\x6D", "\xA1\x65", "\xA1\x61"};
  for (std::string_view mark : kMarks) {
    if (c == mark) return true;
  }
  return false;
}

// A piece no line break may enter, and whether a blank stood before it.
struct Piece {
  std::string_view text;
  bool after_blank;
};

// A run of ASCII letters, digits and marks is one piece, and a number takes the Chinese
// character right after it, its unit or count word ("12入", "3瓶"); every other character is a
// piece of its own, closing marks joined to the piece before them and opening marks to the
// piece after.
std::vector<Piece> SplitIntoPieces(std::string_view bytes) {
  std::vector<Piece> pieces;
  bool after_blank = false;
  bool after_opening = false;  // the next piece joins an opening mark
  bool after_number = false;   // a Chinese character joins the number before it
  for (std::size_t at = 0; at < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[at]);
    if (IsBlank(c)) {
      after_blank = true;
      after_opening = after_number = false;
      ++at;
      continue;
    }
    std::size_t end = at + CharLength(bytes, at);
    std::size_t last = at;  // the piece's last character
    const bool word = IsWordCharacter(bytes.substr(at, end - at));
    while (word && end < bytes.size() &&
           IsWordCharacter(bytes.substr(end, CharLength(bytes, end)))) {
      last = end;
      end += CharLength(bytes, end);
    }
    const std::string_view character = bytes.substr(at, end - at);
    const bool join_before =
        !pieces.empty() && !after_blank &&
        (after_opening || (after_number && !word) || (end - at == 2 && IsClosingMark(character)));
    if (join_before) {
      Piece& last = pieces.back();
      last.text = std::string_view(last.text.data(), last.text.size() + character.size());
    } else {
      pieces.push_back({character, after_blank});
    }
    after_number = word && end - last == 1 && bytes[last] >= '0' && bytes[last] <= '9';
    after_opening = end - at == 2 && IsOpeningMark(character);
    after_blank = false;
    at = end;
  }
  return pieces;
}

int CharUnits(std::string_view character) {
  if (character.size() != 1) return IsWordCharacter(character) ? 12 : kUnitsPerEm;
  const char c = character[0];
  if (c == ' ') return 5;
  if (c == 'M' || c == 'W' || c == 'm' || c == 'w' || c == '@' || c == '%') return 18;
  if (c == 'I' || c == 'i' || c == 'j' || c == 'l' || c == '.' || c == ',' || c == '\'' ||
      c == ':' || c == ';' || c == '!' || c == '|') {
    return 6;
  }
  if (c == 'f' || c == 't' || c == 'r' || c == '(' || c == ')' || c == '-' || c == '/') return 8;
  if (c >= 'A' && c <= 'Z') return 15;
  if (c >= '0' && c <= '9') return 12;
  if (c >= 'a' && c <= 'z') return 12;
  return 12;
}

int Units(std::string_view bytes) {
  int units = 0;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = CharLength(bytes, at);
    units += CharUnits(bytes.substr(at, length));
    at += length;
  }
  return units;
}

// A piece laid out: its text, its width, and whether a blank stands before it.
struct Placed {
  std::string_view text;
  int units;
  bool after_blank;
};

constexpr int kBlankUnits = 5;

// Pieces wider than a line are cut into their characters.
std::vector<Placed> PlacedPieces(std::string_view bytes, int width) {
  std::vector<Placed> placed;
  for (const Piece& piece : SplitIntoPieces(bytes)) {
    const int units = Units(piece.text);
    if (units <= width) {
      placed.push_back({piece.text, units, piece.after_blank});
      continue;
    }
    for (std::size_t at = 0; at < piece.text.size();) {
      const std::size_t length = CharLength(piece.text, at);
      const std::string_view character = piece.text.substr(at, length);
      placed.push_back({character, CharUnits(character), at == 0 && piece.after_blank});
      at += length;
    }
  }
  return placed;
}

// Lines of text, and how many of their breaks stand at a blank.
struct Layout {
  std::vector<std::string> lines;
  int breaks_at_blanks = 0;
};

// Lays the pieces out into lines no wider than `width` units. A line that must break goes
// back to its last blank when that leaves it at least 60% full: "...飲料600ml" then
// "家庭號..." reads better than a break inside the word after the blank.
Layout Lines(std::string_view bytes, int width) {
  const std::vector<Placed> pieces = PlacedPieces(bytes, width);
  Layout layout;
  std::size_t first = 0;  // the first piece of the current line
  while (first < pieces.size()) {
    std::size_t end = first;
    int units = 0;
    std::size_t last_blank = first;
    while (end < pieces.size()) {
      const int blank = end > first && pieces[end].after_blank ? kBlankUnits : 0;
      if (end > first && units + blank + pieces[end].units > width) break;
      if (blank != 0 && units * 10 >= width * 6) last_blank = end;
      units += blank + pieces[end].units;
      ++end;
    }
    if (end < pieces.size() && last_blank > first) end = last_blank;
    std::string line;
    for (std::size_t i = first; i < end; ++i) {
      if (i > first && pieces[i].after_blank) line.push_back(' ');
      line.append(pieces[i].text);
    }
    layout.lines.push_back(std::move(line));
    if (end < pieces.size() && pieces[end].after_blank) ++layout.breaks_at_blanks;
    first = end;
  }
  return layout;
}

int WidthUnits(double width_em) {
  return width_em >= 1 && width_em < 10000 ? static_cast<int>(width_em * kUnitsPerEm) : 0;
}
}  // namespace

int CardTextUnits(std::string_view bytes) { return Units(bytes); }

std::string WrapCardText(std::string_view bytes, double width_em) {
  const int width = WidthUnits(width_em);
  if (width == 0) return std::string(bytes);
  Layout layout = Lines(bytes, width);
  // The narrowest measure that needs no more lines and breaks at as many blanks evens the
  // lines out, as a centred name wants: 13 and 12 characters rather than 14 and 11.
  for (int narrower = width - kUnitsPerEm / 2; layout.lines.size() > 1 && narrower >= kUnitsPerEm;
       narrower -= kUnitsPerEm / 2) {
    Layout tried = Lines(bytes, narrower);
    if (tried.lines.size() != layout.lines.size() ||
        tried.breaks_at_blanks < layout.breaks_at_blanks) {
      break;
    }
    layout = std::move(tried);
  }
  std::string out;
  for (const std::string& line : layout.lines) {
    if (!out.empty()) out.push_back(kLineBreak);
    out += line;
  }
  return out;
}

int CountCardLines(std::string_view bytes, double width_em) {
  const int width = WidthUnits(width_em);
  if (width == 0) return bytes.empty() ? 0 : 1;
  return static_cast<int>(Lines(bytes, width).lines.size());
}

}  // namespace vorn
