#include "app/history/card_change.h"

#include <string>
#include <tuple>

namespace vorn {

namespace {
// A value added to the card must be added to the comparison too.
static_assert(sizeof(CardValues) == 13 * sizeof(std::string) + alignof(std::string),
              "CardDiffers compares every value of CardValues");

auto ShownAlways(const CardValues& card) {
  return std::tie(card.product_id, card.barcode, card.name, card.short_name, card.unit,
                  card.store_price, card.suggested_price, card.member_price, card.net_content,
                  card.qr, card.promo_shown);
}

auto PromotionTerms(const CardValues& card) {
  return std::tie(card.promo_price, card.promo_start, card.promo_end);
}
}  // namespace

bool CardDiffers(const CardValues& now, const CardValues& last) {
  if (ShownAlways(now) != ShownAlways(last)) return true;
  // Both cards show the promotion or neither does; only a shown one prints its terms.
  return now.promo_shown && PromotionTerms(now) != PromotionTerms(last);
}

}  // namespace vorn
