#pragma once

#include <string>
#include <string_view>

namespace vorn {

class Picture;

enum class BarcodeSymbology { kEan13, kEan8, kUpcA };

// A barcode value with its check digit, and the symbol it is printed as.
struct BarcodeDigits {
  BarcodeSymbology symbology;
  std::string digits;  // with the check digit
};

// Reads a product's barcode by its length: 13 digits EAN-13, 8 digits EAN-8, 12 digits UPC-A
// (the EAN-13 of the same digits with a leading 0, as a spreadsheet leaves an EAN-13 whose 0
// it dropped). The check digit must be there and right: nothing is completed, so the symbol
// always carries exactly the product's digits. Blanks around the value are ignored. Throws
// vorn::Exception for a non-digit, another length or a wrong check digit.
BarcodeDigits ParseBarcode(std::string_view value);

// The modulo-10 check digit of EAN and UPC over `digits` (without the check digit).
char BarcodeCheckDigit(std::string_view digits);

// Bars about 13 mm high: a shelf label's truncated symbol that a hand scanner reads at an angle.
inline constexpr double kDefaultBarHeightMm = 13.2;

// Draws the symbol into `picture` at one pixel per module (0.26 mm, the smallest EAN module)
// with bars `bar_height_mm` high, without the digits under it (the cards print them as text).
// Throws vorn::Exception with the encoder's message.
void RenderBarcode(const BarcodeDigits& barcode, Picture& picture,
                   double bar_height_mm = kDefaultBarHeightMm);

}  // namespace vorn
