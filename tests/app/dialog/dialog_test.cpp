#include <gtest/gtest.h>

#include <QtTest/QtTest>
#include <QtWidgets>
#include <filesystem>
#include <memory>

#include "app/app_test_support.h"
#include "app/card/record_text.h"
#include "app/dialog/dialog_language.h"
#include "app/dialog/frm_vorn_report.h"
#include "data/memory_table.h"
#include "engine/qertf/qertf.h"

namespace vorn {
namespace {

using testing::ErrorBoxes;
using testing::OpenRecorder;
using testing::ProgramDir;

const std::vector<std::string> kEight = {"1", "4710088410108", "3", "4", "5", "6", "7", "8"};

class DialogTest : public ::testing::Test {
 protected:
  TFormVornReport& Open(std::vector<std::string> arguments) {
    form_ = std::make_unique<TFormVornReport>(std::move(arguments),
                                              ProgramFolders{dir_.Templates(), dir_.Output()});
    return *form_;
  }
  QLineEdit* Edit(int row) const {
    return form_->findChild<QLineEdit*>(QString("DBEdit%1").arg(row + 1));
  }
  std::string Shown(int row) const { return Edit(row)->text().toStdString(); }
  // Replaces a box's text the way the operator does: Latin text key by key, anything
  // else committed by the input method, as Chinese is typed.
  void Type(int row, const QString& text) {
    QLineEdit* edit = Edit(row);
    edit->setFocus();
    edit->selectAll();
    bool latin = true;
    for (QChar c : text) latin = latin && c.unicode() < 0x80;
    if (latin) {
      QTest::keyClicks(edit, text);
      return;
    }
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(edit, &commit);
  }
  void Press(int button) {
    QTest::mouseClick(form_->findChild<QPushButton*>(QString("Button%1").arg(button)),
                      Qt::LeftButton);
  }
  TMemoryField& Field(const char* name) const { return form_->ClientDataSet1().FieldByName(name); }
  TDataSetState State() const { return form_->ClientDataSet1().State(); }
  const std::vector<std::string>& Errors() const { return errors_.Messages(); }

  ProgramDir dir_;
  ErrorBoxes errors_;
  std::unique_ptr<TFormVornReport> form_;
};

TEST_F(DialogTest, NoArgumentsShowEmptyBoxesAndNullPrices) {
  Open({});
  EXPECT_TRUE(Errors().empty());
  for (int row = 0; row < 8; ++row) EXPECT_EQ(Shown(row), "") << row;
  EXPECT_TRUE(Field("PSALE_PRICE").IsNull());
  EXPECT_TRUE(Field("SALE_PRICE").IsNull());
  EXPECT_TRUE(Field("VIP_PRICE").IsNull());
  EXPECT_EQ(State(), TDataSetState::dsInsert);
}

TEST_F(DialogTest, ArgumentsFillTheRowsInListOrderAndExtraOnesAreIgnored) {
  for (const auto& arguments :
       {std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8"},
        std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}}) {
    Open(arguments);
    EXPECT_TRUE(Errors().empty());
    for (int row = 0; row < 8; ++row) EXPECT_EQ(Shown(row), std::to_string(row + 1)) << row;
    // The sixth argument is the store price, the seventh the suggested price.
    EXPECT_EQ(Field("PSALE_PRICE").AsInteger(), 6);
    EXPECT_EQ(Field("SALE_PRICE").AsInteger(), 7);
    EXPECT_EQ(Field("VIP_PRICE").AsInteger(), 8);
  }
}

TEST_F(DialogTest, StringsAreCutToTheFieldSizeOnACharacterBoundary) {
  struct Case {
    std::string name;
    size_t bytes;
    std::string shown;
  };
  std::string chinese;
  for (int i = 0; i < 30; ++i) chinese += "價";
  std::string chinese24;
  for (int i = 0; i < 24; ++i) chinese24 += "價";
  const Case cases[] = {
      {std::string(60, 'x'), 50, std::string(50, 'x')},
      // 1 + 24 * 2 bytes fit; the 25th character would need bytes 50 and 51.
      {"a" + chinese, 49, "a" + chinese24},
      {chinese.substr(0, 25 * 3), 50, chinese.substr(0, 25 * 3)},
  };
  for (const Case& c : cases) {
    Open({"1", "2", c.name});
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Field("PROD_NAME").AsString().size(), c.bytes);
    EXPECT_EQ(Shown(2), c.shown);
  }
}

