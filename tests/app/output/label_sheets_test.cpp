#include "app/output/label_sheets.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QSpinBox>
#include <fstream>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <regex>

#include "app/app_test_support.h"
#include "app/dialog/batch_dialog.h"
#include "app/output/imposition.h"
#include "platform/system/exception.h"

namespace vorn {
namespace {

constexpr const char* kLabels = R"(<?xml version='1.0' encoding='UTF-8'?>
<!-- <manufacturer name="_[MANUFACTURERNAME]_"> in a comment is no sheet -->
<manufacturers>
  <manufacturer name="Avery A4">
    <label id="L1"><name>L7413 Business Card</name>
      <measure>S;9000;5080;9000;5080;1500;2150;2;5;21000;29700</measure></label>
    <label id="L2"><name>L7160 Address &amp; Parcel</name>
      <measure>S;6604;3810;6350;3810;720;1510;3;7;21000;29700</measure></label>
    <label id="L3"><name>C2341 Cards (Cover)</name>
      <measure>S;10850;17000;10850;17000;1000;2000;1;1;29700;21000</measure></label>
    <label id="L4"><name>C2341 Cards (Inside)</name>
      <measure>S;14850;21000;14850;21000;0;0;1;1;39700;21000</measure></label>
    <label id="L5"><name>Broken</name><measure>S;1;2;3</measure></label>
  </manufacturer>
  <manufacturer name="Herma A5">
    <label id="L6"><name>4200 Card</name>
      <measure>S;9500;5500;9500;5500;1000;1000;1;3;14800;21000</measure></label>
  </manufacturer>
</manufacturers>
)";

class LabelSheetsTest : public ::testing::Test {
 protected:
  LabelSheetsTest() {
    const std::string path = dir_.Path("labels.xml");
    std::ofstream(path) << kLabels;
    sheets_ = LoadLabelSheets(path);
  }
  std::string FindError(const std::string& name) {
    try {
      FindLabelSheet(sheets_, name);
    } catch (const Exception& e) {
      return e.what();
    }
    return "(found)";
  }

  testing::ProgramDir dir_;
  std::vector<LabelSheet> sheets_;
};

TEST_F(LabelSheetsTest, SheetsAreReadAndFoundByManufacturerAndCode) {
  ASSERT_EQ(sheets_.size(), 5u);  // the sheet without a grid is left out
  const LabelSheet& l7413 = FindLabelSheet(sheets_, "  avery   A4 l7413 ");
  EXPECT_EQ(l7413.FullName(), "Avery A4 L7413");
  EXPECT_DOUBLE_EQ(l7413.label_height, 50.8);
  EXPECT_DOUBLE_EQ(l7413.top, 21.5);
  EXPECT_EQ(l7413.LabelsPerSheet(), 10);
  EXPECT_EQ(FindLabelSheet(sheets_, "Avery A4 L7160 Address & Parcel").Code(), "L7160");
  EXPECT_EQ(FindLabelSheet(sheets_, "Avery A4 C2341 Cards (Inside)").page_width, 397);
  EXPECT_EQ(FindError("Avery A4 C2341"),
            "Several label sheets answer to Avery A4 C2341; give the whole label name, as "
            "\"Avery A4 C2341 Cards (Cover)\"");
  EXPECT_EQ(FindError("Avery L7413"),
            "Unknown label sheet (vornreport --sheets lists them): Avery L7413");
}

TEST_F(LabelSheetsTest, OnlySheetsWhoseLabelsHoldTheCardAreOffered) {
  std::vector<std::string> names;
  for (const LabelSheet* sheet : SheetsHolding(sheets_, 90, 50, "")) {
    names.push_back(sheet->FullName());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Avery A4 L7413", "Avery A4 C2341", "Avery A4 C2341",
                                             "Herma A5 4200"}));
  EXPECT_EQ(SheetsHolding(sheets_, 90, 50, "herma").size(), 1u);
  EXPECT_EQ(SheetsHolding(sheets_, 0, 0, "").size(), 5u);
  EXPECT_NO_THROW(CheckCardFits(sheets_[0], 90, 50.9));
  try {
    CheckCardFits(sheets_[0], 148, 105);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(),
                 "The card (148 x 105 mm) is larger than the labels of Avery A4 L7413 (90 x 50.8 "
                 "mm)");
  }
}

