#include "app/flow/batch_document.h"

#include "engine/qebasereport/rtf_walker.h"
#include "platform/system/exception.h"
#include "platform/system/files.h"

namespace vorn {

namespace {
// Position of the first "\pard" or "\trowd" outside every group but the document's own,
// or npos: a card that begins with a table row repeats the row's definition too.
size_t FirstTopLevelParagraph(std::string_view rtf) {
  RtfWalker walker(rtf);
  while (const RtfToken token = walker.Next()) {
    if (walker.Depth() == 1 && (token.IsWord("\\pard") || token.IsWord("\\trowd"))) {
      return token.pos;
    }
  }
  return std::string_view::npos;
}

void WritePart(const std::string& path, std::string_view header, std::string_view cards,
               bool last) {
  AtomicOutputFile part(path);
  part.Stream().Write(header);
  // The page break the scan writes before a card belongs to the card after it.
  constexpr std::string_view kPageBreak = "\\page ";
  if (!last) {
    std::string_view before_mark = cards;
    while (!before_mark.empty() && (before_mark.back() == '\n' || before_mark.back() == '\r')) {
      before_mark.remove_suffix(1);
    }
    if (before_mark.ends_with(kPageBreak)) {
      cards = before_mark.substr(0, before_mark.size() - kPageBreak.size());
    }
  }
  part.Stream().Write(cards);
  if (!last) part.Stream().Write("}");
  part.Commit();
}
}  // namespace

std::string WrapTemplateInScan(std::string_view rtf, std::string_view alias) {
  if (rtf.substr(0, 5) != "{\\rtf") throw Exception("Template is not an RTF document");
  const size_t body = FirstTopLevelParagraph(rtf);
  const size_t end = rtf.rfind('}');
  if (body == std::string_view::npos || end == std::string_view::npos || end < body) {
    throw Exception("Template has no paragraph to repeat");
  }
  std::string wrapped;
  wrapped.reserve(rtf.size() + 64);
  wrapped.append(rtf.substr(0, body));
  // Every card begins a page, so that page i of the document is product i on every layout.
  wrapped.append("\\\\SCAN(").append(alias).append("),page");
  // Line breaks keep the tags apart from the control words beside them.
  wrapped.append("\\\\\n");
  wrapped.append(kCardMark);
  wrapped.append(rtf.substr(body, end - body));
  wrapped.append("\n\\\\ENDSCAN\\\\\n");
  wrapped.append(rtf.substr(end));
  return wrapped;
}

std::vector<std::string> WriteBatchParts(const std::string& document, int per_part,
                                         const std::string& folder) {
  const MappedFile file(document);
  const std::string_view text = file.Bytes();
  const size_t first = text.find(kCardMark);
  if (first == std::string_view::npos) throw Exception("No cards in the document " + document);
  const std::string_view header = text.substr(0, first);
  std::vector<std::string> parts;
  size_t start = first;
  while (start < text.size()) {
    size_t end = start;
    for (int card = 0; card < per_part && end != std::string_view::npos; ++card) {
      end = text.find(kCardMark, end + kCardMark.size());
    }
    const bool last = end == std::string_view::npos;
    if (last) end = text.size();
    parts.push_back(folder + "/part" + std::to_string(parts.size() + 1) + ".rtf");
    WritePart(parts.back(), header, text.substr(start, end - start), last);
    start = end;
  }
  return parts;
}

}  // namespace vorn
