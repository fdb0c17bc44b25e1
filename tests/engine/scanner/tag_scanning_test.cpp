#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/qebasereport/quote_rules.h"
#include "engine/qebasereport/tag_codec.h"
#include "engine/scanner/scanner_fixture.h"

namespace vorn::testing {
namespace {

using Strings = std::vector<std::string>;

class TagScanningTest : public ScannerTest {};

TEST_F(TagScanningTest, TagBetweenVisibleBackslashesIsCut) {
  EXPECT_EQ(Trace(R"({\rtf1 price \\SALE_PRICE\\ now})"), R"({\rtf1 price <tag:SALE_PRICE> now})");
  EXPECT_EQ(scanner->TagStartPos(), 14);
}

TEST_F(TagScanningTest, HexEscapeOfBackslashDelimitsInEitherCase) {
  EXPECT_EQ(Tags(R"({\rtf1 \'5cA\'5C \\B\'5c \'5CC\\})"), (Strings{"A", "B", "C"}));
}

TEST_F(TagScanningTest, VisibleBackslashBeforeStarIsText) {
  EXPECT_EQ(Trace(R"({\rtf1 a\\*b \'5c*c \\X\\})"), R"({\rtf1 a\\*b \'5c*c <tag:X>})");
  // Nor does it close a tag: the tag runs on to the next delimiter.
  EXPECT_EQ(Tags(R"({\rtf1 \\A\\*\\})"), (Strings{R"(A\\*)"}));
}

TEST_F(TagScanningTest, LoneBackslashStaysText) {
  const std::string rtf = R"({\rtf1 a \\ b\par c \\ d})";
  EXPECT_EQ(Trace(rtf), rtf);
  EXPECT_TRUE(tags.empty());
}

TEST_F(TagScanningTest, ParagraphLevelWordsEndACandidate) {
  for (const char* word : {"\\par", "\\line", "\\page", "\\sect", "\\cell", "\\PAR"}) {
    const std::string rtf = std::string(R"({\rtf1 \\A)") + word + R"( B\\ C\\})";
    EXPECT_EQ(Trace(rtf), std::string(R"({\rtf1 \\A)") + word + " B<tag: C>}") << word;
  }
  // Words that merely begin like them do not.
  EXPECT_EQ(Tags(R"({\rtf1 \\A\pard\linex\pagebb\sectd B\\})"),
            (Strings{R"(A\pard\linex\pagebb\sectd B)"}));
}

// Look-ahead passes over line breaks, which made "\par", a line feed and text one word.
TEST_F(TagScanningTest, LineBreakEndsAParagraphWord) {
  EXPECT_EQ(Trace("{\\rtf1 \\\\A\\par\nB\\\\ C\\\\}"), "{\\rtf1 \\\\A\\par\nB<tag: C>}");
  EXPECT_EQ(scanner->LastBreakPos(), 11);
}

TEST_F(TagScanningTest, GroupsEndACandidateEvenInsideQuotes) {
  EXPECT_EQ(Trace(R"({\rtf1 \\A{\field{\*\fldinst X}}B\\})"),
            R"({\rtf1 \\A<group>{\field{\*\fldinst X}}B\\})");
  EXPECT_EQ(Trace(R"({\rtf1 \\"A{\pict 5c5c}"\\})"), R"({\rtf1 \\"A<group>{\pict 5c5c}"\\})");
  EXPECT_TRUE(tags.empty());
}

TEST_F(TagScanningTest, BoldInsideATagIsPartOfItsRawText) {
  EXPECT_EQ(Tags(R"({\rtf1 \\PROD{\b _NA}ME\\})"), (Strings{R"(PROD{\b _NA}ME)"}));
  const TagTextParts parts = ExtractTagText(tags[0]);
  EXPECT_EQ(parts.text, "PROD_NAME");
  EXPECT_EQ(parts.format_text, R"({\b })");
}

TEST_F(TagScanningTest, TagLimitIsTenThousandCountedBytes) {
  const auto tag_of = [](const std::string& body) { return R"({\rtf1 \\)" + body + R"(\\})"; };
  EXPECT_EQ(Tags(tag_of(std::string(9999, 'A'))).size(), 1u);
  EXPECT_TRUE(Tags(tag_of(std::string(10000, 'A'))).empty());
  // Hex escapes count four each.
  std::string escapes;
  for (int i = 0; i < 2499; ++i) escapes += R"(\'41)";
  EXPECT_EQ(Tags(tag_of(escapes + "AAA")).size(), 1u);
  EXPECT_TRUE(Tags(tag_of(escapes + "AAAA")).empty());
}

TEST_F(TagScanningTest, AfterAFailedCandidateScanningResumesBehindItsDelimiter) {
  EXPECT_EQ(Trace(std::string(R"({\rtf1 \\)") + std::string(10000, 'A') + R"(\\B\\})"),
            std::string(R"({\rtf1 \\)") + std::string(10000, 'A') + "<tag:B>}");
}

TEST_F(TagScanningTest, TagCutOffByTheEndIsText) {
  const std::string rtf = R"({\rtf1 \\"open \\ tag)";
  EXPECT_EQ(Trace(rtf), rtf);
  EXPECT_TRUE(tags.empty());
}

struct QuoteCase {
  const char* name;
  std::string rtf_tag;  // between the delimiters, as the template holds it
  std::string raw;      // as NextTag returns it
};

class QuoteFormTest : public ScannerTest, public ::testing::WithParamInterface<QuoteCase> {};

// Each quoted string holds a visible backslash, which must not end the tag.
TEST_P(QuoteFormTest, BackslashInsideAQuoteDoesNotEndTheTag) {
  EXPECT_EQ(Tags(R"({\rtf1 \\)" + GetParam().rtf_tag + R"(\\ after})"), (Strings{GetParam().raw}));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, QuoteFormTest,
    ::testing::Values(
        QuoteCase{"DoubleQuote", R"(U("a\\b"))", R"(U("a\\b"))"},
        QuoteCase{"Apostrophe", R"(U('a\\b'))", R"(U('a\\b'))"},
        QuoteCase{"ApostropheClosedByRquote", R"(U('a\\b\rquote ))", R"(U('a\\b\rquote ))"},
        QuoteCase{"Grave", "U(`a\\\\b`)", "U(`a\\\\b`)"},
        QuoteCase{"Tilde", "U(~a\\\\b~)", "U(~a\\\\b~)"},
        QuoteCase{"CurlyBytes",
                  "U(\x93"
                  R"(a\\b)"
                  "\x94)",
                  "U(\x93"
                  R"(a\\b)"
                  "\x94)"},
        QuoteCase{"RightCurlyOpens",
                  "U(\x94"
                  R"(a\\b)"
                  "\x94)",
                  "U(\x94"
                  R"(a\\b)"
                  "\x94)"},
        QuoteCase{"CurlyEscapes", R"(U(\'93a\\b\'94))", R"(U(\'93a\\b\'94))"},
        QuoteCase{"CurlyClosedByRdblquote", R"(U(\'93a\\b\rdblquote))", R"(U(\'93a\\b\rdblquote))"},
        QuoteCase{"LquoteTakesItsBlank", R"(U(\lquote a\\b\rquote ))",
                  R"(U(\lquote a\\b\rquote ))"},
        QuoteCase{"RquoteOpensClosedByApostrophe", R"(U(\rquote a\\b'))", R"(U(\rquote a\\b'))"},
        QuoteCase{"Ldblquote", R"(U(\ldblquote a\\b\rdblquote ))",
                  R"(U(\ldblquote a\\b\rdblquote ))"},
        QuoteCase{"LdblquoteClosedByByte", "U(\\ldblquote a\\\\b\x94)",
                  "U(\\ldblquote a\\\\b\x94)"},
        QuoteCase{"RdblquoteOpens", R"(U(\rdblquote a\\b\'94))", R"(U(\rdblquote a\\b\'94))"},
        QuoteCase{"UpperCaseWordsAppendedLowerCase", R"(U(\LDBLQUOTE a\\b\RDBLQUOTE))",
                  R"(U(\ldblquote a\\b\rdblquote))"},
        QuoteCase{"GuillemetBytes",
                  "U(\xAB"
                  R"(a\\b)"
                  "\xBB)",
                  "U(\xAB"
                  R"(a\\b)"
                  "\xBB)"},
        QuoteCase{"GuillemetEscapesLowerCased", R"(U(\'AB a\\b\'ab\'BB))",
                  R"(U(\'ab a\\b\'ab\'bb))"},
        QuoteCase{"HexDelimiterInsideQuoteAsWritten", R"(U("a\'5Cb"))", R"(U("a\'5Cb"))"},
        QuoteCase{"WordFollowedByLetterIsNoQuote", R"(U(\lquotes "a\\b"))",
                  R"(U(\lquotes "a\\b"))"},
        QuoteCase{"ParagraphWordInsideQuote", R"(U("a\par b"))", R"(U("a\par b"))"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TagScanningTest, AnUnclosedQuoteSwallowsLaterDelimiters) {
  // Scanning resumes behind the failed opening delimiter, so the next pair opens a tag.
  EXPECT_EQ(Tags(R"({\rtf1 \\U("a\\ b\\})"), (Strings{" b"}));
  // Kind 3 is not closed by its left form.
  EXPECT_TRUE(Tags(R"({\rtf1 \\U(\'aba\'ab)\\})").empty());
}

// The scanner protects a backslash with the quote forms of the raw RTF, the expression reader
// with the bytes they decode to: a string the one collected as quoted must be quoted for the other.
TEST_F(TagScanningTest, EveryQuoteTheScannerClosesIsAQuotedStringOnceDecoded) {
  int closed = 0;
  for (const QuoteForm& open : kQuoteForms) {
    for (const QuoteForm& close : kQuoteForms) {
      const std::string inner = std::string(open.token) + " a\\\\b" + std::string(close.token);
      const Strings found = Tags("{\\rtf1 \\\\U(" + inner + " )\\\\ after}");
      // An unclosed quote gives the tag up; the backslash pair inside it may then open another.
      if (found.empty() || found[0].rfind("U(", 0) != 0) continue;
      ++closed;
      const std::string text = ExtractTagText(found[0]).text;
      ASSERT_GE(text.size(), 4u) << inner;
      EXPECT_TRUE(report.IsQuotedString(text.substr(2, text.size() - 3)))
          << inner << " -> " << text;
    }
  }
  // 0x93 and 0x94 in three forms each, closed by three; the guillemets in two, closed by two;
  // three apostrophe openers closed by two; the other three ASCII quotes by themselves.
  EXPECT_EQ(closed, 6 * 3 + 4 * 2 + 3 * 2 + 3);
  // The left-hand word decodes to the apostrophe but does not close a quote in the template.
  EXPECT_TRUE(Tags(R"({\rtf1 \\U('a\\b\lquote )\\})").empty());
  // A byte that opens nothing closes nothing either.
  EXPECT_FALSE(report.IsQuoteClose('x', 'x'));
  EXPECT_FALSE(report.IsQuotedString("xax"));
}

}  // namespace
}  // namespace vorn::testing
