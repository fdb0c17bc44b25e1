#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/qebasereport/rtf_walker.h"
#include "engine/qertfstream/table_groups.h"

namespace vorn {

class TStream;
class TQeHeaderTables;

// Reads one RTF fragment into the report's current output: the fragment's body as one
// group, its header tables merged into the report's and its references renumbered to them.
// Keeps references to the fragment bytes and the output, which must outlive it.
class TQeStream {
 public:
  // Groups nested deeper than this inside a fragment are left out whole.
  static constexpr size_t kMaxDepth = 1000;

  TQeStream(std::string_view fragment, TStream& output);
  TQeStream(const TQeStream&) = delete;
  TQeStream& operator=(const TQeStream&) = delete;

  // Tells whether the report's paragraph at the tag holds no text yet, so that a table the
  // fragment begins with needs no paragraph mark before it.
  void SetParagraphEmpty(bool empty) { paragraph_empty_ = empty; }
  // Takes the report's tables in their normal forms.
  void ImportTables(const TQeHeaderTables& tables);
  // Writes the fragment's body; a fragment that is not RTF goes in as plain text in the
  // value frame of `lang_text`. Nothing at all is written for an empty body.
  void Merge(std::string_view lang_text, int code_page = 0);
  // Puts the tables, with whatever the fragment added, back into the report's lists.
  void ExportTables(TQeHeaderTables& tables) const;
  // Blanks the paragraph mark that ended the fragment with bytes 13, which readers skip,
  // so that the text after the tag runs on in the same paragraph.
  void OverwriteRecordedOutput();

  // The pending string first, then `bytes`.
  void Write(std::string_view bytes);

  const FragmentTables& Tables() const { return tables_; }

 private:
  void ReadRtf();
  // The group whose brace stands at text_[start], just read.
  void OpenGroup(size_t start);
  void CloseGroup();
  void ReadSymbol(const RtfToken& token);
  void ReadText(const RtfToken& token);
  void HandleWord(const ControlWord& word);
  void HandleReference(const ControlWord& word, KeywordIndex index);
  void HandleSpecial(const ControlWord& word, KeywordIndex index);
  // A word that makes the paragraph a positioned frame.
  void StartFrame();
  void ReadHeaderGroup(KeywordIndex index, std::string_view group);
  // The merged number of the font the fragment's text is in where it names none.
  std::optional<int32_t> DefaultFont() const;
  // Readers take text in the default font, where it names none, in the document's code page
  // even when the font names a Western character set; in the report's document a copy of
  // the font with the fragment's `charset` stands in for it.
  void AddDefaultFontVariant(int charset);
  // The fragment's list table or list override table, the group opening at `start`.
  void ReadListGroup(std::string_view word, size_t start);
  void DropRestOfGroup();
  void WriteWord(std::string_view name, std::optional<int32_t> param, bool space_delimited);
  void WriteParagraphMark(bool space_delimited);
  void WriteVisible(std::string_view bytes);
  void FlushPending();
  void CloseWrittenGroups();
  // The first control word of the group opening at text[pos], and whether "\*" marks the
  // group as ignorable.
  std::string_view DestinationWord(size_t pos, bool& ignorable) const;

  std::string_view text_;
  RtfWalker walker_;
  TStream& out_;
  // The body's opening brace and the fragment's default font, written with the first byte
  // of the body so that an empty fragment writes nothing.
  std::string pending_;
  bool body_started_ = false;
  bool done_ = false;
  // The output ends in a control word without its delimiter.
  bool word_open_ = false;
  // Something visible of the fragment has been written (text, a picture, a table row).
  bool content_written_ = false;
  bool paragraph_empty_ = false;
  // The \ansicpg of the fragment and the code page of the report.
  int fragment_code_page_ = 1252;
  int report_code_page_ = 1252;
  std::optional<int32_t> default_font_;
  // The fragment font number under which that copy is merged, and its merged number.
  static constexpr uint16_t kDefaultVariantKey = 0xFFFF;
  std::optional<int32_t> default_variant_;
  // Fragment positions of the open groups the body has written, the body's own first.
  std::vector<int32_t> groups_;
  // Whether the paragraph properties make a positioned frame, now and outside each open group.
  bool framed_ = false;
  std::vector<bool> framed_groups_;
  // Where the last paragraph mark with nothing visible after it stands, and the delimiter
  // written after "\par".
  std::optional<int64_t> recorded_pos_;
  std::string recorded_text_;
  FragmentTables tables_;
};

}  // namespace vorn
