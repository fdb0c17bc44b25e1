#include "engine/qertfstream/table_groups.h"

#include <utility>
#include <vector>

#include "engine/qebasereport/rtf_walker.h"

namespace vorn {

namespace {
bool IsTableReference(KeywordIndex index) {
  switch (index) {
    case KeywordIndex::kFont:
    case KeywordIndex::kNumberingFont:
    case KeywordIndex::kBackColor:
    case KeywordIndex::kColor:
    case KeywordIndex::kHighlight:
    case KeywordIndex::kCellColor:
    case KeywordIndex::kParagraphStyle:
    case KeywordIndex::kCharacterStyle:
    case KeywordIndex::kSectionStyle:
    case KeywordIndex::kList:
      return true;
    default:
      return false;
  }
}

std::string WithoutLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\r' && c != '\n') {
      out.push_back(c);
    } else if (EndsInControlSymbolBackslash(out)) {
      // "\" and a line break end a paragraph, which a font has none of; left alone, the
      // backslash would escape the byte after the break, a brace too.
      out.pop_back();
    }
  }
  return out;
}

bool HoldsBinaryData(std::string_view entry) {
  for (size_t i = entry.find("\\bin"); i != std::string_view::npos;
       i = entry.find("\\bin", i + 1)) {
    if (ReadControlWord(entry, i).name == "\\bin") return true;
  }
  return false;
}

// The entries of a header table are read at its own level with \bin as an ordinary word; the
// groups of the entries are measured as readers measure them.
constexpr RtfReading kEntryReading{.bin_data = false};

// A walker standing after the keyword of a header group: its entries follow.
RtfWalker AfterKeyword(std::string_view group) {
  RtfWalker walker(group, 0, kEntryReading);
  while (const RtfToken token = walker.Next()) {
    if (token.Is(RtfTokenKind::kWord)) break;
  }
  return walker;
}

// The closed brace groups directly inside `group`, each as it stands.
std::vector<std::string_view> InnerGroups(std::string_view group) {
  std::vector<std::string_view> entries;
  RtfWalker walker = AfterKeyword(group);
  while (const RtfToken token = walker.Next()) {
    if (!token.Is(RtfTokenKind::kGroupStart)) continue;
    const GroupExtent extent = FindGroupEnd(group, token.pos);
    if (!extent.closed) break;
    entries.push_back(group.substr(token.pos, extent.end - token.pos));
    walker.MoveTo(extent.end);
  }
  return entries;
}
}  // namespace

std::optional<int32_t> MergedReference(const FragmentTables& tables, KeywordIndex index,
                                       int32_t number, uint8_t link_kind) {
  if (number < 0) return std::nullopt;
  const auto key = static_cast<uint32_t>(number);
  const bool fits_style = number <= 0xFFFF;
  const auto style_number = static_cast<uint16_t>(number);
  switch (index) {
    case KeywordIndex::kFont:
    case KeywordIndex::kNumberingFont:
      return fits_style ? tables.Fonts.Replacement(key) : std::nullopt;
    case KeywordIndex::kBackColor:
    case KeywordIndex::kColor:
    case KeywordIndex::kHighlight:
    case KeywordIndex::kCellColor:
      return tables.Colors.Replacement(key);
    case KeywordIndex::kParagraphStyle:
      return fits_style ? tables.Styles.StyleReplacement(kStyleParagraph, style_number)
                        : std::nullopt;
    case KeywordIndex::kCharacterStyle:
      return fits_style ? tables.Styles.StyleReplacement(kStyleCharacter, style_number)
                        : std::nullopt;
    case KeywordIndex::kSectionStyle:
      return fits_style ? tables.Styles.StyleReplacement(kStyleSection, style_number)
                        : std::nullopt;
    case KeywordIndex::kList:
      return tables.Lists.OverrideReplacement(number);
    case KeywordIndex::kStyleLink: {
      if (!fits_style) return std::nullopt;
      if (auto own = tables.Styles.StyleReplacement(link_kind, style_number)) return own;
      for (uint8_t kind : {kStyleParagraph, kStyleCharacter, kStyleSection}) {
        if (auto other = tables.Styles.StyleReplacement(kind, style_number)) return other;
      }
      return std::nullopt;
    }
    default:
      return std::nullopt;
  }
}

std::string RenumberReferences(std::string_view rtf, const FragmentTables& tables,
                               RenumberWhat what) {
  std::string out;
  out.reserve(rtf.size());
  RtfWalker walker(rtf, 0, kEntryReading);
  while (const RtfToken token = walker.Next()) {
    const std::string_view source = token.In(rtf);
    const KeywordRow* row =
        token.Is(RtfTokenKind::kWord) ? ClassifyKeyword(token.word.name) : nullptr;
    const bool link = row != nullptr && row->Index == KeywordIndex::kStyleLink;
    const bool wanted = row != nullptr && row->Kind == KeywordKind::kReference &&
                        ((what.tables && IsTableReference(row->Index)) || (what.links && link));
    if (!wanted) {
      out.append(source);
      continue;
    }
    const ControlWord& word = token.word;
    const std::optional<int32_t> merged =
        MergedReference(tables, row->Index, word.param, what.link_kind);
    if (merged) {
      out.append(word.name).append(std::to_string(*merged));
      if (word.space_delimited) out.push_back(' ');
    } else if (link) {
      out.append(source);
    } else if (token.end < rtf.size() &&
               JoinsOpenWord(out, static_cast<unsigned char>(rtf[token.end]))) {
      out.push_back(' ');
    }
  }
  return out;
}

