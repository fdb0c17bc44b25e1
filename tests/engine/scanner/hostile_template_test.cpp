#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "engine/conscom/exceptions.h"
#include "engine/qertf/qertf.h"
#include "engine/scanner/scanner_fixture.h"
#include "platform/system/stream.h"

namespace vorn::testing {
namespace {

using namespace std::string_literals;

struct HostileCase {
  const char* name;
  std::string rtf;
};

class HostileTemplateTest : public ScannerTest,
                            public ::testing::WithParamInterface<HostileCase> {};

// Whatever the bytes, scanning ends and every byte is copied exactly once.
TEST_P(HostileTemplateTest, ScanEndsAndCopiesTheTemplateUnchanged) {
  EXPECT_EQ(PassThrough(GetParam().rtf), GetParam().rtf);
  EXPECT_TRUE(scanner->AtEnd());
}

std::string Nested(int depth, const std::string& opener) {
  std::string out = "{\\rtf1 ";
  for (int i = 0; i < depth; ++i) out += opener;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileTemplateTest,
    ::testing::Values(
        HostileCase{"BinCountPastTheEnd", "{\\rtf1 {\\pict\\bin999999 }}\\\\A\\\\"},
        HostileCase{"BinCountHuge", "{\\rtf1 {\\pict\\bin99999999999999999999999 x}"},
        HostileCase{"BinNegative", "{\\rtf1 {\\pict\\bin-5 }}\\\\A\\\\}"},
        HostileCase{"BinWithoutNumber", "{\\rtf1 {\\pict\\bin }}\\\\A\\\\}"},
        HostileCase{"BinAtTheEnd", "{\\rtf1 {\\pict\\bin"},
        HostileCase{"BinZero", "{\\rtf1 {\\pict\\bin0 }\\\\A\\\\}"},
        HostileCase{"GroupNeverCloses", "{\\rtf1 {\\field{\\*\\fldinst \\\\A\\\\"},
        HostileCase{"UnbalancedBraces", "{\\rtf1 }}}{{\\\\A\\\\}}}}}"},
        HostileCase{"NulBytes", "{\\rtf1 a\0b \\\\A\0B\\\\ \0}"s},
        HostileCase{"TruncatedHexAtTheEnd", "{\\rtf1 \\\\A\\'4"},
        HostileCase{"HexEscapeAloneAtTheEnd", "{\\rtf1 \\\\A\\'"},
        HostileCase{"NonHexEscape", "{\\rtf1 \\\\A\\'zz\\\\}"},
        HostileCase{"BackslashAtTheEnd", "{\\rtf1 \\"},
        HostileCase{"DelimiterAtTheEnd", "{\\rtf1 \\\\"},
        HostileCase{"HexDelimiterCut", "{\\rtf1 \\'5"},
        HostileCase{"QuoteWordCut", "{\\rtf1 \\\\\\ldblquo"},
        HostileCase{"HeaderKeywordCut", "{\\rtf1 {\\font"},
        HostileCase{"DeepGroups", Nested(100000, "{")},
        HostileCase{"DeepPictureGroups", Nested(1, "{\\pict") + std::string(100000, '{')},
        HostileCase{"ManyDelimiters", Nested(50000, "\\\\")},
        HostileCase{"ManyOpenQuotes", Nested(1, "\\\\\"") + std::string(30000, '\\')},
        HostileCase{"LineBreakInsideWords", "{\\rtf1 \\tr\r\nowd \\\\A\r\n\\\\ \\\\\r\n\\\\}"},
        HostileCase{"HighBytesAfterBackslash", "{\\rtf1 \\\xff\\\\\x93\\\\\xff\\\\}"}),
    [](const auto& info) { return std::string(info.param.name); });

// Random templates built from the tokens where scanning decisions are made.
TEST_F(ScannerTest, RandomTokenSoupAlwaysPassesThroughUnchanged) {
  // clang-format off
  const std::vector<std::string> tokens = {
      "\\\\", "\\'5c", "\\'5C", "\\'93", "\\'94", "\\'ab", "\\'bb", "\\'", "\\", "{", "}",
      "\\{", "\\}", "\"", "'", "`", "~", "\x93", "\x94", "\xab", "\xbb", "\\lquote ",
      "\\rquote", "\\ldblquote", "\\rdblquote ", "\\par ", "\\par", "\\pard", "\\cell",
      "\\row", "\\trowd ", "\\line", "{\\pict ", "{\\field", "{\\object", "\\bin3 ", "\\bin",
      "\\bin99 ", "*", " ", "A", "x", "\r\n", std::string(1, '\0'), "\x1a", "\\~", "[", "]"};
  // clang-format on
  std::mt19937 random(20261209);
  for (int round = 0; round < 3000; ++round) {
    std::string rtf = "{\\rtf1 ";
    const int length = static_cast<int>(random() % 60);
    for (int i = 0; i < length; ++i) rtf += tokens[random() % tokens.size()];
    ASSERT_EQ(PassThrough(rtf), rtf) << "round " << round;
    for (const std::string& tag : tags) ASSERT_LT(tag.size(), rtf.size());
  }
}

// Whole runs over random templates with header tables and no tags: each succeeds or fails
// with one of the table messages.
TEST(HostileRunTest, RandomHeaderTablesEndInOutputOrATableError) {
  // clang-format off
  const std::vector<std::string> tokens = {
      "{\\fonttbl", "{\\colortbl", "{\\stylesheet", "{\\info", "{\\f0", "\\fcharset", "\\fcharset0",
      "\\red", "\\green7", "\\blue", ";", "5", "{", "}", "\\}", " ", "\r\n", "{\\pict",
      "\\bin2 ", "x"};
  // clang-format on
  const std::string path = ::testing::TempDir() + "hostile_run.rtf";
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    std::string rtf = "{\\rtf1";
    const int length = static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i) rtf += tokens[random() % tokens.size()];
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(rtf.data(), 1, rtf.size(), file);
    std::fclose(file);
    TQeRTF report;
    report.SetInFile(path);
    TMemoryStream out;
    try {
      report.ExecuteToStream({}, out);
    } catch (const EBadRtfFormat& e) {
      const std::string message = e.what();
      EXPECT_TRUE(message == "Can't read font table from input file" ||
                  message == "Can't read color table from input file")
          << message;
      continue;
    }
    EXPECT_TRUE(report.Succeeded()) << rtf;
  }
  std::remove(path.c_str());
}

}  // namespace
}  // namespace vorn::testing
