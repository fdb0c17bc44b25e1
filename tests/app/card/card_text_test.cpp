#include "app/card/card_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/app_test_support.h"
#include "app/card/record_text.h"
#include "app/headless/command_line.h"
#include "app/headless/headless.h"

namespace vorn {
namespace {

// Lines of a wrapped name, "|" where a line breaks, in UTF-8.
std::string Wrapped(const std::string& utf8, double width_em) {
  std::string lines = Utf8FromRecordBytes(WrapCardText(RecordBytesFromUtf8(utf8, "x"), width_em));
  for (char& c : lines) {
    if (c == '\x0B') c = '|';
  }
  return lines;
}

// Names once broke inside "600ml" and "300g" and put a unit's count on the next line.
TEST(CardTextTest, NamesBreakBetweenWordsNeverInsideANumberWithItsUnit) {
  const struct {
    const char* name;
    double width;
    const char* lines;
  } cases[] = {
      {"有機高山烏龍茶 300g", 8, "有機高山烏龍茶|300g"},
      {"有機高山烏龍茶飲料600ml", 10, "有機高山烏龍|茶飲料600ml"},
      {"綠茶 12入", 3, "綠茶|12入"},
      {"有機高山烏龍茶飲料600ml 家庭號超值組合包 12入", 13,
       "有機高山烏龍茶飲料600ml|家庭號超值組合包 12入"},
      // Balanced: 13 and 12 characters rather than 14 and 11.
      {"有機高山烏龍茶家庭號超值組合包經典原味綠茶禮盒裝大", 14,
       "有機高山烏龍茶家庭號超值組|合包經典原味綠茶禮盒裝大"},
      {"ORGANIC HIGH MOUNTAIN OOLONG TEA", 10, "ORGANIC HIGH|MOUNTAIN|OOLONG TEA"},
      // Closing marks stay with what they close, opening marks with what they open.
      {"烏龍茶（罐裝）、綠茶", 5, "烏龍茶（罐|裝）、綠茶"},
      {"烏龍茶（罐裝）、綠茶", 3, "烏龍茶|（罐|裝）、|綠茶"},
      // A run wider than a line is the only thing ever cut.
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", 6, "ABCDEFG|HIJKLMN|OPQRSTU|VWXYZ"},
      // Characters Big5 lacks: "é" belongs to its word, "峯" and "😀" stand alone as wide ones.
      {"Café 拿鐵 ® 350ml", 5, "Café 拿鐵|® 350ml"},
      {"峯峯峯峯 😀😀 Crème", 4, "峯峯峯峯|😀😀|Crème"},
      {"綠茶", 0.5, "綠茶"},
      {"", 5, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Wrapped(c.name, c.width), c.lines) << c.name;
}

TEST(CardTextTest, LineCountsMatchTheWrappedText) {
  const std::string name =
      RecordBytesFromUtf8("有機高山烏龍茶家庭號超值組合包經典原味綠茶禮盒裝大", "x");
  EXPECT_EQ(CountCardLines(name, 25), 1);
  EXPECT_EQ(CountCardLines(name, 13), 2);
  EXPECT_EQ(CountCardLines(name, 8), 4);
  EXPECT_EQ(CountCardLines("", 8), 0);
  // Fifty of the widest capitals still take three lines at the width the cards give them.
  EXPECT_EQ(CountCardLines(std::string(50, 'W'), 18), 3);
}

// The program's functions as a template uses them, through a real run.
TEST(CardFunctionsTest, TemplatesPickSizesAndLines) {
  testing::ProgramDir dir;
  std::ofstream(dir.Templates() + "/SM2.rtf", std::ios::binary)
      << "{\\rtf1\\ansi\\ansicpg950 "
         "[\\\\LEN(CLIENTDATASET1:PROD_NAME)\\\\]"
         "[\\\\LINES(CLIENTDATASET1:PROD_NAME,2)\\\\]"
         "[\\\\IF(LINES(CLIENTDATASET1:PROD_NAME,4)<=1)\\\\one\\\\ELSE\\\\more\\\\ENDIF\\\\]"
         "[\\\\WRAP(CLIENTDATASET1:PROD_NAME,2)\\\\]"
         "[\\\\BARCODE(CLIENTDATASET1:PROD_BARCODE,10)\\\\]}";
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunHeadless(
      ParseCommandLine({"--layout", "SM2", "--no-open", "--templates", dir.Templates(), "--output",
                        dir.Output(), "--", "P1", "4710088410109", "綠茶 紅茶"}),
      out, err);
  EXPECT_EQ(status, kExitWarnings) << err.str();
  const std::string card = testing::ReadFile(out.str().substr(0, out.str().size() - 1));
  EXPECT_NE(card.find("[\\lang1028 9][\\lang1028 2][more][\\lang1028 \\'BA\\'F1\\'AF\\'F9\\line "
                      "\\'AC\\'F5\\'AF\\'F9][]"),
            std::string::npos)
      << card;
}

}  // namespace
}  // namespace vorn
