#include <gtest/gtest.h>
#include <stdlib.h>

#include <QtTest/QtTest>
#include <QtWidgets>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/app_test_support.h"
#include "app/dialog/frm_vorn_report.h"
#include "data/memory_table.h"
#include "engine/qertf/qertf.h"

namespace vorn {
namespace {

using testing::ErrorBoxes;
using testing::OpenRecorder;
using testing::ProgramDir;

constexpr const char* kHeader =
    "PROD_ID,PROD_BARCODE,PROD_NAME,PROD_SNAME,UNITNAME,SALE_PRICE,PSALE_PRICE,VIP_PRICE";
const std::vector<std::string> kEight = {"1", "4710088410108", "3", "4", "5", "6", "7", "8"};

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

QString Progress(int card, int cards) {
  return QString::fromUtf8("第 %1 張，共 %2 張").arg(card).arg(cards);
}

class DialogBatchTest : public ::testing::Test {
 protected:
  DialogBatchTest() {
    form_ =
        std::make_unique<TFormVornReport>(kEight, ProgramFolders{dir_.Templates(), dir_.Output()});
  }
  std::string WriteCsv(const std::string& name, const std::string& text) {
    const std::string path = dir_.Path(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // A CSV of `count` products "QX1", "QX2", ... with valid data.
  std::string Products(int count) {
    std::string text = kHeader;
    for (int i = 1; i <= count; ++i) {
      text += "\nQX" + std::to_string(i) + ",,Tea " + std::to_string(i) + ",t,btl,30,25,20";
    }
    return WriteCsv("products.csv", text + "\n");
  }
  // Presses the batch button, answering the file and layout questions as given.
  void Batch(const std::string& csv, const std::string& layout, bool changed_only = false) {
    form_->ChooseCsvFile = [csv] { return csv; };
    form_->ChooseBatch = [this, layout, changed_only](const BatchChoice& last,
                                                      const BatchOffer& offer) {
      offered_.emplace_back(last.layout);
      changes_ = offer.changed ? offer.changed(layout) : std::nullopt;
      BatchChoice choice;
      choice.layout = layout;
      choice.changed_only = changed_only;
      return std::optional<BatchChoice>(choice);
    };
    QTest::mouseClick(Button(6), Qt::LeftButton);
  }
  QPushButton* Button(int number) const {
    return form_->findChild<QPushButton*>(QString("Button%1").arg(number));
  }
  bool AllButtonsEnabled() const {
    for (int number = 1; number <= 6; ++number) {
      if (!Button(number)->isEnabled()) return false;
    }
    return form_->PopupMenu1()->findChild<QAction*>("Batch1")->isEnabled();
  }
  QString Status() const { return form_->findChild<QLabel*>("BatchStatus1")->text(); }
  // The progress box's text while it shows, else empty.
  QString ProgressLabel() const {
    const QProgressDialog* progress = form_->ProgressDialog1();
    return progress != nullptr && progress->isVisible() ? progress->labelText() : QString();
  }
  std::string OnlyCard() const {
    const std::vector<std::string> cards = dir_.Cards();
    if (cards.size() != 1) return "cards: " + std::to_string(cards.size());
    return testing::ReadFile(dir_.Output() + "/" + cards[0]);
  }
  const std::vector<std::string>& Errors() const { return errors_.Messages(); }

  ProgramDir dir_;
  ErrorBoxes errors_;
  std::unique_ptr<TFormVornReport> form_;
  std::vector<std::string> offered_;
  // What the batch dialog was told of the products' changes on the chosen layout.
  std::optional<std::pair<size_t, bool>> changes_;
};

// Samples the dialog on every pass of the event loop, as an operator watching it would.
class Watcher {
 public:
  explicit Watcher(std::function<void()> look) : look_(std::move(look)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { look_(); });
    timer_.start(0);
  }

 private:
  std::function<void()> look_;
  QTimer timer_;
};

TEST_F(DialogBatchTest, PrintsOneDocumentWithACardPerProductCopy) {
  OpenRecorder recorder(dir_);
  const std::string csv =
      WriteCsv("p.csv", std::string(kHeader) +
                            ",COPIES\nQX1,4710088410108,綠茶,茶,瓶,30,25,20,2\n"
                            "QX2,,Black tea,tea,btl,35,30,28,\nQX3,,Oolong,tea,btl,1,2,3,\n");
  bool disabled_while_running = false;
  QString last_label;
  Watcher watcher([&] {
    if (ProgressLabel().isEmpty()) return;
    last_label = ProgressLabel();
    disabled_while_running =
        !Button(1)->isEnabled() && !Button(5)->isEnabled() && !Button(6)->isEnabled();
  });
  Batch(csv, "B5");
  ASSERT_TRUE(Errors().empty()) << Errors()[0];
  const std::string card = OnlyCard();
  // The COPIES column still applies; the others take one copy.
  EXPECT_EQ(Count(card, "QX1"), 2u);
  EXPECT_EQ(Count(card, "QX2"), 1u);
  EXPECT_EQ(Count(card, "QX3"), 1u);
  EXPECT_EQ(Count(card, "Oolong"), 1u);
  EXPECT_EQ(Count(card, "\\page "), 3u);
  EXPECT_EQ(Count(card, "{\\pict"), 2u);  // only QX1 has a barcode
  EXPECT_EQ(recorder.Opened(), (std::vector<std::string>{form_->QeRTF1().OutFile()}));
  EXPECT_TRUE(disabled_while_running);
  EXPECT_EQ(last_label, Progress(4, 4));
  EXPECT_EQ(Status(), QString::fromUtf8("已列印 4 張"));
  EXPECT_TRUE(AllButtonsEnabled());
  EXPECT_EQ(form_->ProgressDialog1(), nullptr);
  // The record in the boxes is untouched by the batch.
  EXPECT_EQ(form_->ClientDataSet1().State(), TDataSetState::dsInsert);
  EXPECT_EQ(form_->ClientDataSet1().FieldByName("PROD_ID").AsString(), "1");
}

TEST_F(DialogBatchTest, MenuItemRunsTheSameBatchAndTheLastLayoutIsOffered) {
  const std::string csv = Products(3);
  Batch(csv, "SM1");
  form_->PopupMenu1()->findChild<QAction*>("Batch1")->trigger();
  ASSERT_TRUE(Errors().empty()) << Errors()[0];
  EXPECT_EQ(offered_, (std::vector<std::string>{"B5", "SM1"}));
  ASSERT_EQ(dir_.Cards().size(), 2u);
  const std::string card = testing::ReadFile(form_->QeRTF1().OutFile());
  EXPECT_EQ(Count(card, "QX"), 3u);
  EXPECT_EQ(Count(card, "\\page "), 2u);  // small labels too, one a page
}

// The clerk prints the catalogue, the prices of one product change, and the next batch offers
// and prints only that product's card.
TEST_F(DialogBatchTest, OnlyTheChangedProductsPrintTheSecondTime) {
  Batch(Products(4), "SM1");
  ASSERT_TRUE(changes_);
  EXPECT_EQ(*changes_, std::make_pair(size_t{4}, false));  // nothing printed before
  ASSERT_EQ(dir_.Cards().size(), 1u);
  std::string text = kHeader;
  for (int i = 1; i <= 4; ++i) {
    text += "\nQX" + std::to_string(i) + ",,Tea " + std::to_string(i) + ",t,btl,30," +
            (i == 3 ? "24" : "25") + ",20";
  }
  const std::string csv = WriteCsv("week2.csv", text + "\n");
  Batch(csv, "SM1", true);
  EXPECT_EQ(*changes_, std::make_pair(size_t{1}, true));
  ASSERT_EQ(dir_.Cards().size(), 2u);
  EXPECT_TRUE(Errors().empty());
  std::string second;
  for (const std::string& card : dir_.Cards()) {
    const std::string bytes = testing::ReadFile(dir_.Output() + "/" + card);
    if (bytes.find("QX1") == std::string::npos) second = bytes;
  }
  EXPECT_EQ(Count(second, "QX3"), 1u);
  EXPECT_EQ(Count(second, "{\\*\\vorncard}"), 1u);
  // Another layout has no cards yet: everything is new there.
  Batch(csv, "A4", true);
  EXPECT_EQ(*changes_, std::make_pair(size_t{4}, false));
  // Nothing changed since: nothing is written, and the clerk is told.
  Batch(csv, "SM1", true);
  EXPECT_EQ(*changes_, std::make_pair(size_t{0}, true));
  EXPECT_EQ(dir_.Cards().size(), 3u);
  EXPECT_EQ(errors_.Summaries().back(), "沒有自上次列印後變動的商品，這次沒有列印。");
}

TEST_F(DialogBatchTest, CancelledQuestionsPrintNothing) {
  const std::string csv = Products(2);
  form_->ChooseCsvFile = [] { return std::string(); };
  form_->ChooseBatch = [this](const BatchChoice&, const BatchOffer&) {
    offered_.emplace_back("asked");
    BatchChoice choice;
    choice.layout = "B5";
    return std::optional<BatchChoice>(choice);
  };
  QTest::mouseClick(Button(6), Qt::LeftButton);
  EXPECT_TRUE(offered_.empty());
  Batch(csv, "");
  EXPECT_TRUE(dir_.Cards().empty());
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(Status(), "");
  EXPECT_TRUE(AllButtonsEnabled());
  // A cancelled choice is no choice: the next batch offers the first layout again.
  Batch(csv, "SM2");
  EXPECT_EQ(offered_.back(), "B5");
}

TEST_F(DialogBatchTest, FailuresShowTheirMessageAndLeaveTheRecordAsTyped) {
  const std::string h = kHeader;
  struct Case {
    std::string csv_text;  // empty: no file at all
    std::string layout;
    std::string message;  // '@' stands for the CSV's path
    std::string summary;  // the box's sentence for the clerk, chosen by the fault's kind
  };
  const Case cases[] = {
      {"PROD_ID,PROD_BARCODE,PROD_NAME,UNITNAME,SALE_PRICE,PSALE_PRICE,VIP_PRICE\nA,,n,u,1,2,3\n",
       "B5", "Missing columns in @: PROD_SNAME (簡稱)",
       "資料檔缺少必要的欄位，請對照說明檔的欄位表。"},
      {"", "B5", "Cannot open data file: @", "無法讀取資料檔。"},
      {h + ",COPIES\nB1,,n,s,u,1,2,3,0\n", "A4", "No cards to print in @",
       "資料檔中沒有可以列印的商品。"},
      {h + "\nB1,,n,s,u,1,2,3\n", "SM1",
       "Can't read report template from file: " + dir_.Templates() + "/SM1.rtf",
       "找不到、無法讀取或無法使用這個版面的範本檔。"},
  };
  std::filesystem::remove(dir_.Templates() + "/SM1.rtf");
  QLineEdit* name_box = form_->findChild<QLineEdit*>("DBEdit3");
  name_box->setFocus();
  name_box->selectAll();
  QTest::keyClicks(name_box, "typed");
  const TDataSetState state = form_->ClientDataSet1().State();
  for (const Case& c : cases) {
    errors_.Clear();
    const std::string path = dir_.Path("case.csv");
    std::filesystem::remove(path);
    if (!c.csv_text.empty()) WriteCsv("case.csv", c.csv_text);
    Batch(path, c.layout);
    std::string expected = c.message;
    if (const size_t at = expected.find('@'); at != std::string::npos) {
      expected.replace(at, 1, path);
    }
    ASSERT_EQ(Errors().size(), 1u) << expected;
    EXPECT_EQ(Errors()[0], expected);
    EXPECT_EQ(errors_.Summaries()[0], c.summary);
    EXPECT_TRUE(AllButtonsEnabled()) << expected;
    EXPECT_EQ(form_->ProgressDialog1(), nullptr) << expected;
  }
  EXPECT_TRUE(dir_.Cards().empty());
  EXPECT_EQ(form_->ClientDataSet1().State(), state);
  EXPECT_EQ(name_box->text(), "typed");
  // The record is still the operator's to print.
  QTest::mouseClick(Button(2), Qt::LeftButton);
  EXPECT_NE(testing::ReadFile(form_->QeRTF1().OutFile()).find("\\lang1028 typed"),
            std::string::npos);
}

// One bad row of a batch once left no card and one error box with the first fault only.
TEST_F(DialogBatchTest, BadRowsAreLeftOutAndSummedUpInOneBox) {
  const std::string csv = WriteCsv("mixed.csv", std::string(kHeader) +
                                                    "\nG1,,good,s,u,1,2,3\n"
                                                    "B1,,bad,s,u,1,45.50,3\n"
                                                    "B2,4710088410109,digits,s,u,1,2,3\n"
                                                    "G2,,good,s,u,1,2,3\n");
  Batch(csv, "SM2");
  EXPECT_TRUE(Errors().empty()) << Errors()[0];
  ASSERT_EQ(errors_.Warnings().size(), 1u);
  EXPECT_EQ(errors_.Summaries().back(), "已列印 3 張，1 筆商品未列印，1 處需要注意：");
  EXPECT_EQ(errors_.Warnings()[0],
            "第 3 行，商品 B1：未列印（門市價: price is not a whole number: 45.50）\n"
            "第 4 行，商品 B2：條碼無效，已列印但不含條碼圖（Wrong barcode check digit (8 "
            "expected): 4710088410109）");
  const std::string card = OnlyCard();
  EXPECT_EQ(Count(card, "G1") + Count(card, "B2") + Count(card, "G2"), 3u);
  EXPECT_EQ(Count(card, "B1"), 0u);
  EXPECT_EQ(Status(), QString::fromUtf8("已列印 3 張"));
  EXPECT_TRUE(AllButtonsEnabled());
}

TEST_F(DialogBatchTest, CancelStopsTheRunAndLeavesNoFileBehind) {
  const std::string temp = dir_.Path("tmp");
  std::filesystem::create_directory(temp);
  const char* old_tmpdir = std::getenv("TMPDIR");
  const std::string saved = old_tmpdir != nullptr ? old_tmpdir : "";
  ::setenv("TMPDIR", temp.c_str(), 1);
  const std::string csv = Products(40);
  // Cancel once the first card is under way, as the operator would click it.
  Watcher watcher([&] {
    if (ProgressLabel() == Progress(1, 40)) {
      QTest::mouseClick(form_->ProgressDialog1()->findChild<QPushButton*>(), Qt::LeftButton);
    }
  });
  Batch(csv, "A4");
  if (old_tmpdir != nullptr) {
    ::setenv("TMPDIR", saved.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(Status(), QString::fromUtf8("已取消"));
  // The run itself was stopped, not the dialog before it.
  EXPECT_EQ(form_->QeRTF1().ErrorMessage(), "Batch printing cancelled");
  EXPECT_TRUE(dir_.Cards().empty());
  EXPECT_TRUE(std::filesystem::is_empty(temp));
  EXPECT_TRUE(AllButtonsEnabled());
  EXPECT_EQ(form_->ProgressDialog1(), nullptr);
}

TEST_F(DialogBatchTest, ABatchAfterACancelRunsToTheEnd) {
  const std::string csv = Products(3);
  {
    Watcher watcher([&] {
      if (!ProgressLabel().isEmpty()) form_->ProgressDialog1()->cancel();
    });
    Batch(csv, "SM2");
  }
  ASSERT_EQ(Status(), QString::fromUtf8("已取消"));
  Batch(csv, "SM2");
  EXPECT_EQ(Status(), QString::fromUtf8("已列印 3 張"));
  EXPECT_EQ(Count(OnlyCard(), "Tea "), 3u);  // the small label shows no product number
}

TEST_F(DialogBatchTest, ProgressUpdatesAreThrottled) {
  constexpr int kCards = 400;
  const std::string csv = Products(kCards);
  int passes = 0;
  QString last_label;
  Watcher watcher([&] {
    if (ProgressLabel().isEmpty()) return;
    ++passes;
    last_label = ProgressLabel();
  });
  const auto start = std::chrono::steady_clock::now();
  Batch(csv, "SM2");
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  ASSERT_TRUE(Errors().empty()) << Errors()[0];
  EXPECT_EQ(last_label, Progress(kCards, kCards));
  // The window is served at the start, every 50 ms and at the last card, not per card.
  EXPECT_GE(passes, 1);
  EXPECT_LE(passes, 2 * (4 + elapsed.count() / 50)) << elapsed.count() << " ms";
}

}  // namespace
}  // namespace vorn
