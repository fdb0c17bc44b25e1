#pragma once

#include "engine/qefunc/user_functions.h"

namespace vorn {

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
//                    two thirds of a Chinese character.
// The caller keeps the list alive while a report refers to it.
class CardFunctions {
 public:
  CardFunctions();
  CardFunctions(const CardFunctions&) = delete;
  CardFunctions& operator=(const CardFunctions&) = delete;

  TQeUDFList& List() { return list_; }

 private:
  TQeUDFList list_;
};

}  // namespace vorn
