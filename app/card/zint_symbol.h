#pragma once

#include <zint.h>

#include <memory>

namespace vorn {

class Picture;

struct ZintSymbolDeleter {
  void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};
// An encoder's symbol, deleted with it. Throws vorn::Exception when there is no memory for one.
using ZintSymbol = std::unique_ptr<zint_symbol, ZintSymbolDeleter>;
ZintSymbol NewZintSymbol();

// The symbol's drawn bitmap (after ZBarcode_Buffer) as the picture's pixels.
void LoadZintBitmap(const zint_symbol& symbol, Picture& picture);

}  // namespace vorn
