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

TQeStream::TQeStream(std::string_view fragment, TStream& output) : text_(fragment), out_(output) {}

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
  pos_ = 1;
  while (!done_ && pos_ < text_.size()) {
    switch (text_[pos_]) {
      case '{':
        OpenGroup();
        break;
      case '}':
        CloseGroup();
        break;
      case '\\':
        ReadBackslash();
        break;
      case '\r':
      case '\n':
        ++pos_;
        break;
      default:
        ReadText();
        break;
    }
  }
  CloseWrittenGroups();
}

std::string_view TQeStream::DestinationWord(size_t pos, bool& ignorable) const {
  auto skip_breaks = [this](size_t i) {
    while (i < text_.size() && (text_[i] == '\r' || text_[i] == '\n')) ++i;
    return i;
  };
  size_t i = skip_breaks(pos + 1);
  ignorable = text_.substr(i, 2) == "\\*";
  if (ignorable) i = skip_breaks(i + 2);
  if (i + 1 >= text_.size() || text_[i] != '\\' ||
      !IsAsciiLetter(static_cast<unsigned char>(text_[i + 1]))) {
    return {};
  }
  return ReadControlWord(text_, i).name;
}

void TQeStream::OpenGroup() {
  const size_t start = pos_;
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
    ++pos_;
    return;
  }
  const GroupExtent extent = FindGroupEnd(text_, start);
  pos_ = extent.end;
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
  pos_ = extent.end;
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
  ++pos_;
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
  const GroupExtent extent = FindGroupEnd(text_, pos_, 1);
  if (!extent.closed) {
    pos_ = text_.size();
    done_ = true;
    return;
  }
  pos_ = extent.end - 1;  // the closing brace closes the group as usual
}

void TQeStream::ReadBackslash() {
  if (pos_ + 1 >= text_.size()) {
    pos_ = text_.size();
    return;
  }
  const auto next = static_cast<unsigned char>(text_[pos_ + 1]);
  if (IsAsciiLetter(next)) {
    const ControlWord word = ReadControlWord(text_, pos_);
    pos_ += word.length;
    HandleWord(word);
    return;
  }
  const size_t at = pos_;
  pos_ += 2;
  switch (next) {
    case '\'':
      pos_ = at;
      ReadHexEscape();
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
      WriteVisible(text_.substr(at, 2));
      break;
    case '*': {
      // Meaningful only right after the brace of a group the body has written.
      size_t before = at;
      while (before > 0 && (text_[before - 1] == '\r' || text_[before - 1] == '\n')) --before;
      if (before > 0 && text_[before - 1] == '{') {
        Write("\\*");
        word_open_ = false;
      }
      break;
    }
    default:
      break;  // an unknown control symbol means nothing to a reader either
  }
}

void TQeStream::ReadHexEscape() {
  if (pos_ + 3 < text_.size() && IsHexDigit(static_cast<unsigned char>(text_[pos_ + 2])) &&
      IsHexDigit(static_cast<unsigned char>(text_[pos_ + 3]))) {
    WriteVisible(text_.substr(pos_, 4));
    pos_ += 4;
    return;
  }
  pos_ += 2;  // a broken escape; what follows it reads as text
}

void TQeStream::ReadText() {
  size_t run_start = pos_;
  while (pos_ < text_.size()) {
    const auto c = static_cast<unsigned char>(text_[pos_]);
    if (c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n') break;
    if (!IsTextByte(c)) {
      WriteVisible(text_.substr(run_start, pos_ - run_start));
      run_start = pos_ + 1;
    }
    ++pos_;
  }
  WriteVisible(text_.substr(run_start, pos_ - run_start));
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
      if (IsFrameWord(word.name)) framed_ = true;
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
    const std::optional<size_t> length = BinDataLength(word, text_.size() - pos_);
    if (!length) {
      done_ = true;  // data that runs past the end cannot be told from what follows
      return;
    }
    pos_ += *length;  // outside a picture binary data shows nothing
    return;
  }
  // A section break would split the report's section: inside a merge it ends a paragraph.
  WriteParagraphMark(word.space_delimited);
}

void TQeStream::ReadHeaderGroup(KeywordIndex index, std::string_view group) {
  switch (index) {
    case KeywordIndex::kFontTable:
      // Fonts that name no character set read in the document's code page: when the
      // fragment's is not the report's, they name it.
      if (fragment_code_page_ != report_code_page_) {
        const std::optional<int> charset = CharsetOfCodePage(fragment_code_page_);
        ReadFontTable(group, tables_, charset);
        if (charset) AddDefaultFontVariant(*charset);
      } else {
        ReadFontTable(group, tables_);
      }
      break;
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