namespace {
// A font's rest naming `charset` when it names none or the default set 1.
std::string WithDocumentCharset(const std::string& rest, int charset) {
  const size_t own = rest.find("\\fcharset");
  if (own != std::string::npos && ReadControlWord(rest, own).param != 1) return rest;
  return WithCharset(rest, charset).value_or(rest);
}
}  // namespace

std::optional<std::string> WithCharset(const std::string& rest, int charset) {
  const std::string word = "\\fcharset" + std::to_string(charset);
  const size_t own = rest.find("\\fcharset");
  if (own == std::string::npos) return word + rest;
  const ControlWord named = ReadControlWord(rest, own);
  if (named.name != "\\fcharset" || named.param > 1) return std::nullopt;
  return rest.substr(0, own) + word + (named.space_delimited ? " " : "") +
         rest.substr(own + named.length);
}

std::optional<int> CharsetOfCodePage(int code_page) {
  static constexpr std::pair<int, int> kCharsets[] = {
      {1252, 0},   {932, 128},  {949, 129},  {936, 134},  {950, 136},  {1253, 161}, {1254, 162},
      {1258, 163}, {1255, 177}, {1256, 178}, {1257, 186}, {1251, 204}, {874, 222},  {1250, 238}};
  for (const auto& [page, charset] : kCharsets) {
    if (page == code_page) return charset;
  }
  return std::nullopt;
}

size_t ReadFontTable(std::string_view group, FragmentTables& tables, std::optional<int> charset) {
  auto merge = [&tables, charset](std::string_view raw) {
    const std::string entry = WithoutLineBreaks(raw);
    if (HoldsBinaryData(entry)) return;
    if (std::optional<TQEFontStr> font = ParseFontEntry(entry)) {
      if (charset) font->Rest = WithDocumentCharset(font->Rest, *charset);
      tables.Fonts.Merge(font->Number, std::move(font->Rest));
    }
  };
  // Some writers leave out the braces around each font; such a font ends at its ";".
  size_t loose_start = std::string_view::npos;
  size_t paragraph_marks = 0;
  RtfWalker walker = AfterKeyword(group);
  while (const RtfToken token = walker.Next()) {
    if (token.Is(RtfTokenKind::kGroupStart)) {
      const GroupExtent extent = FindGroupEnd(group, token.pos);
      if (!extent.closed) break;
      if (loose_start == std::string_view::npos)
        merge(group.substr(token.pos, extent.end - token.pos));
      walker.MoveTo(extent.end);
    } else if (token.Is(RtfTokenKind::kWord)) {
      if (token.word.name == "\\par") ++paragraph_marks;
      if (loose_start == std::string_view::npos && token.word.name == "\\f" &&
          token.word.has_param && !token.word.negative) {
        loose_start = token.pos;
      }
    } else if (token.Is(RtfTokenKind::kText) && loose_start != std::string_view::npos) {
      const size_t semicolon = token.In(group).find(';');
      if (semicolon == std::string_view::npos) continue;
      const size_t end = token.pos + semicolon + 1;
      merge("{" + std::string(group.substr(loose_start, end - loose_start)) + "}");
      loose_start = std::string_view::npos;
      walker.MoveTo(end);
    }
  }
  return paragraph_marks;
}

void ReadColorTable(std::string_view group, FragmentTables& tables) {
  uint32_t index = 0;
  RtfWalker walker = AfterKeyword(group);
  size_t entry_start = walker.Position();
  while (const RtfToken token = walker.Next()) {
    if (token.Is(RtfTokenKind::kGroupEnd)) return;
    if (token.Is(RtfTokenKind::kGroupStart)) {
      walker.MoveTo(FindGroupEnd(group, token.pos).end);  // nothing of a colour lives in it
    } else if (token.Is(RtfTokenKind::kText)) {
      // Each ";" ends a colour.
      for (size_t end = group.find(';', token.pos); end < token.end;
           end = group.find(';', end + 1)) {
        tables.Colors.Merge(index++,
                            NormalColorEntry(group.substr(entry_start, end - entry_start)));
        entry_start = end + 1;
      }
    }
  }
}

void ReadListTable(std::string_view group, FragmentTables& tables) {
  for (std::string_view list : InnerGroups(group)) {
    if (HoldsBinaryData(list)) continue;
    tables.Lists.MergeList(RenumberReferences(WithoutLineBreaks(list), tables, {}));
  }
}

void ReadListOverrideTable(std::string_view group, FragmentTables& tables) {
  for (std::string_view entry : InnerGroups(group)) {
    tables.Lists.MergeOverride(WithoutLineBreaks(entry));
  }
}

void ReadStyleSheet(std::string_view group, FragmentTables& tables) {
  // Links to styles later in the sheet can only be renumbered once every style has its
  // merged number.
  struct Added {
    size_t position;
    std::string rest;
    uint8_t kind;
  };
  std::vector<Added> added;
  for (std::string_view raw : InnerGroups(group)) {
    std::optional<TQEStyleStr> style = ParseStyleEntry(raw);
    if (!style || style->Kind == kStylePlainGroup || HoldsBinaryData(style->Rest)) continue;
    std::string rest = RenumberReferences(style->Rest, tables, {true, false, style->Kind});
    const int32_t count_before = tables.Styles.Count();
    const std::optional<size_t> position = tables.Styles.Merge(style->Kind, style->Number, rest);
    if (position && tables.Styles.Count() > count_before) {
      added.push_back({*position, std::move(rest), style->Kind});
    }
  }
  for (Added& style : added) {
    tables.Styles.SetRest(style.position,
                          RenumberReferences(style.rest, tables, {false, true, style.kind}));
  }
}

}  // namespace vorn
