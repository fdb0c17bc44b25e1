#include "app/history/card_change.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace vorn {
namespace {

// A card with a promotion announced; `shown` says whether the day the card hangs lies in it.
CardValues Card(bool shown) {
  CardValues card;
  card.product_id = "4710001";
  card.barcode = "4710088410108";
  card.name = "綠茶 600ml";
  card.short_name = "綠茶";
  card.unit = "瓶";
  card.store_price = "30";
  card.suggested_price = "35";
  card.member_price = "25";
  card.promo_price = "19";
  card.promo_start = "2025-03-01";
  card.promo_end = "2025-03-31";
  card.promo_shown = shown;
  card.net_content = "600ml";
  card.qr = "https://shop.example/4710001";
  return card;
}

struct Case {
  const char* what;
  bool last_shown;  // the last card showed the promotion
  std::function<void(CardValues&)> change;
  bool differs;
};

TEST(CardChangeTest, ComparesWhatTheCardShows) {
  const Case cases[] = {
      {"nothing changed", false, [](CardValues&) {}, false},
      {"nothing changed, promotion shown", true, [](CardValues&) {}, false},
      {"barcode", false, [](CardValues& c) { c.barcode = "4710088410115"; }, true},
      {"name", false, [](CardValues& c) { c.name = "綠茶 600ml "; }, true},
      {"short name", false, [](CardValues& c) { c.short_name = "茶"; }, true},
      {"unit", false, [](CardValues& c) { c.unit = "罐"; }, true},
      {"store price", false, [](CardValues& c) { c.store_price = "31"; }, true},
      {"suggested price", false, [](CardValues& c) { c.suggested_price = ""; }, true},
      {"member price", false, [](CardValues& c) { c.member_price = "24"; }, true},
      {"net content", false, [](CardValues& c) { c.net_content = "6x600ml"; }, true},
      {"QR text", false, [](CardValues& c) { c.qr = ""; }, true},
      {"promotion starts by the day", false, [](CardValues& c) { c.promo_shown = true; }, true},
      {"promotion ends by the day", true, [](CardValues& c) { c.promo_shown = false; }, true},
      {"promotion price, not shown", false, [](CardValues& c) { c.promo_price = "17"; }, false},
      {"promotion start, not shown", false, [](CardValues& c) { c.promo_start = "2025-03-05"; },
       false},
      {"promotion end, not shown", false, [](CardValues& c) { c.promo_end = "2025-04-30"; }, false},
      {"promotion dropped, not shown", false,
       [](CardValues& c) { c.promo_price = c.promo_start = c.promo_end = ""; }, false},
      {"promotion price, shown", true, [](CardValues& c) { c.promo_price = "17"; }, true},
      {"promotion start, shown", true, [](CardValues& c) { c.promo_start = "2025-03-05"; }, true},
      {"promotion end, shown", true, [](CardValues& c) { c.promo_end = "2025-04-30"; }, true},
  };
  for (const Case& test : cases) {
    const CardValues last = Card(test.last_shown);
    CardValues now = last;
    test.change(now);
    EXPECT_EQ(CardDiffers(now, last), test.differs) << test.what;
  }
}

}  // namespace
}  // namespace vorn
