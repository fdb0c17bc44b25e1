#include "engine/qebasereport/rtf_control_words.h"

#include <gtest/gtest.h>

#include <string_view>

namespace vorn {
namespace {

// The one reader every part of the engine reads control words and raw data with: a word's
// extent decides where text, groups and \bin data begin, so one byte off here corrupts output.
TEST(RtfControlWordsTest, WordsTheirParametersAndTheRawDataOfBin) {
  struct Case {
    std::string_view text;  // a control word at its start
    std::string_view name;
    int32_t param;
    bool has_param;
    size_t length;
    bool bin_data;    // announces raw data
    size_t data_end;  // one past that data
  };
  const Case cases[] = {
      {"\\par x", "\\par", 0, false, 5, false, 0},
      {"\\fs-24x", "\\fs", -24, true, 6, false, 0},
      {"\\li-x", "\\li", 0, false, 3, false, 0},  // a "-" without digits is text
      {"\\f99999999999 ", "\\f", 2147483647, true, 14, false, 0},
      {"\\bin3 a}cde", "\\bin", 3, true, 6, true, 9},
      {"\\bin0 }", "\\bin", 0, true, 6, true, 6},
      {"\\bin9 ab", "\\bin", 9, true, 6, true, 8},  // cut at the end of the text
      {"\\bin-5 ab", "\\bin", -5, true, 7, false, 0},
      {"\\bin ab", "\\bin", 0, false, 5, false, 0},
      {"\\binx5 ", "\\binx", 5, true, 7, false, 0},
  };
  for (const Case& c : cases) {
    const ControlWord word = ReadControlWord(c.text, 0);
    EXPECT_EQ(word.name, c.name) << c.text;
    EXPECT_EQ(word.param, c.param) << c.text;
    EXPECT_EQ(word.has_param, c.has_param) << c.text;
    EXPECT_EQ(word.length, c.length) << c.text;
    EXPECT_EQ(AnnouncesBinData(word), c.bin_data) << c.text;
    if (c.bin_data) {
      EXPECT_EQ(BinDataEnd(c.text, 0, word), c.data_end) << c.text;
    }
  }
}

TEST(RtfControlWordsTest, OpenWordsAtTheEnd) {
  for (std::string_view open : {"a\\b", "\\fs24", "x\\li-", "\\\\\\b"}) {
    EXPECT_TRUE(EndsInOpenWord(open)) << open;
  }
  for (std::string_view closed : {"a\\b ", "\\\\b", "\\fs24}", "\\-", "b", "\\'ab"}) {
    EXPECT_FALSE(EndsInOpenWord(closed)) << closed;
  }
  EXPECT_TRUE(JoinsOpenWord("\\b", '1'));
  EXPECT_FALSE(JoinsOpenWord("\\b", '{'));
}

}  // namespace
}  // namespace vorn
