#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/qefunc/user_functions.h"

namespace vorn {

class Picture;

enum class BarcodeSymbology { kEan13, kEan8, kUpcA };

// A barcode value with its check digit, and the symbol it is printed as.
struct BarcodeDigits {
  BarcodeSymbology symbology;
  std::string digits;  // with the check digit
};

// Reads a product's barcode by its length: 13 digits EAN-13 and 8 digits EAN-8,
// checked; 12 digits EAN-13 and 7 digits EAN-8 with the check digit computed;
// 11 digits UPC-A with the check digit computed. Blanks around the value are
// ignored. Throws vorn::Exception naming `product` for a non-digit, a length
// none of these take, or a wrong check digit.
BarcodeDigits ParseBarcode(std::string_view value, std::string_view product);

// The modulo-10 check digit of EAN and UPC over `digits` (without the check
// digit).
char BarcodeCheckDigit(std::string_view digits);

// Draws the symbol into `picture` at one pixel per module, without the digits
// under it (the cards print them as text). Throws vorn::Exception with the
// encoder's message.
void RenderBarcode(const BarcodeDigits &barcode, Picture &picture);

// The program's user-defined functions: BARCODE(value), a picture of the
// value's symbol; an empty value gives an empty picture, which prints nothing.
// `ProductName` names the product of the current record in error messages. The
// caller keeps this list alive while a report refers to it.
class BarcodeFunctions {
 public:
  explicit BarcodeFunctions(std::function<std::string()> product_name);
  BarcodeFunctions(const BarcodeFunctions &) = delete;
  BarcodeFunctions &operator=(const BarcodeFunctions &) = delete;

  TQeUDFList &List() { return list_; }

 private:
  void Calculate(const TQeUDFArgs &args, TQeUDFObject result) const;

  std::function<std::string()> product_name_;
  TQeUDFList list_;
};

}  // namespace vorn
