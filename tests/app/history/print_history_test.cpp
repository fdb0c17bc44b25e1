#include "app/history/print_history.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "engine/test_dir.h"

namespace vorn {
namespace {

using testing::TestDir;

CardValues Product(const std::string& id, const std::string& price) {
  CardValues card;
  card.product_id = id;
  card.barcode = "4710088410108";
  card.name = "烏龍茶 " + id;
  card.short_name = "茶";
  card.unit = "瓶";
  card.store_price = price;
  card.suggested_price = "35";
  card.member_price = "25";
  card.net_content = "600ml";
  return card;
}

CardValues WithPromotion(CardValues card, bool shown, const std::string& end = "2025-03-31") {
  card.promo_price = "19";
  card.promo_start = "2025-03-01";
  card.promo_end = end;
  card.promo_shown = shown;
  return card;
}

std::chrono::system_clock::time_point At(int64_t seconds) {
  return std::chrono::system_clock::time_point(std::chrono::seconds(seconds));
}

class PrintHistoryTest : public ::testing::Test {
 protected:
  std::string Path() const { return dir_.File("history.sqlite"); }

  int64_t Record(PrintHistory& history, const std::string& layout,
                 const std::vector<CardValues>& values, int64_t time = 1700000000) {
    std::vector<PrintedCard> cards;
    for (const CardValues& card : values) cards.push_back({card, 1});
    PrintedRun run;
    run.layout = layout;
    run.kind = RunKind::kBatch;
    run.output = "/out/" + layout + ".doc";
    run.day = "2025-03-01";
    run.time = At(time);
    return history.Record(run, cards);
  }

  std::string Table(PrintHistory& history, const HistorySelection& which) {
    std::ostringstream out;
    WriteHistoryTable(history, which, out);
    return out.str();
  }

  TestDir dir_;
};

TEST_F(PrintHistoryTest, ChangedCardsAreThoseUnlikeTheLastCardOnTheLayout) {
  PrintHistory history(Path());
  Record(history, "SM1",
         {Product("P1", "30"), Product("P2", "30"), Product("P3", "30"),
          WithPromotion(Product("P4", "30"), false), WithPromotion(Product("P5", "30"), false),
          Product("P6", "30")});
  Record(history, "SM1", {Product("P2", "28")});
  Record(history, "A4", {Product("P3", "99")});

  const std::vector<CardValues> batch = {
      Product("P6", "30"),                                      // as printed
      Product("P2", "30"),                                      // as the first card, not the last
      Product("P3", "30"),                                      // as on SM1; A4 is another card
      Product("P7", "30"),                                      // never printed
      Product("P1", "31"),                                      // new price
      WithPromotion(Product("P4", "30"), true),                 // promotion started by the day
      WithPromotion(Product("P5", "30"), false, "2025-04-30"),  // later end, still not shown
      Product("P2", "28"),                                      // as the last card
  };
  const CardChanges changes = history.ChangedCards("SM1", batch);
  EXPECT_EQ(changes.positions, (std::vector<size_t>{1, 3, 4, 5}));
  EXPECT_EQ(changes.never_printed, 1u);
  EXPECT_EQ(
      history.ChangedCards("A4", std::vector{Product("P3", "99"), Product("P3", "30")}).positions,
      std::vector<size_t>{1});
  EXPECT_EQ(history.ChangedCards("B5", batch).never_printed, batch.size());
  EXPECT_TRUE(history.ChangedCards("SM1", {}).positions.empty());
}

TEST_F(PrintHistoryTest, RecordedCardsAreListedNewestFirstAsATable) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  CardValues tricky = WithPromotion(Product("P1", "29"), true);
  tricky.name = "Tea\tTime\nNew \\ Old";
  tricky.qr = "https://shop.example/P1";
  {
    PrintHistory history(Path());
    Record(history, "SM1", {Product("P1", "30"), Product("P2", "30")}, 1700000000);
    EXPECT_EQ(Record(history, "SM1", {}), 0);  // nothing made, nothing recorded
    Record(history, "A4", {tricky, Product("P3", "30")}, 1700003600);
  }
  PrintHistory history(Path());  // read back by a new connection

  const std::string header =
      "time\tlayout\tproduct\tname\tstore_price\tsuggested_price\tmember_price\tpromo_price\t"
      "promo_start\tpromo_end\tcopies\tfile\n";
  EXPECT_EQ(Table(history, HistorySelection::OfProduct("P1")),
            header +
                "2023-11-14 23:13:20\tA4\tP1\tTea\\tTime\\nNew \\\\ Old\t29\t35\t25\t19\t"
                "2025-03-01\t2025-03-31\t1\t/out/A4.doc\n"
                "2023-11-14 22:13:20\tSM1\tP1\t烏龍茶 P1\t30\t35\t25\t\t\t\t1\t/out/SM1.doc\n");
  EXPECT_EQ(Table(history, HistorySelection::OfLastRuns(1)),
            header +
                "2023-11-14 23:13:20\tA4\tP3\t烏龍茶 P3\t30\t35\t25\t\t\t\t1\t/out/A4.doc\n"
                "2023-11-14 23:13:20\tA4\tP1\tTea\\tTime\\nNew \\\\ Old\t29\t35\t25\t19\t"
                "2025-03-01\t2025-03-31\t1\t/out/A4.doc\n");
  EXPECT_EQ(Table(history, HistorySelection::OfProduct("P9")), header);

  std::vector<RecordedCard> listed;
  history.ListCards(HistorySelection::OfLastRuns(5),
                    [&](const RecordedCard& card) { listed.push_back(card); });
  ASSERT_EQ(listed.size(), 4u);
  EXPECT_EQ(listed[1].values, tricky);  // every value comes back as it went in
  EXPECT_EQ(listed[1].day, "2025-03-01");
  EXPECT_EQ(listed[3].values, Product("P1", "30"));
  EXPECT_EQ(listed[3].run + 1, listed[1].run);
}

TEST_F(PrintHistoryTest, ASheetRunKeepsTheNextFreeLabelOfItsSheet) {
  PrintHistory history(Path());
  EXPECT_EQ(history.NextLabel("Avery A4 L7413"), std::nullopt);
  PrintedRun run;
  run.layout = "SM1";
  run.kind = RunKind::kSheet;
  run.sheet = "Avery A4 L7413";
  run.next_label = 7;
  const std::vector<PrintedCard> cards = {{Product("P1", "30"), 6}};
  history.Record(run, cards);
  EXPECT_EQ(history.NextLabel("AVERY a4 l7413"), 7);
  EXPECT_EQ(history.NextLabel("Avery A4 L7414"), std::nullopt);

  run.next_label = 0;  // a run that does not know where it ended moves nothing
  history.Record(run, cards);
  EXPECT_EQ(history.NextLabel("Avery A4 L7413"), 7);
  history.SetNextLabel("avery a4 l7413", 1);
  EXPECT_EQ(PrintHistory(Path()).NextLabel("Avery A4 L7413"), 1);
}

}  // namespace
}  // namespace vorn
