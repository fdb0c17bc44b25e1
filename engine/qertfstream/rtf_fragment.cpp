#include <algorithm>
#include <string>

#include "data/dataset.h"
#include "engine/qebasereport/rtf_walker.h"
#include "engine/qebasereport/tag_codec.h"
#include "engine/qertf/qertf.h"
#include "engine/qertfstream/fragment_reader.h"
#include "platform/system/stream.h"

namespace vorn {

namespace {
// How far back the report's current paragraph is looked for.
constexpr int64_t kLookBack = 4096;

// A row or cell end is no start of an empty paragraph: a table right after it would join
// that table or nest in its cell.
bool EndsParagraph(std::string_view word) {
  return word == "\\par" || word == "\\sect" || word == "\\page";
}

// Where the last paragraph of `rtf` begins, or npos when no paragraph mark stands in it.
size_t LastParagraphStart(std::string_view rtf) {
  size_t start = std::string_view::npos;
  RtfWalker walker(rtf, 0, {.bin_data = false});
  while (const RtfToken token = walker.Next()) {
    if (token.Is(RtfTokenKind::kWord) && EndsParagraph(token.word.name)) start = token.end;
  }
  return start;
}

// Whether the paragraph the output ends in holds no text yet. Header tables end the look
// back: the text of their entries is none of the paragraph's.
bool ParagraphEmptyAtEnd(TStream& output, int64_t tables_end) {
  const int64_t end = output.Position();
  const int64_t from = std::max(tables_end, end - kLookBack);
  // Right after the header tables the body has no text yet; with nothing written at all the
  // paragraph is unknown, and a table keeps its mark.
  if (from >= end) return end > 0;
  std::string tail(static_cast<size_t>(end - from), '\0');
  output.Seek(from);
  tail.resize(output.Read(tail.data(), tail.size()));
  output.Seek(end);
  size_t start = LastParagraphStart(tail);
  if (start == std::string_view::npos) {
    if (from != tables_end) return false;
    start = 0;
  }
  return !HasPlainText(std::string_view(tail).substr(start));
}
}  // namespace

void TQeRTF::MergeRtfText(std::string_view fragment) {
  TStream* output = Output();
  if (output == nullptr) {
    throw EIllegalFunctionUse("RTF fragment merged outside a report run");
  }
  int64_t tables_end = 0;
  for (const TQeOutTab& tab : OutTabs) tables_end = std::max(tables_end, tab.End);
  TQeStream reader(fragment, *output);
  reader.SetParagraphEmpty(ParagraphEmptyAtEnd(*output, tables_end));
  reader.ImportTables(HeaderTables);
  reader.Merge(LangText.empty() ? std::to_string(Lang()) : LangText, CodePage());
  reader.ExportTables(HeaderTables);
  reader.OverwriteRecordedOutput();
}

void TQeRTF::MergeRtfStream(TStream& stream) {
  const int64_t size = stream.Size();
  std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
  stream.Seek(0);
  bytes.resize(stream.Read(bytes.data(), bytes.size()));
  MergeRtfText(bytes);
}

void TQeRTF::MergeRtfStream(const TField& field) { MergeRtfText(field.AsString()); }

}  // namespace vorn
