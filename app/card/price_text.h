#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/card/print_error.h"

namespace vorn {

// A price that cannot be read, and why.
class PriceError : public PrintError {
 public:
  enum class Reason { kNotWhole, kNegative, kTooLarge };
  PriceError(Reason reason, const std::string& message)
      : PrintError(PrintErrorKind::kBadPrice, message), reason_(reason) {}
  Reason Why() const { return reason_; }

 private:
  Reason reason_;
};

// A price as clerks write it, as the digits of a whole number: blanks, a leading "NT$", "$" or
// "NT", a trailing "元", thousands separators between groups of three digits and a fraction of
// zeros ("45.00") are allowed; an empty text stays empty. Throws vorn::Exception naming the
// text for anything else: "price is negative: -5", "price is not a whole number: 45.50" (a
// fraction is never rounded), "price is too large (at most 9,999,999): …", since every layout
// prints seven digits on one line and no more.
std::string PriceDigits(std::string_view text);

// A whole number with thousands separated, as cards and messages write them: "3,480".
std::string WithThousands(int64_t value);

// A count such as COPIES: a whole number from 0 to `max` with blanks around it allowed; -1 for
// an empty text. Throws vorn::Exception ("`what` must be a whole number
// from 0 to MAX: TEXT") for anything else.
int CountValue(std::string_view text, int max, std::string_view what);

}  // namespace vorn
