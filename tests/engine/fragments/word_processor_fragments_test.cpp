#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/fragments/rtf_balance.h"
#include "engine/qertf/qertf.h"
#include "engine/test_dir.h"
#include "platform/system/stream.h"

namespace vorn {
namespace {

using testing::CountOf;
using testing::ReaderBalanced;

std::string Fragment(const std::string& name) {
  return vorn::testing::ReadFileBytes(std::string(VORN_TEST_DATA_DIR) + "/fragments/" + name);
}

// Fragments a word processor wrote, merged into a report that has tables of its own.
class WordProcessorFragmentsTest : public ::testing::Test {
 protected:
  WordProcessorFragmentsTest() {
    report_.LangText = "1028";
    report_.SetOutput(&out_);
    report_.HeaderTables.Fonts = {"{\\f0\\froman\\fcharset136 Times New Roman;}",
                                  "{\\f1\\fnil\\fcharset136 AR PL UMing TW;}"};
    report_.HeaderTables.Colors = {";", "\\red0\\green0\\blue0;", "\\red255\\green0\\blue0;"};
    report_.HeaderTables.Styles = {"{\\s0\\f0\\fs24 Normal;}"};
  }
  std::string Merge(const std::string& fragment) {
    const size_t before = out_.Bytes().size();
    report_.MergeRtfText(fragment);
    return out_.Bytes().substr(before);
  }
  // The merged number of the font whose entry contains `name`, or -1.
  int FontNumber(const std::string& name) const {
    for (const std::string& font : report_.HeaderTables.Fonts) {
      if (font.find(name) != std::string::npos) return std::stoi(font.substr(3));
    }
    return -1;
  }
  int ColorNumber(const std::string& entry) const {
    const auto& colors = report_.HeaderTables.Colors;
    for (size_t i = 0; i < colors.size(); ++i) {
      if (colors[i] == entry) return static_cast<int>(i);
    }
    return -1;
  }

  TQeRTF report_;
  TMemoryStream out_;
};

TEST_F(WordProcessorFragmentsTest, StyledTextKeepsItsFontsAndColours) {
  const std::string body = Merge(Fragment("styled.rtf"));
  EXPECT_TRUE(ReaderBalanced(body));
  EXPECT_EQ(body.front(), '{');
  for (const char* gone : {"\\rtf", "\\paperw", "\\sectd", "\\pgwsxn", "fonttbl", "\\info",
                           "generator", "pgdsc", "\\deff", "\\margl"}) {
    EXPECT_EQ(body.find(gone), std::string::npos) << gone;
  }
  // "Red and crisp" in DejaVu Sans Mono, colour #cc0000 (fragment f5 and cf17).
  const int mono = FontNumber("DejaVu Sans Mono;");
  const int red = ColorNumber("\\red204\\green0\\blue0;");
  ASSERT_GE(mono, 2);
  ASSERT_GE(red, 3);
  EXPECT_NE(body.find("\\cf" + std::to_string(red) + "\\b\\f" + std::to_string(mono) + "\\loch"),
            std::string::npos);
  EXPECT_NE(body.find("Red}"), std::string::npos);
  EXPECT_NE(body.find("picked today}"), std::string::npos);
  // The fragment's colour 1 is black, which the report has as its colour 1 already.
  EXPECT_EQ(CountOf(body, "\\cf1\\"), 0u);
  // The fragment ends with a paragraph mark, blanked so the report's line runs on.
  EXPECT_NE(body.find("\r\r\r\r\r}"), std::string::npos);
  EXPECT_EQ(CountOf(body, "\\par "), 1u);
}

TEST_F(WordProcessorFragmentsTest, ChineseTextUsesTheMergedAssociatedFont) {
  const std::string body = Merge(Fragment("chinese.rtf"));
  EXPECT_TRUE(ReaderBalanced(body));
  // The fragment's AR PL UMing TW has charset 0, the report's 136: not the same font.
  const int uming = FontNumber("\\fcharset0 AR PL UMing TW;");
  ASSERT_GE(uming, 2);
  const int purple = ColorNumber("\\red128\\green0\\blue128;");
  ASSERT_GE(purple, 3);
  EXPECT_NE(body.find("\\cf" + std::to_string(purple) + "\\dbch\\af" + std::to_string(uming) +
                      "\\dbch\\u26032\\'3f"),
            std::string::npos)
      << body;
}

TEST_F(WordProcessorFragmentsTest, TableAndPicturePassThrough) {
  const std::string fragment = Fragment("table_picture.rtf");
  const std::string body = Merge(fragment);
  EXPECT_TRUE(ReaderBalanced(body));
  EXPECT_EQ(CountOf(body, "\\row"), 2u);
  EXPECT_EQ(CountOf(body, "\\cell\\"), 4u);
  const size_t picture = fragment.find("{\\*\\shppict");
  const size_t picture_end = fragment.find("\n}", fragment.find("{\\nonshppict"));
  ASSERT_NE(picture, std::string::npos);
  EXPECT_NE(body.find(fragment.substr(picture, picture_end - picture)), std::string::npos);
}

TEST_F(WordProcessorFragmentsTest, RepeatedMergesKeepTheTablesStable) {
  // A scan merges one memo per record: the tables must not grow with the records.
  for (const char* name : {"styled.rtf", "chinese.rtf", "table_picture.rtf"}) Merge(Fragment(name));
  const TQeHeaderTables once = report_.HeaderTables;
  for (int i = 0; i < 3; ++i) {
    for (const char* name : {"styled.rtf", "chinese.rtf", "table_picture.rtf"}) {
      Merge(Fragment(name));
    }
  }
  EXPECT_EQ(report_.HeaderTables.Fonts, once.Fonts);
  EXPECT_EQ(report_.HeaderTables.Colors, once.Colors);
  EXPECT_EQ(report_.HeaderTables.Styles, once.Styles);
  EXPECT_EQ(report_.HeaderTables.Fonts.front(), "{\\f0\\froman\\fcharset136 Times New Roman;}");
}

}  // namespace
}  // namespace vorn
