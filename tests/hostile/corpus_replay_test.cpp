#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "hostile/hostile_fixture.h"

namespace vorn::testing {
namespace {

struct Target {
  const char* name;
  std::function<std::string(std::string_view)> check;
};

class CorpusReplayTest : public HostileTest, public ::testing::WithParamInterface<Target> {};

// Every seed and every minimised fuzz finding of a target passes the target's invariants in
// this build too, so a fixed fault that comes back fails here without a fuzzer.
TEST_P(CorpusReplayTest, EveryInputKeepsTheInvariants) {
  const std::filesystem::path dir = std::filesystem::path(VORN_FUZZ_CORPUS_DIR) / GetParam().name;
  ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  EXPECT_FALSE(files.empty());
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    EXPECT_EQ(GetParam().check(bytes.str()), "") << file.filename();
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, CorpusReplayTest,
                         ::testing::Values(Target{"template", fuzz::CheckTemplate},
                                           Target{"expr", fuzz::CheckExpression},
                                           Target{"fragment", fuzz::CheckFragment},
                                           Target{"image", fuzz::CheckImage}),
                         [](const auto& info) { return std::string(info.param.name); });

// Found by fuzz_fragment: a fragment (first byte: its place, twice in one paragraph) whose style
// sheet holds a backslash, a control byte (5) and a brace. The style's control bytes were
// stripped and the backslash left to escape the brace, so the report's style sheet lost a group
// and a word processor read the document one "}" short.
TEST(FuzzFindingTest, FragmentStyleSheetWithEscapedBraceKeepsTheDocumentBalanced) {
  std::ifstream in(std::string(VORN_TEST_DATA_DIR) + "/hostile/fragment_style_escaped_brace.rtf",
                   std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  ASSERT_FALSE(bytes.str().empty());
  EXPECT_EQ(fuzz::CheckFragment(bytes.str()), "");
}

// The checks themselves must see the faults they guard against.
TEST(RtfBalanceTest, SeesWhatAReaderSees) {
  struct Case {
    std::string rtf;
    bool balanced;
    bool balanced_to_the_scanner;
  };
  const Case cases[] = {
      {"{a{b}c}", true, true},
      {"{a}}", false, false},
      {"{\\{}", true, true},
      {"{\\bin2 }}}", true, true},
      {"{\\bin9 }", false, false},
      {"{\\\r}}", false, true},  // the scanner passes over CR: "\}" is an escaped brace to it
      {"{\\b\r\n0}", true, true},
      {"}{", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fuzz::RtfBalanced(c.rtf), c.balanced) << c.rtf;
    EXPECT_EQ(fuzz::RtfBalanced(c.rtf, true), c.balanced_to_the_scanner) << c.rtf;
  }
}

}  // namespace
}  // namespace vorn::testing