// Entries whose grid leaves their paper, as typing mistakes in the installed database have
// them; such a sheet once placed 24 of 30 cards below the page.
TEST(UnusableLabelSheetsTest, GridsOffThePaperOrOverlappingPlaceNoCard) {
  testing::ProgramDir dir;
  const std::string path = dir.Path("labels.xml");
  std::ofstream(path) << R"(<manufacturers><manufacturer name="Test">
    <label id="L1"><name>T1 Rows ten times apart</name>
      <measure>S;10160;33870;9906;3387;467;1302;2;8;21000;29700</measure></label>
    <label id="L2"><name>T2 Columns past the edge</name>
      <measure>S;10500;8500;9500;8500;1500;5350;2;2;21000;29700</measure></label>
    <label id="L3"><name>T3 Overlapping</name>
      <measure>S;255;0;6350;3390;720;1310;3;8;21000;29700</measure></label>
    <label id="L4"><name>T4 To the edge, rounded</name>
      <measure>S;10500;3713;10500;3713;0;0;2;8;21000;29700</measure></label>
    <label id="L5"><name>T5 Begins above the paper</name>
      <measure>S;10500;3713;10500;3713;0;-100;2;7;21000;29700</measure></label>
    <label id="L6"><name>T6 Typed wrong</name>
      <measure>S;9000;50800;9000;5080;1500;2150;2;5;21000;29700</measure></label>
    <label id="L7"><name>T6 Typed right</name>
      <measure>S;9000;5080;9000;5080;1500;2150;2;5;21000;29700</measure></label>
  </manufacturer></manufacturers>)";
  const std::vector<LabelSheet> sheets = LoadLabelSheets(path);
  ASSERT_EQ(sheets.size(), 7u);
  const std::vector<std::string> reasons = {
      "its 8 rows of labels reach 2417.8 mm down paper 297 mm high",
      "its 2 columns of labels reach 215 mm across paper 210 mm wide",
      "its labels overlap: one column is 2.5 mm from the next, a label 63.5 mm wide",
      "",
      "its first label begins outside the paper",
      "its 5 rows of labels reach 2104.3 mm down paper 297 mm high",
      ""};
  for (size_t i = 0; i < sheets.size(); ++i) EXPECT_EQ(sheets[i].Unusable(), reasons[i]) << i;
  try {
    FindLabelSheet(sheets, "test t1");
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(),
                 "Label sheet Test T1 cannot be used: its 8 rows of labels reach 2417.8 mm down "
                 "paper 297 mm high");
  }
  // The sound entry of a name that also has a broken one is the one used.
  EXPECT_EQ(FindLabelSheet(sheets, "Test T6").name, "T6 Typed right");
  std::vector<std::string> offered;
  for (const LabelSheet* sheet : SheetsHolding(sheets, 10, 10, "")) offered.push_back(sheet->name);
  EXPECT_EQ(offered, (std::vector<std::string>{"T4 To the edge, rounded", "T6 Typed right"}));
  // --sheets lists them apart, with their reasons, rather than leaving them out unseen.
  std::vector<std::string> listed;
  for (const LabelSheet* sheet : UnusableSheets(sheets, "t1")) listed.push_back(sheet->name);
  EXPECT_EQ(listed.size(), 1u);
  EXPECT_EQ(UnusableSheets(sheets, "").size(), 5u);
}

// A PDF of `count` cards of 90 x 50 mm, as LibreOffice writes a batch.
std::string CardsPdf(const std::string& path, int count) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFPageDocumentHelper pages(pdf);
  for (int i = 0; i < count; ++i) {
    QPDFObjectHandle page =
        QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 255.118 141.732] >>");
    page.replaceKey("/Resources", QPDFObjectHandle::newDictionary());
    page.replaceKey("/Contents",
                    QPDFObjectHandle::newStream(&pdf, "0 0 10 " + std::to_string(i + 1) + " re f"));
    pages.addPage(pdf.makeIndirectObject(page), false);
  }
  QPDFWriter writer(pdf, path.c_str());
  writer.write();
  return path;
}

// Where each sheet page puts its cards: "x,y" of each placement, in content order.
std::vector<std::vector<std::string>> Placements(const std::string& path) {
  QPDF pdf;
  pdf.processFile(path.c_str());
  std::vector<std::vector<std::string>> sheets;
  const std::regex place(R"(1 0 0 1 ([0-9.]+) ([0-9.]+) cm /Card)");
  for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    const auto data = page.getObjectHandle().getKey("/Contents").getStreamData();
    const std::string content(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    std::vector<std::string> placed;
    for (std::sregex_iterator it(content.begin(), content.end(), place), end; it != end; ++it) {
      placed.push_back(std::to_string(static_cast<int>(std::stod((*it)[1]))) + "," +
                       std::to_string(static_cast<int>(std::stod((*it)[2]))));
    }
    if (content.find(" re S") != std::string::npos) placed.push_back("outlined");
    sheets.push_back(placed);
  }
  return sheets;
}