TEST_F(DialogTest, EmptySixthArgumentLeavesStorePriceNullSilently) {
  Open({"1", "2", "3", "4", "5", "", "7", "8"});
  EXPECT_TRUE(Errors().empty());
  EXPECT_TRUE(Field("PSALE_PRICE").IsNull());
  EXPECT_EQ(Shown(5), "");
  EXPECT_EQ(Field("SALE_PRICE").AsInteger(), 7);
}

TEST_F(DialogTest, NonIntegerPriceIsReportedAndLaterFieldsStayEmpty) {
  Open({"1", "2", "3", "4", "5", "abc", "7", "8"});
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0], "'abc' is not a valid integer value for field '門市價'");
  EXPECT_EQ(Shown(4), "5");
  EXPECT_TRUE(Field("SALE_PRICE").IsNull());
  EXPECT_TRUE(Field("VIP_PRICE").IsNull());
  form_->show();
  EXPECT_TRUE(form_->isVisible());
}

TEST_F(DialogTest, ArgumentsThatAreNoTextOfTheCodePageAreReported) {
  Open({"1", "2", "\xff\xfe"});
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0],
            "Cannot convert field '商品名稱' to code page 950: invalid UTF-8 at byte 1");
  // A character Big5 lacks used to be refused here; it is now kept, shown and printed.
  Open({"1", "2", "茶😀"});
  EXPECT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Shown(2), "茶😀");
}

TEST_F(DialogTest, PostingWithoutProductNumberRunsNoReport) {
  Open({"", "2", "3"});
  Press(1);
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0], "Field '商品編號' must have a value");
  EXPECT_TRUE(dir_.Cards().empty());
  EXPECT_EQ(State(), TDataSetState::dsInsert);
  EXPECT_EQ(Shown(2), "3");
}

TEST_F(DialogTest, MissingCardFolderIsReportedAndTheRecordKeepsItsValues) {
  std::filesystem::remove(dir_.Output());
  Open(kEight);
  Press(1);
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0], "CreateFileName: directory " + dir_.Output() + " does not exist");
  EXPECT_EQ(Shown(2), "3");
  EXPECT_EQ(Field("PROD_NAME").AsString(), "3");
}

TEST_F(DialogTest, MissingTemplateShowsTheReportError) {
  std::filesystem::remove(dir_.Templates() + "/SM2.rtf");
  Open(kEight);
  Press(4);
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0], "Can't read report template from file: " + dir_.Templates() + "/SM2.rtf");
  EXPECT_FALSE(form_->QeRTF1().Succeeded());
}

TEST_F(DialogTest, EachButtonFillsItsOwnTemplate) {
  Open(kEight);
  const char* layouts[] = {"B5", "A4", "SM1", "SM2", "OTHER"};
  for (int button = 1; button <= 5; ++button) {
    Press(button);
    EXPECT_EQ(form_->QeRTF1().InFile(), dir_.Templates() + "/" + layouts[button - 1] + ".rtf");
    EXPECT_TRUE(form_->QeRTF1().Succeeded()) << form_->QeRTF1().ErrorMessage();
  }
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(dir_.Cards().size(), 5u);
}

TEST_F(DialogTest, TwoPressesWriteTwoCardsAndOpenEach) {
  OpenRecorder recorder(dir_);
  Open(kEight);
  Press(1);
  Press(1);
  EXPECT_TRUE(Errors().empty());
  std::vector<std::string> cards = dir_.Cards();
  ASSERT_EQ(cards.size(), 2u);
  std::vector<std::string> opened = recorder.Opened();
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_NE(opened[0], opened[1]);
  for (const std::string& path : opened) {
    const std::string name = std::filesystem::path(path).filename().string();
    EXPECT_EQ(std::filesystem::path(path).parent_path().string(), dir_.Output());
    EXPECT_EQ(name.substr(0, 2), "cu");
    EXPECT_EQ(name.substr(name.size() - 4), ".doc");
    EXPECT_EQ(testing::ReadFile(path).substr(0, 5), "{\\rtf");
  }
}

