#include "app/barcode_functions.h"

#include <zint.h>

#include <memory>
#include <vector>

#include "data/dataset.h"
#include "engine/qebasereport/report_variables.h"
#include "engine/qefunc/picture.h"
#include "platform/exception.h"

namespace vorn {

namespace {
struct SymbolDeleter {
  void operator()(zint_symbol *symbol) const { ZBarcode_Delete(symbol); }
};

std::string_view TrimmedValue(std::string_view value) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!value.empty() && blank(value.front())) value.remove_prefix(1);
  while (!value.empty() && blank(value.back())) value.remove_suffix(1);
  return value;
}

std::string ArgumentText(const TQeUDFObject &argument) {
  if (const auto *variable = std::get_if<TQeReportVariable *>(&argument)) {
    return *variable != nullptr ? (*variable)->AsString() : std::string();
  }
  if (const auto *field = std::get_if<TField *>(&argument)) {
    return *field != nullptr ? (*field)->AsString() : std::string();
  }
  throw Exception("BARCODE expects a text or a field");
}
}  // namespace

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

BarcodeDigits ParseBarcode(std::string_view value, std::string_view product) {
  const std::string_view digits = TrimmedValue(value);
  const std::string named = " of product " + std::string(product) + ": " + std::string(value);
  for (char c : digits) {
    if (c < '0' || c > '9') throw Exception("Barcode is not all digits" + named);
  }
  switch (digits.size()) {
    case 13:
    case 8: {
      const std::string_view body = digits.substr(0, digits.size() - 1);
      if (BarcodeCheckDigit(body) != digits.back()) {
        throw Exception("Wrong barcode check digit" + named);
      }
      return {digits.size() == 13 ? BarcodeSymbology::kEan13 : BarcodeSymbology::kEan8,
              std::string(digits)};
    }
    case 12:
    case 7:
    case 11: {
      const BarcodeSymbology symbology = digits.size() == 12  ? BarcodeSymbology::kEan13
                                         : digits.size() == 7 ? BarcodeSymbology::kEan8
                                                              : BarcodeSymbology::kUpcA;
      return {symbology, std::string(digits) + BarcodeCheckDigit(digits)};
    }
    default:
      throw Exception("Barcode needs 7, 8, 11, 12 or 13 digits" + named);
  }
}

void RenderBarcode(const BarcodeDigits &barcode, Picture &picture) {
  const std::unique_ptr<zint_symbol, SymbolDeleter> symbol(ZBarcode_Create());
  if (!symbol) throw Exception("Out of memory for barcode " + barcode.digits);
  symbol->symbology = barcode.symbology == BarcodeSymbology::kUpcA ? BARCODE_UPCA : BARCODE_EANX;
  // One pixel per module keeps a thousand cards small; the word processor
  // scales it.
  symbol->scale = 0.5f;
  // Bars about 14 mm high at that module width: a shelf label's truncated symbol, short enough
  // for the small cards and tall enough for a hand scanner held at an angle.
  symbol->height = 50;
  symbol->show_hrt = 0;
  // The encoder adds the check digit itself and would reject a second one.
  const std::string data = barcode.digits.substr(0, barcode.digits.size() - 1);
  const int status =
      ZBarcode_Encode_and_Buffer(symbol.get(), reinterpret_cast<const unsigned char *>(data.data()),
                                 static_cast<int>(data.size()), 0);
  if (status >= ZINT_ERROR || symbol->bitmap == nullptr || symbol->bitmap_width <= 0 ||
      symbol->bitmap_height <= 0) {
    throw Exception("Cannot draw barcode " + barcode.digits + ": " + symbol->errtxt);
  }
  const auto width = static_cast<uint32_t>(symbol->bitmap_width);
  const auto height = static_cast<uint32_t>(symbol->bitmap_height);
  std::vector<uint32_t> argb(size_t{width} * height);
  const unsigned char *rgb = symbol->bitmap;
  for (uint32_t &pixel : argb) {
    pixel = 0xFF000000u | (uint32_t{rgb[0]} << 16) | (uint32_t{rgb[1]} << 8) | rgb[2];
    rgb += 3;
  }
  LoadPictureFromPixels(picture, width, height, argb);
}

BarcodeFunctions::BarcodeFunctions(std::function<std::string()> product_name)
    : product_name_(std::move(product_name)) {
  TQeUDF &barcode = list_.Functions().Add();
  barcode.SetName("BARCODE");
  barcode.SetArgMaxCount(1);
  barcode.SetArgMinCount(1);
  barcode.SetResultType(udfrTPicture);
  barcode.OnCalculate = [this](TQeBaseReport &, const TQeUDFArgs &args, int32_t,
                               TQeUDFObject result) { Calculate(args, result); };
}

void BarcodeFunctions::Calculate(const TQeUDFArgs &args, TQeUDFObject result) const {
  Picture *picture = std::get<Picture *>(result);
  if (args.empty() || picture == nullptr) return;
  const std::string value = ArgumentText(args.front());
  if (TrimmedValue(value).empty()) return;
  const std::string product = product_name_ ? product_name_() : std::string();
  RenderBarcode(ParseBarcode(value, product), *picture);
}

}  // namespace vorn
