#include "engine/qertf/brace_balance.h"

#include <string>
#include <vector>

#include "engine/blocks/blocks_fixture.h"

namespace vorn::testing {
namespace {

TEST(BraceTextTest, BracesOfATextSkipEscapedCharacters) {
  struct Case {
    std::string text;
    std::string braces;
    int32_t net;
  };
  const std::vector<Case> cases = {
      {"{\\b x}", "{}", 0},
      {"\\{ not a group \\}", "", 0},
      // An escaped backslash escapes nothing after it.
      {"\\\\{", "{", 1},
      {"}{\\i ", "}{", 0},
      {"\\'7b}}", "}}", -2},
      {"", "", 0},
  };
  for (const Case& c : cases) {
    std::string braces;
    AppendBraces(c.text, braces);
    EXPECT_EQ(braces, c.braces) << c.text;
    EXPECT_EQ(NetBraces(c.text), c.net) << c.text;
  }
}

TEST(BraceTextTest, EmptyPairsAreDroppedInOnePass) {
  EXPECT_EQ(DropEmptyPairs("{}{}"), "");
  EXPECT_EQ(DropEmptyPairs("}{"), "}{");
  EXPECT_EQ(DropEmptyPairs("{{}}"), "{}");
  EXPECT_EQ(DropEmptyPairs("}{}{"), "}{");
  EXPECT_EQ(CompensationText(2), "}}");
  EXPECT_EQ(CompensationText(-3), "{{{");
  EXPECT_EQ(CompensationText(0), "");
}

class BraceBalanceTest : public BlocksTest {
 protected:
  std::unique_ptr<FakeDataSet> products_ = Products();
  std::unique_ptr<FakeDataSet> empty_ = Letters({});
};

TEST_F(BraceBalanceTest, GroupOpenedInTheBodyIsClosedBeforeEachLaterRepetition) {
  EXPECT_EQ(
      Render(Tag("SCAN(A)") + "{\\b " + Tag("A:NAME") + Tag("ENDSCAN") + "}", {products_.get()}),
      "{\\b Tea}{\\b Coffee}{\\b Milk}");
  // A body that closes a group opened before the scan reopens it.
  EXPECT_EQ(
      Render("{\\i " + Tag("SCAN(A)") + Tag("A:NAME") + "}" + Tag("ENDSCAN"), {products_.get()}),
      "{\\i Tea}{Coffee}{Milk}");
}

TEST_F(BraceBalanceTest, FormattingOfTheClosingTagBelongsToTheRepetition) {
  // This wrote one "}" too many per repetition: the endscan tag's own "}" closes the group that the
  // body opens, and was left out of the repetition's balance.
  EXPECT_EQ(
      Render(Tag("SCAN(A)") + "{\\b " + Tag("A:NAME") + " " + Tag("ENDSCAN}"), {products_.get()}),
      "{\\b Tea }{\\b Coffee }{\\b Milk }");
}

TEST_F(BraceBalanceTest, SkippedBlocksWriteTheBracesTheirRecordsWouldHave) {
  EXPECT_EQ(
      Render(Tag("SCAN(A),noeof") + "{\\b " + Tag("A:X") + Tag("ENDSCAN") + "}", {empty_.get()}),
      "{}");
  EXPECT_EQ(Render("{" + Tag("SCAN(A),noeof") + "x}{\\b y" + Tag("ENDSCAN") + "}", {empty_.get()}),
            "{}{}");
  // Braces written in the template text as escapes are text, not groups.
  EXPECT_EQ(Render(Tag("SCAN(A),noeof") + "\\{" + Tag("ENDSCAN"), {empty_.get()}), "");
}

TEST_F(BraceBalanceTest, EveryOutputOfNestedUnbalancedBlocksIsBalanced) {
  auto inner = Letters({"1", "2"});
  std::vector<std::string> bodies = {
      Tag("SCAN(A)") + "{" + Tag("SCAN(B)") + "{\\b " + Tag("B:X") + Tag("ENDSCAN") + "}" +
          Tag("ENDSCAN") + "}",
      Tag("SCAN(A)") + "{" + Tag("SCAN(B),noeof") + "{" + Tag("ENDSCAN") + "}" + Tag("ENDSCAN") +
          "}",
      "{" + Tag("SCAN(A)") + "h}{" + Tag("SCANENTRY") + "x}{" + Tag("SCANFOOTER") + "f}{" +
          Tag("ENDSCAN") + "}",
      Tag("SCAN(A)") + "{" + Tag("IF(A:(0)='Tea')") + "{" + Tag("ELSE") + "}{" + Tag("ENDIF") +
          "}" + Tag("ENDSCAN") + "}",
      Tag("SCAN(A),page") + Tag("IF(1=2)") + "{" + Tag("SCAN(B)") + "}" + Tag("ENDSCAN") + "{" +
          Tag("ENDIF") + "}" + Tag("ENDSCAN"),
  };
  for (const std::string& body : bodies) {
    for (TDataSet* outer :
         {static_cast<TDataSet*>(products_.get()), static_cast<TDataSet*>(empty_.get())}) {
      const std::string document = "{\\rtf1 " + body + "}";
      ASSERT_TRUE(BracesBalanced(document)) << body;
      const std::string out = RenderDocument(document, {outer, inner.get()});
      EXPECT_TRUE(BracesBalanced(out)) << body << "\n" << out;
    }
  }
}

}  // namespace
}  // namespace vorn::testing
