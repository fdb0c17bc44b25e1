#pragma once

#include <string>

namespace vorn {

// What one printed card shows of its product, in UTF-8: what the print history keeps and what
// decides whether a product's card has changed since it was last printed.
struct CardValues {
  std::string product_id;
  std::string barcode;
  std::string name;
  std::string short_name;
  std::string unit;
  // Prices as the digits of a whole number, "" for no price.
  std::string store_price;
  std::string suggested_price;
  std::string member_price;
  // The promotion as the product gives it: its price and its first and last day (YYYY-MM-DD,
  // "" when not given).
  std::string promo_price;
  std::string promo_start;
  std::string promo_end;
  // Whether the card shows the promotion: it is valid and the day the card hangs lies within it.
  bool promo_shown = false;
  std::string net_content;  // "600ml", "6x330ml", "12入", ...
  std::string qr;           // the QR code's text, "" for none

  bool operator==(const CardValues&) const = default;
};

}  // namespace vorn
