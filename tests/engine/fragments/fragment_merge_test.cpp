#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/fragments/rtf_balance.h"
#include "engine/qertf/qertf.h"
#include "platform/system/stream.h"

namespace vorn {
namespace {

using Lines = std::vector<std::string>;
using testing::ReaderBalanced;

class FragmentMergeTest : public ::testing::Test {
 protected:
  FragmentMergeTest() {
    report_.LangText = "1028";
    report_.SetOutput(&out_);
  }
  // The bytes one merge writes.
  std::string Merge(std::string_view fragment) {
    const size_t before = out_.Bytes().size();
    report_.MergeRtfText(fragment);
    return out_.Bytes().substr(before);
  }
  static std::string Rtf(std::string_view header, std::string_view body) {
    return "{\\rtf1\\ansi\\deff0" + std::string(header) + std::string(body) + "}";
  }

  TQeRTF report_;
  TMemoryStream out_;
};

TEST_F(FragmentMergeTest, RenumbersAgainstTablesThatHoldEntries) {
  report_.HeaderTables.Fonts = {"{\\f0\\froman Times;}", "{\\f4\\fswiss Arial;}"};
  report_.HeaderTables.Colors = {";", "\\red0\\green0\\blue255;"};
  report_.HeaderTables.Styles = {"{\\s0 Normal;}", "{\\s7\\b Report heading;}"};
  const std::string body =
      Merge(Rtf("{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier;}}"
                "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
                "{\\stylesheet{\\s0 Normal;}{\\s1\\f1\\cf1 Code;}{\\*\\cs2 \\cf2 Blue;}}",
                "\\pard\\s1\\f1\\cf1 x{\\cs2\\cf2\\highlight1\\cb2 y}\\f0\\chcbpat2 z"));
  // Arial is the report's f4, Courier new; red is new, blue the report's colour 1.
  EXPECT_EQ(body, "{\\f4 \\pard\\s8\\f5\\cf2 x{\\cs9\\cf1\\highlight2\\cb1 y}\\f4\\chcbpat1 z}");
  EXPECT_EQ(report_.HeaderTables.Fonts,
            (Lines{"{\\f0\\froman Times;}", "{\\f4\\fswiss Arial;}", "{\\f5\\fmodern Courier;}"}));
  EXPECT_EQ(report_.HeaderTables.Colors,
            (Lines{";", "\\red0\\green0\\blue255;", "\\red255\\green0\\blue0;"}));
  EXPECT_EQ(report_.HeaderTables.Styles, (Lines{"{\\s0 Normal;}", "{\\s7\\b Report heading;}",
                                                "{\\s8\\f5\\cf2 Code;}", "{\\*\\cs9 \\cf1 Blue;}"}))
      << "styles are numbered after the highest";
}

TEST_F(FragmentMergeTest, StyleNumbersFollowTheHighestOfAnyKind) {
  report_.HeaderTables.Styles = {"{\\s0 Normal;}", "{\\*\\cs12 Strong;}"};
  const std::string body =
      Merge(Rtf("{\\stylesheet{\\s3\\sbasedon0\\snext3 Mine;}{\\*\\ds1 Sect;}}", "\\s3\\ds1 a"));
  EXPECT_EQ(body, "{\\s13\\ds14 a}");
  EXPECT_EQ(report_.HeaderTables.Styles,
            (Lines{"{\\s0 Normal;}", "{\\*\\cs12 Strong;}", "{\\s13\\sbasedon0\\snext13 Mine;}",
                   "{\\ds14 Sect;}"}));
}

TEST_F(FragmentMergeTest, MergingTheSameFragmentTwiceAddsNothingTheSecondTime) {
  // The link to s2 stands before s2 is read, as word processors write it.
  const std::string fragment =
      Rtf("{\\fonttbl{\\f0\\fswiss Arial;}{\\f1 Mono;}}{\\colortbl;\\red9\\green9\\blue9;}"
          "{\\stylesheet{\\s0\\snext0 Normal;}{\\s1\\sbasedon2\\snext0\\cf1 Head;}"
          "{\\s2\\sbasedon0\\f1 Base;}}",
          "\\s1 a\\par\\s2\\f1 b");
  const std::string first = Merge(fragment);
  const TQeHeaderTables after_first = report_.HeaderTables;
  const std::string second = Merge(fragment);
  EXPECT_EQ(report_.HeaderTables.Fonts, after_first.Fonts);
  EXPECT_EQ(report_.HeaderTables.Colors, after_first.Colors);
  EXPECT_EQ(report_.HeaderTables.Styles, after_first.Styles);
  EXPECT_EQ(first, second);
  EXPECT_EQ(report_.HeaderTables.Styles,
            (Lines{"{\\s0\\snext0 Normal;}", "{\\s1\\sbasedon2\\snext0\\cf1 Head;}",
                   "{\\s2\\sbasedon0\\f1 Base;}"}));
}

TEST_F(FragmentMergeTest, DuplicateFontsOfOneFragmentShareOneNumber) {
  const std::string body =
      Merge(Rtf("{\\fonttbl{\\f3\\fswiss Arial;}{\\f8\\fswiss Arial;}}", "\\f3 a\\f8 b"));
  EXPECT_EQ(body, "{\\f0 a\\f0 b}");
  EXPECT_EQ(report_.HeaderTables.Fonts, (Lines{"{\\f0\\fswiss Arial;}"}));
}

TEST_F(FragmentMergeTest, FirstColourIntoAnEmptyListComesAfterAnAutoEntry) {
  const std::string body = Merge(Rtf("{\\colortbl\\red255\\green0\\blue0;}", "\\cf0 red"));
  EXPECT_EQ(body, "{\\cf1 red}");
  EXPECT_EQ(report_.HeaderTables.Colors, (Lines{";", "\\red255\\green0\\blue0;"}));
}

TEST_F(FragmentMergeTest, UndefinedReferencesLoseTheirWordWithoutJoiningOthers) {
  const std::string body = Merge(Rtf("", "\\b\\f9 x\\i\\cf3  y\\s4{\\cs5 z}"));
  EXPECT_EQ(body, "{\\b x\\i  y{z}}");
}

TEST_F(FragmentMergeTest, DefaultFontFollowsTheBodyAndEveryPlain) {
  report_.HeaderTables.Fonts = {"{\\f0\\froman Times;}"};
  const std::string body =
      Merge("{\\rtf1\\ansi\\deff1{\\fonttbl{\\f1\\fswiss Arial;}}\\plain a\\plain\\b b}");
  EXPECT_EQ(body, "{\\f1 \\plain \\f1 a\\plain\\f1\\b b}");
}

TEST_F(FragmentMergeTest, DropsHeaderDestinationsAndDocumentSettings) {
  const std::string body = Merge(
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\info{\\title T}}{\\*\\generator G;}"
      "\\paperw11906\\margl1134\\sectd\\pgwsxn11906\\viewkind4{\\header head}{\\headerl left}"
      "{\\*\\unknowndest hidden}{\\*\\bkmkstart mark}\\uc1\\pard text}");
  EXPECT_EQ(body, "{{\\*\\bkmkstart mark}\\uc1\\pard text}");
}

TEST_F(FragmentMergeTest, LastParagraphMarkIsBlankedSoTheReportLineRunsOn) {
  const std::string body = Merge(Rtf("", "one\\par two\\par }"));
  EXPECT_EQ(body, "{one\\par two\r\r\r\r\r}");
  EXPECT_EQ(Merge(Rtf("", "one\\par\\pard\\plain}")), "{one\r\r\r\r\\pard\\plain}");
}

TEST_F(FragmentMergeTest, ParagraphMarkBeforeVisibleContentStays) {
  struct Case {
    const char* body;
    const char* out;
  };
  const Case cases[] = {
      {"a\\par b", "{a\\par b}"},         {"a\\par\\tab", "{a\\par\\tab}"},
      {"a\\par\\'e9", "{a\\par\\'e9}"},   {"a\\par\\u20013?", "{a\\par\\u20013?}"},
      {"a\\par\\line", "{a\\par\\line}"}, {"a\\par{\\pict 00}", "{a\\par{\\pict 00}}"},
      {"a\\par\\cell", "{a\\par\\cell}"},
  };
  for (const Case& c : cases) EXPECT_EQ(Merge(Rtf("", c.body)), c.out) << c.body;
  // A section break becomes a paragraph mark, and is then the last one.
  EXPECT_EQ(Merge(Rtf("", "a\\par\\sect")), "{a\\par\r\r\r\r}");
}

TEST_F(FragmentMergeTest, TableAtTheStartBeginsOnItsOwnLine) {
  // The report's text before the tag went into the table's first cell.
  EXPECT_EQ(Merge(Rtf("", "\\trowd\\cellx99 a\\cell\\row")),
            "{\\par \\trowd\\cellx99 a\\cell\\row}");
  EXPECT_EQ(Merge(Rtf("", "\\pard\\intbl a\\cell\\row")), "{\\pard\\par \\intbl a\\cell\\row}");
  EXPECT_EQ(Merge(Rtf("", "x\\par\\trowd\\cellx99 a\\cell\\row")),
            "{x\\par\\trowd\\cellx99 a\\cell\\row}");
}

TEST_F(FragmentMergeTest, OverwriteHitsTheBlankedBytesOnlyInAFileOutput) {
  const std::string path = ::testing::TempDir() + "/fragment_overwrite.rtf";
  {
    TFileStream file(path, TFileStream::Mode::kCreate);
    report_.SetOutput(&file);
    file.Write("before ");
    report_.MergeRtfText(Rtf("", "x\\par "));
    file.Write(" after");
    file.Close();
  }
  TFileStream file(path, TFileStream::Mode::kRead);
  std::string bytes(static_cast<size_t>(file.Size()), '\0');
  bytes.resize(file.Read(bytes.data(), bytes.size()));
  EXPECT_EQ(bytes, "before {x\r\r\r\r\r} after");
}

TEST_F(FragmentMergeTest, TextThatIsNotRtfIsWrittenAsAValue) {
  EXPECT_EQ(Merge("Plain {braces} \\ and caf\xe9"),
            "\\lang1028 Plain \\{braces\\} \\\\ and caf\\'E9");
  EXPECT_EQ(Merge(" {\\rtf1 leading blank}"), "\\lang1028  \\{\\\\rtf1 leading blank\\}");
  EXPECT_EQ(Merge(""), "");
}

TEST_F(FragmentMergeTest, PicturesPassThroughWithBinaryData) {
  const std::string data = "}{\\}";
  const std::string picture = "{\\*\\shppict{\\pict\\pngblip\\bin4 " + data + "}}";
  const std::string body = Merge(Rtf("", "a" + picture + "{\\nonshppict{\\pict 0a}}b"));
  EXPECT_EQ(body, "{a" + picture + "{\\nonshppict{\\pict 0a}}b}");
  EXPECT_TRUE(ReaderBalanced(body));
}

TEST_F(FragmentMergeTest, BinaryDataOutsidePicturesIsDropped) {
  EXPECT_EQ(Merge(Rtf("", "a\\bin3 }}}b")), "{ab}");
  EXPECT_EQ(Merge(Rtf("", "a\\bin0 b")), "{ab}");
}

TEST_F(FragmentMergeTest, OutsideARunIsAnError) {
  TQeRTF report;
  try {
    report.MergeRtfText("{\\rtf1 x}");
    FAIL();
  } catch (const EIllegalFunctionUse& e) {
    EXPECT_STREQ(e.what(), "RTF fragment merged outside a report run");
  }
}

TEST_F(FragmentMergeTest, StreamAndFieldFormsMergeTheSameBytes) {
  TMemoryStream fragment;
  fragment.Write(Rtf("", "x"));
  report_.MergeRtfStream(fragment);
  EXPECT_EQ(out_.Bytes(), "{x}");
}

}  // namespace
}  // namespace vorn
