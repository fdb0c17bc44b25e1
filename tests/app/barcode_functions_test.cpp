#include "app/barcode_functions.h"

#include <gtest/gtest.h>

#include "engine/qefunc/picture.h"
#include "platform/exception.h"

namespace vorn {
namespace {

struct BarcodeCase {
  const char *value;
  BarcodeSymbology symbology;
  const char *digits;
};

TEST(BarcodeTest, LengthChoosesTheSymbolAndCompletesTheCheckDigit) {
  const BarcodeCase cases[] = {
      {"4710088410108", BarcodeSymbology::kEan13, "4710088410108"},
      {"471008841011", BarcodeSymbology::kEan13, "4710088410115"},
      {" 96385074 ", BarcodeSymbology::kEan8, "96385074"},
      {"9638507", BarcodeSymbology::kEan8, "96385074"},
      {"03600029145", BarcodeSymbology::kUpcA, "036000291452"},
      {"000000000000", BarcodeSymbology::kEan13, "0000000000000"},
  };
  for (const BarcodeCase &c : cases) {
    const BarcodeDigits barcode = ParseBarcode(c.value, "P1");
    EXPECT_EQ(barcode.symbology, c.symbology) << c.value;
    EXPECT_EQ(barcode.digits, c.digits) << c.value;
  }
}

TEST(BarcodeTest, BadValuesNameTheProduct) {
  const std::pair<const char *, const char *> cases[] = {
      {"4710088410109", "Wrong barcode check digit of product P7: 4710088410109"},
      {"96385075", "Wrong barcode check digit of product P7: 96385075"},
      {"47100884101O8", "Barcode is not all digits of product P7: 47100884101O8"},
      {"-471008841011", "Barcode is not all digits of product P7: -471008841011"},
      {"123456", "Barcode needs 7, 8, 11, 12 or 13 digits of product P7: 123456"},
      {"12345678901234", "Barcode needs 7, 8, 11, 12 or 13 digits of product P7: 12345678901234"},
  };
  for (const auto &[value, message] : cases) {
    try {
      ParseBarcode(value, "P7");
      ADD_FAILURE() << value;
    } catch (const Exception &e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
}

TEST(BarcodeTest, RendersOnePixelPerModuleWithQuietZones) {
  Picture ean13;
  RenderBarcode(ParseBarcode("4710088410108", ""), ean13);
  ASSERT_NE(ean13.AsBitmap(), nullptr);
  // 95 modules and the quiet zones on both sides.
  EXPECT_GE(ean13.Width(), 95u);
  EXPECT_LT(ean13.Width(), 130u);
  Picture ean8;
  RenderBarcode(ParseBarcode("96385074", ""), ean8);
  EXPECT_LT(ean8.Width(), ean13.Width());
}

TEST(BarcodeTest, ListOffersBarcodeAsAPictureFunctionOfOneArgument) {
  BarcodeFunctions functions([] { return std::string("P42"); });
  ASSERT_EQ(functions.List().IndexOf("barcode"), 0);
  const TQeUDF &udf = functions.List().Functions().Items(0);
  EXPECT_EQ(udf.ResultType(), udfrTPicture);
  EXPECT_EQ(udf.ArgMinCount(), 1);
  EXPECT_EQ(udf.ArgMaxCount(), 1);
}

}  // namespace
}  // namespace vorn
