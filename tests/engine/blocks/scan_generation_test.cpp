#include <string>
#include <vector>

#include "engine/blocks/blocks_fixture.h"

namespace vorn::testing {
namespace {

// What the events saw, one line per call.
class ScanGenerationTest : public BlocksTest {
 protected:
  void RecordEvents() {
    report_.OnScanBefore = [this](TQeScanInfo& info) {
      events_.push_back(Describe("before", info));
    };
    report_.OnScanRecord = [this](TQeScanInfo& info) {
      events_.push_back(Describe("record", info));
    };
    report_.OnScanEof = [this](TQeScanInfo& info) { events_.push_back(Describe("eof", info)); };
  }
  static std::string Describe(const std::string& event, const TQeScanInfo& info) {
    return event + " " + std::to_string(info.BlockId) + (info.Skipped ? " skipped" : "");
  }

  std::unique_ptr<FakeDataSet> products_ = Products();
  std::unique_ptr<FakeDataSet> empty_ = Letters({});
  std::vector<std::string> events_;
};

TEST_F(ScanGenerationTest, BodyIsWrittenOncePerRecord) {
  RecordEvents();
  EXPECT_EQ(
      Render("[" + Tag("SCAN(A)") + Tag("A:NAME") + "," + Tag("ENDSCAN") + "]", {products_.get()}),
      "[Tea,Coffee,Milk,]");
  const std::vector<std::string> expected = {"before 1", "record 1", "record 1", "record 1",
                                             "eof 1"};
  EXPECT_EQ(events_, expected);
}

TEST_F(ScanGenerationTest, EmptyDataSetWritesTheBodyOnceUnlessNoEof) {
  RecordEvents();
  EXPECT_EQ(Render("[" + Tag("SCAN(A)") + Tag("A:X") + "," + Tag("ENDSCAN") + "]", {empty_.get()}),
            "[ ,]");
  EXPECT_EQ(events_, (std::vector<std::string>{"before 1", "record 1", "eof 1"}));
  events_.clear();
  EXPECT_EQ(
      Render("[" + Tag("SCAN(A),noeof") + Tag("A:X") + "," + Tag("ENDSCAN") + "]", {empty_.get()}),
      "[]");
  EXPECT_EQ(events_, (std::vector<std::string>{"before 1", "eof 1"}));
}

TEST_F(ScanGenerationTest, HeaderAndFooterAreWrittenOnce) {
  const std::string body = Tag("SCAN(A)") + "head:" + Tag("SCANENTRY") + Tag("A:X") + ";" +
                           Tag("SCANFOOTER") + ":foot" + Tag("ENDSCAN") + ".";
  auto letters = Letters({"a", "b"});
  EXPECT_EQ(Render(body, {letters.get()}), "head:a;b;:foot.");
  EXPECT_EQ(Render(body, {empty_.get()}), "head: ;:foot.");
  // With noeof nothing of the block is written, footer included.
  std::string noeof = body;
  noeof.replace(noeof.find("SCAN(A)"), 7, "SCAN(A),noeof");
  EXPECT_EQ(Render(noeof, {empty_.get()}), ".");
}

TEST_F(ScanGenerationTest, PageBreaksGoBetweenRepetitions) {
  auto letters = Letters({"a", "b"});
  EXPECT_EQ(Render(Tag("SCAN(A),page") + Tag("A:X") + Tag("ENDSCAN"), {letters.get()}),
            "a\\page b");
  EXPECT_EQ(Render(Tag("SCAN(A),page") + "h" + Tag("SCANENTRY") + Tag("A:X") + Tag("SCANFOOTER") +
                       "f" + Tag("ENDSCAN"),
                   {letters.get()}),
            "ha\\page bf");
}

TEST_F(ScanGenerationTest, InnerScanRestartsOnEveryOuterRepetition) {
  auto inner = Letters({"1", "2"});
  const std::string body = Tag("SCAN(A)") + Tag("A:NAME") + "(" + Tag("SCAN(B)") + Tag("B:X") +
                           Tag("ENDSCAN") + ")" + Tag("ENDSCAN");
  EXPECT_EQ(Render(body, {products_.get(), inner.get()}), "Tea(12)Coffee(12)Milk(12)");
  std::string noeof = body;
  noeof.replace(noeof.find("SCAN(B)"), 7, "SCAN(B),noeof");
  // This skipped the inner block after the first outer repetition: its dataset was still at its end
  // from the repetition before, and that counted as no records.
  EXPECT_EQ(Render(noeof, {products_.get(), inner.get()}), "Tea(12)Coffee(12)Milk(12)");
}

TEST_F(ScanGenerationTest, SecondScanOverTheSameDataSetStartsAgain) {
  EXPECT_EQ(Render(Tag("SCAN(A),noeof") + Tag("A:NAME") + Tag("ENDSCAN") + "|" +
                       Tag("SCAN(A),noeof") + Tag("A:NAME") + Tag("ENDSCAN"),
                   {products_.get()}),
            "TeaCoffeeMilk|TeaCoffeeMilk");
}

TEST_F(ScanGenerationTest, WhileScanRepeatsWhileItsConditionHolds) {
  report_.AddNumberVariable("N", 0);
  const std::string body = Tag("SCAN(),while(N<3),SET(N,N+1)") + Tag("N") + Tag("ENDSCAN");
  EXPECT_EQ(Render(body), "123");
  // False from the start: once without noeof, never with it.
  EXPECT_EQ(Render(body), "4");
  EXPECT_EQ(report_.VariableText(report_.FindVariable("N")), "4");
  std::string noeof = body;
  noeof.replace(noeof.find("SET"), 0, "noeof,");
  EXPECT_EQ(Render(noeof), "");
}

TEST_F(ScanGenerationTest, WhileScanOverADataSetStopsAtItsEnd) {
  // The dataset is not moved to its first record: the scan goes on from where it is.
  products_->First();
  products_->Next();
  EXPECT_EQ(
      Render(Tag("SCAN(A),while(1=1)") + Tag("A:NAME") + "," + Tag("ENDSCAN"), {products_.get()}),
      "Coffee,Milk,");
  products_->First();
  EXPECT_EQ(Render(Tag("SCAN(A),while(A:NAME<>'Milk')") + Tag("A:NAME") + "," + Tag("ENDSCAN"),
                   {products_.get()}),
            "Tea,Coffee,");
}

TEST_F(ScanGenerationTest, ItemsOnTheEntryRunPerRepetitionThoseOnTheScanOnce) {
  report_.AddNumberVariable("ONCE", 0);
  report_.AddNumberVariable("EACH", 0);
  EXPECT_EQ(Render(Tag("SCAN(A),SET(ONCE,ONCE+1)") + Tag("SCANENTRY,SET(EACH,EACH+1)") +
                       Tag("ONCE") + "/" + Tag("EACH") + " " + Tag("ENDSCAN"),
                   {products_.get()}),
            "1/1 1/2 1/3 ");
}

TEST_F(ScanGenerationTest, EventsSeeTheBlocksLiveInfo) {
  auto inner = Letters({"x"});
  std::vector<std::string> seen;
  report_.OnScanRecord = [&](TQeScanInfo& info) {
    seen.push_back(std::to_string(info.BlockId) + " level " + std::to_string(info.Level) +
                   " kind " + std::to_string(info.Kind) + (info.HasEntry ? " entry" : "") +
                   (info.HasFooter ? " footer" : "") + (info.PageBreak ? " page" : "") +
                   (info.NoEof ? " noeof" : "") + (info.HasWhile ? " while" : "") +
                   (info.ResetAggregates ? " reset" : "") +
                   (info.DataSet == products_.get() ? " A" : "") +
                   (info.Owner == &report_ ? " owner" : ""));
  };
  Render(Tag("SCAN(A),page") + Tag("IF(1=1)") + Tag("SCAN(B),noeof") + Tag("SCANENTRY") +
             Tag("SCANFOOTER") + Tag("ENDSCAN") + Tag("ENDIF") + Tag("ENDSCAN"),
         {products_.get(), inner.get()});
  const std::vector<std::string> expected = {
      "1 level 1 kind 0 page reset A owner", "3 level 3 kind 0 entry footer noeof reset owner",
      "1 level 1 kind 0 page A owner",       "3 level 3 kind 0 entry footer noeof reset owner",
      "1 level 1 kind 0 page A owner",       "3 level 3 kind 0 entry footer noeof reset owner"};
  EXPECT_EQ(seen, expected);
}

TEST_F(ScanGenerationTest, BookmarkModeVisitsTheChosenRecords) {
  std::vector<std::string> bookmarks = {"2", "0"};
  report_.OnScanBefore = [&](TQeScanInfo& info) {
    info.BookmarkMode = true;
    info.Bookmarks = &bookmarks;
  };
  const std::string body = Tag("SCAN(A)") + Tag("A:NAME") + "," + Tag("ENDSCAN");
  EXPECT_EQ(Render(body, {products_.get()}), "Milk,Tea,");
  // No list, or an empty one, means no records: the body once, or with noeof not at all.
  bookmarks.clear();
  products_->First();
  EXPECT_EQ(Render(body, {products_.get()}), "Tea,");
  EXPECT_EQ(Render(Tag("SCAN(A),noeof") + Tag("A:NAME") + Tag("ENDSCAN"), {products_.get()}), "");
  // An index a handler moved out of the list names no record.
  bookmarks = {"1"};
  report_.OnScanRecord = [](TQeScanInfo& info) { info.BookmarkIndex = -7; };
  EXPECT_EQ(Render(body, {products_.get()}), "Coffee,");
}

TEST_F(ScanGenerationTest, AggregatesStartAfreshForEachEntryOfTheirBlock) {
  auto groups = Letters({"g1", "g2"});
  auto prices = PriceTable("Prices", {{"a", "10"}, {"b", "20"}, {"c", "30"}});
  report_.AddNumberVariable("T", 0);
  report_.AddNumberVariable("K", 0);
  EXPECT_EQ(Render(Tag("SCAN(A)") + Tag("SCAN(B),SUM(B:PRICE,T),SUM(B:PRICE,K,NORESET)") +
                       Tag("ENDSCAN") + Tag("A:X") + "=" + Tag("T") + "/" + Tag("K") + " " +
                       Tag("ENDSCAN"),
                   {groups.get(), prices.get()}),
            "g1=60/60 g2=60/120 ");
}

TEST_F(ScanGenerationTest, FooterShowsTheTotalOfTheRepetitions) {
  auto prices = PriceTable("Prices", {{"a", "1.5"}, {"b", "2"}, {"c", "4"}});
  report_.AddNumberVariable("TOTAL", 99);
  report_.AddNumberVariable("COUNT", 99);
  EXPECT_EQ(Render(Tag("SCAN(A)") + Tag("SCANENTRY,SUM(A:PRICE,TOTAL),CTS(A:NAME,COUNT)") +
                       Tag("A:NAME") + ";" + Tag("SCANFOOTER") + Tag("COUNT") + ":" + Tag("TOTAL") +
                       Tag("ENDSCAN"),
                   {prices.get()}),
            "a;b;c;3:7.5");
}

TEST_F(ScanGenerationTest, SkippedBlockResetsItsAggregatesAsOnAFirstRepetition) {
  auto groups = Letters({"g1", "g2"});
  auto prices = PriceTable("Prices", {{"a", "10"}, {"b", "20"}});
  std::vector<std::string> none;
  report_.AddNumberVariable("T", 0);
  // The inner block visits no record for the second group and is skipped then.
  report_.OnScanBefore = [&](TQeScanInfo& info) {
    if (info.BlockId == 2 && groups->Fields(0).AsString() == "g2") {
      info.BookmarkMode = true;
      info.Bookmarks = &none;
    }
  };
  EXPECT_EQ(Render(Tag("SCAN(A)") + Tag("SCAN(B),noeof,SUM(B:PRICE,T)") + Tag("ENDSCAN") +
                       Tag("A:X") + "=" + Tag("T") + " " + Tag("ENDSCAN"),
                   {groups.get(), prices.get()}),
            "g1=30 g2=0 ");
}

TEST_F(ScanGenerationTest, CommandsAloneInTheirParagraphsLeaveNoEmptyParagraph) {
  auto letters = Letters({"a", "b"});
  EXPECT_EQ(Render("Items:\\par " + Tag("SCAN(A)") + "\\par " + Tag("A:X") + "\\par " +
                       Tag("ENDSCAN") + "\\par End\\par",
                   {letters.get()}),
            "Items:\\par a\\par b\\par End\\par");
  // A command that shares its paragraph keeps it.
  EXPECT_EQ(
      Render("Top\\par Items: " + Tag("SCAN(A)") + "\\par " + Tag("A:X") + Tag("ENDSCAN") + "\\par",
             {letters.get()}),
      "Top\\par Items: \\par a\\par b\\par");
}

TEST_F(ScanGenerationTest, AWhileConditionThatNeverTurnsFalseEndsTheRun) {
  report_.OnScanBefore = [](TQeScanInfo& info) { info.Owner->Scans()->SetMaxRepetitions(1000); };
  EXPECT_EQ(CompileError<EIllegalScanUse>(Tag("SCAN(),while(1=1)") + Tag("ENDSCAN")),
            "Too many repetitions of scan blocks in one report: SCAN(),while(1=1)");
}

}  // namespace
}  // namespace vorn::testing
