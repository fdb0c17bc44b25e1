#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// Marks the start of every card in a batch document: an ignorable destination, which word
// processors skip, so that the document can be cut into parts between cards without running
// the report again.
inline constexpr std::string_view kCardMark = "{\\*\\vorncard}";

// The template with its body, everything from the first paragraph or table row at the document's
// top level to its closing brace, inside a scan over `alias` that begins a page for each card, so
// that page i of the document is card i; each card starts with kCardMark. Throws vorn::Exception
// when the text is no RTF document or has no paragraph to repeat.
std::string WrapTemplateInScan(std::string_view rtf, std::string_view alias);

// Cuts a batch document written from WrapTemplateInScan into documents of at most `per_part`
// cards each, in order, written as "part1.rtf", "part2.rtf", ... into `folder`; each part is a
// whole document with the batch's header tables and its cards, without a page break after its
// last card. Returns their paths. Throws vorn::Exception naming the document when it cannot be
// read or holds no card mark, or naming a part that cannot be written.
std::vector<std::string> WriteBatchParts(const std::string& document, int per_part,
                                         const std::string& folder);

}  // namespace vorn
