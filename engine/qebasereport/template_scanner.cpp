#include "engine/qebasereport/template_scanner.h"

#include <algorithm>
#include <array>

#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/base_rtf_report.h"
#include "engine/qebasereport/quote_rules.h"
#include "engine/qebasereport/rtf_walker.h"
#include "engine/qebasereport/tag_codec.h"
#include "platform/text/code_page.h"

namespace vorn {

namespace {
bool IsLineBreak(unsigned char c) { return c == '\r' || c == '\n'; }
// Trail bytes of the double-byte code pages start at 0x40.
bool CanBeTrailByte(unsigned char c) { return c >= 0x40 && c != 0x7F; }
unsigned char Upper(unsigned char c) {
  return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}
// ReadChar passes over these; LookAhead also over line feeds.
bool ReadSkips(unsigned char c) { return c < 32 && c != 9 && c != 10; }
bool LookSkips(unsigned char c) { return c < 32 && c != 9; }

constexpr std::array<std::string_view, 7> kParagraphWords = {"TROWD", "ROW",  "CELL", "PAGE",
                                                             "SECT",  "LINE", "PAR"};

}  // namespace

TemplateScanner::TemplateScanner(TQeBaseRTFReport& report) : report_(report) {
  report_.SetTemplateCursor(this);
}

TemplateScanner::~TemplateScanner() {
  if (report_.Cursor() == this) report_.SetTemplateCursor(nullptr);
}

void TemplateScanner::EndCommand() {
  if (last_break_pos_ == -1) last_break_pos_ = tag_start_pos_;
}

bool TemplateScanner::AtEnd() const { return pos_ > report_.TemplateLength(); }

unsigned char TemplateScanner::ReadChar() {
  int32_t& pos = pos_;
  while (pos <= report_.TemplateLength()) {
    const unsigned char c = report_.TemplateByte(pos++);
    if (!ReadSkips(c)) return c;
  }
  return kEndOfTemplate;
}

int32_t TemplateScanner::PeekPosition(int index) const {
  int32_t pos = pos_;
  const int32_t length = report_.TemplateLength();
  for (; pos <= length; ++pos) {
    if (LookSkips(report_.TemplateByte(pos))) continue;
    if (index-- == 0) return pos;
  }
  return length + 1;
}

unsigned char TemplateScanner::Peek(int index) const {
  const int32_t pos = PeekPosition(index);
  return pos <= report_.TemplateLength() ? report_.TemplateByte(pos) : kEndOfTemplate;
}

std::string TemplateScanner::LookAhead(int count) const {
  std::string out;
  for (int i = 0; i < count; ++i) out.push_back(static_cast<char>(Peek(i)));
  return out;
}

bool TemplateScanner::FollowedBy(std::string_view upper_text, WordEnd end) const {
  int32_t pos = pos_;
  const int32_t length = report_.TemplateLength();
  size_t matched = 0;
  for (; pos <= length; ++pos) {
    const unsigned char c = report_.TemplateByte(pos);
    if (matched == upper_text.size()) {
      // A line break ends a control word even though look-ahead passes over it.
      if (end == WordEnd::kAny || LookSkips(c)) return true;
      return !IsAsciiLetter(c) && (end == WordEnd::kNoLetter || !IsAsciiDigit(c));
    }
    if (LookSkips(c)) continue;
    if (Upper(c) != static_cast<unsigned char>(upper_text[matched])) return false;
    ++matched;
  }
  return matched == upper_text.size();
}

void TemplateScanner::Advance(int count) {
  int32_t& pos = pos_;
  const int32_t length = report_.TemplateLength();
  while (count > 0 && pos <= length) {
    if (!LookSkips(report_.TemplateByte(pos))) --count;
    ++pos;
  }
}

std::string_view TemplateScanner::Text() const {
  return report_.TemplateText(1, report_.TemplateLength() + 1);
}

std::optional<ControlWord> TemplateScanner::WordAt(int64_t backslash) const {
  if (!IsAsciiLetter(RawByteAt(backslash + 1))) return std::nullopt;
  return ReadControlWord(Text(), static_cast<size_t>(backslash - 1));
}

int64_t TemplateScanner::BinDataEndAt(int64_t backslash, const ControlWord& word) const {
  return static_cast<int64_t>(BinDataEnd(Text(), static_cast<size_t>(backslash - 1), word)) + 1;
}

bool TemplateScanner::BinaryDataFollows() const {
  const std::optional<ControlWord> word = WordAt(pos_ - 1);
  return word && AnnouncesBinData(*word);
}

bool TemplateScanner::LineBreakSymbolFollows() const { return IsLineBreak(RawByteAt(pos_)); }

int TemplateScanner::DoubleByteRest(unsigned char c) const {
  const CodePage code_page = code_pages_.Current();
  if (!code_page.IsDoubleByte()) return 0;
  const bool escaped = c == '\\';
  int rest = 0;
  if (escaped) {
    if (RawByteAt(pos_) != '\'' || !IsHexDigit(Peek(1)) || !IsHexDigit(Peek(2))) {
      return 0;
    }
    const auto lead =
        static_cast<unsigned char>(HexDigitValue(Peek(1)) * 16 + HexDigitValue(Peek(2)));
    if (!IsLeadByte(lead, code_page)) return 0;
    rest = 3;
  } else if (!IsLeadByte(c, code_page)) {
    return 0;
  }
  const unsigned char trail = Peek(rest);
  if (trail == '\\') {
    if (Peek(rest + 1) == '\'' && IsHexDigit(Peek(rest + 2)) && IsHexDigit(Peek(rest + 3))) {
      return rest + 4;
    }
    // After an escaped lead byte only an escaped symbol is a trail; a control word is RTF.
    // After a raw one the raw backslash is the trail itself, unless a reader that knows no
    // double-byte text would read a brace, a backslash or raw data from it: the document's
    // groups must stay the same to both.
    if (!escaped) {
      const unsigned char after = Peek(rest + 1);
      const std::optional<ControlWord> word = WordAt(PeekPosition(rest));
      const bool binary = word && AnnouncesBinData(*word);
      return after == '{' || after == '}' || after == '\\' || binary ? rest : rest + 1;
    }
    const unsigned char symbol = Peek(rest + 1);
    return symbol == '\\' || symbol == '{' || symbol == '}' ? rest + 2 : rest;
  }
  return CanBeTrailByte(trail) && trail != '{' && trail != '}' ? rest + 1 : rest;
}

void TemplateScanner::NoteControlWord(const ControlWord& word) {
  code_pages_.NoteWord(word.name.substr(1), word.has_param, word.param);
}

int TemplateScanner::DelimiterLength() const {
  if (LineBreakSymbolFollows()) return 0;
  // A visible backslash right before "*" is text, never a delimiter.
  if (Peek(0) == '\\') return Peek(1) == '*' ? 0 : 2;
  if (FollowedBy("'5C", WordEnd::kAny)) return Peek(3) == '*' ? 0 : 4;
  return 0;
}

bool TemplateScanner::ParagraphWordFollows() const {
  if (LineBreakSymbolFollows()) return true;
  return std::any_of(kParagraphWords.begin(), kParagraphWords.end(),
                     [this](std::string_view word) { return WordFollows(word); });
}

bool TemplateScanner::VerbatimGroupFollows() const {
  return WordFollows("\\FIELD") || WordFollows("\\PICT") || WordFollows("\\OBJECT");
}

bool TemplateScanner::HeaderGroupFollows() const { return HeaderGroupKind() != 0; }

std::optional<std::string> TemplateScanner::NextTag() {
  while (true) {
    const int32_t before = pos_;
    const unsigned char c = ReadChar();
    if (c == kEndOfTemplate) {
      // Bytes passed over at the very end still belong to the copied text.
      if (pos_ > before) report_.WriteTextRecord();
      return std::nullopt;
    }
    const int32_t at = pos_ - 1;
    if (const int rest = DoubleByteRest(c); rest > 0) {
      // A trail byte belongs to its character: it is never RTF syntax, nor half a delimiter.
      Advance(rest);
    } else if (c == '\\' && LineBreakSymbolFollows()) {
      last_break_pos_ = at;
    } else if (const std::optional<ControlWord> word = c == '\\' ? WordAt(at) : std::nullopt;
               word && AnnouncesBinData(*word)) {
      // Raw data is copied as it stands, as a group is: a tag in it would change the length
      // its count gives, and braces in it are no structure.
      pos_ = at;
      report_.WriteTextRecord();
      pos_ = static_cast<int32_t>(BinDataEndAt(at, *word));
      report_.WriteVerbatimGroup();
      continue;
    } else if (c == '\\') {
      if (ParagraphWordFollows()) last_break_pos_ = at;
      if (WordFollows("TROWD")) {
        StartRow(at, at > before);
        continue;
      }
      if (WordFollows("ROW")) {
        EndRow();
        continue;
      }
      if (const int delimiter = DelimiterLength(); delimiter > 0) {
        tag_start_pos_ = at;
        return CollectTag(delimiter);
      }
      if (word) NoteControlWord(*word);
      // An escaped brace or a visible backslash before "*" is text as a whole.
      if (Peek(0) == '{' || Peek(0) == '}' || Peek(0) == '\\') Advance(1);
    } else if (c == '{') {
      if (ReadHeaderGroup()) continue;
      if (VerbatimGroupFollows()) {
        SkipVerbatimGroup();
        continue;
      }
      code_pages_.OpenGroup();
    } else if (c == '}') {
      code_pages_.CloseGroup();
    }
    report_.WriteTextRecord();
  }
}

int32_t TemplateScanner::HeaderGroupKind() const {
  if (WordFollows("\\FONTTBL")) return rkFontTable;
  if (WordFollows("\\COLORTBL")) return rkColorTable;
  if (WordFollows("\\STYLESHEET")) return rkStyleSheet;
  if (WordFollows("\\INFO")) return rkInfo;
  if (WordFollows("\\*\\LISTTABLE")) return rkListTable;
  if (WordFollows("\\*\\LISTOVERRIDETABLE")) return rkListOverrideTable;
  return 0;
}

bool TemplateScanner::ReadHeaderGroup() {
  const int32_t kind = HeaderGroupKind();
  if (kind == 0) return false;
  // The report's tables are the first of each kind; a later one (such as the twin of the font
  // table that a \upr group carries for Unicode readers) stays as the document has it, a later
  // font table with the run's added fonts at its end, since a reader of the twin needs them.
  const auto seen = std::find(tables_seen_.begin(), tables_seen_.end(), kind);
  if (kind != rkInfo && seen != tables_seen_.end()) {
    if (kind == rkFontTable) {
      CopyFontTableTwin();
    } else {
      SkipVerbatimGroup();
    }
    return true;
  }
  tables_seen_.push_back(kind);
  table_depth_ = GroupDepthAt(pos_ - 1);
  // Nothing of the information group is written, so a control word before it would run into
  // the text after it.
  const bool needs_delimiter = kind == rkInfo && EndsInOpenWord(report_.TemplateText(1, pos_ - 1));
  TQeHeaderTables& tables = report_.HeaderTables;
  switch (kind) {
    case rkFontTable:
      Advance(8);
      tables.ReadFontTable(*this, report_.FontCharset());
      for (const auto& [font, charset] : tables.FontCharsets) {
        code_pages_.SetFontCharset(font, charset);
      }
      break;
    case rkColorTable:
      Advance(9);
      tables.ReadColorTable(*this);
      break;
    case rkStyleSheet:
      Advance(11);
      tables.ReadStyleSheet(*this);
      break;
    case rkListTable:
      Advance(12);
      tables.ReadListTable(*this);
      break;
    case rkListOverrideTable:
      Advance(20);
      tables.ReadListOverrideTable(*this);
      break;
    default:
      Advance(5);
      tables.ReadInfo(*this);
      break;
  }
  CheckTableClosedBefore(kind);
  report_.Stream().WriteEmpty(kind, pos_);
  if (needs_delimiter) report_.WriteLiteral(" ");
  return true;
}

void TemplateScanner::MoveTo(int32_t position) { pos_ = position; }

int64_t TemplateScanner::GroupDepthAt(int32_t end) {
  if (end < depth_pos_) {
    depth_pos_ = 1;
    depth_ = 0;
  }
  // Counted as any reader counts: escaped braces and raw data are no structure.
  RtfWalker walker(Text(), static_cast<size_t>(depth_pos_ - 1));
  int64_t pos = depth_pos_;
  while (pos < end) {
    const RtfToken token = walker.Next();
    if (token.Is(RtfTokenKind::kEnd)) break;
    if (token.Is(RtfTokenKind::kGroupStart)) ++depth_;
    if (token.Is(RtfTokenKind::kGroupEnd)) --depth_;
    pos = static_cast<int64_t>(token.end) + 1;
  }
  depth_pos_ = static_cast<int32_t>(std::min<int64_t>(pos, end));
  return depth_;
}

bool TemplateScanner::TookEnclosingBrace() const {
  if (table_depth_ <= 0) return false;
  for (int32_t pos = pos_; pos <= report_.TemplateLength(); ++pos) {
    if (report_.TemplateByte(pos) > ' ') return false;
  }
  return true;
}

void TemplateScanner::CheckTableClosedBefore(int32_t kind) const {
  if (!TookEnclosingBrace()) return;
  if (kind == rkFontTable) throw EBadRtfFormat("Can't read font table from input file");
  if (kind == rkColorTable) throw EBadRtfFormat("Can't read color table from input file");
}

unsigned char TemplateScanner::RawByteAt(int64_t p) const {
  return p <= report_.TemplateLength() ? report_.TemplateByte(static_cast<int32_t>(p)) : 0;
}

void TemplateScanner::SkipVerbatimGroup() {
  pos_ = GroupEnd();
  report_.WriteVerbatimGroup();
}

int32_t TemplateScanner::GroupEnd(bool* closed) const {
  // Escaped braces count for nothing, nor do braces in raw data.
  RtfWalker walker(Text(), static_cast<size_t>(pos_ - 1));
  int64_t depth = 1;
  while (depth > 0) {
    const RtfToken token = walker.Next();
    if (token.Is(RtfTokenKind::kEnd)) break;
    if (token.Is(RtfTokenKind::kGroupStart)) ++depth;
    if (token.Is(RtfTokenKind::kGroupEnd)) --depth;
  }
  // A group left open runs to the end of the template, copied unchanged.
  if (closed != nullptr) *closed = depth == 0;
  return static_cast<int32_t>(walker.Position() + 1);
}

void TemplateScanner::CopyFontTableTwin() {
  bool closed = false;
  const int32_t after = GroupEnd(&closed);
  // A table left open is copied to the end as it stands.
  if (!closed) return SkipVerbatimGroup();
  pos_ = after - 1;  // its closing brace
  report_.WriteVerbatimGroup();
  report_.Stream().WriteEmpty(rkAddedFonts, pos_);
  pos_ = after;
  report_.WriteVerbatimGroup();
}

void TemplateScanner::StartRow(int32_t backslash_pos, bool bytes_skipped) {
  const int32_t after = pos_;
  pos_ = backslash_pos;
  // Bytes passed over right before the row mark stay with the text in front of it.
  if (bytes_skipped) report_.WriteTextRecord();
  report_.WriteRowStart();
  pos_ = after;
  report_.WriteTextRecord();
  in_row_ = true;
}

void TemplateScanner::EndRow() {
  Advance(3);
  report_.WriteTextRecord();
  report_.WriteRowEnd();
  in_row_ = false;
}

std::optional<std::string> TemplateScanner::CollectTag(int delimiter_length) {
  Advance(delimiter_length - 1);
  const int32_t resume = pos_;
  std::string text;
  int count = 0;
  quote_opener_ = 0;
  bool closed = false;
  while (count < kMaxTagLength && !AtEnd()) {
    const unsigned char c = ReadChar();
    if (c == kEndOfTemplate) break;
    if (const int rest = DoubleByteRest(c); rest > 0) {
      text.push_back(static_cast<char>(c));
      for (int i = 0; i < rest; ++i) text.push_back(static_cast<char>(Peek(i)));
      Advance(rest);
      count += rest + 1;
      continue;
    }
    if (c == '\\' && BinaryDataFollows()) break;
    if (TakeQuoteToken(c, text, count)) continue;
    // No tag is ever found inside a picture, field or object group, quoted or not.
    if (c == '{' && (VerbatimGroupFollows() || HeaderGroupFollows())) break;
    if (quote_opener_ == 0) {
      if (c == '\\' && ParagraphWordFollows()) break;
      if (c == '\\') {
        if (const int delimiter = DelimiterLength(); delimiter > 0) {
          Advance(delimiter - 1);
          closed = true;
          break;
        }
      }
    }
    AppendTagByte(c, text, count);
  }
  quote_opener_ = 0;
  if (closed) return text;
  pos_ = resume;
  report_.WriteTextRecord();
  return std::nullopt;
}

// Opens or closes a quote when `c` begins one of the forms the quote state allows.
bool TemplateScanner::TakeQuoteToken(unsigned char c, std::string& text, int& count) {
  auto begins = [&](std::string_view token) {
    if (token.size() == 1) return c == static_cast<unsigned char>(token[0]);
    if (c != '\\' || LineBreakSymbolFollows()) return false;
    std::string upper;
    for (const char t : token.substr(1)) upper.push_back(static_cast<char>(Upper(t)));
    return FollowedBy(upper, token[1] == '\'' ? WordEnd::kAny : WordEnd::kNoLetter);
  };
  const QuoteForm* found = nullptr;
  for (const QuoteForm& form : kQuoteForms) {
    const bool allowed =
        quote_opener_ == 0 || (form.closes && ClosesQuote(quote_opener_, form.byte));
    if (allowed && begins(form.token)) {
      found = &form;
      break;
    }
  }
  if (found == nullptr) return false;
  const bool opening = quote_opener_ == 0;
  if (opening) opened_by_word_ = found->IsWord();
  text.append(found->token);
  Advance(static_cast<int>(found->token.size()) - 1);
  count += static_cast<int>(found->token.size());
  // A quote opened by a control word takes a blank after either of its marks.
  if (opened_by_word_ && Peek(0) == ' ') {
    Advance(1);
    text.push_back(' ');
    ++count;
  }
  quote_opener_ = opening ? found->byte : 0;
  return true;
}

void TemplateScanner::AppendTagByte(unsigned char c, std::string& text, int& count) {
  text.push_back(static_cast<char>(c));
  ++count;
  if (c != '\\' || LineBreakSymbolFollows()) return;
  int extra = 0;
  if (Peek(0) == '\'' && IsHexDigit(Peek(1)) && IsHexDigit(Peek(2))) {
    extra = 3;
  } else if (Peek(0) == '~') {
    extra = 1;
  } else if (quote_opener_ != 0) {
    // Inside a quote a delimiter is part of the string, as it was written.
    extra = std::max(DelimiterLength() - 1, 0);
  }
  for (int i = 0; i < extra; ++i) text.push_back(static_cast<char>(Peek(i)));
  Advance(extra);
  count += extra;
}

CommandParagraph TemplateScanner::TakeCommandParagraph() {
  const int32_t break_pos = last_break_pos_;
  const int32_t tag_start = tag_start_pos_;
  if (break_pos >= 0 && break_pos < tag_start) {
    // A stretch too long to check is treated as holding text: the paragraph stays.
    if (tag_start - break_pos > kMaxTagLength) return {};
    if (HasPlainText(report_.TemplateText(break_pos, tag_start))) return {};
  }
  const int32_t start = pos_;
  std::optional<std::string> read = ReadToParagraphMark();
  if (!read || HasPlainText(*read)) {
    pos_ = start;
    return {};
  }
  last_break_pos_ = pos_ - 1;
  if (LineBreakSymbolFollows()) {
    ++pos_;
  } else {
    Advance(3);
    if (Peek(0) == ' ') Advance(1);
  }
  return {true, std::move(*read)};
}

// The bytes from the read position up to the backslash of the next "\par", leaving the
// position after that backslash; nullopt when a table mark, a verbatim group, the
// length limit or the end of the template comes first.
std::optional<std::string> TemplateScanner::ReadToParagraphMark() {
  std::string read;
  while (static_cast<int>(read.size()) < kMaxTagLength) {
    const unsigned char c = ReadChar();
    if (c == kEndOfTemplate) return std::nullopt;
    if (c == '{' && (VerbatimGroupFollows() || HeaderGroupFollows())) return std::nullopt;
    if (const int rest = DoubleByteRest(c); rest > 0) {
      read.push_back(static_cast<char>(c));
      for (int i = 0; i < rest; ++i) read.push_back(static_cast<char>(Peek(i)));
      Advance(rest);
      continue;
    }
    if (c == '\\') {
      if (BinaryDataFollows()) return std::nullopt;
      if (LineBreakSymbolFollows() || FollowedBy("PAR", WordEnd::kNoLetterOrDigit)) return read;
      // Absorbing must never swallow a row's structure.
      if (WordFollows("CELL") || WordFollows("ROW") || WordFollows("TROWD")) {
        return std::nullopt;
      }
      read.push_back('\\');
      const unsigned char next = Peek(0);
      if (!IsAsciiLetter(next) && next != kEndOfTemplate) {
        read.push_back(static_cast<char>(next));
        Advance(1);
      }
      continue;
    }
    read.push_back(static_cast<char>(c));
  }
  return std::nullopt;
}

}  // namespace vorn
