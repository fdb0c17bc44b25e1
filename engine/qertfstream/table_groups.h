#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/qertfstream/fragment_tables.h"
#include "engine/qertfstream/keyword_table.h"
#include "engine/qertfstream/list_tables.h"

namespace vorn {

// The report's tables as one merge sees them: the report's entries, then the fragment's.
struct FragmentTables {
  TQEFontStrings Fonts;
  TQEColorStrings Colors;
  TQEStyleStrings Styles;
  TQEListTables Lists;
};

// The merged number for the parameter of a reference word (\f, \cf, \s, ... by its index),
// or nullopt when the fragment has no such entry. A style link looks in `link_kind` first.
std::optional<int32_t> MergedReference(const FragmentTables& tables, KeywordIndex index,
                                       int32_t number, uint8_t link_kind = kStyleParagraph);

// Which references RenumberReferences replaces.
struct RenumberWhat {
  bool tables = true;  // fonts, colours and the styles named in text (\s, \cs, \ds)
  bool links = false;  // \sbasedon, \snext and \slink, in `link_kind` first
  uint8_t link_kind = kStyleParagraph;
};

// `rtf` with its references replaced by the merged numbers. A font, colour or style the
// fragment lacks loses its word; an unknown link stays as it is (a reader treats it as none).
std::string RenumberReferences(std::string_view rtf, const FragmentTables& tables,
                               RenumberWhat what);

// Each takes one whole header group of the fragment ("{\fonttbl ...}" and so on), adds
// what the tables lack and records the merged numbers.
// Fonts without a character set of their own (or with the default one) get `charset`. Returns
// how many paragraph marks stand in the table outside its fonts, as when a writer closes the
// table only after body words: readers act on them where the table stands.
size_t ReadFontTable(std::string_view group, FragmentTables& tables,
                     std::optional<int> charset = std::nullopt);
// A font's rest (after its number) naming `charset` where it names a Western one (0), the
// default one (1) or none; nullopt when it names another.
std::optional<std::string> WithCharset(const std::string& rest, int charset);
// The Windows character set of an ANSI code page; nullopt for one that has none.
std::optional<int> CharsetOfCodePage(int code_page);
void ReadColorTable(std::string_view group, FragmentTables& tables);
// Fonts and colours must be read first for their numbers to be replaced in the styles.
void ReadStyleSheet(std::string_view group, FragmentTables& tables);
// The list table before the list override table, so that overrides find their lists.
void ReadListTable(std::string_view group, FragmentTables& tables);
void ReadListOverrideTable(std::string_view group, FragmentTables& tables);

}  // namespace vorn
