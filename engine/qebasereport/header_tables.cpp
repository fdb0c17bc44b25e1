#include "engine/qebasereport/header_tables.h"

#include <algorithm>
#include <optional>

#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/compiled_stream.h"
#include "engine/qebasereport/rtf_walker.h"
#include "engine/qebasereport/template_scanner.h"
#include "platform/system/stream.h"
#include "platform/text/ascii_text.h"

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
  FontTableRest.clear();
}

namespace {
void WriteGroup(const char* keyword, const std::vector<std::string>& entries, TStream& out) {
  out.Write(keyword);
  for (const std::string& entry : entries) out.Write(entry);
  out.Write("}");
}

// The scanner reads its header tables passing over bytes below 32 other than TAB and LF, so a
// backslash escapes the next byte that is none.
constexpr RtfReading kTableReading{.bin_data = true, .skip_control_bytes = true};

bool IsSkippedByte(unsigned char c) { return c < 32 && c != '\t' && c != '\n'; }

// The bytes of `raw` the scanner reads: line feeds inside a font entry stay, carriage returns go.
std::string Readable(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (const char c : raw) {
    if (!IsSkippedByte(static_cast<unsigned char>(c))) out.push_back(c);
  }
  return out;
}

bool IsEscape(const RtfToken& token) {
  return token.Is(RtfTokenKind::kWord) || token.Is(RtfTokenKind::kSymbol) ||
         token.Is(RtfTokenKind::kBinData);
}

// Whether the escape reads as \bin to the scanner's look-ahead: a "b" escaped, then "in" with
// every byte below 32 but TAB passed over.
bool LooksLikeBin(std::string_view text, const RtfToken& token) {
  size_t at = token.pos + 1;
  while (at < text.size() && IsSkippedByte(static_cast<unsigned char>(text[at]))) ++at;
  if (at >= text.size() || text[at] != 'b') return false;
  for (const char expected : {'i', 'n'}) {
    ++at;
    while (at < text.size() && static_cast<unsigned char>(text[at]) < 32 && text[at] != '\t') ++at;
    if (at >= text.size() || text[at] != expected) return false;
  }
  return true;
}

// The tokens of a header table from the scanner's position after its keyword. Raw \bin data
// may hold any byte, braces too. A font or colour table never holds any, so with a `message`
// meeting something that reads as \bin fails the run with the table's message instead of
// misplacing the table's end. Elsewhere (the style sheet, the information group, the list
// tables) the data is passed over by its count and the entry holding it is left out, so its
// braces cannot end the table early.
class TableTokens {
 public:
  TableTokens(TemplateScanner& in, const char* message)
      : in_(in),
        text_(in.Text()),
        walker_(text_, static_cast<size_t>(in.TemplatePos() - 1), kTableReading),
        message_(message) {}
  // Gives the scanner back its position after the last token read.
  ~TableTokens() { in_.MoveTo(ScannerPos()); }
  TableTokens(const TableTokens&) = delete;
  TableTokens& operator=(const TableTokens&) = delete;

  RtfToken Next() {
    RtfToken token = walker_.Next();
    if (message_ != nullptr && IsEscape(token) && LooksLikeBin(text_, token)) {
      throw EBadRtfFormat(message_);
    }
    return token;
  }
  // The rest of the group whose "{" was just read, up to its matching "}": whether raw data was
  // passed over in it, nullopt when the template ends first.
  std::optional<bool> SkipGroup() {
    bool binary = false;
    for (int64_t depth = 1; depth > 0;) {
      const RtfToken token = Next();
      if (token.Is(RtfTokenKind::kEnd) || EndsTemplate(token)) return std::nullopt;
      if (token.Is(RtfTokenKind::kBinData)) binary = true;
      if (token.Is(RtfTokenKind::kGroupStart)) ++depth;
      if (token.Is(RtfTokenKind::kGroupEnd)) --depth;
    }
    return binary;
  }
  // A backslash with nothing after it.
  static bool EndsTemplate(const RtfToken& token) {
    return token.Is(RtfTokenKind::kSymbol) && token.symbol == 0;
  }
  std::string_view Text() const { return text_; }
  size_t Position() const { return walker_.Position(); }
  int32_t ScannerPos() const { return static_cast<int32_t>(walker_.Position() + 1); }

 private:
  TemplateScanner& in_;
  std::string_view text_;
  RtfWalker walker_;
  const char* message_;
};

// How reading a table's entries ended, where its first text outside the entries stood, and the
// stretches of it that made no font.
struct TableRead {
  bool closed = false;
  std::optional<int32_t> text_at;
  size_t entries_before_text = 0;
  std::string rest;
};

// Some writers leave out the braces around each font: such an entry runs from its "\f" and
// number to its ";", and is kept in braces like the others. A stretch that makes no font is
// the table's rest.
void TakeLooseFont(std::string& loose, std::vector<std::string>& entries, std::string& rest) {
  const size_t start = loose.find("\\f");
  if (start != std::string::npos && start + 2 < loose.size() && IsAsciiDigit(loose[start + 2])) {
    entries.push_back("{" + loose.substr(start) + "}");
  } else {
    rest += loose;
  }
  loose.clear();
}

// What a table keeps of the text outside its entries.
enum class TableText { kDropped, kLooseFonts, kInPlace };

// The text of a table outside its entries: where the first of it stands, and as `kind` says the
// fonts written without braces (from a backslash to a ";") and the table's rest, or the text
// where it stands among the entries.
class OutsideText {
 public:
  OutsideText(TableRead& read, std::vector<std::string>& entries, TableText kind)
      : read_(read), entries_(entries), kind_(kind) {}

