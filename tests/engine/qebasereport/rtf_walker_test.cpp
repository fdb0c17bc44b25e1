#include "engine/qebasereport/rtf_walker.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vorn {
namespace {

// The tokens of `text` in a short form: "{" and "}" with the depth after them, W word,
// S symbol (X hex escape), T text, B \bin data, "!" where \bin data cannot be passed soundly.
std::string Tokens(std::string_view text, RtfReading reading = {}) {
  std::string out;
  RtfWalker walker(text, 0, reading);
  for (RtfToken token = walker.Next(); !token.Is(RtfTokenKind::kEnd); token = walker.Next()) {
    if (!out.empty()) out += ' ';
    switch (token.kind) {
      case RtfTokenKind::kGroupStart:
      case RtfTokenKind::kGroupEnd:
        out += token.In(text);
        out += std::to_string(walker.Depth());
        break;
      case RtfTokenKind::kWord:
        out += "W" + std::string(token.In(text));
        break;
      case RtfTokenKind::kBinData:
        out += "B" + std::string(token.In(text));
        break;
      case RtfTokenKind::kSymbol:
        out += (token.hex >= 0 ? "X" : "S") + std::string(token.In(text));
        break;
      default:
        out += "T" + std::string(token.In(text));
        break;
    }
    if (token.unsound_bin) out += '!';
  }
  return out;
}

// Every reader of the engine takes its group edges, words and raw data from here: one byte
// read wrongly moves a group's end, and with it where the document's text begins or ends.
TEST(RtfWalkerTest, TokensAsReadersSeeThem) {
  struct Case {
    std::string_view text;
    std::string_view tokens;
    RtfReading reading = {};
  };
  const Case cases[] = {
      {"{\\rtf1 a{\\b b}}", "{1 W\\rtf1  Ta {2 W\\b  Tb }1 }0"},
      {"}}{", "}-1 }-2 {-1"},  // unbalanced: the depth only goes negative
      {"\\fs-24x\\li-x\\b-5", "W\\fs-24 Tx W\\li T-x W\\b-5"},
      {"\\{\\}\\\\a\\~", "S\\{ S\\} S\\\\ Ta S\\~"},
      {"\\'5cA\\'5\\'", "X\\'5c TA S\\' T5 S\\'"},  // a broken escape is two bytes
      {"a\\", "Ta S\\"},
      {"\\bin3 a}c}", "B\\bin3 a}c }-1"},
      {"\\bin0 }", "B\\bin0  }-1"},
      {"\\bin9 ab", "B\\bin9 ab!"},
      {"\\bin-5 }", "W\\bin-5 ! }-1"},
      {"\\bin }", "W\\bin  }-1"},
      {"\\bin3 a}c}", "W\\bin3  Ta }-1 Tc }-2", {.bin_data = false}},
      // The template scanner's header tables: a control byte never parts a backslash from the
      // byte it escapes, and a word begins only right after its backslash.
      {"\\\r}x{\\\r\nb", "S\\\r} Tx {1 S\\\r\n Tb", {.skip_control_bytes = true}},
      {"\\\rbin2 {}", "S\\\rb Tin2  {1 }0", {.skip_control_bytes = true}},
      {"\\bin2 {}", "B\\bin2 {}", {.skip_control_bytes = true}},
      {"\\\r}", "S\\\r }-1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Tokens(c.text, c.reading), c.tokens) << c.text;
  }
}

TEST(RtfWalkerTest, GroupExtents) {
  struct Case {
    std::string_view text;
    size_t pos;
    size_t depth;
    size_t end;
    bool closed;
  };
  const Case cases[] = {
      {"{a{b}\\}c}d", 0, 0, 9, true},   {"x{\\bin2 }}}y", 1, 0, 11, true},
      {"{\\bin5 }}", 0, 0, 9, false},  // the data runs past the end
      {"{\\bin-1 }}", 0, 0, 10, false}, {"{{}", 0, 0, 3, false},
      {"a}b}", 0, 1, 2, true},  // from inside the group
  };
  for (const Case& c : cases) {
    const GroupExtent extent = FindGroupEnd(c.text, c.pos, c.depth);
    EXPECT_EQ(extent.end, c.end) << c.text;
    EXPECT_EQ(extent.closed, c.closed) << c.text;
  }
}

TEST(RtfWalkerTest, FirstWordWithAParameter) {
  const std::string_view rtf =
      "{\\rtf1{\\*\\x\\paperw}\\\\paperw5\\paperwx7\\paperw11906\\paperw1}";
  EXPECT_EQ(FirstWordParam(rtf, "\\paperw"), 11906);
  EXPECT_EQ(FirstWordParam(rtf, "\\paperh"), std::nullopt);
  EXPECT_EQ(FirstWordParam("\\bin4 \\ls9\\ls2", "\\ls"), 2);
  EXPECT_EQ(FirstWordParam("\\bin4 \\ls9\\ls2", "\\ls", {.bin_data = false}), 9);
}

}  // namespace
}  // namespace vorn
