#include <gtest/gtest.h>

#include <string>

#include "engine/qebasereport/tag_codec.h"
#include "tests/platform/text/unicode_forms.h"

namespace vorn {
namespace {

using testing::Forms;

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

TEST(ValueEncodingTest, CharactersTheCodePageLacksAreWrittenAsRtfUnicode) {
  const struct {
    std::string value;
    int code_page;
    std::string rtf;
  } cases[] = {
      {Forms("caf<E9>"), 950, R"(caf{\uc1\u233?})"},
      // Forms in a row share one group; Big5 text beside them is written as always.
      {Forms("\xA6\xB3<AE><5CEF>!"), 950, R"(\'A6\'B3{\uc1\u174?\u23791?}!)"},
      // Past U+FFFF a surrogate pair, above 32767 as negative numbers.
      {Forms("<1F600>"), 1252, R"({\uc1\u-10179?\u-8704?})"},
      {Forms("<FFFD>"), 1252, R"({\uc1\u-3?})"},
      // A Big5 character cut in half before a form does not swallow it.
      {Forms("\xA6<E9>"), 950, R"(\'A6{\uc1\u233?})"},
      // U+007F and a 0x7F that starts no form stay the byte they always were.
      {Forms("<7F>a"), 1252, "\177a"},
      {"\1770000e9", 1252, "\1770000e9"},
      {"\17700D800", 1252, "\17700D800"},
      {"\1770000", 1252, "\1770000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeRtfText(c.value, c.code_page), c.rtf) << c.value;
  }
}

TEST(ValueEncodingTest, UnicodeModeWritesEveryCharacterFrom128Up) {
  EXPECT_EQ(EncodeRtfText("caf\xE9 \x80{", 1252, RtfCharacters::kUnicode),
            R"(caf{\uc1\u233?} {\uc1\u8364?}\{)");
  EXPECT_EQ(EncodeRtfText(Forms("\xA6\xB3<E9>\xA4\x40"), 950, RtfCharacters::kUnicode),
            R"({\uc1\u26377?\u233?\u19968?})");
  // A byte that is no character of the code page keeps its escape.
  EXPECT_EQ(EncodeRtfText("a\x81", 1252, RtfCharacters::kUnicode), R"(a{\uc1\'81})");
}

TEST(ValueEncodingTest, FrameCarriesLanguageValueAndFormatting) {
  EXPECT_EQ(RtfValueFrame("1028", "12", ""), "\\lang1028 12");
  EXPECT_EQ(RtfValueFrame("0", "{x}", R"({\b })"), R"(\lang0 \{x\}{\b })");
}

}  // namespace
}  // namespace vorn
