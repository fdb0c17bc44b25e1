#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorn {

class TStream;
class TemplateScanner;

// The header tables of one run: font, colour, style and information lists, kept
// until the end so that pictures and fragments can add entries before they are written.
class TQeHeaderTables {
 public:
  std::vector<std::string> Fonts;
  std::vector<std::string> Colors;
  std::vector<std::string> Styles;
  std::vector<std::string> Info;
  // The entries of the list table ("{\list...}") and of the list override table.
  std::vector<std::string> Lists;
  std::vector<std::string> ListOverrides;
  bool ListTableSeen = false;
  bool ListOverrideTableSeen = false;
  // Font number and character set of each template font that names one, as the template
  // has them (the fonts themselves get the report's Charset).
  std::vector<std::pair<int32_t, int>> FontCharsets;
  bool ColorTableSeen = false;
  // How many of Fonts the template's own font table holds; the rest were added by the run.
  size_t TemplateFontCount = 0;
  // What the template's font table holds besides its fonts, from a control word on (the body
  // words of a table its writer closed too late): written back after the template's fonts, so
  // that every reader reads it as it read the template.
  std::string FontTableRest;

  void Clear();
  // Writes the table an insertion entry names (-17, -18, -19, -27, -28; -20 and 0 write
  // nothing). List tables the template lacks follow its font table once they have entries.
  // -29 writes the fonts the run added (fragments' fonts) alone, for a later font table such as
  // the twin a Unicode reader takes instead of the first.
  void WriteTable(int32_t table_type, TStream& out) const;
  // "{\fonttbl", the template's fonts, FontTableRest, the fonts the run added, "}".
  void WriteFontTable(TStream& out) const;

  // The readers stand after a table's keyword and consume the table up to its closing
  // brace. Fonts get `charset` as their character set (none: they keep their own); a font
  // written without braces of its own is kept in braces. A font table the template ends in, or
  // a "fcharset" without digits, throws EBadRtfFormat.
  void ReadFontTable(TemplateScanner& in, std::optional<uint8_t> charset);
  // Throws EBadRtfFormat when the template ends inside the table.
  void ReadColorTable(TemplateScanner& in);
  // One that runs to the end of the template ends before its first text outside an entry.
  void ReadStyleSheet(TemplateScanner& in);
  void ReadInfo(TemplateScanner& in);
  void ReadListTable(TemplateScanner& in);
  void ReadListOverrideTable(TemplateScanner& in);

  // The colour number of `entry` ("\red..\green..\blue..;"), adding it when it is new; an
  // empty list gets the auto entry ";" first.
  int AddColor(std::string_view entry);
  static std::string ColorEntry(int red, int green, int blue);
  // Fills Colors from the text of a colour table between its keyword and closing brace.
  void SetColorsFromTable(std::string_view table);
};

}  // namespace vorn
