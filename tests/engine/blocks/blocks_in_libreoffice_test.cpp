// Documents filled from the block templates, opened by LibreOffice: every repetition must be
// there, as a table row or as a page, and the footer must show the total.
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>

#include "data/csv_loader.h"
#include "engine/blocks/blocks_fixture.h"

namespace vorn::testing {
namespace {

bool HaveTool(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

class BlocksInLibreOfficeTest : public BlocksTest {
 protected:
  void SetUp() override {
    if (!HaveTool("soffice") || !HaveTool("pdftotext") || !HaveTool("pdfinfo")) {
      GTEST_SKIP() << "needs soffice, pdftotext and pdfinfo";
    }
  }

  // Fills the template from tests/data_files/blocks over `csv` and returns the PDF that
  // LibreOffice makes of it.
  std::string FillAndConvert(const std::string& template_name, const std::string& csv) {
    const auto table = LoadCsvText(csv);
    report_.SetInFile(std::string(VORN_TEST_DATA_DIR) + "/blocks/" + template_name + ".rtf");
    report_.SetOutFile(dir_.File(template_name + ".rtf"));
    report_.Execute({table.get()});
    const std::string command =
        "cd " + dir_.Path() +
        // A profile of its own: CTest runs the conversions of this suite side by side, and
        // two LibreOffice processes cannot share one profile.
        " && soffice --headless -env:UserInstallation=file://" + dir_.Path() +
        "/lo-profile "
        "--convert-to pdf " +
        template_name + ".rtf >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return dir_.File(template_name + ".pdf");
  }

  std::string Text(const std::string& pdf) {
    const std::string txt = pdf + ".txt";
    EXPECT_EQ(std::system(("pdftotext -layout " + pdf + " " + txt).c_str()), 0);
    return ReadFileBytes(txt);
  }

  int Pages(const std::string& pdf) {
    const std::string info = dir_.File("info.txt");
    EXPECT_EQ(std::system(("pdfinfo " + pdf + " > " + info).c_str()), 0);
    std::smatch match;
    const std::string text = ReadFileBytes(info);
    return std::regex_search(text, match, std::regex(R"(Pages:\s+(\d+))")) ? std::stoi(match[1])
                                                                           : -1;
  }

  static std::string Products(int count) {
    std::string csv = "NAME:string(30),PRICE:float\n";
    for (int n = 1; n <= count; ++n) {
      char line[64];
      std::snprintf(line, sizeof line, "Product %04d,%d.25\n", n, n % 50);
      csv += line;
    }
    return csv;
  }
};

TEST_F(BlocksInLibreOfficeTest, PriceListShowsARowPerProductAndTheTotal) {
  const std::string text = Text(FillAndConvert("price_list", Products(1000)));
  const std::regex row(R"(Product (\d{4})\s+(\d+\.25))");
  int rows = 0;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), row); it != std::sregex_iterator();
       ++it) {
    ++rows;
    EXPECT_EQ(std::stoi((*it)[1]) % 50, std::stoi((*it)[2])) << (*it)[0];
  }
  EXPECT_EQ(rows, 1000);
  // 20 times 0 to 49, plus 0.25 each.
  EXPECT_TRUE(std::regex_search(text, std::regex(R"(Total\s+24750\b)"))) << text.substr(0, 400);
  EXPECT_NE(text.find("End of list"), std::string::npos);
}

TEST_F(BlocksInLibreOfficeTest, CardsGetAPageEach) {
  const std::string pdf = FillAndConvert("card", Products(200));
  EXPECT_EQ(Pages(pdf), 200);
  const std::string text = Text(pdf);
  EXPECT_NE(text.find("Product 0001"), std::string::npos);
  EXPECT_NE(text.find("Product 0200"), std::string::npos);
  EXPECT_NE(text.find("Price: 0.25"), std::string::npos);
}

}  // namespace
}  // namespace vorn::testing
