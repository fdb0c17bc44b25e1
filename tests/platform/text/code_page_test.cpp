#include "platform/text/code_page.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/system/exception.h"
#include "platform/text/ansi_case.h"
#include "tests/platform/text/unicode_forms.h"

namespace vorn {
namespace {

using testing::Forms;

const CodePage kBig5(950);
const CodePage kWestern(1252);

// "商品編號" in Big5: the trail bytes of 品 and 編 are "~" and "s".
constexpr char kProductNumberUtf8[] = "\xE5\x95\x86\xE5\x93\x81\xE7\xB7\xA8\xE8\x99\x9F";
constexpr char kProductNumberBig5[] = "\xB0\xD3\xAB\x7E\xBD\x73\xB8\xB9";

std::string ErrorOf(auto call) {
  try {
    call();
  } catch (const Exception& e) {
    return e.what();
  }
  return "no error";
}

TEST(CodePageTest, FollowsTheCharset) {
  const int rows[][2] = {{136, 950},  {0, 1252},   {1, 1252},   {128, 932},  {129, 949},
                         {134, 936},  {161, 1253}, {162, 1254}, {177, 1255}, {178, 1256},
                         {186, 1257}, {204, 1251}, {222, 874},  {238, 1250}, {2, 1252},
                         {255, 1252}, {-1, 1252}};
  for (const auto& row : rows) {
    EXPECT_EQ(CodePage::FromCharset(row[0]).Number(), row[1]) << row[0];
  }
  EXPECT_TRUE(CodePage(950).IsDoubleByte());
  EXPECT_FALSE(CodePage(1252).IsDoubleByte());
}

TEST(CodePageTest, ChineseRoundTripsThroughBig5) {
  EXPECT_EQ(FromUtf8(kProductNumberUtf8, kBig5, "PROD_NAME"), kProductNumberBig5);
  EXPECT_EQ(ToUtf8(kProductNumberBig5, kBig5), kProductNumberUtf8);
  // The euro sign is where the Windows table has it, which plain Big5 lacks.
  EXPECT_EQ(FromUtf8("\xE2\x82\xAC", kBig5, "PRICE"), "\xA3\xE1");
  EXPECT_EQ(FromUtf8("caf\xC3\xA9", kWestern, "NAME"), "caf\xE9");
  EXPECT_EQ(ToUtf8("caf\xE9 \x80", kWestern), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(FromUtf8("", kBig5, "NAME"), "");
  const std::string long_text(100000, 'x');
  EXPECT_EQ(FromUtf8(long_text, kBig5, "MEMO"), long_text);
}

// These characters used to stop the card with "no character for U+...": they now travel in
// their Unicode form and come back unchanged.
TEST(CodePageTest, CharacterTheCodePageLacksTravelsInItsUnicodeForm) {
  const struct {
    std::string utf8;
    CodePage code_page;
    std::string bytes;
  } cases[] = {
      {"ab\xC3\xA9", kBig5, Forms("ab<E9>")},
      {"\xF0\x9F\x98\x80", kWestern, Forms("<1F600>")},
      {kProductNumberUtf8, kWestern, Forms("<5546><54C1><7DE8><865F>")},
      {"Caf\xC3\xA9 \xE6\x8B\xBF", kBig5, Forms("Caf<E9> \xAE\xB3")},
      // A bare 0x7F never enters: it would read as the start of a form.
      {"\1770000E9", kWestern, Forms("<7F>0000E9")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FromUtf8(c.utf8, c.code_page, "NAME"), c.bytes) << c.utf8;
    EXPECT_EQ(ToUtf8(c.bytes, c.code_page), c.utf8) << c.utf8;
  }
  // Case partners: one the code page holds is written as its byte.
  EXPECT_EQ(AnsiUpperCase(Forms("<451> <E9>"), kBig5), Forms("<401> <C9>"));
  EXPECT_EQ(AnsiUpperCase(Forms("<161>"), kWestern), "\x8A");
  EXPECT_EQ(AnsiLowerCase(Forms("<100><1F600>"), kWestern), Forms("<101><1F600>"));
}

TEST(CodePageTest, FieldSizesCountACharacterTheCodePageLacksAsTwoBytes) {
  const std::string text = Forms("a<E9>\xB0\xD3<7F>");  // a é 商 U+007F
  EXPECT_EQ(CountedSize(text), 6u);
  // Lower-case digits make no form: seven bytes.
  EXPECT_EQ(CountedSize("\1770000e9"), 7u);
  const struct {
    std::size_t max;
    std::string cut;
  } cuts[] = {{0, ""},
              {1, "a"},
              {2, "a"},
              {3, Forms("a<E9>")},
              {4, Forms("a<E9>")},
              {5, Forms("a<E9>\xB0\xD3")},
              {6, text},
              {7, text}};
  for (const auto& c : cuts) EXPECT_EQ(CutToBytes(text, c.max, kBig5), c.cut) << c.max;
  EXPECT_EQ(CutToBytes(Forms("ab<1F600>c"), 3, kWestern), "ab");
  // A Big5 lead byte left alone before a form does not take the form's first byte.
  EXPECT_EQ(CutToBytes(Forms("\xB0<E9>x"), 3, kBig5), Forms("\xB0<E9>"));
}

TEST(CodePageTest, InvalidInputIsAnError) {
  const char* invalid[] = {"\xFF\xFE",     "ab\xC3",           "\xC0\xAF",
                           "\xED\xA0\x80", "\xF4\x90\x80\x80", "a\x80"};
  for (const char* text : invalid) {
    EXPECT_NE(ErrorOf([&] { FromUtf8(text, kBig5, "NAME"); }).find("invalid UTF-8 at byte"),
              std::string::npos);
  }
  EXPECT_EQ(ErrorOf([] { FromUtf8("ab\xC3", kBig5, "NAME"); }),
            "Cannot convert NAME to code page 950: invalid UTF-8 at byte 3");
  EXPECT_EQ(ErrorOf([] { ToUtf8("ok\xB0", kBig5); }),
            "Cannot convert text in code page 950 to UTF-8: no character at byte 3, 0xB0");
  EXPECT_EQ(ErrorOf([] { FromUtf8("x", CodePage(77777), "NAME"); }),
            "Code page is not supported: 77777");
}

TEST(CodePageTest, LeadBytes) {
  EXPECT_TRUE(IsLeadByte(0xB0, kBig5));
  EXPECT_TRUE(IsLeadByte(0x81, kBig5));
  EXPECT_FALSE(IsLeadByte(0x7E, kBig5));
  EXPECT_FALSE(IsLeadByte(0xFF, kBig5));
  EXPECT_FALSE(IsLeadByte(0xB0, kWestern));
  EXPECT_TRUE(IsLeadByte(0x9F, CodePage(932)));
  EXPECT_FALSE(IsLeadByte(0xA5, CodePage(932)));  // a half-width katakana
}

TEST(CodePageTest, CutNeverSplitsATwoByteCharacter) {
  const std::string text = std::string("A") + kProductNumberBig5;  // 1 + 4 x 2 bytes
  EXPECT_EQ(CutToBytes(text, 4, kBig5), "A\xB0\xD3");
  EXPECT_EQ(CutToBytes(text, 3, kBig5), "A\xB0\xD3");
  EXPECT_EQ(CutToBytes(text, 2, kBig5), "A");
  EXPECT_EQ(CutToBytes(text, 0, kBig5), "");
  EXPECT_EQ(CutToBytes(text, 100, kBig5), text);
  EXPECT_EQ(CutToBytes(kProductNumberBig5, 3, kBig5), "\xB0\xD3");
  EXPECT_EQ(CutToBytes("caf\xE9", 3, kWestern), "caf");
  // A lead byte at the very end stands alone.
  EXPECT_EQ(CutToBytes("ab\xB0", 3, kBig5), "ab\xB0");
}

TEST(AnsiCaseTest, TrailBytesOfBig5StayUntouched) {
  const std::string mixed = std::string("sku-") + kProductNumberBig5 + "-abc";
  EXPECT_EQ(AnsiUpperCase(mixed, kBig5), std::string("SKU-") + kProductNumberBig5 + "-ABC");
  // 功 is A5 5C and 能 AF E0; a Big5 text whose trail bytes read "@" to "Z" too.
  const std::string trails = "\xA4\x41\xA4\x61\xA6\x7A";
  EXPECT_EQ(AnsiUpperCase(trails, kBig5), trails);
  EXPECT_EQ(AnsiLowerCase(trails, kBig5), trails);
  EXPECT_EQ(AnsiLowerCase(std::string("SKU-") + kProductNumberBig5, kBig5),
            std::string("sku-") + kProductNumberBig5);
}

TEST(AnsiCaseTest, AccentedLettersOfSingleByteCodePages) {
  struct Row {
    int code_page;
    const char* lower;
    const char* upper;
  };
  const Row rows[] = {
      {1252, "abc \xE9\xE0\xFC\xF1\xE6\xF8\xFE \x9A\x9C\x9E\xFF",
       "ABC \xC9\xC0\xDC\xD1\xC6\xD8\xDE \x8A\x8C\x8E\x9F"},
      {1251, "\xE0\xFF\xB8", "\xC0\xDF\xA8"},  // а я ё
      {1253, "\xE1\xF9\xDC", "\xC1\xD9\xA2"},  // α ω ά
      {1250, "\xB9\x9A\xE8", "\xA5\x8A\xC8"},  // ą š č
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.code_page);
    EXPECT_EQ(AnsiUpperCase(row.lower, CodePage(row.code_page)), row.upper);
    EXPECT_EQ(AnsiLowerCase(row.upper, CodePage(row.code_page)), row.lower);
  }
  // Sharp s, the multiplication and division signs and the micro sign have no partner.
  EXPECT_EQ(AnsiUpperCase("\xDF\xD7\xF7\xB5", kWestern), "\xDF\xD7\xF7\xB5");
  EXPECT_EQ(AnsiLowerCase("\xDF\xD7\xF7\xB5", kWestern), "\xDF\xD7\xF7\xB5");
}

}  // namespace
}  // namespace vorn
