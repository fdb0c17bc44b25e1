#include <gtest/gtest.h>

#include <string>

#include "engine/qebasereport/tag_codec.h"

namespace vorn {
namespace {

TEST(ValueEncodingTest, EscapesEveryByteByItsRule) {
  const struct {
    std::string value;
    std::string rtf;
  } cases[] = {
      {"a{b}c\\d", R"(a\{b\}c\\d)"},
      {"\xA7\x41", R"(\'A7A)"},
      {"\xFF\x80", R"(\'FF\'80)"},
      {"a\tb", R"(a\tab b)"},
      {"\x0B\x0C", R"(\line \page )"},
      {"one\r\ntwo", "one\\par \ntwo"},
      {std::string("n\0l", 3), std::string("n\0l", 3)},
      {"\xB3\x5C", R"(\'B3\\)"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(EncodeRtfText(c.value), c.rtf) << c.value;
}

TEST(ValueEncodingTest, FrameCarriesLanguageValueAndFormatting) {
  EXPECT_EQ(RtfValueFrame("1028", "12", ""), "\\lang1028 12");
  EXPECT_EQ(RtfValueFrame("0", "{x}", R"({\b })"), R"(\lang0 \{x\}{\b })");
}

}  // namespace
}  // namespace vorn