TEST_F(DialogTest, EditingAfterARunPostsTheEditedValueOnTheNextPress) {
  Open(kEight);
  Press(1);
  EXPECT_EQ(State(), TDataSetState::dsBrowse);
  Type(2, QString::fromUtf8("烏龍茶"));
  EXPECT_EQ(State(), TDataSetState::dsEdit);
  Type(6, "399");
  Press(2);
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(State(), TDataSetState::dsBrowse);
  EXPECT_EQ(Field("PROD_NAME").AsString(), RecordBytesFromUtf8("烏龍茶", "x"));
  EXPECT_EQ(Field("SALE_PRICE").AsInteger(), 399);
  EXPECT_EQ(Shown(2), "烏龍茶");
  EXPECT_EQ(dir_.Cards().size(), 2u);
  // The second card carries the edited price, the first the one from the command line.
  EXPECT_NE(testing::ReadFile(form_->QeRTF1().OutFile()).find("\\lang1028 $399"),
            std::string::npos);
}

TEST_F(DialogTest, TypedTextThatFailsKeepsTheBoxAndPrintsNothing) {
  struct Case {
    int row;
    QString text;
    std::string error;
  };
  const Case cases[] = {
      {5, "12b", "'12b' is not a valid integer value for field '門市價'"},
      {7, "12a", "'12a' is not a valid integer value for field '會員價'"},
  };
  for (const Case& c : cases) {
    Open(kEight);
    errors_.Clear();
    Type(c.row, c.text);
    Press(1);
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0], c.error);
    EXPECT_EQ(Edit(c.row)->text(), c.text);
    EXPECT_TRUE(dir_.Cards().empty());
  }
}

TEST_F(DialogTest, TypedTextIsCutOnACharacterBoundaryWhenPosted) {
  Open(kEight);
  Type(4, QString::fromUtf8("a公斤公斤公斤"));  // 1 + 6 * 2 bytes; the unit holds 10
  Press(1);
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(Field("UNITNAME").AsString().size(), 9u);
  EXPECT_EQ(Shown(4), "a公斤公斤");
}

// Typed characters once vanished on print without a word.
TEST_F(DialogTest, BoxesTakeNoMoreThanTheirFieldHolds) {
  Open(kEight);
  QLineEdit* number = Edit(0);  // PROD_ID holds 20 bytes
  Type(0, QString(25, 'x'));
  EXPECT_EQ(Shown(0), std::string(20, 'x'));
  // Typing in the middle of a full box gives way to nothing after the cursor.
  number->setCursorPosition(5);
  QTest::keyClicks(number, "yy");
  EXPECT_EQ(Shown(0), std::string(20, 'x'));
  EXPECT_EQ(number->cursorPosition(), 5);
  Type(4, QString::fromUtf8("公斤公斤公斤"));  // the unit holds 10 bytes, five characters
  EXPECT_EQ(Shown(4), "公斤公斤公");
  Press(1);
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(Field("PROD_ID").AsString(), std::string(20, 'x'));
  EXPECT_EQ(Field("UNITNAME").AsString(), RecordBytesFromUtf8("公斤公斤公", "x"));
}

