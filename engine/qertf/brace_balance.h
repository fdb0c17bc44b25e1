#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vorn {

class TQeRTF;
class TQeScanInfo;

// Appends the group braces of an RTF text to `braces`, in order: "{" and "}" that are no escaped
// characters ("\{", "\}"; "\\" is an escaped backslash, so a brace after it counts).
void AppendBraces(std::string_view text, std::string& braces);
// Groups a text opens net: "{" counts +1, "}" -1 (braces as AppendBraces finds them).
int32_t NetBraces(std::string_view text);
// Drops each "{" directly followed by "}" together with that "}", in one pass.
std::string DropEmptyPairs(std::string_view braces);
// The braces that undo `balance` net groups: "}" per open group, "{" per closed one.
std::string CompensationText(int32_t balance);

// What a block's records write in braces.
struct BlockBalance {
  // The braces of the block's AbsorbedText and of every text up to its closing record (that
  // record's own texts excluded), empty pairs dropped: written in place of the block when it is
  // skipped.
  std::string balance_text;
  // Scans: the net groups one repetition writes, from the loop record's AbsorbedText up to and
  // including the FormatText of the record that decides the repetition (the scanfooter, else the
  // endscan). Nested blocks count with all their text, since a block writes, whether it repeats or
  // is skipped, the net of one pass over it. If and else blocks: 0.
  int32_t brace_balance = 0;
};

// Walks the records from just after `block`'s opening record, which carried `absorbed_text`, to its
// closing record, and measures them. The compiled stream and the template cursors are back where
// they were when it returns.
BlockBalance MeasureBlock(TQeRTF& report, const TQeScanInfo& block, std::string_view absorbed_text);

}  // namespace vorn
