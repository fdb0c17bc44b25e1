#include "app/flow/batch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/app_test_support.h"
#include "app/flow/batch_document.h"
#include "app/flow/layouts.h"
#include "app/headless/command_line.h"
#include "app/headless/headless.h"

namespace vorn {
namespace {

constexpr const char* kHeader =
    "PROD_ID,PROD_BARCODE,PROD_NAME,PROD_SNAME,"
    "UNITNAME,SALE_PRICE,PSALE_PRICE,VIP_PRICE";

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

class BatchTest : public ::testing::Test {
 protected:
  std::string WriteFile(const std::string& name, const std::string& text) {
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

TEST_F(BatchTest, CsvGivesOneCardPerCopyEachOnAPageOfItsOwn) {
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

  // Small labels ran on once and drifted over their pages: a name over another's prices.
  ASSERT_EQ(Run({"--layout", "SM1", "--csv", csv}), kExitSuccess) << err_.str();
  card = Card();
  EXPECT_EQ(Count(card, "A1"), 3u);
  EXPECT_EQ(Count(card, "\\page "), 3u);
}

// A spreadsheet saved on a Traditional Chinese desktop: Big5, semicolons, the dialog's labels
// as column names, prices with separators and signs.
TEST_F(BatchTest, FilesAsClerksSaveThem) {
  const std::string big5_header =
      "\xB0\xD3\xAB\x7E\xBD\x73\xB8\xB9;\xB0\xEA\xBB\xDA\xB1\xF8\xBD\x58;"  // 商品編號;國際條碼
      "\xB0\xD3\xAB\x7E\xA6\x57\xBA\xD9;\xC2\xB2\xBA\xD9;\xB3\xE6\xA6\xEC;"  // 商品名稱;簡稱;單位
      "\xAA\xF9\xA5\xAB\xBB\xF9;\xAB\xD8\xC4\xB3\xB0\xE2\xBB\xF9;\xB7\x7C\xAD\xFB\xBB\xF9\r\n";
  const std::string csv = WriteFile(
      "big5.csv", big5_header +
                      "B1;4710088410108;\xBA\xF1\xAF\xF9;;;\"1,280\";NT$1399;$1 199.00\r\n" +
                      "B2;;\xBA\xF1\xAF\xF9;;;1;2;3\r\n");
  ASSERT_EQ(Run({"--layout", "SM2", "--csv", csv}), kExitWarnings) << err_.str();
  EXPECT_NE(err_.str().find("line 2, product B1: left out: 會員價: price is not a whole number"),
            std::string::npos)
      << err_.str();

  const std::string utf16 = WriteFile(
      "u16.csv", std::string("\xFF\xFE", 2) + [] {
        const std::string text =
            "PROD_ID\tPROD_BARCODE\tPROD_NAME\tPROD_SNAME\tUNITNAME\t門市價\t建議售價\t會員價\n"
            "U1\t\t綠茶\t\t\t1,280\tNT$1399\t$199.00\n";
        std::u16string wide;
        for (size_t i = 0; i < text.size();) {
          const auto c = static_cast<unsigned char>(text[i]);
          const size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : 3;
          char32_t code = n == 1 ? c : n == 2 ? c & 0x1F : c & 0x0F;
          for (size_t k = 1; k < n; ++k) code = (code << 6) | (text[i + k] & 0x3F);
          wide.push_back(static_cast<char16_t>(code));
          i += n;
        }
        return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
      }());
  ASSERT_EQ(Run({"--layout", "SM2", "--csv", utf16}), kExitSuccess) << err_.str();
  const std::string card = Card();
  EXPECT_NE(card.find("$1,280"), std::string::npos);
  EXPECT_NE(card.find("$1,399"), std::string::npos);
  EXPECT_NE(card.find("$199"), std::string::npos);
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

TEST_F(BatchTest, SourcesThatCannotPrintFailWithTheirReason) {
  const std::string h = kHeader;
  const std::pair<std::string, std::string> cases[] = {
      {"PROD_ID,PROD_NAME\nA1,x\n",
       "vornreport: Missing columns in @: PROD_BARCODE (國際條碼), PROD_SNAME (簡稱), UNITNAME "
       "(單位), PSALE_PRICE (門市價), SALE_PRICE (建議售價), VIP_PRICE (會員價)\n"},
      {h + "\n,,n,s,u,1,2,3\n",
       "vornreport: warning: line 2: left out: Field '商品編號' must have a value\n"
       "vornreport: No cards to print in @\n"},
      {h + "\nA1,,\"n,s,u,1,2,3\n", "Quoted cell not closed before the end of the file"},
  };
  for (const auto& [text, message] : cases) {
    const std::string csv = WriteFile("bad.csv", text);
    EXPECT_EQ(Run({"--layout", "SM2", "--csv", csv}), kExitFailure) << text;
    std::string expected = message;
    for (size_t at; (at = expected.find('@')) != std::string::npos;) expected.replace(at, 1, csv);
    EXPECT_NE(err_.str().find(expected), std::string::npos) << err_.str();
  }
  EXPECT_TRUE(dir_.Cards().empty());
}

// One bad row of 500 once left no card at all.
TEST_F(BatchTest, BadRowsAreLeftOutAndListedWhileTheOthersPrint) {
  const std::string csv = WriteFile(
      "mixed.csv", std::string(kHeader) +
                       ",COPIES\n"
                       "G1,4710088410108,good,s,u,1,2,3,\n"
                       "B1,,price,s,u,45.50,2,3,\n"
                       "B2,,short row,s,u,1,2\n"
                       "B3,,copies,s,u,1,2,3,x\n"
                       "B4,4710088410109,check digit,s,u,1,2,3,\n"
                       ",,no number,s,u,1,2,3,\n"
                       "B5,,一二三四五六七八九十一二三四五六七八九十一二三四五六,s,u,1,2,3,\n"
                       "G2,96385074,good,s,u,1,2,3,2\n");
  ASSERT_EQ(Run({"--layout", "SM1", "--csv", csv}), kExitWarnings);
  EXPECT_EQ(err_.str(),
            "vornreport: warning: line 3, product B1: left out: 建議售價: price is not a whole "
            "number: 45.50\n"
            "vornreport: warning: line 4: left out: Row has 7 cells, the header has 9\n"
            "vornreport: warning: line 5, product B3: left out: COPIES must be a whole number "
            "from 0 to 999: x\n"
            "vornreport: warning: line 6, product B4: printed without the barcode symbol: "
            "Wrong barcode check digit (8 expected): 4710088410109\n"
            "vornreport: warning: line 7: left out: Field '商品編號' must have a value\n"
            "vornreport: warning: line 8, product B5: field '商品名稱' cut to fit: the field "
            "holds 50 bytes, the value has 52; printed "
            "\"一二三四五六七八九十一二三四五六七八九十一二三四五\"\n");
  const std::string card = Card();
  EXPECT_EQ(Count(card, "G1"), 1u);
  EXPECT_EQ(Count(card, "G2"), 2u);
  EXPECT_EQ(Count(card, "B4"), 1u);
  EXPECT_EQ(Count(card, "B5"), 1u);
  EXPECT_EQ(Count(card, "\\page "), 4u);  // G1, B4, B5, G2 and G2
  EXPECT_EQ(Count(card, "{\\pict"), 3u);  // no symbol for B4
}

TEST_F(BatchTest, SqliteFractionsAreBadRowsNotRounded) {
  const std::string db = dir_.Path("f.db");
  const std::string sql =
      "CREATE TABLE p(PROD_ID TEXT, PROD_BARCODE TEXT, PROD_NAME TEXT, PROD_SNAME TEXT,"
      " UNITNAME TEXT, SALE_PRICE INTEGER, PSALE_PRICE REAL, VIP_PRICE TEXT);"
      "INSERT INTO p VALUES('S1','','a','','',12.5,1,'1'),('S2','','b','','',12,12.0,'NT 1,299'),"
      "('S3','','c','','',1,2.25,'3'),('S4','','d','','','NT\\$1,280',5,' 7 '),"
      "('S5','','e','','',-5,5,'7');";
  ASSERT_EQ(std::system(("sqlite3 '" + db + "' \"" + sql + "\"").c_str()), 0);
  ASSERT_EQ(Run({"--layout", "SM2", "--sqlite", db, "--query", "SELECT * FROM p"}), kExitWarnings);
  // Every source reads prices one way and names the product: once the loader refused a text
  // price in a column of numbers without saying whose it was.
  EXPECT_NE(err_.str().find("row 1, product S1: left out: 建議售價: price is not a whole number: "
                            "12.5"),
            std::string::npos)
      << err_.str();
  EXPECT_NE(err_.str().find("row 5, product S5: left out: 建議售價: price is negative: -5"),
            std::string::npos)
      << err_.str();
  EXPECT_NE(err_.str().find("row 3, product S3: left out: 門市價: price is not a whole number: "
                            "2.25"),
            std::string::npos)
      << err_.str();
  const std::string card = Card();
  EXPECT_EQ(Count(card, "S2"), 1u);
  EXPECT_EQ(Count(card, "S4"), 1u);
  EXPECT_NE(card.find("$1,299"), std::string::npos);
  EXPECT_NE(card.find("$1,280"), std::string::npos);
  EXPECT_EQ(Count(card, "S1") + Count(card, "S3") + Count(card, "S5"), 0u);
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
  const char* old_path = std::getenv("PATH");
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
  EXPECT_EQ(WrapTemplateInScan(rtf, "T"),
            "{\\rtf1{\\fonttbl{\\f0 "
            "A;}}\\paperw100\n\\\\SCAN(T),page\\\\\n{\\*\\vorncard}\\pard x\\{\\par"
            "\n\\\\ENDSCAN\\\\\n}");
  // A card that begins with a table row once left the row's definition outside: only the
  // first card had its shaded, bordered box.
  EXPECT_EQ(WrapTemplateInScan("{\\rtf1\\sectd\n\\trowd\\cellx9\n\\pard\\intbl x\\cell\\row}", "T"),
            "{\\rtf1\\sectd\n\\\\SCAN(T),page\\\\\n{\\*\\vorncard}\\trowd\\cellx9\n\\pard\\intbl "
            "x\\cell\\row"
            "\n\\\\ENDSCAN\\\\\n}");
  // Raw picture bytes may hold braces, and a word that merely begins with "pard" is another.
  EXPECT_EQ(WrapTemplateInScan("{\\rtf1{\\*\\data\\bin3 }}{}\\pardirnatural\\pard x}", "T"),
            "{\\rtf1{\\*\\data\\bin3 }}{}\\pardirnatural\\\\SCAN(T),page\\\\\n"
            "{\\*\\vorncard}\\pard x\n\\\\ENDSCAN\\\\\n}");
  EXPECT_THROW(WrapTemplateInScan("plain text", "T"), Exception);
  EXPECT_THROW(WrapTemplateInScan("{\\rtf1{\\pard x}}", "T"), Exception);
}

// A page size once went unread after 16 KB of fonts and styles, and the card was sized as Letter.
TEST_F(BatchTest, LayoutSizeIsReadAfterLargeHeaderTables) {
  std::string fonts;
  for (int i = 0; fonts.size() < 20000; ++i) fonts += "{\\f" + std::to_string(i) + " Font;}";
  WriteFile("VornSAMPLE/SM1.rtf", "{\\rtf1{\\fonttbl" + fonts + "}{\\*\\data\\bin8 \\paperw1}" +
                                      "\\paperw2835\\paperh1417\\pard x\\par}");
  const auto [width, height] = LayoutCardSize({dir_.Templates(), dir_.Output()}, "SM1");
  EXPECT_NEAR(width, 50.0, 0.01);
  EXPECT_NEAR(height, 25.0, 0.01);
}

// The parts of a PDF were once filled a second time from copies of the rows; now they are cut
// from the written document, so each part must be a whole document with the batch's tables.
TEST_F(BatchTest, PartsAreCutBetweenCardsAndEachIsAWholeDocument) {
  std::string csv = std::string(kHeader) + "\n";
  for (int i = 1; i <= 7; ++i) {
    // No barcode: the braces of a picture's raw bytes would confuse the count below.
    csv += "P" + std::to_string(i) + ",,Name " + std::to_string(i) + ",s,u,1,2,3\n";
  }
  ASSERT_EQ(Run({"--layout", "SM1", "--csv", WriteFile("p.csv", csv)}), kExitSuccess) << err_.str();
  const std::string document = Card();
  const std::string folder = dir_.Path("parts");
  std::filesystem::create_directory(folder);
  const std::vector<std::string> parts =
      WriteBatchParts(out_.str().substr(0, out_.str().size() - 1), 3, folder);
  ASSERT_EQ(parts.size(), 3u);
  const std::string header = document.substr(0, document.find("{\\*\\vorncard}"));
  std::string cards;
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string part = testing::ReadFile(parts[i]);
    EXPECT_TRUE(part.starts_with(header)) << i;
    EXPECT_EQ(Count(part, "{\\*\\vorncard}"), i < 2 ? 3u : 1u) << i;
    // Only the cards after a part's first begin a page: no empty page ends a part.
    EXPECT_EQ(Count(part, "\\page "), i < 2 ? 2u : 0u) << i;
    EXPECT_EQ(Count(part, "{") - Count(part, "\\{"), Count(part, "}") - Count(part, "\\}")) << i;
    for (int p = 1; p <= 7; ++p) {
      if (part.find(" P" + std::to_string(p) + " ") != std::string::npos)
        cards += std::to_string(p);
    }
  }
  EXPECT_EQ(cards, "1234567");
}

}  // namespace
}  // namespace vorn