TEST_F(DialogTest, CardsThatPrintWithAFaultSayWhatInAWarning) {
  Open({"1", "2", std::string(60, 'n')});
  ASSERT_EQ(errors_.Warnings().size(), 1u);
  EXPECT_EQ(errors_.Summaries()[0], "部分欄位的內容過長，已截斷；列印前請確認。");
  EXPECT_NE(errors_.Warnings()[0].find("商品 1：「商品名稱」過長，已截斷"), std::string::npos)
      << errors_.Warnings()[0];
  errors_.Clear();
  Type(1, "4710088410109");
  Press(3);
  ASSERT_EQ(dir_.Cards().size(), 1u);
  ASSERT_EQ(errors_.Warnings().size(), 1u);
  EXPECT_EQ(errors_.Warnings()[0],
            "商品 1：條碼無效，已列印但不含條碼圖（Wrong barcode check digit (8 expected): "
            "4710088410109）");
  EXPECT_EQ(testing::ReadFile(form_->QeRTF1().OutFile()).find("{\\pict"), std::string::npos);
}

TEST_F(DialogTest, ErrorBoxesLeadWithASentenceForTheClerk) {
  Open({"", "2", "3"});
  Press(1);
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(errors_.Summaries().back(), "請先填寫必填的欄位，再列印。");
  EXPECT_EQ(Errors()[0], "Field '商品編號' must have a value");
  errors_.Clear();
  // The opener fails after the card is written: the clerk learns where it is.
  Type(0, "1");
  ::setenv("VORN_OPEN_COMMAND", "false", 1);
  Press(1);
  ::setenv("VORN_OPEN_COMMAND", "true", 1);
  ASSERT_EQ(Errors().size(), 1u);
  ASSERT_EQ(dir_.Cards().size(), 1u);
  EXPECT_EQ(errors_.Summaries().back(), "價格卡已存檔於 " + dir_.Output() + "/" + dir_.Cards()[0] +
                                            "，但開啟它的程式 false 無法開啟。");
  EXPECT_EQ(Errors()[0].rfind("Failed to open report results. Error message: ", 0), 0u);
}

TEST_F(DialogTest, QtsOwnTextsSpeakTraditionalChinese) {
  ASSERT_TRUE(InstallDialogLanguage(*QCoreApplication::instance()));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(), "取消");
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Open").toStdString(), "開啟");
}

TEST_F(DialogTest, ContextMenuOpensTheTemplateWithoutPostingOrComplaining) {
  OpenRecorder recorder(dir_);
  std::filesystem::remove(dir_.Templates() + "/SM1.rtf");
  Open({"", "2"});
  for (const char* item : {"B51", "SM11", "OTHER1"}) {
    form_->PopupMenu1()->findChild<QAction*>(item)->trigger();
  }
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(State(), TDataSetState::dsInsert);
  EXPECT_EQ(recorder.Opened(), (std::vector<std::string>{dir_.Templates() + "/B5.rtf",
                                                         dir_.Templates() + "/OTHER.rtf"}));
}

TEST_F(DialogTest, RightClickOnAnEditBoxShowsTheLayoutMenu) {
  Open(kEight);
  form_->show();
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                          Edit(3)->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(Edit(3), &event);
  ASSERT_TRUE(form_->PopupMenu1()->isVisible());
  QStringList items;
  for (QAction* action : form_->PopupMenu1()->actions()) items << action->text();
  // The batch item follows the layouts, apart from them.
  EXPECT_EQ(items, (QStringList{"B5", "A4", "SM1", "SM2", "OTHER", "", "批次列印..."}));
  form_->PopupMenu1()->hide();
}

// The promotion, net content and QR text come from their options and boxes, and the card day
// decides whether the promotion shows.
TEST_F(DialogTest, OptionalFieldsAndTheCardDayReachTheCard) {
  std::vector<std::string> values = kEight;
  values.insert(values.end(), {"", "2026-12-01", "2026-12-24", "600ml", "https://x.example/1"});
  values[5] = "249";  // the store price
  Open(values);
  form_->SetCardDay({std::chrono::year(2026), std::chrono::month(12), std::chrono::day(10)});
  EXPECT_EQ(Shown(9), "2026-12-01");
  EXPECT_EQ(Shown(11), "600ml");
  EXPECT_EQ(Shown(12), "https://x.example/1");
  Type(8, "$199");
  Press(3);
  EXPECT_TRUE(Errors().empty());
  EXPECT_TRUE(Field("PROMO_ON").AsBoolean());
  EXPECT_EQ(Field("PRICE_NOW").AsString(), "199");
  EXPECT_EQ(Field("PROMO_TO").AsString(), "12/24");
  EXPECT_EQ(Utf8FromRecordBytes(Field("UNIT_PRICE").AsString()), "每100ml $33.2");
  // Cards for the shelf after Christmas: the regular card.
  form_->findChild<QDateEdit*>("CardDay1")->setDate(QDate(2026, 12, 27));
  Press(3);
  EXPECT_FALSE(Field("PROMO_ON").AsBoolean());
  EXPECT_EQ(Utf8FromRecordBytes(Field("UNIT_PRICE").AsString()), "每100ml $41.5");
  EXPECT_EQ(dir_.Cards().size(), 2u);
}