TEST_F(LabelSheetsTest, CardsGoOnTheLabelsInReadingOrderFromTheFirstFreeOne) {
  const LabelSheet& sheet = FindLabelSheet(sheets_, "Avery A4 L7413");
  const std::string cards = CardsPdf(dir_.Path("cards.pdf"), 12);
  const std::string out = dir_.Path("sheets.pdf");
  EXPECT_EQ(ImposeCards({cards}, sheet, {}, out), 2);
  // Labels 90 x 50.8 mm from 15 mm left and 21.5 mm down an A4 page, the card centred.
  const std::vector<std::string> first_sheet = {"42,638", "297,638", "42,494", "297,494",
                                                "42,350", "297,350", "42,206", "297,206",
                                                "42,62",  "297,62"};
  EXPECT_EQ(Placements(out),
            (std::vector<std::vector<std::string>>{first_sheet, {"42,638", "297,638"}}));
  ImpositionOptions options;
  options.first_label = 4;
  options.outline = true;
  EXPECT_EQ(ImposeCards({cards}, sheet, options, out), 2);
  const auto moved = Placements(out);
  ASSERT_EQ(moved.size(), 2u);
  EXPECT_EQ(moved[0].front(), "297,494");  // label 4: second column, second row
  EXPECT_EQ(moved[0].size(), 7u + 1);      // labels 4 to 10, and the outlines
  EXPECT_EQ(moved[1].size(), 5u + 1);
  options = {};
  options.repeat = 3;
  EXPECT_EQ(ImposeCards({CardsPdf(dir_.Path("one.pdf"), 1)}, sheet, options, out), 1);
  EXPECT_EQ(Placements(out)[0].size(), 3u);
  options.first_label = 11;
  EXPECT_THROW(ImposeCards({cards}, sheet, options, out), Exception);
  EXPECT_THROW(ImposeCards({cards}, FindLabelSheet(sheets_, "Avery A4 L7160"), {}, out), Exception);
}

// The batch offers what each layout's card fits and what was chosen for it last.
TEST_F(LabelSheetsTest, BatchDialogOffersFittingSheetsAndRemembersEachLayout) {
  const auto card_size = [](const std::string& layout) -> std::pair<double, double> {
    return layout == "SM1" ? std::pair(90.0, 50.0) : std::pair(210.0, 297.0);
  };
  BatchChoice a4;
  a4.layout = "A4";
  a4.print = true;
  a4.printer = "Laser";
  SaveBatchChoice(a4);
  BatchChoice sm1;
  sm1.layout = "SM1";
  sm1.sheet = "Avery A4 L7413 Business Card";
  sm1.outline = true;
  TBatchDialog dialog(sheets_, card_size, {"Laser", "Label"}, "Label", sm1);
  auto* sheets = dialog.findChild<QComboBox*>("Sheets1");
  // One card a page, then the four sheets whose labels hold 90 x 50 mm.
  EXPECT_EQ(sheets->count(), 5);
  EXPECT_EQ(sheets->currentData().toString().toStdString(), "Avery A4 L7413 Business Card");
  dialog.findChild<QSpinBox*>("FirstLabel1")->setValue(12);  // beyond the sheet's ten
  BatchChoice chosen = dialog.Choice();
  EXPECT_EQ(chosen.sheet, "Avery A4 L7413 Business Card");
  EXPECT_EQ(chosen.first_label, 10);
  EXPECT_TRUE(chosen.outline);
  EXPECT_FALSE(chosen.print);
  // A4 brings back its own printer and offers no sheet its card would not fit.
  dialog.findChild<QComboBox*>("Layouts1")->setCurrentText("A4");
  EXPECT_EQ(sheets->count(), 1);  // one card a page only
  chosen = dialog.Choice();
  EXPECT_EQ(chosen.layout, "A4");
  EXPECT_EQ(chosen.sheet, "");
  EXPECT_TRUE(chosen.print);
  EXPECT_EQ(chosen.printer, "Laser");
  EXPECT_EQ(LoadBatchChoice("").layout, "A4");
  EXPECT_EQ(dialog.findChild<QComboBox*>("Output1")->itemText(2).toStdString(),
            "印表機：Label（預設）");
}

}  // namespace
}  // namespace vorn
