#include <string>
#include <vector>

#include "engine/blocks/blocks_fixture.h"

namespace vorn::testing {
namespace {

class IfBlocksTest : public BlocksTest {
 protected:
  std::unique_ptr<FakeDataSet> products_ = Products();
};

struct Case {
  std::string body;
  std::string expected;
};

TEST_F(IfBlocksTest, ConditionChoosesThePartWritten) {
  const std::vector<Case> cases = {
      {"<" + Tag("IF(1=1)") + "yes" + Tag("ENDIF") + ">", "<yes>"},
      {"<" + Tag("IF(1=2)") + "yes" + Tag("ENDIF") + ">", "<>"},
      {"<" + Tag("IF(1=1)") + "yes" + Tag("ELSE") + "no" + Tag("ENDIF") + ">", "<yes>"},
      {"<" + Tag("IF(1=2)") + "yes" + Tag("ELSE") + "no" + Tag("ENDIF") + ">", "<no>"},
      {"<" + Tag("if('a'='a')") + "yes" + Tag("Else") + "no" + Tag("EndIf") + ">", "<yes>"},
      // Inner blocks of a part not written are passed over whole.
      {Tag("IF(1=2)") + Tag("IF(1=1)") + "a" + Tag("ELSE") + "b" + Tag("ENDIF") + Tag("ELSE") +
           "c" + Tag("ENDIF"),
       "c"},
      // An else partly in bold (a group opened inside its tag) writes that formatting once.
      {Tag("IF(1=1)") + "a " + "\\\\E{\\b LSE\\\\ b} " + Tag("ENDIF"), "a {\\b }"},
      {Tag("IF(1=2)") + "a " + "\\\\E{\\b LSE\\\\ b} " + Tag("ENDIF"), "{\\b  b} "},
  };
  for (const Case& c : cases) EXPECT_EQ(Render(c.body), c.expected) << c.body;
}

TEST_F(IfBlocksTest, OuterElseIsDecidedByTheOuterConditionAfterAnInnerEndif) {
  const std::string body = Tag("IF(1=1)") + "[" + Tag("IF(1=2)") + "inner" + Tag("ENDIF") + "]" +
                           Tag("ELSE") + "outer else" + Tag("ENDIF");
  EXPECT_EQ(Render(body), "[]");
  // The condition of an if stays current after its endif.
  report_.CurrentCondition = false;
  Render(Tag("IF(1=1)") + Tag("IF(1=2)") + Tag("ENDIF") + Tag("ENDIF"));
  EXPECT_TRUE(report_.CurrentCondition);
}

TEST_F(IfBlocksTest, ConditionIsEvaluatedPerRecordInsideAScan) {
  EXPECT_EQ(Render(Tag("SCAN(A)") + Tag("IF(A:NAME='Coffee')") + "#" + Tag("ELSE") + Tag("A:NAME") +
                       Tag("ENDIF") + "," + Tag("ENDSCAN"),
                   {products_.get()}),
            "Tea,#,Milk,");
}

TEST_F(IfBlocksTest, MisplacedIfCommandsFailWithTheirMessages) {
  const std::vector<Case> cases = {
      {Tag("IF(1=1),2") + Tag("ENDIF"), "Illegal using of \"if\" command: IF(1=1),2"},
      {Tag("IF(1=1)x") + Tag("ENDIF"), "Illegal using of \"if\" keyword: IF(1=1)x"},
      {Tag("ELSE"), "Error: \"else\" must be after \"if\": ELSE"},
      {Tag("IF(1=1)") + Tag("ELSE,1") + Tag("ENDIF"), "Illegal using of \"Else\" command: ELSE,1"},
      {Tag("SCAN(A)") + Tag("ELSE") + Tag("ENDSCAN"), "Error: \"else\" is not expected: ELSE"},
      {Tag("IF(1=1)") + Tag("ELSE") + Tag("ELSEWHERE") + Tag("ENDIF"),
       "Error: \"else\" is not expected: ELSEWHERE"},
      {Tag("ENDIF"), "Error: \"endif\" must be after \"if\": ENDIF"},
      {Tag("SCAN(A)") + Tag("ENDIF"), "Error: \"endif\" is not expected: ENDIF"},
      {Tag("IF(1=1)") + Tag("ENDIF,1"), "Illegal using of \"endif\" command: ENDIF,1"},
      {Tag("IF(1=1)") + "open", "Endif expected, but end of document found"},
      {Tag("IF(1=1)") + Tag("ELSE") + "open", "Endif expected, but end of document found"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompileError<EIllegalIFUse>(c.body, {products_.get()}), c.expected) << c.body;
  }
}

TEST_F(IfBlocksTest, CommandsAloneInTheirParagraphsLeaveNoEmptyParagraph) {
  const std::string body = "Top\\par " + Tag("IF(1=COND)") + "\\par shown\\par " + Tag("ELSE") +
                           "\\par other\\par " + Tag("ENDIF") + "\\par End\\par";
  report_.AddNumberVariable("COND", 1);
  EXPECT_EQ(Render(body), "Top\\par shown\\par End\\par");
}

TEST_F(IfBlocksTest, SkippedPartWritesOnlyItsBracesAndTheEndifsFormatting) {
  // The part opens a group that the template closes after the endif.
  EXPECT_EQ(Render(Tag("IF(1=2)") + "{\\b hidden " + Tag("ENDIF") + "}"), "{}");
  // The endif's own formatting is written whether or not the part was.
  EXPECT_EQ(Render(Tag("IF(1=2)") + "hidden" + Tag("END{\\i}IF") + "."), "{\\i}.");
}

}  // namespace
}  // namespace vorn::testing
