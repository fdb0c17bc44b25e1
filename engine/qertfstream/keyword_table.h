#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vorn {

// What the fragment reader does with a control word, by the word's group in KeywordTable.
enum class KeywordKind : uint16_t {
  kDocument = 0,     // a document-level setting of the fragment: dropped
  kCopied = 1,       // character, paragraph and field formatting: copied as it stands
  kReference = 2,    // names an entry of a header table, or resets state: see KeywordIndex
  kSpecial = 3,      // \bin data and the paragraph mark
  kDefaultFont = 4,  // \deff: remembered, not copied
  kSkipped = 5,      // a destination whose whole group is left out
  kPicture = 6,      // a picture or object group, passed through byte for byte
  kHeaderTable = 7,  // the fragment's font table, colour table or stylesheet
  kTableRow = 8,     // table structure: copied
};

enum class KeywordIndex : uint16_t {
  kNone = 0,
  kDefaultFont = 1,
  kFontTable = 2,
  kBin = 3,
  kColorTable = 4,
  kStyleSheet = 5,
  kFont = 6,
  kBackColor = 7,
  kColor = 8,
  kParagraphStyle = 9,
  kCharacterStyle = 10,
  kSectionStyle = 11,
  kPlain = 12,
  kHighlight = 13,
  kRow = 14,
  kNumberingFont = 15,
  kPard = 16,
  kCellColor = 17,
  kPar = 18,
  // Only in the reader's supplementary words, never in KeywordTable:
  kStyleLink = 19,     // \sbasedon, \snext, \slink inside a style entry
  kSectionBreak = 20,  // \sect, written as a paragraph mark inside a merge
  kList = 21,          // \ls, a list override
};

struct KeywordRow {
  std::string_view Keyword;  // with its backslash
  KeywordKind Kind;
  KeywordIndex Index;
};

inline constexpr size_t kKeywordTableSize = 331;

// The reader's control words in byte order; \charscalex and \ulth stand twice.
extern const std::array<KeywordRow, kKeywordTableSize> KeywordTable;

// The row of `word` (backslash included) in KeywordTable, or nullptr.
const KeywordRow* FindKeyword(std::string_view word);

// KeywordTable first, then the reader's supplementary words: section and document
// settings that word processors write and a merge must not carry into the report, header
// and footer destinations, the associated font \af and the links between styles.
const KeywordRow* ClassifyKeyword(std::string_view word);

// Words that put something visible into the text (a character, a tab, a break).
bool IsTextKeyword(std::string_view word);

}  // namespace vorn
