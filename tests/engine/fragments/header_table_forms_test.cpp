#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/qertf/qertf.h"
#include "engine/qertfstream/fragment_tables.h"
#include "engine/test_dir.h"
#include "platform/system/stream.h"

namespace vorn {
namespace {

using Lines = std::vector<std::string>;

// Every merge leaves the report's tables in their normal forms, also when it adds nothing.
class HeaderTableFormsTest : public ::testing::Test {
 protected:
  void MergeEmpty() {
    report_.SetOutput(&out_);
    report_.MergeRtfText("{\\rtf1}");
  }
  TQeRTF report_;
  TMemoryStream out_;
};

TEST_F(HeaderTableFormsTest, EmptyFragmentWritesNothingButNormalisesTheTables) {
  report_.HeaderTables.Fonts = {"{\\f0\\fswiss Arial;}", "\\f1 loose;", "{\\fnil Nameless;}",
                                "{\\f70000 Too big;}", "{\\f2\r\n Times;}"};
  report_.HeaderTables.Colors = {";", "\\red255\\green0\\blue0;"};
  report_.HeaderTables.Styles = {"{\\*\\ds2\\sbknone Section;}", "{\\ql\\fs24 Normal;}",
                                 "{\\*\\cs10 \\additive Default;}", "{\\s1\\b\r\nHeading;}"};
  MergeEmpty();
  EXPECT_EQ(out_.Bytes(), "");
  EXPECT_EQ(report_.HeaderTables.Fonts, (Lines{"{\\f0\\fswiss Arial;}", "{\\f2\r\n Times;}"}));
  EXPECT_EQ(report_.HeaderTables.Colors, (Lines{";", "\\red255\\green0\\blue0;"}));
  EXPECT_EQ(report_.HeaderTables.Styles,
            (Lines{"{\\ds2\\sbknone Section;}", "{\\s0\\ql\\fs24 Normal;}",
                   "{\\*\\cs10 \\additive Default;}", "{\\s1\\b Heading;}"}));
}

TEST_F(HeaderTableFormsTest, ColourWithoutSemicolonKeepsItsNumber) {
  // Dropping it moved every later colour down by one, recolouring the report's text.
  report_.HeaderTables.Colors = {";", "\\red1\\green2\\blue3", "\\red0\\green0\\blue255;"};
  MergeEmpty();
  EXPECT_EQ(report_.HeaderTables.Colors,
            (Lines{";", "\\red1\\green2\\blue3;", "\\red0\\green0\\blue255;"}));
}

TEST_F(HeaderTableFormsTest, NotRtfStillNormalisesTheTables) {
  report_.HeaderTables.Styles = {"{\\ql Normal;}"};
  report_.SetOutput(&out_);
  report_.MergeRtfText("");
  EXPECT_EQ(out_.Bytes(), "");
  EXPECT_EQ(report_.HeaderTables.Styles, (Lines{"{\\s0\\ql Normal;}"}));
}

// FRTF of an empty or plain value in a run merges nothing and still normalises the tables, in
// either character set mode. With the fonts' own character sets kept (vornfill's default) the
// value bypassed the merge and the tables stayed as the template had them.
TEST(HeaderTableFormsRunTest, EmptyAndPlainValuesNormaliseTheTablesInEveryMode) {
  vorn::testing::TestDir dir;
  const std::string path = dir.Write(
      "template.rtf", "{\\rtf1{\\stylesheet{\\ql Normal;}}\\pard a\\\\FRTF(V)\\\\b\\par}");
  for (const bool keep_charsets : {false, true}) {
    for (const std::string value : {"", "plain"}) {
      TQeRTF report;
      report.SetKeepFontCharsets(keep_charsets);
      report.AddTextVariable("V", value);
      report.SetInFile(path);
      TMemoryStream out;
      report.ExecuteToStream({}, out);
      const std::string shown = value.empty() ? "" : "\\lang0 " + value;
      EXPECT_EQ(out.Bytes(), "{\\rtf1{\\stylesheet{\\s0\\ql Normal;}}\\pard a" + shown + "b\\par}")
          << keep_charsets;
    }
  }
}

TEST(StyleEntryTest, KindNumberAndRest) {
  struct Case {
    const char* entry;
    bool kept;
    int kind;
    int number;
    const char* rest;
  };
  const Case cases[] = {
      {"{\\s3\\li20 Body;}", true, kStyleParagraph, 3, "\\li20 Body;}"},
      {"{\\*\\cs15 \\b Strong;}", true, kStyleCharacter, 15, " \\b Strong;}"},
      {"{\\*\\ds2 Sect;}", true, kStyleSection, 2, " Sect;}"},
      {"{\\cs7\\i Em;}", true, kStyleCharacter, 7, "\\i Em;}"},
      {"{\\ds4 Sect;}", true, kStyleSection, 4, " Sect;}"},
      {"{\\ql Normal;}", true, kStyleParagraph, 0, "\\ql Normal;}"},
      // \sbasedon is no \s: the style has no number of its own.
      {"{\\sbasedon0 Child;}", true, kStyleParagraph, 0, "\\sbasedon0 Child;}"},
      // A table style stays as written; "\s0" in front of it would redefine Normal.
      {"{\\*\\ts11\\tsrowd Normal Table;}", true, kStylePlainGroup, 11,
       "\\*\\ts11\\tsrowd Normal Table;}"},
      {"{\\s;}", false, 0, 0, ""},           // not longer than 5
      {"{\\s1 Heading}", false, 0, 0, ""},   // no ";}"
      {"\\s1 Heading;}", false, 0, 0, ""},   // no "{"
      {"{\\s65536 Big;}", false, 0, 0, ""},  // number beyond 16 bits
      {"{\\s65535 Max;}", true, kStyleParagraph, 65535, " Max;}"},
  };
  for (const Case& c : cases) {
    const std::optional<TQEStyleStr> style = ParseStyleEntry(c.entry);
    ASSERT_EQ(style.has_value(), c.kept) << c.entry;
    if (!style) continue;
    EXPECT_EQ(style->Kind, c.kind) << c.entry;
    EXPECT_EQ(style->Number, c.number) << c.entry;
    EXPECT_EQ(style->Rest, c.rest) << c.entry;
    EXPECT_EQ(style->Flags, 0u);
  }
}

TEST(ColorEntryTest, NormalForms) {
  EXPECT_EQ(NormalColorEntry(""), ";");
  EXPECT_EQ(NormalColorEntry("\r\n "), ";");
  EXPECT_EQ(NormalColorEntry("\\red255\\green0\\blue0"), "\\red255\\green0\\blue0;");
  EXPECT_EQ(NormalColorEntry("\\ctint255\\cshade255\\red1 \\green2 \\blue3"),
            "\\red1\\green2\\blue3;");
  EXPECT_EQ(NormalColorEntry("\\blue7"), "\\red0\\green0\\blue7;");
  EXPECT_EQ(NormalColorEntry("\\red999\\green-4\\blue99999999999999"),
            "\\red255\\green0\\blue255;");
  // A visible backslash before "red7" makes it text, which gave this entry a red of 7.
  EXPECT_EQ(NormalColorEntry("\\\\red7\\green2"), "\\red0\\green2\\blue0;");
}

}  // namespace
}  // namespace vorn
