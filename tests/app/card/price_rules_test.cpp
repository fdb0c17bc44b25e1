#include <gtest/gtest.h>

#include <chrono>

#include "app/card/card_date.h"
#include "app/card/net_content.h"
#include "app/card/price_text.h"
#include "app/card/promotion.h"
#include "app/card/qr_code.h"
#include "engine/qefunc/picture.h"
#include "platform/system/exception.h"

namespace vorn {
namespace {

using std::chrono::day;
using std::chrono::month;
using std::chrono::year;
using std::chrono::year_month_day;

year_month_day Day(int y, unsigned m, unsigned d) { return {year(y), month(m), day(d)}; }

TEST(CardDateTest, EveryFormAClerkWritesGivesTheSameDay) {
  const std::pair<const char*, const char*> cases[] = {
      {"2026-12-24", "2026-12-24"},   {"2026/12/24", "2026-12-24"}, {"20261224", "2026-12-24"},
      {" 2026.12.24 ", "2026-12-24"}, {"115/12/24", "2026-12-24"},  {"115-12-24", "2026-12-24"},
      {"2026/1/5", "2026-01-05"},     {"99/1/5", "2010-01-05"},     {"1/1/1", "1912-01-01"},
      {"2028-02-29", "2028-02-29"},
  };
  for (const auto& [text, iso] : cases) {
    EXPECT_EQ(IsoDate(ParseCardDate(text)), iso) << text;
  }
}

TEST(CardDateTest, ImpossibleOrMixedFormsAreRefusedWithTheText) {
  for (const char* text :
       {"2026-02-30", "2026/13/01", "2026-12/24", "12/24", "2026", "", "20261324", "2026--12-24",
        "１１５/12/24", "2026-12-24x", "1911/1/1", "0/1/1", "115/12/024"}) {
    try {
      ParseCardDate(text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const Exception& e) {
      EXPECT_EQ(std::string(e.what()), "not a date: " + std::string(text));
    }
  }
  EXPECT_EQ(MonthDayText(Day(2026, 1, 5)), "01/05");
}

struct ContentCase {
  const char* text;
  NetContent::Kind kind;
  int64_t thousandths;
};

TEST(NetContentTest, UnitsMultipacksAndCountsReduceToOneBase) {
  using K = NetContent::Kind;
  const ContentCase cases[] = {
      {"600ml", K::kVolume, 600'000},      {"1.5L", K::kVolume, 1'500'000},
      {"300g", K::kWeight, 300'000},       {"2kg", K::kWeight, 2'000'000},
      {"6x330ml", K::kVolume, 1'980'000},  {"6 X 330 ML", K::kVolume, 1'980'000},
      {"330ml×6", K::kVolume, 1'980'000},  {"6入x330ml", K::kVolume, 1'980'000},
      {"12入", K::kCount, 12'000},         {"300 公克", K::kWeight, 300'000},
      {"2公斤", K::kWeight, 2'000'000},    {"600毫升", K::kVolume, 600'000},
      {"1.25公升", K::kVolume, 1'250'000}, {"0.5kg", K::kWeight, 500'000},
      {"10 pcs", K::kCount, 10'000},       {"75cl", K::kVolume, 750'000},
      {"330mlx6", K::kVolume, 1'980'000},
  };
  for (const ContentCase& c : cases) {
    const NetContent content = ParseNetContent(c.text);
    EXPECT_EQ(content.kind, c.kind) << c.text;
    EXPECT_EQ(content.thousandths, c.thousandths) << c.text;
  }
}

TEST(NetContentTest, WhatCannotBeReadSaysSo) {
  for (const char* text :
       {"", "ml", "600", "600 mls", "six x 330ml", "6x330", "1.5入", "0g", "6x0.5x330ml",
        "600ml extra", "1.2345kg", "6.5x330ml", "330ml x 6g", "3gal", "99999999999g"}) {
    try {
      ParseNetContent(text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const Exception& e) {
      EXPECT_EQ(std::string(e.what()), "cannot read the net content: " + std::string(text));
    }
  }
}

TEST(UnitPriceTest, PerHundredOrPerPieceRoundedHalfUpToOneDecimal) {
  const std::tuple<int64_t, const char*, const char*> cases[] = {
      {25, "200g", "每100g $12.5"},    {32, "600ml", "每100ml $5.3"},  // 5.333...
      {100, "12入", "每入 $8.3"},                                      // 8.333...
      {99, "6x330ml", "每100ml $5.0"},  // 5.0 exactly: one decimal is always shown
      {1, "40g", "每100g $2.5"},        // 2.5 exactly
      {1, "80g", "每100g $1.3"},        // 1.25: half up
      {17, "8入", "每入 $2.1"},         // 2.125
      {45, "1.5L", "每100ml $3.0"},    {199, "2kg", "每100g $10.0"},  // 9.95: half up
      {0, "300g", "每100g $0.0"},      {9'999'999, "1g", "每100g $999,999,900.0"},
  };
  for (const auto& [price, content, text] : cases) {
    EXPECT_EQ(UnitPriceText(price, ParseNetContent(content)), text) << price << " " << content;
  }
}

struct PromotionCase {
  PromotionFields fields;
  year_month_day day;
  bool shown;
  const char* fault;
};

TEST(PromotionTest, ShownOnlyWhenValidAndTheDayLiesWithinItsPeriod) {
  const year_month_day today = Day(2026, 12, 10);
  const PromotionCase cases[] = {
      {{"199", "2026-12-01", "2026-12-24", "249"}, today, true, ""},
      {{"199", "", "115/12/24", "249"}, today, true, ""},              // already running
      {{"199", "2026-12-10", "2026-12-10", "249"}, today, true, ""},   // both ends count
      {{"199", "2026-12-11", "2026-12-24", "249"}, today, false, ""},  // not yet
      {{"199", "2026-12-01", "2026-12-09", "249"}, today, false, ""},  // over
      {{"199", "2026-12-01", "2026-12-24", ""}, today, true, ""},      // no store price
      {{"", "2026-12-01", "2026-12-24", "249"}, today, false, ""},     // no promotion
      {{"199", "2026-12-01", "", "249"},
       today,
       false,
       "a promotion needs its last day (PROMO_END)"},
      {{"199", "2026-12-24", "2026-12-01", "249"},
       today,
       false,
       "the promotion ends (2026-12-01) before it starts (2026-12-24)"},
      {{"249", "", "2026-12-24", "249"},
       today,
       false,
       "the promotion price 249 is not below the store price 249"},
      {{"1000", "", "2026-12-24", "999"},
       today,
       false,
       "the promotion price 1000 is not below the store price 999"},
      {{"199", "soon", "2026-12-24", "249"}, today, false, "promotion start: not a date: soon"},
  };
  for (const PromotionCase& c : cases) {
    const PromotionState state = EvaluatePromotion(c.fields, c.day);
    EXPECT_EQ(state.shown, c.shown)
        << c.fields.price << " " << c.fields.start << " " << c.fields.end;
    EXPECT_EQ(state.fault, c.fault);
  }
}

TEST(PriceDigitsTest, WholeNumbersAsClerksWriteThem) {
  const std::pair<const char*, const char*> good[] = {
      {"1280", "1280"},  {"1,280", "1280"}, {"1,234,567", "1234567"},
      {"$199", "199"},   {"NT$199", "199"}, {"nt$ 199", "199"},
      {" 45.00 ", "45"}, {"45.", "45"},     {"199元", "199"},
      {"", ""},          {"  ", ""},        {"007", "7"},
      {"0", "0"},        {"NT 50", "50"},   {"9,999,999", "9999999"},
  };
  for (const auto& [text, digits] : good) EXPECT_EQ(PriceDigits(text), digits) << text;
  const std::pair<const char*, const char*> bad[] = {
      {"45.50", "price is not a whole number: 45.50"},
      {"45.5", "price is not a whole number: 45.5"},
      {"1,28", "price is not a whole number: 1,28"},
      {"12,34,567", "price is not a whole number: 12,34,567"},
      {",123", "price is not a whole number: ,123"},
      {"123,", "price is not a whole number: 123,"},
      {"1.234,00", "price is not a whole number: 1.234,00"},
      {"$", "price is not a whole number: $"},
      {"12a", "price is not a whole number: 12a"},
      {"1 280", "price is not a whole number: 1 280"},
      // A negative price once read as "not a whole number".
      {"-5", "price is negative: -5"},
      {"NT$ -5", "price is negative: NT$ -5"},
      // Seven digits fit every layout on one line; more would push the card onto two pages.
      {"10,000,000", "price is too large (at most 9,999,999): 10,000,000"},
      {"99999999999", "price is too large (at most 9,999,999): 99999999999"},
  };
  for (const auto& [text, message] : bad) {
    try {
      PriceDigits(text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const Exception& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
  EXPECT_EQ(CountValue(" 3 ", 999, "COPIES"), 3);
  EXPECT_EQ(CountValue("", 999, "COPIES"), -1);
  EXPECT_THROW(CountValue("1000", 999, "COPIES"), Exception);
}

TEST(QrCodeTest, ModulesStayLargeEnoughOrTheCodeIsLeftOut) {
  Picture picture;
  ASSERT_TRUE(RenderQrCode("https://shop.example/p/4710088410108", 22, picture));
  // 33 modules with the quiet zone at whole pixels: no larger than asked.
  EXPECT_LE(picture.Width() * 25.4 / 96, 22.0);
  EXPECT_GE(picture.Width() * 25.4 / 96, 22.0 * 0.6);
  Picture small;
  EXPECT_FALSE(RenderQrCode(std::string(200, 'A') + "?x=" + std::string(100, 'b'), 15, small));
  EXPECT_TRUE(small.Empty());
  Picture empty;
  EXPECT_FALSE(RenderQrCode("", 22, empty));
  EXPECT_TRUE(empty.Empty());
}

}  // namespace
}  // namespace vorn
