#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/scanner/scanner_fixture.h"

namespace vorn::testing {
namespace {

using Kinds_ = std::vector<int32_t>;

class TemplateRecordsTest : public ScannerTest {};

TEST_F(TemplateRecordsTest, PlainTemplateIsOneTextRecordToItsEnd) {
  for (const std::string& rtf : {std::string(R"({\rtf1 plain})"), std::string("{\\rtf1 x}\r"),
                                 std::string("{\\rtf1 x}\n\0", 11)}) {
    EXPECT_EQ(PassThrough(rtf), rtf);
    EXPECT_EQ(Kinds(), Kinds_{rkText});
    EXPECT_EQ(report.Stream().TemplatePos, static_cast<int32_t>(rtf.size()) + 1);
  }
}

TEST_F(TemplateRecordsTest, AdjacentTagsLeaveNoEmptyTextBetween) {
  Trace(R"({\rtf1 \\A\\\\B\\})");
  EXPECT_EQ(Kinds(), (Kinds_{rkText, rkLiteral, rkLiteral, rkText}));
}

TEST_F(TemplateRecordsTest, RowsAreMarkedAroundTheirText) {
  EXPECT_EQ(Trace(R"({\rtf1 a\trowd\cellx10 A\cell\row b})"),
            R"({\rtf1 a<trowd>\trowd\cellx10 A\cell\row<row> b})");
  EXPECT_EQ(Kinds(), (Kinds_{rkText, rkRowStart, rkText, rkRowEnd, rkText}));
  EXPECT_FALSE(scanner->InRow());
}

TEST_F(TemplateRecordsTest, RowStartRightAfterATag) {
  EXPECT_EQ(Trace(R"({\rtf1 \\A\\\trowd x)"), R"({\rtf1 <tag:A><trowd>\trowd x)");
  EXPECT_EQ(Kinds(), (Kinds_{rkText, rkLiteral, rkRowStart, rkText}));
  EXPECT_TRUE(scanner->InRow());
}

TEST_F(TemplateRecordsTest, WordsThatOnlyBeginLikeRowsAreText) {
  const std::string rtf = R"({\rtf1 \trowdx\rows\rowd x})";
  EXPECT_EQ(Trace(rtf), rtf);
}

TEST_F(TemplateRecordsTest, TagsInsideVerbatimGroupsAreNotFound) {
  EXPECT_EQ(Trace(R"({\rtf1 a{\pict\pngblip \\A\\}{\field{\fldinst{\\B\\}}}{\object \\C\\}\\D\\})"),
            R"({\rtf1 a<group>{\pict\pngblip \\A\\}<group>{\field{\fldinst{\\B\\}}})"
            R"(<group>{\object \\C\\}<tag:D>})");
  EXPECT_EQ(tags, (std::vector<std::string>{"D"}));
}

TEST_F(TemplateRecordsTest, GroupWordMustEndThere) {
  EXPECT_EQ(Tags(R"({\rtf1 {\picture \\A\\}{\fieldx \\B\\}})"),
            (std::vector<std::string>{"A", "B"}));
}

TEST_F(TemplateRecordsTest, BinaryDataInAGroupIsSkippedWithItsBraces) {
  const std::string data = "}}\\\\{";
  const std::string group = "{\\pict\\bin5 " + data + "}";
  EXPECT_EQ(Trace("{\\rtf1 " + group + "\\\\A\\\\}"), "{\\rtf1 <group>" + group + "<tag:A>}");
  // Control bytes in the data are part of it, not skipped.
  const std::string raw = std::string("{\\object\\bin4 \0\r}\x1a}", 19);
  EXPECT_EQ(Trace("{\\rtf1 " + raw + "\\\\B\\\\}"), "{\\rtf1 <group>" + raw + "<tag:B>}");
}

TEST_F(TemplateRecordsTest, EscapedBracesInAGroupCountForNothing) {
  EXPECT_EQ(Trace(R"({\rtf1 {\field{\*\fldinst HYPERLINK "a\}b"}{\fldrslt x\{}}\\A\\})"),
            R"({\rtf1 <group>{\field{\*\fldinst HYPERLINK "a\}b"}{\fldrslt x\{}}<tag:A>})");
}

TEST_F(TemplateRecordsTest, EscapedBraceInTextStartsNoGroup) {
  EXPECT_EQ(Trace(R"({\rtf1 \{\pict \\A\\})"), R"({\rtf1 \{\pict <tag:A>})");
}

TEST_F(TemplateRecordsTest, HeaderGroupsAreTakenOutAndMarked) {
  EXPECT_EQ(Trace("{\\rtf1{\\fonttbl{\\f0 A;}}\n{\\colortbl;\\red1\\green2\\blue3;}"
                  "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}} body}"),
            "{\\rtf1<fonttbl>\n<colortbl><stylesheet><info> body}");
  EXPECT_EQ(report.HeaderTables.Fonts, (std::vector<std::string>{"{\\f0 A;}"}));
  EXPECT_EQ(report.HeaderTables.Colors, (std::vector<std::string>{";", "\\red1\\green2\\blue3;"}));
  EXPECT_EQ(report.HeaderTables.Styles, (std::vector<std::string>{"{\\s0 Normal;}"}));
  EXPECT_EQ(report.HeaderTables.Info, (std::vector<std::string>{"{\\title T}"}));
}

TEST_F(TemplateRecordsTest, HeaderKeywordsIgnoreCaseButMustEnd) {
  EXPECT_EQ(Trace(R"({\rtf1{\FontTbl{\f0 A;}}{\infox y}})"), R"({\rtf1<fonttbl>{\infox y}})");
}

TEST_F(TemplateRecordsTest, ParagraphWordsMoveTheBreakMarker) {
  Trace(R"({\rtf1 a\par b\line c\pard d})");
  EXPECT_EQ(scanner->LastBreakPos(), 15);
}

}  // namespace
}  // namespace vorn::testing
