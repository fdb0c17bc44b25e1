#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/qebasereport/base_report.h"
#include "engine/qebasereport/rtf_control_words.h"
#include "engine/qebasereport/template_code_pages.h"

namespace vorn {

class TQeBaseRTFReport;

// What TakeCommandParagraph found: whether the command's paragraph mark was absorbed,
// and the formatting between the tag and that mark.
struct CommandParagraph {
  bool absorbed = false;
  std::string absorbed_text;
};

// Walks a report's loaded template from its first byte to the end. On the way it appends
// the records of what it passes to the report's compiled stream (merged text, verbatim
// field/picture/object groups, row marks, header-table places, the tables themselves go to
// HeaderTables) and stops after each tag. It owns the compile pass's cursor and is the
// report's TemplateCursor while it lives. The report must outlive the scanner; one scanner
// serves one run.
class TemplateScanner final : public TemplateCursor {
 public:
  static constexpr unsigned char kEndOfTemplate = 26;
  // Bytes counted in a tag's text before the candidate is given up.
  static constexpr int kMaxTagLength = 10000;

  explicit TemplateScanner(TQeBaseRTFReport& report);
  ~TemplateScanner();
  TemplateScanner(const TemplateScanner&) = delete;
  TemplateScanner& operator=(const TemplateScanner&) = delete;

  bool AtEnd() const;
  // The next byte, skipping bytes below 32 other than TAB and LF; kEndOfTemplate at the end.
  unsigned char ReadChar();
  // The next `count` bytes without moving, skipping bytes below 32 other than TAB (LF too);
  // padded with kEndOfTemplate past the end.
  std::string LookAhead(int count) const;
  // What may follow a keyword for FollowedBy to match: anything, or no letter (no digit
  // either) unless a line break ends the word.
  enum class WordEnd { kAny, kNoLetter, kNoLetterOrDigit };
  // Whether the bytes LookAhead sees, upper-cased, begin with `upper_text` ended as `end` says.
  bool FollowedBy(std::string_view upper_text, WordEnd end) const;
  // Moves past `count` bytes as LookAhead counts them.
  void Advance(int count);
  int32_t TemplatePos() const override { return pos_; }
  void MoveTo(int32_t position);
  // The whole template, without the spare bytes after it; index 0 is position 1.
  std::string_view Text() const;
  // Whether the header group just read may have taken the closing brace of a group around
  // it: one was open where it began, and nothing but blanks and control bytes follows.
  bool TookEnclosingBrace() const;

  // Scans to the next tag and returns its raw text (delimiters excluded), the read position
  // after its closing delimiter. nullopt when the template ended, or when an opening
  // delimiter started no tag (it was then copied as text and scanning may go on).
  std::optional<std::string> NextTag();
  // For a command tag just returned by NextTag: absorbs the rest of its paragraph when the
  // tag stands alone in it, moving the read position past the paragraph mark.
  CommandParagraph TakeCommandParagraph();
  // After a command tag's records: while no paragraph-level word was read yet, the next
  // command's paragraph counts from this tag's opening delimiter.
  void EndCommand();
  // True between a row start and its row end.
  bool InRow() const { return in_row_; }
  // Position of the last paragraph-level control word read, and of the current tag's opening
  // delimiter; -1 until there is one.
  int32_t LastBreakPos() const { return last_break_pos_; }
  int32_t TagStartPos() const { return tag_start_pos_; }

 private:
  bool WordFollows(std::string_view upper_word) const {
    return FollowedBy(upper_word, WordEnd::kNoLetter);
  }
  // The `index`-th byte LookAhead would give (0 = the next one).
  unsigned char Peek(int index) const;
  // Where that byte stands; just past the template when LookAhead would pad.
  int32_t PeekPosition(int index) const;
  // 2 or 4 when the byte just read opens the pair or the hex form of a visible backslash.
  int DelimiterLength() const;
  // Whether the backslash just read is the control symbol "\" + CR or LF, a paragraph mark.
  bool LineBreakSymbolFollows() const;
  // Whether the backslash just read opens \bin with a count.
  bool BinaryDataFollows() const;
  bool ParagraphWordFollows() const;
  // For the byte just read: how many bytes after it complete a double-byte character of the
  // text's code page (the rest of a hex-escaped lead byte, then the trail byte, raw or
  // escaped), counted as Advance counts; 0 when it opens none.
  int DoubleByteRest(unsigned char c) const;
  // Tells the code-page tracker a control word the text passes.
  void NoteControlWord(const ControlWord& word);
  // The control word whose backslash stands at `backslash`; none unless a letter follows it.
  std::optional<ControlWord> WordAt(int64_t backslash) const;
  // For a \bin `word` at `backslash`: the position after its raw data, at most just past the
  // template.
  int64_t BinDataEndAt(int64_t backslash, const ControlWord& word) const;
  // Throws the table's message when a font or colour table ran to the end of the template:
  // it took the document's closing brace, and the body with it.
  void CheckTableClosedBefore(int32_t kind) const;
  bool VerbatimGroupFollows() const;
  bool HeaderGroupFollows() const;
  // rkFontTable .. rkInfo for the header group whose "{" was just read, else 0.
  int32_t HeaderGroupKind() const;
  bool ReadHeaderGroup();
  void SkipVerbatimGroup();
  // The position after the group whose "{" was just read (past the template's end when it is
  // left open; `closed` tells which).
  int32_t GroupEnd(bool* closed = nullptr) const;
  // A later font table, copied with the fonts the run adds before its closing brace.
  void CopyFontTableTwin();
  // The template's byte at `p`, 0 past its end.
  unsigned char RawByteAt(int64_t p) const;
  void StartRow(int32_t backslash_pos, bool bytes_skipped);
  void EndRow();
  std::optional<std::string> CollectTag(int delimiter_length);
  bool TakeQuoteToken(unsigned char c, std::string& text, int& count);
  void AppendTagByte(unsigned char c, std::string& text, int& count);
  std::optional<std::string> ReadToParagraphMark();

  TQeBaseRTFReport& report_;
  int32_t pos_ = 1;
  int32_t last_break_pos_ = -1;
  int32_t tag_start_pos_ = -1;
  TemplateCodePages code_pages_;
  // The kinds of the header tables read so far.
  std::vector<int32_t> tables_seen_;
  // How many groups are open before `end`, as a reader counts them; counted on from the last
  // place asked for.
  int64_t GroupDepthAt(int32_t end);
  int32_t depth_pos_ = 1;
  int64_t depth_ = 0;
  // The depth where the header group being read began.
  int64_t table_depth_ = 0;
  // The decoded byte that opened the tag's current quote, 0 when none is open, and whether the
  // opening mark was a control word.
  unsigned char quote_opener_ = 0;
  bool opened_by_word_ = false;
  bool in_row_ = false;
};

}  // namespace vorn