TEST_F(DialogTest, ControlsSitWhereTheOperatorExpectsThem) {
  Open({});
  // The record's area of 508 x 387 keeps its controls; the card panel stands right of it.
  EXPECT_EQ(form_->size(), QSize(508 + 404, 387));
  EXPECT_EQ(form_->minimumSize(), form_->maximumSize());
  EXPECT_EQ(form_->findChild<QWidget*>("CardPanel1")->geometry(), QRect(508, 0, 404, 387));
  const char* labels[] = {"商品編號", "國際條碼", "商品名稱", "簡稱",
                          "單位",     "門市價",   "建議售價", "會員價"};
  const int widths[] = {165, 165, 376, 264, 47, 93, 93, 93};
  for (int row = 0; row < 8; ++row) {
    EXPECT_EQ(Edit(row)->geometry(), QRect(90, 21 + 40 * row, widths[row], 21)) << row;
    auto* label = form_->findChild<QLabel*>(QString("Label%1").arg(row + 1));
    EXPECT_EQ(label->text().toStdString(), labels[row]);
    EXPECT_EQ(label->pos(), QPoint(32, 24 + 40 * row));
    EXPECT_EQ(label->buddy(), Edit(row));
  }
  const char* captions[] = {"B5", "A4", "SM1", "SM2", "OTHER"};
  // The tab order: labels sit in the chain too, but take no focus.
  const auto next_tab_stop = [](QWidget* widget) {
    do {
      widget = widget->nextInFocusChain();
    } while (!(widget->focusPolicy() & Qt::TabFocus));
    return widget;
  };
  QWidget* focus = Edit(0);
  for (int row = 1; row < 8; ++row) {
    focus = next_tab_stop(focus);
    EXPECT_EQ(focus, Edit(row));
  }
  for (int i = 0; i < 5; ++i) {
    auto* button = form_->findChild<QPushButton*>(QString("Button%1").arg(i + 1));
    EXPECT_EQ(button->text().toStdString(), captions[i]);
    EXPECT_EQ(button->geometry(), QRect(32 + 88 * i, 336, 75, 25));
    EXPECT_FALSE(button->autoDefault());
    focus = next_tab_stop(focus);
    EXPECT_EQ(focus, button);
  }
  auto* batch = form_->findChild<QPushButton*>("Button6");
  EXPECT_EQ(batch->text().toStdString(), "批次列印...");
  EXPECT_EQ(next_tab_stop(focus), batch);
  EXPECT_FALSE(batch->autoDefault());
  // The batch button and its status line fit in the dialog beside the others, overlapping none.
  auto* status = form_->findChild<QLabel*>("BatchStatus1");
  for (QWidget* added : std::initializer_list<QWidget*>{batch, status}) {
    EXPECT_TRUE(form_->rect().contains(added->geometry())) << added->objectName().toStdString();
    for (QWidget* other : form_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (other == added || other->isWindow()) continue;
      EXPECT_FALSE(added->geometry().intersects(other->geometry()))
          << added->objectName().toStdString() << " " << other->objectName().toStdString();
    }
  }
  // The caption is not cut off at the dialog's font.
  EXPECT_LE(batch->fontMetrics().horizontalAdvance(batch->text()) + 8, batch->width());
}

}  // namespace
}  // namespace vorn
