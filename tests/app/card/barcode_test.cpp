#include "app/card/barcode.h"

#include <gtest/gtest.h>

#include "app/card/card_functions.h"
#include "engine/qefunc/picture.h"
#include "platform/system/exception.h"

namespace vorn {
namespace {

struct BarcodeCase {
  const char* value;
  BarcodeSymbology symbology;
  const char* digits;
};

TEST(BarcodeTest, LengthChoosesTheSymbolAndTheDigitsStayTheProducts) {
  const BarcodeCase cases[] = {
      {"4710088410108", BarcodeSymbology::kEan13, "4710088410108"},
      {" 96385074 ", BarcodeSymbology::kEan8, "96385074"},
      {"036000291452", BarcodeSymbology::kUpcA, "036000291452"},
      // An EAN-13 whose leading 0 a spreadsheet dropped is its UPC-A: the same bars.
      {"490000289114", BarcodeSymbology::kUpcA, "490000289114"},
      {"0000000000000", BarcodeSymbology::kEan13, "0000000000000"},
  };
  for (const BarcodeCase& c : cases) {
    const BarcodeDigits barcode = ParseBarcode(c.value);
    EXPECT_EQ(barcode.symbology, c.symbology) << c.value;
    EXPECT_EQ(barcode.digits, c.digits) << c.value;
  }
}

// These once became a different, valid code with a check digit the product never had.
TEST(BarcodeTest, NothingIsCompletedAndBadValuesSayWhy) {
  const std::pair<const char*, const char*> cases[] = {
      {"4710088410109", "Wrong barcode check digit (8 expected): 4710088410109"},
      {"96385075", "Wrong barcode check digit (4 expected): 96385075"},
      {"490000289115", "Wrong barcode check digit (4 expected): 490000289115"},
      {"471008841011", "Wrong barcode check digit (6 expected): 471008841011"},
      {"9638507", "Barcode needs 8, 12 or 13 digits: 9638507"},
      {"03600029145", "Barcode needs 8, 12 or 13 digits: 03600029145"},
      {"47100884101O8", "Barcode is not all digits: 47100884101O8"},
      {"-471008841011", "Barcode is not all digits: -471008841011"},
      {"12345678901234", "Barcode needs 8, 12 or 13 digits: 12345678901234"},
  };
  for (const auto& [value, message] : cases) {
    try {
      ParseBarcode(value);
      ADD_FAILURE() << value;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
}

TEST(BarcodeTest, RendersOnePixelPerModuleWithTheAskedBarHeight) {
  Picture ean13;
  RenderBarcode(ParseBarcode("4710088410108"), ean13);
  ASSERT_NE(ean13.AsBitmap(), nullptr);
  // 95 modules and the quiet zones on both sides.
  EXPECT_GE(ean13.Width(), 95u);
  EXPECT_LT(ean13.Width(), 130u);
  Picture ean8;
  RenderBarcode(ParseBarcode("96385074"), ean8);
  EXPECT_LT(ean8.Width(), ean13.Width());
  Picture low;
  RenderBarcode(ParseBarcode("4710088410108"), low, 10);
  Picture high;
  RenderBarcode(ParseBarcode("4710088410108"), high, 20);
  // One pixel is 0.26 mm: 10 mm more of bar is about 38 pixels.
  EXPECT_NEAR(static_cast<double>(high.Height()) - low.Height(), 38.0, 1.0);
}

TEST(BarcodeTest, ListOffersTheCardFunctions) {
  CardFunctions functions;
  const TQeUDFCollection& list = functions.List().Functions();
  ASSERT_EQ(list.IndexOf("barcode"), 0);
  EXPECT_EQ(list.Items(0).ResultType(), udfrTPicture);
  EXPECT_EQ(list.Items(0).ArgMinCount(), 1);
  EXPECT_EQ(list.Items(0).ArgMaxCount(), 2);
  EXPECT_GE(list.IndexOf("LEN"), 0);
  EXPECT_GE(list.IndexOf("LINES"), 0);
  EXPECT_GE(list.IndexOf("WRAP"), 0);
}

}  // namespace
}  // namespace vorn
