#include "cli/fill_options.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

std::string UsageMessage(const std::vector<std::string>& args) {
  try {
    ParseFillOptions(args);
  } catch (const UsageError& e) {
    return e.message;
  }
  return "";
}

TEST(FillOptionsTest, DatasetsVariablesAndSettings) {
  const FillOptions options = ParseFillOptions({"--data",
                                                "P=products.csv",
                                                "--data=S=shop.db",
                                                "--query",
                                                "select * from t",
                                                "--var",
                                                "TITLE=Price list",
                                                "--num",
                                                "RATE=1.5",
                                                "--options",
                                                "eoClearMissedFields",
                                                "--charset=136",
                                                "--lang",
                                                "1028",
                                                "--true",
                                                "Yes",
                                                "--max-rows",
                                                "500",
                                                "card.rtf",
                                                "out.rtf"});
  EXPECT_EQ(options.template_file, "card.rtf");
  EXPECT_EQ(options.output_file, "out.rtf");
  ASSERT_EQ(options.datasets.size(), 2u);
  EXPECT_EQ(options.datasets[0].name, "P");
  EXPECT_EQ(options.datasets[0].file, "products.csv");
  EXPECT_FALSE(options.datasets[0].IsDatabase());
  EXPECT_EQ(options.datasets[1].query, "select * from t");
  ASSERT_EQ(options.variables.size(), 2u);
  EXPECT_EQ(options.variables[0].value, "Price list");
  EXPECT_FALSE(options.variables[0].numeric);
  EXPECT_TRUE(options.variables[1].numeric);
  EXPECT_EQ(*options.charset, 136);
  EXPECT_EQ(*options.lang, 1028);
  EXPECT_EQ(*options.true_value, "Yes");
  EXPECT_EQ(options.max_rows, 500);
}

TEST(FillOptionsTest, DashDashEndsOptionsAndDashIsStandardOutput) {
  const FillOptions options = ParseFillOptions({"--", "--odd-name.rtf", "-"});
  EXPECT_EQ(options.template_file, "--odd-name.rtf");
  EXPECT_EQ(options.output_file, "-");
}

TEST(FillOptionsTest, UsageErrorsSayWhatIsWrong) {
  EXPECT_EQ(UsageMessage({"t.rtf"}), "expected TEMPLATE and OUTPUT");
  EXPECT_EQ(UsageMessage({"--data", "noequals", "t", "o"}),
            "--data expects NAME=VALUE, got \"noequals\"");
  EXPECT_EQ(UsageMessage({"--query", "x", "t", "o"}),
            "--query must follow a --data option naming a .sqlite or .db file");
  EXPECT_EQ(UsageMessage({"--data", "A=x.db", "t", "o"}), "--data A=x.db needs a --query");
  EXPECT_EQ(UsageMessage({"--lang", "70000", "t", "o"}),
            "--lang expects a whole number from 0 to 65535, got \"70000\"");
  EXPECT_EQ(UsageMessage({"--max-rows", "0", "t", "o"}),
            "--max-rows expects a whole number from 1 to 1000000000, got \"0\"");
  EXPECT_EQ(UsageMessage({"--frobnicate", "1", "t", "o"}), "unknown option --frobnicate");
  EXPECT_EQ(UsageMessage({"t", "o", "--var"}), "--var needs a value");
  EXPECT_EQ(UsageMessage({"--help"}), "");
}

}  // namespace
}  // namespace vorn
