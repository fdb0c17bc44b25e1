#include "app/batch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/command_line.h"
#include "app/headless.h"
#include "app_test_support.h"

namespace vorn {
namespace {

constexpr const char *kHeader =
    "PROD_ID,PROD_BARCODE,PROD_NAME,PROD_SNAME,"
    "UNITNAME,SALE_PRICE,PSALE_PRICE,VIP_PRICE";

size_t Count(const std::string &text, const std::string &part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

class BatchTest : public ::testing::Test {
 protected:
  std::string WriteFile(const std::string &name, const std::string &text) {
    const std::string path = dir_.Path(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  int Run(std::vector<std::string> extra, bool terminal = false) {
    std::vector<std::string> arguments = {"--templates", dir_.Templates(), "--output",
                                          dir_.Output(), "--no-open"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    out_.str("");
    err_.str("");
    return RunHeadless(ParseCommandLine(arguments), out_, err_, terminal);
  }
  std::string Card() const {
    std::string path = out_.str();
    if (!path.empty()) path.pop_back();
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

  testing::ProgramDir dir_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(BatchTest, CsvGivesOneCardPerCopyWithPageBreaksOnlyForLargeLayouts) {
  const std::string csv =
      WriteFile("p.csv", std::string(kHeader) +
                             ",COPIES\nA1,4710088410108,綠茶,茶,瓶,30,25,20,3\n"
                             "A2,,紅茶,茶,瓶,35,30,28,\nA3,96385074,烏龍,茶,瓶,1,2,3,0\n");
  ASSERT_EQ(Run({"--layout", "B5", "--csv", csv, "--copies", "2"}), kExitSuccess) << err_.str();
  std::string card = Card();
  // Three copies of A1 by its COPIES cell, two of A2 by --copies, none of A3.
  EXPECT_EQ(Count(card, "A1"), 3u);
  EXPECT_EQ(Count(card, "A2"), 2u);
  EXPECT_EQ(Count(card, "A3"), 0u);
  EXPECT_EQ(Count(card, "\\page "), 4u);
  EXPECT_EQ(Count(card, "{\\pict"), 3u);  // A2 has no barcode

  ASSERT_EQ(Run({"--layout", "SM1", "--csv", csv}), kExitSuccess) << err_.str();
  card = Card();
  EXPECT_EQ(Count(card, "A1"), 3u);
  EXPECT_EQ(Count(card, "\\page "), 0u);
}

TEST_F(BatchTest, SqliteQueryRowsBecomeCards) {
  const std::string db = dir_.Path("p.db");
  const std::string sql =
      "CREATE TABLE p(PROD_ID TEXT, PROD_BARCODE TEXT, PROD_NAME TEXT, "
      "PROD_SNAME TEXT,"
      " UNITNAME TEXT, SALE_PRICE INTEGER, PSALE_PRICE INTEGER, VIP_PRICE "
      "INTEGER);"
      "INSERT INTO p VALUES('S1','4710088410108','綠茶','茶','瓶',30,25,20),"
      "('S2','','紅茶','茶','瓶',35,30,28),('S3','','x','x','x',1,1,1);";
  ASSERT_EQ(std::system(("sqlite3 '" + db + "' \"" + sql + "\"").c_str()), 0);
  ASSERT_EQ(Run({"--layout", "A4", "--sqlite", db, "--query",
                 "SELECT * FROM p WHERE PROD_ID <> 'S3' ORDER BY PROD_ID DESC"}),
            kExitSuccess)
      << err_.str();
  const std::string card = Card();
  EXPECT_LT(card.find("S2"), card.find("S1"));
  EXPECT_EQ(Count(card, "S3"), 0u);
  EXPECT_EQ(Count(card, "\\page "), 1u);
}

TEST_F(BatchTest, DataErrorsNameWhatIsWrong) {
  const std::string h = kHeader;
  const std::pair<std::string, std::string> cases[] = {
      {"PROD_ID,PROD_NAME\nA1,x\n",
       "Missing columns in @: PROD_BARCODE, PROD_SNAME, UNITNAME, PSALE_PRICE, "
       "SALE_PRICE, "
       "VIP_PRICE"},
      {h + "\nB1,4710088410109,n,s,u,1,2,3\n",
       "Wrong barcode check digit of product B1: 4710088410109"},
      {h + "\nB1,,n,s,u,1,2,3\nB2,,n,s,u,1,2,x\n", "@ record 2: "},
      {h + ",COPIES\nB1,,n,s,u,1,2,3,x\n",
       "@ record 1: COPIES must be a whole number from 0 to 999: x"},
  };
  for (const auto &[text, message] : cases) {
    const std::string csv = WriteFile("bad.csv", text);
    EXPECT_EQ(Run({"--layout", "SM2", "--csv", csv}), kExitFailure) << text;
    std::string expected = message;
    if (expected.find('@') != std::string::npos) expected.replace(expected.find('@'), 1, csv);
    EXPECT_NE(err_.str().find(expected), std::string::npos) << err_.str();
  }
  EXPECT_TRUE(dir_.Cards().empty());
}

TEST_F(BatchTest, ProgressLineOnlyOnATerminal) {
  const std::string csv =
      WriteFile("p.csv", std::string(kHeader) + "\nA1,,n,s,u,1,2,3\nA2,,n,s,u,1,2,3\n");
  ASSERT_EQ(Run({"--layout", "SM2", "--csv", csv}, false), kExitSuccess);
  EXPECT_EQ(err_.str(), "");
  ASSERT_EQ(Run({"--layout", "SM2", "--csv", csv}, true), kExitSuccess);
  EXPECT_EQ(err_.str(), "\rvornreport: card 1 of 2\rvornreport: card 2 of 2\n");
}

TEST_F(BatchTest, PdfWithoutLibreOfficeFailsClearly) {
  const char *old_path = std::getenv("PATH");
  const std::string saved = old_path != nullptr ? old_path : "";
  setenv("PATH", dir_.Path("no-such-bin").c_str(), 1);
  const int status = Run({"--layout", "SM2", "--pdf", "--", "A1"});
  setenv("PATH", saved.c_str(), 1);
  EXPECT_EQ(status, kExitFailure);
  EXPECT_NE(err_.str().find("LibreOffice is not installed (no soffice on PATH)"), std::string::npos)
      << err_.str();
}

TEST(WrapTemplateTest, BodyGoesInsideTheScanAndTheHeaderStaysOutside) {
  const std::string rtf = "{\\rtf1{\\fonttbl{\\f0 A;}}\\paperw100\n\\pard x\\{\\par}";
  EXPECT_EQ(WrapTemplateInScan(rtf, "T", true),
            "{\\rtf1{\\fonttbl{\\f0 "
            "A;}}\\paperw100\n\\\\SCAN(T),page\\\\\n\\pard x\\{\\par"
            "\n\\\\ENDSCAN\\\\\n}");
  EXPECT_THROW(WrapTemplateInScan("plain text", "T", false), Exception);
  EXPECT_THROW(WrapTemplateInScan("{\\rtf1{\\pard x}}", "T", false), Exception);
}

}  // namespace
}  // namespace vorn
