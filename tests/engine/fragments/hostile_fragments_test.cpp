#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "engine/fragments/rtf_balance.h"
#include "engine/qertf/qertf.h"
#include "engine/test_dir.h"
#include "platform/system/stream.h"

namespace vorn {
namespace {

using testing::ReaderBalanced;

// Whatever a fragment holds, one merge writes a balanced group (or nothing) and the
// report's tables stay readable.
class HostileFragmentsTest : public ::testing::Test {
 protected:
  std::string Merge(std::string_view fragment) {
    TQeRTF report;
    report.HeaderTables.Fonts = {"{\\f0\\froman Times;}"};
    report.HeaderTables.Colors = {";"};
    report.HeaderTables.Styles = {"{\\s0 Normal;}"};
    TMemoryStream out;
    report.SetOutput(&out);
    report.MergeRtfText(fragment);
    for (const auto* list : {&report.HeaderTables.Fonts, &report.HeaderTables.Styles}) {
      for (const std::string& entry : *list) EXPECT_TRUE(ReaderBalanced(entry)) << entry;
    }
    EXPECT_TRUE(ReaderBalanced(out.Bytes())) << out.Bytes().substr(0, 200);
    tables_ = report.HeaderTables;
    return out.Bytes();
  }

  TQeHeaderTables tables_;  // the report's tables after the last merge
};

TEST_F(HostileFragmentsTest, UnbalancedBraces) {
  struct Case {
    const char* fragment;
    const char* out;
  };
  const Case cases[] = {
      {"{\\rtf1 a}}}b}", "{a}"},                       // extra closing braces end nothing more
      {"{\\rtf1 a{\\b b}}c}d", "{a{\\b b}}"},          // nothing after the fragment's group
      {"{\\rtf1 a{\\b b{\\i c", "{a{\\b b{\\i c}}}"},  // what is left open is closed
      {"{\\rtf1 {{{", "{{{{}}}}"},
      {"{\\rtf1", ""},
      {"{\\rtf1 {\\fonttbl{\\f0 Arial;}", ""},        // a table cut off
      {"{\\rtf1 x{\\*\\shppict{\\pict 0a0b", "{x}"},  // a picture cut off is left out
      {"{\\rtf1 x{\\info{\\title t}", "{x}"},
      {"{\\rtf1 a\\", "{a}"},
      {"{\\rtf1 a\\'4", "{a4}"},
      {"{\\rtf1 a\\'zz", "{azz}"},
      {"{\\rtf1 \\*\\b x}", "{\\b x}"},  // a stray \* stands nowhere
  };
  for (const Case& c : cases) EXPECT_EQ(Merge(c.fragment), c.out) << c.fragment;
}

TEST_F(HostileFragmentsTest, BinCountsAreCheckedAgainstWhatIsLeft) {
  struct Case {
    std::string fragment;
    std::string out;
  };
  const Case cases[] = {
      {"{\\rtf1 a{\\pict\\bin99 xy}}", "{a}"},
      {"{\\rtf1 a{\\pict\\bin99999999999999999999 xy}}", "{a}"},
      {"{\\rtf1 a{\\pict\\bin-5 xy}}", "{a}"},
      {"{\\rtf1 a\\bin2147483647 b}", "{a}"},
      {"{\\rtf1 a{\\b\\bin-1 b}}", "{a{\\b}}"},
      {"{\\rtf1 a{\\pict\\bin2 }{}b}", "{a{\\pict\\bin2 }{}b}"},
      {"{\\rtf1 a{\\pict\\bin}b}", "{a{\\pict\\bin}b}"},
  };
  for (const Case& c : cases) EXPECT_EQ(Merge(c.fragment), c.out) << c.fragment;
}

TEST_F(HostileFragmentsTest, DeepNestingIsCutWithoutRecursion) {
  const std::string open(100000, '{');
  const auto start = std::chrono::steady_clock::now();
  const std::string out = Merge("{\\rtf1 " + open + "x" + std::string(100000, '}') + "y}");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  // 1000 groups in all are written, the body's own included; deeper ones are left out.
  EXPECT_EQ(out, "{" + std::string(999, '{') + std::string(999, '}') + "y}");
  EXPECT_EQ(Merge("{\\rtf1 " + open), "{" + std::string(999, '{') + std::string(1000, '}'));
}

TEST_F(HostileFragmentsTest, HugeTablesStayLinear) {
  std::string colors = "{\\rtf1{\\colortbl;";
  std::string fonts = "{\\fonttbl";
  for (int i = 0; i < 100000; ++i) {
    colors += "\\red" + std::to_string(i % 256) + "\\green" + std::to_string(i / 256 % 256) +
              "\\blue" + std::to_string(i / 65536) + ";";
    fonts += "{\\f" + std::to_string(i) + " F" + std::to_string(i) + ";}";
  }
  const auto start = std::chrono::steady_clock::now();
  const std::string out = Merge(colors + "}" + fonts + "}\\cf99999\\f65535 x}");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  // Font numbers stop at 16 bits: the report's f0 takes one, so the last font has none.
  EXPECT_EQ(out, "{\\cf99999 x}");
}

TEST_F(HostileFragmentsTest, ControlWordLimitsAndControlBytes) {
  EXPECT_EQ(Merge("{\\rtf1 \\" + std::string(40, 'b') + " x}"), "{x}");
  EXPECT_EQ(Merge("{\\rtf1 \\b123456789012345678901 x}"), "{\\b2147483647 x}");
  EXPECT_EQ(Merge(std::string("{\\rtf1 a\0b\x01\tc}", 14)), "{ab\tc}");
  EXPECT_EQ(Merge("{\\rtf1 a\\\nb}"), "{a\\par b}");
}

// Escapes and raw data inside a fragment's header tables keep every merged entry a whole
// group as a reader sees it.
TEST_F(HostileFragmentsTest, EscapesInHeaderTablesKeepEntriesWhole) {
  struct Case {
    std::string fragment;
    std::string body;
    std::vector<std::string> added;  // the entries the merge added to its table
  };
  const std::string style = "{\\rtf1{\\stylesheet";
  const std::string font = "{\\rtf1{\\fonttbl";
  const Case cases[] = {
      // A backslash before a control byte lost the byte and escaped the brace after it,
      // leaving the style sheet a group short.
      {style + "{\\s2 A\\\x05{\\b x};}}\\s2 y}", "{\\s1 y}", {"{\\s1 A{\\b x};}"}},
      {style + "{\\s2 A\\\r{\\b x};}}\\s2 y}", "{\\s1 y}", {"{\\s1 A{\\b x};}"}},
      {style + "{\\s2 A\\\n\\}x;}}\\s2 y}", "{\\s1 y}", {"{\\s1 A\\}x;}"}},
      {style + "{\\s2 A\\\\\r{\\b x};}}\\s2 y}", "{\\s1 y}", {"{\\s1 A\\\\{\\b x};}"}},
      {style + "{\\s2 A\\{;}}\\s2 y}", "{\\s1 y}", {"{\\s1 A\\{;}"}},
      {style + "{\\s2 A\\};}}\\s2 y}", "{\\s1 y}", {"{\\s1 A\\};}"}},
      {style + "{\\s2 A\\\\;}}\\s2 y}", "{\\s1 y}", {"{\\s1 A\\\\;}"}},
      {style + "{\\s2 A\\'7d;}}\\s2 y}", "{\\s1 y}", {"{\\s1 A\\'7d;}"}},
      // Raw data may hold any byte: a style holding some is left out, the next one stays.
      {style + "{\\s2\\bin2 }{ S;}{\\s3 T;}}\\s2 a\\s3 b}", "{a\\s1 b}", {"{\\s1 T;}"}},
      {font + "{\\f1 B\\\n{\\*\\falt C};}}\\f1 y}", "{\\f1 y}", {"{\\f1 B{\\*\\falt C};}"}},
      {font + "\\f1 B\\\r{\\*\\falt C};}\\f1 y}", "{\\f1 y}", {"{\\f1 B{\\*\\falt C};}"}},
      {font + "{\\f1 B\\};}}\\f1 y}", "{\\f1 y}", {"{\\f1 B\\};}"}},
      {font + "{\\f1\\bin1 }C;}{\\f2 D;}}\\f2 y}", "{\\f1 y}", {"{\\f1 D;}"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Merge(c.fragment), c.body) << c.fragment;
    const bool fonts = c.fragment.starts_with(font);
    const std::vector<std::string>& list = fonts ? tables_.Fonts : tables_.Styles;
    EXPECT_EQ(std::vector<std::string>(list.begin() + 1, list.end()), c.added) << c.fragment;
  }
}

TEST_F(HostileFragmentsTest, BracesInColorTablesAndBodyDataCountForNothing) {
  EXPECT_EQ(Merge("{\\rtf1{\\colortbl;\\red1{\\x}\\green2\\blue3;\\red4\\}\\green5;}\\cf2 y}"),
            "{\\cf2 y}");
  EXPECT_EQ(tables_.Colors,
            (std::vector<std::string>{";", "\\red1\\green2\\blue3;", "\\red4\\green5\\blue0;"}));
  EXPECT_EQ(Merge("{\\rtf1 a\\bin3 }{\\ b}"), "{a b}");
  EXPECT_EQ(Merge("{\\rtf1 a\\bin2 {{ b}"), "{a b}");
}

TEST_F(HostileFragmentsTest, EveryCutOfARealFragmentStaysBalanced) {
  const std::string fragment = vorn::testing::ReadFileBytes(std::string(VORN_TEST_DATA_DIR) +
                                                            "/fragments/table_picture.rtf");
  ASSERT_GT(fragment.size(), 1000u);
  for (size_t n = 0; n <= fragment.size(); n += 7) Merge(fragment.substr(0, n));
}

TEST_F(HostileFragmentsTest, EveryByteFlipOfASmallFragmentStaysBalanced) {
  const std::string base =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 A;}}{\\colortbl;\\red1\\green2\\blue3;}"
      "{\\stylesheet{\\s1\\f0\\cf1 S;}}\\s1\\f0\\cf1 x{\\pict\\bin2 {}}\\'41\\par}";
  for (size_t i = 0; i < base.size(); ++i) {
    for (const char c : {'{', '}', '\\', '0', ' '}) {
      std::string fragment = base;
      fragment[i] = c;
      Merge(fragment);
    }
  }
}

}  // namespace
}  // namespace vorn
