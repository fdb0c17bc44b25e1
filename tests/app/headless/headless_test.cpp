#include "app/headless/headless.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/app_test_support.h"
#include "app/headless/command_line.h"

namespace vorn {
namespace {

class HeadlessTest : public ::testing::Test {
 protected:
  // Runs the program's headless mode on `layout` and the values, with the test folders.
  int Run(const std::string& layout, std::vector<std::string> values, bool open = false) {
    std::vector<std::string> arguments = {"--layout",       layout,     "--templates",
                                          dir_.Templates(), "--output", dir_.Output()};
    if (!open) arguments.push_back("--no-open");
    arguments.push_back("--");
    arguments.insert(arguments.end(), values.begin(), values.end());
    out_.str("");
    err_.str("");
    return RunHeadless(ParseCommandLine(arguments), out_, err_);
  }

  testing::ProgramDir dir_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(HeadlessTest, NoOpenWritesTheCardAndPrintsItsPath) {
  ASSERT_EQ(Run("SM2", {"A1", "4710088410108", "茶", "茶", "盒", "10", "12", "9"}), kExitSuccess)
      << err_.str();
  EXPECT_EQ(err_.str(), "");
  const std::string path = out_.str().substr(0, out_.str().size() - 1);
  EXPECT_EQ(out_.str().back(), '\n');
  EXPECT_EQ(std::filesystem::path(path).parent_path().string(), dir_.Output());
  EXPECT_EQ(dir_.Cards(),
            std::vector<std::string>{std::filesystem::path(path).filename().string()});
  EXPECT_EQ(testing::ReadFile(path).substr(0, 5), "{\\rtf");
}

TEST_F(HeadlessTest, OpeningHandsTheCardToTheDesktopAndPrintsNothing) {
  testing::OpenRecorder recorder(dir_);
  ASSERT_EQ(Run("B5", {"A1"}, true), kExitSuccess) << err_.str();
  EXPECT_EQ(out_.str(), "");
  ASSERT_EQ(recorder.Opened().size(), 1u);
  EXPECT_EQ(std::filesystem::path(recorder.Opened()[0]).filename().string(), dir_.Cards().at(0));
}

TEST_F(HeadlessTest, DataAndReportErrorsGoToStandardErrorWithStatusOne) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "vornreport: Field '商品編號' must have a value\n"},
      {{"A1", "", "", "", "", "x"},
       "vornreport: 'x' is not a valid integer value for field '門市價'\n"},
      {{"A1", "", "\xff"},
       "vornreport: Cannot convert field '商品名稱' to code page 950: invalid UTF-8 at byte 1\n"},
  };
  for (const auto& [values, message] : cases) {
    EXPECT_EQ(Run("A4", values), kExitFailure);
    EXPECT_EQ(err_.str(), message);
    EXPECT_EQ(out_.str(), "");
  }
  std::filesystem::remove(dir_.Templates() + "/OTHER.rtf");
  EXPECT_EQ(Run("OTHER", {"A1"}), kExitFailure);
  EXPECT_EQ(err_.str(), "vornreport: Can't read report template from file: " + dir_.Templates() +
                            "/OTHER.rtf\n");
  std::filesystem::remove(dir_.Output());
  EXPECT_EQ(Run("B5", {"A1"}), kExitFailure);
  EXPECT_EQ(err_.str(),
            "vornreport: CreateFileName: directory " + dir_.Output() + " does not exist\n");
}

TEST_F(HeadlessTest, AFailingOpenerIsAReportError) {
  ::setenv("VORN_OPEN_COMMAND", "false", 1);
  const int status = Run("SM1", {"A1"}, true);
  ::setenv("VORN_OPEN_COMMAND", "true", 1);
  EXPECT_EQ(status, kExitFailure);
  EXPECT_EQ(err_.str().rfind("vornreport: Failed to open report results. Error message: ", 0), 0u)
      << err_.str();
  // The card was written before the opener failed; the operator learns where it is.
  ASSERT_EQ(dir_.Cards().size(), 1u);
  EXPECT_NE(err_.str().find("\nvornreport: false could not open it; the card is saved as " +
                            dir_.Output() + "/" + dir_.Cards()[0] + "\n"),
            std::string::npos)
      << err_.str();
}

}  // namespace
}  // namespace vorn
