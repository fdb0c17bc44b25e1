#pragma once

#include <string>
#include <vector>

#include "engine/qefunc/user_functions.h"

namespace vorn {

inline constexpr double kDefaultQrSizeMm = 22;

// The price-card program's own functions for its templates:
//   BARCODE(value[, mm])  a picture of the value's EAN-13, EAN-8 or UPC-A symbol with bars
//                    mm high (13.2 unless given); an empty value or one that is no valid
//                    barcode gives an empty picture, which prints nothing (the program warns
//                    about the product before the run);
//   LEN(text)        the text's length in bytes of the record's code page (a Chinese
//                    character counts 2), as the field sizes count;
//   LINES(text, n)   how many lines the text takes when wrapped at n Chinese characters' width,
//                    so that a template can pick a font size for a name;
//   WRAP(text, n)    the text broken into lines of at most n Chinese characters' width, between
//                    words and never inside a number with its unit; a Latin letter counts about
//                    two thirds of a Chinese character;
//   UNITPRICE(price, content)  the unit price of a pack of `content` ("600ml", "6x330ml",
//                    "12入") costing `price` whole dollars: "每100g $12.5", "每100ml $5.3",
//                    "每入 $8.3"; empty when either is empty or the content cannot be read;
//   QR(text[, mm])   a QR code of the text (an address or any text) about mm wide and high
//                    (22 unless given); an empty text gives an empty picture, and so does a text
//                    too long for a code of that size, which is kept for TakeTooLongQrTexts.
// The caller keeps the list alive while a report refers to it.
class CardFunctions {
 public:
  CardFunctions();
  CardFunctions(const CardFunctions&) = delete;
  CardFunctions& operator=(const CardFunctions&) = delete;

  TQeUDFList& List() { return list_; }

  // The texts QR could not draw at their size since the last call, in the order met.
  std::vector<std::string> TakeTooLongQrTexts();

 private:
  void Qr(const TQeUDFArgs& args, TQeUDFObject result);

  TQeUDFList list_;
  std::vector<std::string> too_long_qr_;
};

}  // namespace vorn