  void Add(const RtfToken& token, std::string_view text, int32_t after_entry) {
    if (!read_.text_at &&
        (!token.Is(RtfTokenKind::kText) || !TrimControl(token.In(text)).empty())) {
      read_.text_at = after_entry;
      read_.entries_before_text = entries_.size();
    }
    if (kind_ == TableText::kInPlace) between_ += Readable(token.In(text));
    if (kind_ != TableText::kLooseFonts) return;
    if (!token.Is(RtfTokenKind::kText)) {
      loose_ += Readable(token.In(text));
      return;
    }
    for (const char c : token.In(text)) {
      if (IsSkippedByte(static_cast<unsigned char>(c)) || loose_.empty()) continue;
      loose_.push_back(c);
      if (c == ';') TakeLooseFont(loose_, entries_, read_.rest);
    }
  }
  // An entry, after the text that stood before it when that is more than line breaks.
  void AddEntry(std::string entry) { entries_.push_back(TakeBetween() + entry); }
  // The table's closing brace: a stretch it ends in without its ";", or the text after its last
  // entry.
  void Finish() {
    read_.rest += loose_;
    loose_.clear();
    if (!entries_.empty()) entries_.back() += TakeBetween();
  }

 private:
  // Line breaks between entries mean nothing to any reader; other text some readers show.
  std::string TakeBetween() {
    std::string between = std::move(between_);
    between_.clear();
    if (between.find_first_not_of("\r\n") == std::string::npos) return {};
    return between;
  }

  TableRead& read_;
  std::vector<std::string>& entries_;
  TableText kind_;
  std::string loose_;
  std::string between_;
};

// Adds each brace group of a table to `entries` up to the table's closing brace; a group
// holding raw data is dropped. Text outside the groups is kept as `kind` says.
TableRead ReadGroupEntries(TemplateScanner& in, std::vector<std::string>& entries,
                           const char* message, TableText kind) {
  TableRead read;
  OutsideText text(read, entries, kind);
  TableTokens tokens(in, message);
  int32_t after_entry = in.TemplatePos();
  while (true) {
    const RtfToken token = tokens.Next();
    if (token.Is(RtfTokenKind::kEnd)) return read;
    if (token.Is(RtfTokenKind::kGroupEnd)) {
      read.closed = true;
      text.Finish();
      return read;
    }
    if (token.Is(RtfTokenKind::kGroupStart)) {
      const std::optional<bool> binary = tokens.SkipGroup();
      if (!binary) return read;
      if (!*binary) {
        text.AddEntry(Readable(tokens.Text().substr(token.pos, tokens.Position() - token.pos)));
      }
      after_entry = tokens.ScannerPos();
      continue;
    }
    text.Add(token, tokens.Text(), after_entry);
    if (TableTokens::EndsTemplate(token)) return read;
  }
}

// A table of brace groups alone (the style sheet, the information group) that runs to the end
// of the template took the document's closing brace, or the end came first: text outside its
// entries is then body text, and the table ends before it so that the body is read again.
void ReadEntryTable(TemplateScanner& in, std::vector<std::string>& entries,
                    TableText kind = TableText::kDropped) {
  const TableRead read = ReadGroupEntries(in, entries, nullptr, kind);
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
      WriteFontTable(out);
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

void TQeHeaderTables::WriteFontTable(TStream& out) const {
  const size_t own = std::min(TemplateFontCount, Fonts.size());
  out.Write("{\\fonttbl");
  for (size_t i = 0; i < own; ++i) out.Write(Fonts[i]);
  out.Write(FontTableRest);
  for (size_t i = own; i < Fonts.size(); ++i) out.Write(Fonts[i]);
  out.Write("}");
}

void TQeHeaderTables::ReadFontTable(TemplateScanner& in, std::optional<uint8_t> charset) {
  std::vector<std::string> entries;
  const TableRead read = ReadGroupEntries(in, entries, "Can't read font table from input file",
                                          TableText::kLooseFonts);
  if (!read.closed) throw EBadRtfFormat("Can't read font table from input file");
  for (const std::string& entry : entries) {
    if (auto font = FontCharset(entry)) FontCharsets.push_back(*font);
    Fonts.push_back(RewriteCharset(entry, charset));
  }
  TemplateFontCount = Fonts.size();
  FontTableRest = read.rest;
}

void TQeHeaderTables::ReadColorTable(TemplateScanner& in) {
  std::string table;
  {
    TableTokens tokens(in, "Can't read color table from input file");
    const size_t start = tokens.Position();
    if (!tokens.SkipGroup()) throw EBadRtfFormat("Can't read color table from input file");
    // Up to the closing brace, which SkipGroup read last.
    table = Readable(tokens.Text().substr(start, tokens.Position() - 1 - start));
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
  // Some readers show the text between the lists, as Google Docs indents them with.
  ReadEntryTable(in, Lists, TableText::kInPlace);
  ListTableSeen = true;
}

void TQeHeaderTables::ReadListOverrideTable(TemplateScanner& in) {
  ReadEntryTable(in, ListOverrides, TableText::kInPlace);
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
