#include "app/card/qr_code.h"

#include <cmath>

#include "app/card/zint_symbol.h"
#include "platform/system/exception.h"

namespace vorn {

namespace {
// A picture's pixel is 1/96 inch on the card.
constexpr double kPixelMm = 25.4 / 96;

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Encodes without drawing; nullptr when the text does not fit any QR code.
ZintSymbol Encode(std::string_view text) {
  ZintSymbol symbol = NewZintSymbol();
  symbol->symbology = BARCODE_QRCODE;
  symbol->option_1 = 2;  // error correction M: survives a smudge or a price sticker's edge
  symbol->input_mode = UNICODE_MODE;
  // Non-ASCII text travels as UTF-8 and says so, so every reader gives back the same text.
  if (!IsAscii(text)) symbol->eci = 26;
  symbol->output_options |= BARCODE_QUIET_ZONES;
  const int status =
      ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(text.data()),
                      static_cast<int>(text.size()));
  if (status == ZINT_ERROR_TOO_LONG) return nullptr;
  if (status >= ZINT_ERROR)
    throw Exception(std::string("Cannot draw the QR code: ") + symbol->errtxt);
  return symbol;
}
}  // namespace

bool RenderQrCode(std::string_view text, double size_mm, Picture& picture) {
  if (text.empty()) return false;
  const ZintSymbol symbol = Encode(text);
  if (!symbol) return false;
  // The quiet zone of four modules on each side belongs to the code's room.
  const int modules = symbol->width + 8;
  const int pixels_per_module = static_cast<int>(std::floor(size_mm / (modules * kPixelMm)));
  if (pixels_per_module * kPixelMm < kMinQrModuleMm) return false;
  // zint draws two pixels per module at scale 1.
  symbol->scale = static_cast<float>(pixels_per_module) / 2;
  if (ZBarcode_Buffer(symbol.get(), 0) >= ZINT_ERROR || symbol->bitmap == nullptr) {
    throw Exception(std::string("Cannot draw the QR code: ") + symbol->errtxt);
  }
  LoadZintBitmap(*symbol, picture);
  return true;
}

}  // namespace vorn
