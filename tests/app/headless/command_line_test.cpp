#include "app/headless/command_line.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLineTest, OptionsAndValues) {
  struct Case {
    Args arguments;
    std::optional<std::string> layout;
    bool no_open;
    Args values;
  };
  const Case cases[] = {
      {{}, std::nullopt, false, {}},
      {{"1", "2", "3"}, std::nullopt, false, {"1", "2", "3"}},
      {{"--layout", "SM1", "A", "B"}, "SM1", false, {"A", "B"}},
      {{"A", "--layout=a4", "--no-open", "B"}, "A4", true, {"A", "B"}},
      {{"--layout", "other", "--no-open"}, "OTHER", true, {}},
      // Values that begin with "-" follow "--"; a lone "-" is a value.
      {{"--", "-5", "--colour", "-x"}, std::nullopt, false, {"-5", "--colour", "-x"}},
      {{"-", "a"}, std::nullopt, false, {"-", "a"}},
      {{"--", "--layout", "B5", "--help"}, std::nullopt, false, {"--layout", "B5", "--help"}},
      {{"--layout", "B5", "1", "--", "--"}, "B5", false, {"1", "--"}},
      {{""}, std::nullopt, false, {""}},
  };
  for (const Case& c : cases) {
    const CommandLine command = ParseCommandLine(c.arguments);
    EXPECT_EQ(command.layout, c.layout) << ::testing::PrintToString(c.arguments);
    EXPECT_EQ(command.no_open, c.no_open) << ::testing::PrintToString(c.arguments);
    EXPECT_EQ(command.values, c.values) << ::testing::PrintToString(c.arguments);
    EXPECT_FALSE(command.help);
  }
}

TEST(CommandLineTest, OptionalFieldsFollowTheEightValuesInListOrder) {
  const CommandLine command =
      ParseCommandLine({"--layout", "A4", "--promo", "$199", "--promo-to", "115/12/24", "--qr",
                        "https://x.example/1", "--content=6x330ml", "--date", "20261210", "A1"});
  EXPECT_EQ(command.values, (Args{"A1", "", "", "", "", "", "", "", "$199", "", "2026-12-24",
                                  "6x330ml", "https://x.example/1"}));
  EXPECT_EQ(command.date, "2026-12-10");
  EXPECT_EQ(ParseCommandLine({"A1", "B"}).values, (Args{"A1", "B"}));
}

TEST(CommandLineTest, SheetsAndPrinting) {
  CommandLine command =
      ParseCommandLine({"--layout", "SM1", "--sheet", "Avery A4 L7413", "--first=4", "--outline",
                        "--copies", "10", "--print", "--", "A1"});
  EXPECT_EQ(command.sheet, "Avery A4 L7413");
  EXPECT_EQ(command.first_label, 4);
  EXPECT_TRUE(command.outline);
  EXPECT_TRUE(command.print);
  EXPECT_EQ(command.printer, "");
  EXPECT_EQ(command.values, Args{"A1"});
  // A printer's name follows unless an option does; product values come after "--" then.
  command = ParseCommandLine({"--layout", "SM1", "--print", "Office_Laser", "--", "A1"});
  EXPECT_EQ(command.printer, "Office_Laser");
  EXPECT_EQ(ParseCommandLine({"--layout", "SM1", "--print=HP"}).printer, "HP");
  command = ParseCommandLine({"--sheets", "avery"});
  EXPECT_TRUE(command.list_sheets);
  EXPECT_EQ(command.sheets_filter, "avery");
  EXPECT_EQ(ParseCommandLine({"--sheets", "--layout", "SM2"}).sheets_filter, "");
}

TEST(CommandLineTest, FoldersReplaceThoseBesideTheExecutable) {
  const CommandLine command =
      ParseCommandLine({"--templates", "/t", "--output=/o", "--layout", "B5"});
  EXPECT_EQ(FoldersFor(command).templates, "/t");
  EXPECT_EQ(FoldersFor(command).output, "/o");
  const ProgramFolders defaults = FoldersFor(ParseCommandLine({}));
  EXPECT_EQ(defaults.templates.substr(defaults.templates.size() - 11), "/VornSAMPLE");
  EXPECT_EQ(defaults.output.substr(defaults.output.size() - 9), "/VORNTEMP");
}

TEST(CommandLineTest, HelpAndVersion) {
  EXPECT_TRUE(ParseCommandLine({"1", "--help"}).help);
  EXPECT_TRUE(ParseCommandLine({"--version"}).version);
  EXPECT_NE(UsageText().find("--layout NAME"), std::string::npos);
}

TEST(CommandLineTest, UsageErrors) {
  const std::pair<Args, std::string> cases[] = {
      {{"--layout"}, "Missing value for option --layout"},
      {{"--layout", "B6"}, "Unknown layout (use B5, A4, SM1, SM2 or OTHER): B6"},
      {{"--layout="}, "Unknown layout (use B5, A4, SM1, SM2 or OTHER): "},
      {{"--templates"}, "Missing value for option --templates"},
      {{"1", "--output"}, "Missing value for option --output"},
      {{"--no-open", "1"}, "Option --no-open needs --layout"},
      {{"--sheet", "Avery A4 L7413"}, "Option --sheet needs --layout"},
      {{"--layout", "SM1", "--first", "2"}, "Option --first needs --sheet"},
      {{"--layout", "SM1", "--sheet", "x", "--first", "0"},
       "The first label must be a whole number from 1, or next: 0"},
      {{"--layout", "SM1", "--outline"}, "Option --outline needs --sheet"},
      {{"--print"}, "Option --print needs --layout"},
      {{"--layout", "SM1", "--copies", "2", "--", "A1"},
       "Option --copies needs --csv, --sqlite or --sheet"},
      // A typo once printed a card whose product number was the option.
      {{"--no-opne", "A1"}, "Unknown option: --no-opne"},
      {{"A1", "-x"}, "Unknown option: -x"},
      {{"1", "2", "3", "4", "5", "6", "7", "8", "9"},
       "More than eight product values (give the others with their options): 9"},
      {{"--date", "2026-02-30"},
       "Option --date needs a date such as 2026-12-24 or 115/12/24: 2026-02-30"},
      {{"--layout", "B5", "--csv", "a.csv", "--promo", "99"},
       "Promotion, content and QR options are for one product; a batch takes them from its "
       "columns"},
      {{"--max-cards", "10"}, "Option --max-cards needs --csv, --sqlite or --sheet"},
  };
  for (const auto& [arguments, message] : cases) {
    try {
      ParseCommandLine(arguments);
      ADD_FAILURE() << "no error for " << ::testing::PrintToString(arguments);
    } catch (const UsageError& e) {
      EXPECT_EQ(e.what(), message);
    }
  }
}

}  // namespace
}  // namespace vorn
