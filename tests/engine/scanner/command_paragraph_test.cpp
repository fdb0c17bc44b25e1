#include <gtest/gtest.h>

#include <string>

#include "engine/scanner/scanner_fixture.h"

namespace vorn::testing {
namespace {

class CommandParagraphTest : public ScannerTest {};

struct AbsorbCase {
  const char* name;
  std::string rtf;
  std::string rendered;
};

class AbsorbTest : public ScannerTest, public ::testing::WithParamInterface<AbsorbCase> {};

TEST_P(AbsorbTest, ParagraphIsAbsorbedOnlyWhenTheCommandStandsAlone) {
  EXPECT_EQ(Trace(GetParam().rtf), GetParam().rendered);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AbsorbTest,
    ::testing::Values(
        AbsorbCase{"AloneInItsParagraph", R"({\rtf1 a\par \pard{\b \\CMDSCAN\\}\par Next})",
                   R"({\rtf1 a\par \pard{\b <cmd:CMDSCAN|}>Next})"},
        AbsorbCase{"AtTheStartOfTheDocument", R"({\rtf1 \\CMDIF\\\par X})",
                   R"({\rtf1 <cmd:CMDIF|>X})"},
        AbsorbCase{"ParWithoutBlank", R"({\rtf1 \par \\CMDIF\\\par\pard X})",
                   R"({\rtf1 \par <cmd:CMDIF|>\pard X})"},
        AbsorbCase{"PardIsNoParagraphMark", R"({\rtf1 \par \\CMDIF\\\pard\plain\par X})",
                   R"({\rtf1 \par <cmd:CMDIF|\pard\plain>X})"},
        AbsorbCase{"TextBeforeKeepsIt", R"({\rtf1 \par Price \\CMDIF\\\par X})",
                   R"({\rtf1 \par Price <cmd:CMDIF>\par X})"},
        AbsorbCase{"TextAfterKeepsIt", R"({\rtf1 \par \\CMDIF\\ x\par X})",
                   R"({\rtf1 \par <cmd:CMDIF> x\par X})"},
        AbsorbCase{"HexTextAfterKeepsIt", R"({\rtf1 \par \\CMDIF\\\'a4\par X})",
                   R"({\rtf1 \par <cmd:CMDIF>\'a4\par X})"},
        AbsorbCase{"EndOfTemplateKeepsIt", R"({\rtf1 \par \\CMDIF\\})",
                   R"({\rtf1 \par <cmd:CMDIF>})"},
        AbsorbCase{"TwoCommandsShareTheParagraph", R"({\rtf1 \par \\CMDA\\\\CMDB\\\par X})",
                   R"({\rtf1 \par <cmd:CMDA><cmd:CMDB>\par X})"},
        AbsorbCase{"VisibleBackslashParIsText", R"({\rtf1 \par \\CMDA\\ \\par\par X})",
                   R"({\rtf1 \par <cmd:CMDA> \\par\par X})"},
        // Absorbing up to a later paragraph mark lost the row's end and its record.
        AbsorbCase{"RowStructureIsNeverAbsorbed",
                   R"({\rtf1 \trowd\pard\intbl \\CMDIF\\\cell\row\pard\par X})",
                   R"({\rtf1 <trowd>\trowd\pard\intbl <cmd:CMDIF>\cell\row<row>\pard\par X})"},
        AbsorbCase{"PictureIsNeverAbsorbed", R"({\rtf1 \par \\CMDIF\\{\pict 00}\par X})",
                   R"({\rtf1 \par <cmd:CMDIF><group>{\pict 00}\par X})"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandParagraphTest, AbsorptionMovesTheBreakMarkerToTheMark) {
  Trace(R"({\rtf1 \par \\CMDIF\\}\par X})");
  EXPECT_EQ(scanner->LastBreakPos(), 23);
  EXPECT_EQ(scanner->TagStartPos(), 13);
}

TEST_F(CommandParagraphTest, LongFormattingBeforeTheTagKeepsTheParagraph) {
  const std::string padding(10001, ' ');
  EXPECT_EQ(Trace(R"({\rtf1 \par)" + padding + R"(\\CMDIF\\\par X})"),
            R"({\rtf1 \par)" + padding + R"(<cmd:CMDIF>\par X})");
}

}  // namespace
}  // namespace vorn::testing
