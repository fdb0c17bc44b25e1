#include "platform/system/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "platform/system/exception.h"

namespace vorn {
namespace {

TEST(ProcessTest, ProgramsRunWithoutAShellAndReportTheirStatus) {
  EXPECT_EQ(RunProgram({"true"}), 0);
  EXPECT_EQ(RunProgram({"sh", "-c", "exit 3"}), 3);
  EXPECT_EQ(RunProgram({"no-such-program-here"}), -1);
  // An argument is one argument, whatever it holds.
  const std::string out = ::testing::TempDir() + "process_out.txt";
  EXPECT_EQ(RunProgram({"printf", "%s|", "a b", "$(rm -rf x); y"}, out), 0);
  std::ifstream file(out);
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_EQ(text.str(), "a b|$(rm -rf x); y|");
  EXPECT_THROW(ChildProcess({"no-such-program-here"}), Exception);
  EXPECT_NE(FindProgram("sh"), "");
  EXPECT_EQ(FindProgram("no-such-program-here"), "");
}

// A run given up (an error, a cancel) must not leave its converters behind.
TEST(ProcessTest, AnAbandonedProgramIsEndedAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  {
    ChildProcess sleeper({"sleep", "30"});
    EXPECT_FALSE(sleeper.Finished());
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  ChildProcess quick({"sh", "-c", "exit 7"});
  EXPECT_EQ(quick.Wait(), 7);
  EXPECT_TRUE(quick.Finished());
  EXPECT_EQ(quick.Status(), 7);
}

}  // namespace
}  // namespace vorn
