#include "engine/qebasereport/header_tables.h"

#include <algorithm>
#include <optional>

#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/compiled_stream.h"
#include "engine/qebasereport/rtf_control_words.h"
#include "engine/qebasereport/template_scanner.h"
#include "platform/system/stream.h"

namespace vorn {

void TQeHeaderTables::Clear() {
  Fonts.clear();
  Colors.clear();
  Styles.clear();
  Info.clear();
  Lists.clear();
  ListOverrides.clear();
  ListTableSeen = false;
  ListOverrideTableSeen = false;
  FontCharsets.clear();
  ColorTableSeen = false;
  TemplateFontCount = 0;
}

namespace {
constexpr unsigned char kEnd = TemplateScanner::kEndOfTemplate;

void WriteGroup(const char* keyword, const std::vector<std::string>& entries, TStream& out) {
  out.Write(keyword);
  for (const std::string& entry : entries) out.Write(entry);
  out.Write("}");
}

// Raw \bin data may hold any byte, braces too. A font or colour table never holds any, so
// meeting one (the "b" after the backslash was just read) fails the run with the table's
// message instead of misplacing the table's end. Elsewhere (the style sheet, the information
// group) the data is passed over by its count and the entry holding it is left out, so its
// braces cannot end the table early. True when data was passed over.
bool PassBinaryData(unsigned char c, TemplateScanner& in, const char* message) {
  if (c != 'b' || in.LookAhead(2) != "in") return false;
  if (message != nullptr) throw EBadRtfFormat(message);
  return in.SkipBinaryData();
}

// The rest of a brace group whose "{" was just read, up to its matching "}"; nullopt when
// the template ends first. Escaped braces count for nothing; `binary` tells whether raw data
// was passed over.
std::optional<std::string> ReadBraceGroup(TemplateScanner& in, const char* message, bool& binary) {
  std::string group = "{";
  int64_t depth = 1;
  while (true) {
    unsigned char c = in.ReadChar();
    if (c == kEnd) return std::nullopt;
    group.push_back(static_cast<char>(c));
    if (c == '\\') {
      c = in.ReadChar();
      if (c == kEnd) return std::nullopt;
      if (PassBinaryData(c, in, message)) binary = true;
      group.push_back(static_cast<char>(c));
    } else if (c == '{') {
      ++depth;
    } else if (c == '}' && --depth == 0) {
      return group;
    }
  }
}

// How reading a table's entries ended, and where its first text outside the entries stood.
struct TableRead {
  bool closed = false;
  std::optional<int32_t> text_at;
  size_t entries_before_text = 0;
};

bool IsBlank(unsigned char c) { return c <= ' '; }

// Some writers leave out the braces around each font: such an entry runs from its "\f" and
// number to its ";", and is kept in braces like the others.
void TakeLooseFont(std::string& loose, std::vector<std::string>& entries) {
  const size_t start = loose.find("\\f");
  if (start != std::string::npos && start + 2 < loose.size() && IsAsciiDigit(loose[start + 2])) {
    entries.push_back("{" + loose.substr(start) + "}");
  }
  loose.clear();
}

// Adds each brace group of a table to `entries` up to the table's closing brace; a group
// holding raw data is dropped. Text outside the groups is a font without braces when
// `loose_fonts`, else dropped.
TableRead ReadGroupEntries(TemplateScanner& in, std::vector<std::string>& entries,
                           const char* message, bool loose_fonts = false) {
  TableRead read;
  std::string loose;
  int32_t after_entry = in.TemplatePos();
  while (true) {
    const unsigned char c = in.ReadChar();
    if (c == kEnd) return read;
    if (c == '}') {
      read.closed = true;
      return read;
    }
    if (c == '{') {
      bool binary = false;
      std::optional<std::string> group = ReadBraceGroup(in, message, binary);
      if (!group) return read;
      if (!binary) entries.push_back(std::move(*group));
      after_entry = in.TemplatePos();
      continue;
    }
    if (!IsBlank(c) && !read.text_at) {
      read.text_at = after_entry;
      read.entries_before_text = entries.size();
    }
    if (loose_fonts && (!loose.empty() || c == '\\')) loose.push_back(static_cast<char>(c));
    if (c == '\\') {
      const unsigned char escaped = in.ReadChar();
      if (escaped == kEnd) return read;
      PassBinaryData(escaped, in, message);
      if (!loose.empty()) loose.push_back(static_cast<char>(escaped));
    } else if (c == ';' && !loose.empty()) {
      TakeLooseFont(loose, entries);
    }
  }
}

// A table of brace groups alone (the style sheet, the information group) that runs to the end
// of the template took the document's closing brace, or the end came first: text outside its
// entries is then body text, and the table ends before it so that the body is read again.
void ReadEntryTable(TemplateScanner& in, std::vector<std::string>& entries) {
  const TableRead read = ReadGroupEntries(in, entries, nullptr);
  if (!read.text_at || (read.closed && !in.TookEnclosingBrace())) return;
  entries.resize(read.entries_before_text);
  in.MoveTo(*read.text_at);
}

// The number after "\f" at the entry's start and the one after "fcharset", when both stand.
std::optional<std::pair<int32_t, int>> FontCharset(std::string_view entry) {
  constexpr std::string_view kWord = "fcharset";
  if (entry.substr(0, 3) != "{\\f" || entry.size() < 4 || !IsAsciiDigit(entry[3]))
    return std::nullopt;
  const size_t at = entry.find(kWord);
  if (at == std::string_view::npos) return std::nullopt;
  int32_t font = 0;
  for (size_t i = 3; i < entry.size() && IsAsciiDigit(entry[i]) && font < 1000000; ++i) {
    font = font * 10 + (entry[i] - '0');
  }
  int charset = 0;
  for (size_t i = at + kWord.size(); i < entry.size() && IsAsciiDigit(entry[i]) && charset < 1000;
       ++i) {
    charset = charset * 10 + (entry[i] - '0');
  }
  return std::pair{font, charset};
}

// The entry with the number after its "fcharset" replaced by `charset`, if one is given.
std::string RewriteCharset(const std::string& entry, std::optional<uint8_t> charset) {
  constexpr std::string_view kWord = "fcharset";
  const size_t at = entry.find(kWord);
  if (at == std::string::npos) return entry;
  size_t digits_end = at + kWord.size();
  while (digits_end < entry.size() && IsAsciiDigit(entry[digits_end])) ++digits_end;
  if (digits_end == at + kWord.size()) {
    throw EBadRtfFormat("Can't read font table from input file");
  }
  if (!charset) return entry;
  return entry.substr(0, at + kWord.size()) + std::to_string(*charset) + entry.substr(digits_end);
}

// The number after the first `word` in `entry`, at most 255; 0 when absent or without digits.
int ColorPart(std::string_view entry, std::string_view word) {
  const size_t at = entry.find(word);
  if (at == std::string_view::npos) return 0;
  int value = 0;
  for (size_t i = at + word.size(); i < entry.size() && IsAsciiDigit(entry[i]); ++i) {
    value = std::min(value * 10 + (entry[i] - '0'), 255);
  }
  return value;
}

}  // namespace

void TQeHeaderTables::WriteTable(int32_t table_type, TStream& out) const {
  switch (table_type) {
    case rkFontTable:
      WriteGroup("{\\fonttbl", Fonts, out);
      if (!ColorTableSeen && !Colors.empty()) WriteGroup("{\\colortbl", Colors, out);
      if (!ListTableSeen && !Lists.empty()) WriteTable(rkListTable, out);
      break;
    case rkListTable:
      WriteGroup("{\\*\\listtable", Lists, out);
      if (!ListOverrideTableSeen && !ListOverrides.empty()) WriteTable(rkListOverrideTable, out);
      break;
    case rkListOverrideTable:
      WriteGroup("{\\*\\listoverridetable", ListOverrides, out);
      break;
    case rkAddedFonts:
      for (size_t i = TemplateFontCount; i < Fonts.size(); ++i) out.Write(Fonts[i]);
      break;
    case rkColorTable:
      WriteGroup("{\\colortbl", Colors, out);
      break;
    case rkStyleSheet:
      WriteGroup("{\\stylesheet", Styles, out);
      break;
    default:
      break;  // the information group is not carried into the output
  }
}

void TQeHeaderTables::ReadFontTable(TemplateScanner& in, std::optional<uint8_t> charset) {
  constexpr const char* kMessage = "Can't read font table from input file";
  std::vector<std::string> entries;
  if (!ReadGroupEntries(in, entries, kMessage, true).closed) throw EBadRtfFormat(kMessage);
  for (const std::string& entry : entries) {
    if (auto font = FontCharset(entry)) FontCharsets.push_back(*font);
    Fonts.push_back(RewriteCharset(entry, charset));
  }
  TemplateFontCount = Fonts.size();
}

void TQeHeaderTables::ReadColorTable(TemplateScanner& in) {
  std::string table;
  int64_t depth = 1;
  while (true) {
    unsigned char c = in.ReadChar();
    if (c == kEnd) throw EBadRtfFormat("Can't read color table from input file");
    if (c == '\\') {
      table.push_back('\\');
      c = in.ReadChar();
      if (c == kEnd) throw EBadRtfFormat("Can't read color table from input file");
      PassBinaryData(c, in, "Can't read color table from input file");
    } else if (c == '{') {
      ++depth;
    } else if (c == '}' && --depth == 0) {
      break;
    }
    table.push_back(static_cast<char>(c));
  }
  SetColorsFromTable(table);
}

// Each ";" ends one colour, so a colour lacking a part gets 0 there and never takes the
// part of its neighbour; an entry without colour parts is the auto colour and keeps its
// number.
void TQeHeaderTables::SetColorsFromTable(std::string_view table) {
  size_t begin = 0;
  while (begin < table.size()) {
    size_t end = table.find(';', begin);
    const bool terminated = end != std::string_view::npos;
    if (!terminated) end = table.size();
    const std::string_view entry = table.substr(begin, end - begin);
    const bool has_color = entry.find("red") != std::string_view::npos ||
                           entry.find("green") != std::string_view::npos ||
                           entry.find("blue") != std::string_view::npos;
    if (has_color) {
      Colors.push_back(
          ColorEntry(ColorPart(entry, "red"), ColorPart(entry, "green"), ColorPart(entry, "blue")));
    } else if (terminated) {
      Colors.push_back(";");
    }
    begin = end + 1;
  }
  ColorTableSeen = true;
}

void TQeHeaderTables::ReadStyleSheet(TemplateScanner& in) { ReadEntryTable(in, Styles); }

void TQeHeaderTables::ReadInfo(TemplateScanner& in) { ReadEntryTable(in, Info); }

void TQeHeaderTables::ReadListTable(TemplateScanner& in) {
  ReadEntryTable(in, Lists);
  ListTableSeen = true;
}

void TQeHeaderTables::ReadListOverrideTable(TemplateScanner& in) {
  ReadEntryTable(in, ListOverrides);
  ListOverrideTableSeen = true;
}

int TQeHeaderTables::AddColor(std::string_view entry) {
  const auto found = std::find(Colors.begin(), Colors.end(), entry);
  if (found != Colors.end()) return static_cast<int>(found - Colors.begin());
  if (Colors.empty()) Colors.emplace_back(";");
  Colors.emplace_back(entry);
  return static_cast<int>(Colors.size() - 1);
}

std::string TQeHeaderTables::ColorEntry(int red, int green, int blue) {
  return "\\red" + std::to_string(red) + "\\green" + std::to_string(green) + "\\blue" +
         std::to_string(blue) + ";";
}

}  // namespace vorn
