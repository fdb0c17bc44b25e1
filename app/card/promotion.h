#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// A product's promotion as its record gives it (UTF-8 texts; prices as digits, "" for none).
struct PromotionFields {
  std::string price;  // the price everyone pays during the promotion
  std::string start;  // the first day, "" when it is already running
  std::string end;    // the last day, required with a price
  std::string store_price;
};

// What a card makes of the promotion on the day it hangs.
struct PromotionState {
  bool shown = false;  // the card shows the promotion price as its headline
  std::optional<std::chrono::year_month_day> start;
  std::optional<std::chrono::year_month_day> end;
  // Why a promotion that was given does not show (a date that cannot be read, an end before
  // the start, a price not below the store price, no last day); "" when there is nothing wrong.
  // The card then prints as a regular one and the operator hears of it.
  std::string fault;
};

// Decides whether the promotion shows on a card hanging on `day`: it is valid and `day` lies
// within its period, both ends included. A record without a promotion price has no promotion
// (its dates, if any, are left alone).
PromotionState EvaluatePromotion(const PromotionFields& fields, std::chrono::year_month_day day);

}  // namespace vorn
