#include "app/card/zint_symbol.h"

#include <vector>

#include "engine/qefunc/picture.h"
#include "platform/system/exception.h"

namespace vorn {

ZintSymbol NewZintSymbol() {
  ZintSymbol symbol(ZBarcode_Create());
  if (!symbol) throw Exception("Out of memory for a barcode");
  return symbol;
}

void LoadZintBitmap(const zint_symbol& symbol, Picture& picture) {
  const auto width = static_cast<uint32_t>(symbol.bitmap_width);
  const auto height = static_cast<uint32_t>(symbol.bitmap_height);
  std::vector<uint32_t> argb(size_t{width} * height);
  const unsigned char* rgb = symbol.bitmap;
  for (uint32_t& pixel : argb) {
    pixel = 0xFF000000u | (uint32_t{rgb[0]} << 16) | (uint32_t{rgb[1]} << 8) | rgb[2];
    rgb += 3;
  }
  LoadPictureFromPixels(picture, width, height, argb);
}

}  // namespace vorn
