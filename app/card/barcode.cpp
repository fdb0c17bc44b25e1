#include "app/card/barcode.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "app/card/zint_symbol.h"
#include "platform/system/exception.h"
#include "platform/text/ascii_text.h"

namespace vorn {

char BarcodeCheckDigit(std::string_view digits) {
  // Weights 3 and 1 alternate from the digit next to the check digit.
  int sum = 0;
  int weight = 3;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    sum += (*it - '0') * weight;
    weight = 4 - weight;
  }
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

BarcodeDigits ParseBarcode(std::string_view value) {
  const std::string_view digits = TrimControl(value);
  const std::string named = ": " + std::string(value);
  for (char c : digits) {
    if (c < '0' || c > '9') throw Exception("Barcode is not all digits" + named);
  }
  BarcodeSymbology symbology;
  switch (digits.size()) {
    case 13:
      symbology = BarcodeSymbology::kEan13;
      break;
    case 12:
      symbology = BarcodeSymbology::kUpcA;
      break;
    case 8:
      symbology = BarcodeSymbology::kEan8;
      break;
    default:
      throw Exception("Barcode needs 8, 12 or 13 digits" + named);
  }
  const char check = BarcodeCheckDigit(digits.substr(0, digits.size() - 1));
  if (check != digits.back()) {
    throw Exception("Wrong barcode check digit (" + std::string(1, check) + " expected)" + named);
  }
  return {symbology, std::string(digits)};
}

void RenderBarcode(const BarcodeDigits& barcode, Picture& picture, double bar_height_mm) {
  const ZintSymbol symbol = NewZintSymbol();
  symbol->symbology = barcode.symbology == BarcodeSymbology::kUpcA ? BARCODE_UPCA : BARCODE_EANX;
  // One pixel per module keeps a thousand cards small; the word processor
  // scales it.
  symbol->scale = 0.5f;
  // The height counts modules, which are pixels here.
  constexpr double kModuleMm = 25.4 / 96;
  symbol->height = static_cast<float>(std::max(5.0, std::round(bar_height_mm / kModuleMm)));
  symbol->show_hrt = 0;
  // The encoder adds the check digit itself and would reject a second one.
  const std::string data = barcode.digits.substr(0, barcode.digits.size() - 1);
  const int status =
      ZBarcode_Encode_and_Buffer(symbol.get(), reinterpret_cast<const unsigned char*>(data.data()),
                                 static_cast<int>(data.size()), 0);
  if (status >= ZINT_ERROR || symbol->bitmap == nullptr || symbol->bitmap_width <= 0 ||
      symbol->bitmap_height <= 0) {
    throw Exception("Cannot draw barcode " + barcode.digits + ": " + symbol->errtxt);
  }
  LoadZintBitmap(*symbol, picture);
}

}  // namespace vorn
