#include "app/card/promotion.h"

#include "app/card/card_date.h"
#include "platform/system/exception.h"

namespace vorn {

namespace {
// Digits compare by length first: "1280" is more than "999".
bool LessThan(std::string_view a, std::string_view b) {
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}

std::optional<std::chrono::year_month_day> DayOf(const std::string& text, const char* what,
                                                 std::string& fault) {
  if (text.empty() || !fault.empty()) return std::nullopt;
  try {
    return ParseCardDate(text);
  } catch (const Exception& e) {
    fault = std::string(what) + " " + e.what();
    return std::nullopt;
  }
}
}  // namespace

PromotionState EvaluatePromotion(const PromotionFields& fields, std::chrono::year_month_day day) {
  PromotionState state;
  if (fields.price.empty()) return state;
  state.start = DayOf(fields.start, "promotion start:", state.fault);
  state.end = DayOf(fields.end, "promotion end:", state.fault);
  if (!state.fault.empty()) return state;
  if (!state.end) {
    state.fault = "a promotion needs its last day (PROMO_END)";
  } else if (state.start && *state.end < *state.start) {
    state.fault = "the promotion ends (" + IsoDate(*state.end) + ") before it starts (" +
                  IsoDate(*state.start) + ")";
  } else if (!fields.store_price.empty() && !LessThan(fields.price, fields.store_price)) {
    state.fault = "the promotion price " + fields.price + " is not below the store price " +
                  fields.store_price;
  } else {
    state.shown = (!state.start || *state.start <= day) && day <= *state.end;
  }
  return state;
}

}  // namespace vorn
