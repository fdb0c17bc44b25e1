#include "engine/qertfstream/fragment_reader.h"

#include <algorithm>
#include <limits>

#include "engine/qebasereport/header_tables.h"
#include "engine/qebasereport/tag_codec.h"
#include "platform/system/stream.h"

namespace vorn {

namespace {
constexpr std::string_view kRtfSignature = "{\\rtf";

// A byte that an undelimited control word before it would take as part of itself.
bool ContinuesWord(unsigned char c) {
  return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '-' || c == ' ';
}

bool IsTextByte(unsigned char c) { return c >= 32 || c == '\t'; }

// Words that make a paragraph a positioned frame.
bool IsFrameWord(std::string_view word) {
  static constexpr std::string_view kPrefixes[] = {"\\abs", "\\pos",      "\\ph",
                                                   "\\pv",  "\\dxfrtext", "\\dfrmtxt"};
  for (std::string_view prefix : kPrefixes) {
    if (word.substr(0, prefix.size()) == prefix) return true;
  }
  return false;
}
}  // namespace

TQeStream::TQeStream(std::string_view fragment, TStream& output)
    : text_(fragment), walker_(fragment), out_(output) {}

void TQeStream::ImportTables(const TQeHeaderTables& tables) {
  tables_.Fonts.Import(tables.Fonts);
  tables_.Colors.Import(tables.Colors);
  tables_.Styles.Import(tables.Styles);
  tables_.Lists.Import(tables.Lists, tables.ListOverrides);
}

void TQeStream::ExportTables(TQeHeaderTables& tables) const {
  tables.Fonts = tables_.Fonts.Export();
  tables.Colors = tables_.Colors.Export();
  tables.Styles = tables_.Styles.Export();
  tables.Lists = tables_.Lists.Lists();
  tables.ListOverrides = tables_.Lists.Overrides();
}

void TQeStream::Merge(std::string_view lang_text, int code_page) {
  report_code_page_ = code_page == 0 ? 1252 : code_page;
  if (text_.substr(0, kRtfSignature.size()) == kRtfSignature) {
    ReadRtf();
  } else if (!text_.empty()) {
    // Text that is no RTF is what a user typed into the field: it shows as typed.
    Write(RtfValueFrame(lang_text, text_, "", code_page));
  }
}

void TQeStream::OverwriteRecordedOutput() {
  if (!recorded_pos_) return;
  const int64_t end = out_.Position();
  out_.Seek(*recorded_pos_);
  out_.Write(std::string(4 + recorded_text_.size(), '\r'));
  out_.Seek(end);
  recorded_pos_.reset();
}

void TQeStream::Write(std::string_view bytes) {
  FlushPending();
  out_.Write(bytes);
}

void TQeStream::FlushPending() {
  if (body_started_) return;
  body_started_ = true;
  std::string pending = std::move(pending_);
  pending_.clear();
  // Text the fragment leaves in its default font must not take the report's.
  if (auto font = DefaultFont()) pending += "\\f" + std::to_string(*font) + " ";
  out_.Write(pending);
  word_open_ = false;
}

void TQeStream::ReadRtf() {
  // The fragment's own outer group becomes the body's group, so that its formatting ends
  // where the fragment does and the report's text after it keeps its own.
  pending_ = "{";
  groups_.push_back(0);
  walker_.MoveTo(1);
  while (!done_) {
    const RtfToken token = walker_.Next();
    switch (token.kind) {
      case RtfTokenKind::kEnd:
        done_ = true;
        break;
      case RtfTokenKind::kGroupStart:
        OpenGroup(token.pos);
        break;
      case RtfTokenKind::kGroupEnd:
        CloseGroup();
        break;
      case RtfTokenKind::kText:
        ReadText(token);
        break;
      case RtfTokenKind::kSymbol:
        ReadSymbol(token);
        break;
      case RtfTokenKind::kWord:
        HandleWord(token.word);
        break;
      case RtfTokenKind::kBinData:
        // Outside a picture binary data shows nothing; data that runs past the end cannot be
        // told from what follows.
        if (token.unsound_bin) done_ = true;
        break;
    }
  }
  CloseWrittenGroups();
}

namespace {
// The next token that is not a run of line breaks alone.
RtfToken NextPastBreaks(RtfWalker& walker) {
  RtfToken token = walker.Next();
  while (token.Is(RtfTokenKind::kText) &&
         token.In(walker.Text()).find_first_not_of("\r\n") == std::string_view::npos) {
    token = walker.Next();
  }
  return token;
}
}  // namespace

std::string_view TQeStream::DestinationWord(size_t pos, bool& ignorable) const {
  RtfWalker peek(text_, pos + 1);
  RtfToken token = NextPastBreaks(peek);
  ignorable = token.Is(RtfTokenKind::kSymbol) && token.symbol == '*';
  if (ignorable) token = NextPastBreaks(peek);
  if (!token.Is(RtfTokenKind::kWord) && !token.Is(RtfTokenKind::kBinData)) return {};
  return token.word.name;
}

void TQeStream::OpenGroup(size_t start) {
  bool ignorable = false;
  const std::string_view word = DestinationWord(start, ignorable);
  if (word == "\\listtable" || word == "\\listoverridetable") {
    ReadListGroup(word, start);
    return;
  }
  const KeywordRow* row = word.empty() ? nullptr : ClassifyKeyword(word);
  const KeywordKind kind = row != nullptr ? row->Kind : KeywordKind::kCopied;
  const bool too_deep = groups_.size() >= kMaxDepth;
  // An ignorable destination this reader does not know is one a reader may leave out;
  // most are document-level (generator, revision tables, themes) and none is text.
  const bool whole_group = too_deep || (ignorable && row == nullptr) ||
                           kind == KeywordKind::kSkipped || kind == KeywordKind::kPicture ||
                           kind == KeywordKind::kHeaderTable;
  if (!whole_group) {
    Write("{");
    word_open_ = false;
    groups_.push_back(
        static_cast<int32_t>(std::min<size_t>(start, std::numeric_limits<int32_t>::max())));
    framed_groups_.push_back(framed_);
    return;
  }
  const GroupExtent extent = FindGroupEnd(text_, start);
  walker_.MoveTo(extent.end);
  // A group cut off by the end, or by \bin data running past it, leaves nothing sound to
  // read after it.
  if (!extent.closed) {
    done_ = true;
    return;
  }
  if (too_deep) return;
  const std::string_view group = text_.substr(start, extent.end - start);
  if (kind == KeywordKind::kPicture) WriteVisible(group);
  if (kind == KeywordKind::kHeaderTable) ReadHeaderGroup(row->Index, group);
}

void TQeStream::ReadListGroup(std::string_view word, size_t start) {
  const GroupExtent extent = FindGroupEnd(text_, start);
  walker_.MoveTo(extent.end);
  if (!extent.closed) {
    done_ = true;
    return;
  }
  const std::string_view group = text_.substr(start, extent.end - start);
  if (word == "\\listtable") {
    ReadListTable(group, tables_);
  } else {
    ReadListOverrideTable(group, tables_);
  }
}

void TQeStream::CloseGroup() {
  // The fragment's own group ends here; whatever follows is no part of it, stray closing
  // braces included.
  if (groups_.size() == 1) {
    done_ = true;
    return;
  }
  groups_.pop_back();
  framed_ = framed_groups_.back();
  framed_groups_.pop_back();
  Write("}");
  word_open_ = false;
}

void TQeStream::CloseWrittenGroups() {
  if (!body_started_) return;
  Write(std::string(groups_.size(), '}'));
  word_open_ = false;
  groups_.clear();
  framed_groups_.clear();
}

void TQeStream::DropRestOfGroup() {
  const GroupExtent extent = FindGroupEnd(text_, walker_.Position(), 1);
  if (!extent.closed) {
    walker_.MoveTo(text_.size());
    done_ = true;
    return;
  }
  walker_.MoveTo(extent.end - 1);  // the closing brace closes the group as usual
}

void TQeStream::ReadSymbol(const RtfToken& token) {
  switch (token.symbol) {
    case '\'':
      // A broken escape reads as text after its two bytes.
      if (token.hex >= 0) WriteVisible(token.In(text_));
      break;
    case '\r':
    case '\n':
      WriteParagraphMark(false);
      break;
    case '\\':
    case '{':
    case '}':
    case '~':
    case '_':
    case '-':
    case '|':
    case ':':
      WriteVisible(token.In(text_));
      break;
    case '*': {
      // Meaningful only right after the brace of a group the body has written.
      size_t before = token.pos;
      while (before > 0 && (text_[before - 1] == '\r' || text_[before - 1] == '\n')) --before;
      if (before > 0 && text_[before - 1] == '{') {
        Write("\\*");
        word_open_ = false;
      }
      break;
    }
    default:
      break;  // an unknown control symbol means nothing to a reader either, nor a lone backslash
  }
}

void TQeStream::ReadText(const RtfToken& token) {
  // Line breaks and other control bytes are no text: readers pass over them.
  size_t run_start = token.pos;
  for (size_t i = token.pos; i < token.end; ++i) {
    if (!IsTextByte(static_cast<unsigned char>(text_[i]))) {
      WriteVisible(text_.substr(run_start, i - run_start));
      run_start = i + 1;
    }
  }
  WriteVisible(text_.substr(run_start, token.end - run_start));
}

void TQeStream::HandleWord(const ControlWord& word) {
  if (word.name.size() - 1 > kMaxControlWordLetters) return;
  const KeywordRow* row = ClassifyKeyword(word.name);
  const KeywordKind kind = row != nullptr ? row->Kind : KeywordKind::kCopied;
  const std::optional<int32_t> param =
      word.has_param ? std::optional<int32_t>(word.param) : std::nullopt;
  switch (kind) {
    case KeywordKind::kDocument:
      if (word.name == "\\ansicpg" && word.has_param) fragment_code_page_ = word.param;
      break;
    case KeywordKind::kCopied:
      if (IsFrameWord(word.name)) StartFrame();
      WriteWord(word.name, param, word.space_delimited);
      if (IsTextKeyword(word.name)) {
        recorded_pos_.reset();
        content_written_ = true;
      }
      break;
    case KeywordKind::kReference:
      HandleReference(word, row->Index);
      break;
    case KeywordKind::kSpecial:
      HandleSpecial(word, row->Index);
      break;
    case KeywordKind::kDefaultFont:
      default_font_ = word.param;
      break;
    case KeywordKind::kSkipped:
    case KeywordKind::kPicture:
    case KeywordKind::kHeaderTable:
      // Such a word belongs at the start of its group; elsewhere it still makes the rest
      // of the group its destination.
      DropRestOfGroup();
      break;
    case KeywordKind::kTableRow:
      // A table cannot share a line with text: without this break the report's text before
      // the tag would become the first cell.
      if (!content_written_ && !paragraph_empty_) Write("\\par ");
      WriteWord(word.name, param, word.space_delimited);
      recorded_pos_.reset();
      content_written_ = true;
      break;
  }
}

void TQeStream::StartFrame() {
  // A frame is a paragraph of its own: without this break the report's text before the tag
  // would be drawn in the frame, away from its line.
  if (!framed_ && !content_written_ && !paragraph_empty_) {
    Write("\\par ");
    paragraph_empty_ = true;
  }
  framed_ = true;
}

void TQeStream::HandleReference(const ControlWord& word, KeywordIndex index) {
  const std::optional<int32_t> param =
      word.has_param ? std::optional<int32_t>(word.param) : std::nullopt;
  switch (index) {
    case KeywordIndex::kPlain:
      WriteWord(word.name, param, word.space_delimited);
      // \plain returns to the document's default font, which is the report's.
      if (auto font = DefaultFont()) WriteWord("\\f", *font, word.space_delimited);
      break;
    case KeywordIndex::kPard:
      framed_ = false;
      WriteWord(word.name, param, word.space_delimited);
      break;
    case KeywordIndex::kRow:
      WriteWord(word.name, param, word.space_delimited);
      recorded_pos_.reset();
      break;
    case KeywordIndex::kStyleLink:
      break;  // a link between styles means nothing in the text
    default:
      // A font, colour or style the fragment does not define has no merged number: the
      // word goes, and the text keeps the property it had.
      if (auto merged = MergedReference(tables_, index, word.has_param ? word.param : 0)) {
        WriteWord(word.name, *merged, word.space_delimited);
      }
      break;
  }
}

void TQeStream::HandleSpecial(const ControlWord& word, KeywordIndex index) {
  if (index == KeywordIndex::kBin) {
    // Data with a count arrives as kBinData; a \bin here has no count, or a negative one that
    // leaves what follows unreadable.
    if (word.negative) done_ = true;
    return;
  }
  // A section break would split the report's section: inside a merge it ends a paragraph.
  WriteParagraphMark(word.space_delimited);
}

void TQeStream::ReadHeaderGroup(KeywordIndex index, std::string_view group) {
  switch (index) {
    case KeywordIndex::kFontTable: {
      // Fonts that name no character set read in the document's code page: when the
      // fragment's is not the report's, they name it.
      const std::optional<int> charset = fragment_code_page_ != report_code_page_
                                             ? CharsetOfCodePage(fragment_code_page_)
                                             : std::nullopt;
      const size_t marks = ReadFontTable(group, tables_, charset);
      if (charset) AddDefaultFontVariant(*charset);
      // Readers act on the paragraph marks a font table holds besides its fonts where the table
      // stands: the fonts join the report's table, the marks stay at the fragment's place.
      for (size_t i = 0; i < marks; ++i) WriteParagraphMark(false);
      break;
    }
    case KeywordIndex::kColorTable:
      ReadColorTable(group, tables_);
      break;
    case KeywordIndex::kStyleSheet:
      ReadStyleSheet(group, tables_);
      break;
    default:
      break;
  }
}

std::optional<int32_t> TQeStream::DefaultFont() const {
  if (default_variant_) return default_variant_;
  if (!default_font_) return std::nullopt;
  return MergedReference(tables_, KeywordIndex::kFont, *default_font_);
}

void TQeStream::AddDefaultFontVariant(int charset) {
  // Without \deff readers take font 0.
  const std::optional<int32_t> merged =
      MergedReference(tables_, KeywordIndex::kFont, default_font_.value_or(0));
  if (!merged) return;
  default_variant_ = merged;
  for (const TQEFontStr& font : tables_.Fonts.Items()) {
    if (font.Number != *merged) continue;
    // A font that names the character set of another script already reads as it should.
    if (const std::optional<std::string> rest = WithCharset(font.Rest, charset)) {
      tables_.Fonts.Merge(kDefaultVariantKey, *rest);
      default_variant_ = tables_.Fonts.Replacement(kDefaultVariantKey);
    }
    return;
  }
}

void TQeStream::WriteWord(std::string_view name, std::optional<int32_t> param,
                          bool space_delimited) {
  std::string word(name);
  if (param) word += std::to_string(*param);
  if (space_delimited) word.push_back(' ');
  Write(word);
  word_open_ = !space_delimited;
}

void TQeStream::WriteParagraphMark(bool space_delimited) {
  FlushPending();
  recorded_pos_ = out_.Position();
  recorded_text_ = space_delimited ? " " : "";
  out_.Write("\\par" + recorded_text_);
  word_open_ = !space_delimited;
  // A frame's paragraph needs its own mark: the report's text must not run into the frame.
  if (framed_) recorded_pos_.reset();
}

void TQeStream::WriteVisible(std::string_view bytes) {
  if (bytes.empty()) return;
  FlushPending();
  if (word_open_ && ContinuesWord(static_cast<unsigned char>(bytes.front()))) out_.Write(" ");
  out_.Write(bytes);
  word_open_ = false;
  recorded_pos_.reset();
  content_written_ = true;
}

}  // namespace vorn
