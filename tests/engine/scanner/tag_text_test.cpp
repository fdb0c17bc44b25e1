#include <gtest/gtest.h>

#include <string>

#include "engine/qebasereport/tag_codec.h"

namespace vorn {
namespace {

struct ExtractCase {
  const char* name;
  std::string raw;
  std::string text;
  std::string format_text;
};

class TagTextTest : public ::testing::TestWithParam<ExtractCase> {};

TEST_P(TagTextTest, SplitsTextFromFormatting) {
  const TagTextParts parts = ExtractTagText(GetParam().raw);
  EXPECT_EQ(parts.text, GetParam().text);
  EXPECT_EQ(parts.format_text, GetParam().format_text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TagTextTest,
    ::testing::Values(
        ExtractCase{"BoldGroup", R"({\b NAME})", "NAME", R"({\b })"},
        ExtractCase{"BoldInTheMiddle", R"(PROD}{\b _NA}{ME)", "PROD_NAME", R"(}{\b }{)"},
        // A word processor ends a control word with a line break before the text; the
        // text belonged to the formatting and the tag came out empty.
        ExtractCase{"WordEndedByLineFeed", "PROD}{\\loch\\b\\loch\n_NA}{\\loch\nME", "PROD_NAME",
                    "}{\\loch\\b\\loch\n}{\\loch\n"},
        ExtractCase{"WordEndedByPunctuation", R"(\b(A:X))", "(A:X)", R"(\b)"},
        ExtractCase{"NumberedWord", R"(\fs24NAME)", "NAME", R"(\fs24)"},
        ExtractCase{"NegativeNumber", R"(\li-120 NAME)", "NAME", R"(\li-120 )"},
        ExtractCase{"HexEscapesArePlain", R"(\'a4\'BD)", "\xA4\xBD", ""},
        ExtractCase{"EightBitBytesAreFormatting", "\xA4\xBD", "", "\xA4\xBD"},
        ExtractCase{"HexZeroDropped", R"(A\'00B)", "AB", ""},
        ExtractCase{"BrokenHexDropped", R"(A\'zB)", "AzB", ""},
        ExtractCase{"EscapedSymbols", R"(\\\{\})", "\\{}", ""},
        ExtractCase{"NonBreakingSpaceInBrackets", R"([A\~B])", "A B", ""},
        ExtractCase{"QuoteWords", R"(\lquote a b\rquote )", "'a b'", ""},
        ExtractCase{"DoubleQuoteWords", R"(\ldblquote x y\rdblquote)", "\x93x y\x94", ""},
        ExtractCase{"QuoteWordNeedsWholeWord", R"(\lquotex A)", "A", R"(\lquotex )"},
        ExtractCase{"ListTextGroupWhole", R"({\*\pntext {\b 1.}\tab}X)", "X",
                    R"({\*\pntext {\b 1.}\tab})"},
        ExtractCase{"ListGroupNeedsWordEnd", R"({\*\pn1 X})", "X", R"({\*\pn1 })"},
        ExtractCase{"BlanksDropped", "A + B", "A+B", ""},
        ExtractCase{"BracketsKeepBlanks", "[Product name]", "Product name", ""},
        ExtractCase{"QuotesKeepBlanks", "UPPER(\" a \" + 'b c')", "UPPER(\" a \"+'b c')", ""},
        ExtractCase{"CurlyQuoteClosedByRight", "\x93 a\x93 b \x94 + c", "\x93 a\x93 b \x94+c", ""},
        ExtractCase{"GuillemetClosedByRight", "\xBB a \xBB b",
                    "\xBB a \xBB"
                    "b",
                    ""},
        ExtractCase{"TrimmedBothEnds", "  \t A \n", "A", "\t\n"},
        ExtractCase{"CaretAndBraceAreFormatting", "A^}", "A", "^}"},
        ExtractCase{"ControlSymbolIsTwoBytes", R"(A\-B)", "AB", R"(\-)"},
        ExtractCase{"TrailingBackslashDropped", "A\\", "A", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HasPlainTextTest, AgreesWithExtraction) {
  for (const char* raw : {"", " ", R"(\par \pard\plain )", "[ ]", R"({\b })", R"(\'41)", "x",
                          R"(\lquote )", "\t\n", R"({\*\pntext 1.})", "\xA4"}) {
    EXPECT_EQ(HasPlainText(raw), !ExtractTagText(raw).text.empty()) << raw;
  }
}

}  // namespace
}  // namespace vorn
