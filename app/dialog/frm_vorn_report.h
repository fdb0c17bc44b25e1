#pragma once

#include <QDialog>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/card/card_notices.h"
#include "app/dialog/batch_dialog.h"
#include "app/dialog/batch_settings.h"
#include "app/flow/batch.h"
#include "app/flow/layouts.h"
#include "app/output/label_sheets.h"

class QLabel;
class QLineEdit;
class QAction;
class QFont;
class QMenu;
class QProgressDialog;
class QPushButton;

namespace vorn {

class PrintFlow;
class TCardPanel;
class TCardPreview;
class TDataSource;
class TMemoryTable;
class TQeRTF;

// What closing the dialog does with it.
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

// The program's dialog: the product record in eight edit boxes, five layout buttons, a
// context menu that opens the templates, and a batch button that prints one card per
// product of a CSV file. Every failure shows in the error box and the dialog stays as it was.
class TFormVornReport : public QDialog {
  Q_OBJECT

 public:
  // `arguments` are the command-line values (UTF-8), `folders` where templates and cards are.
  TFormVornReport(std::vector<std::string> arguments, ProgramFolders folders,
                  QWidget* parent = nullptr);
  ~TFormVornReport() override;

  TMemoryTable& ClientDataSet1() const { return *client_data_set1_; }
  TQeRTF& QeRTF1() const { return *qe_rtf1_; }
  TDataSource& DataSource1() const { return *data_source1_; }
  QMenu* PopupMenu1() const { return popup_menu1_; }
  // The progress box while a batch runs, else null.
  QProgressDialog* ProgressDialog1() const { return progress_dialog1_.get(); }

  // Ask for the batch's data file (a file-system path) and how to print it, offered what was
  // chosen last; an empty answer cancels. They open the program's dialogs unless replaced.
  std::function<std::string()> ChooseCsvFile;
  std::function<std::optional<BatchChoice>(const BatchChoice& last, const BatchOffer& offer)>
      ChooseBatch;

  // The day the cards will hang, which decides whether a promotion shows; today unless set.
  void SetCardDay(std::chrono::year_month_day day);
  // Shows the card as it will print beside the record, drawn by LibreOffice in the background.
  void EnablePreview();
  TCardPreview* Preview1() const { return preview1_; }

  void FormCreate();
  void FormClose(TCloseAction& action);
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void B51Click();
  void A41Click();
  void SM11Click();
  void SM21Click();
  void OTHER1Click();
  void Button6Click();
  void Batch1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  // Escape closes the dialog as the close button does.
  void reject() override;

 private:
  void BuildControls();
  void BuildBatchControls(const QFont& button_font);
  void BuildPopupMenu();
  void PrintLayout(std::string_view layout);
  void OpenTemplate(std::string_view layout);
  void PrintCsvBatch();
  // The products of the data file, or null after showing why there are none.
  std::unique_ptr<BatchProducts> LoadProducts(const std::string& csv_path);
  BatchOffer OfferFor(const BatchProducts& batch);
  void RunBatch(BatchProducts& batch, const BatchChoice& choice);
  // Prints the batch and returns how many cards it holds, 0 when none changed; `batch.notices`
  // gets what the operator must hear of, even when the run then fails.
  int PrintProducts(BatchProducts& batch, const BatchChoice& choice);
  // The PDF of the batch just written, on a label sheet or one card a page, then printed or
  // opened; returns what the history records as its output.
  std::string DeliverPdf(const std::string& document, int cards, const BatchChoice& choice);
  void RecordBatch(BatchProducts& batch, const BatchChoice& choice, const std::string& output);
  void ShowPdfProgress(int done, int cards);
  void SetBatchRunning(bool running);
  void ShowProgressDialog(int cards);
  void ShowBatchProgress(int card, int cards);
  std::string AskForCsvFile();
  std::optional<BatchChoice> AskForBatch(const BatchChoice& last, const BatchOffer& offer);
  const std::vector<LabelSheet>& Sheets();

  std::vector<std::string> arguments_;
  CardNotices cut_at_start_;
  std::unique_ptr<TMemoryTable> client_data_set1_;
  std::unique_ptr<TQeRTF> qe_rtf1_;
  std::unique_ptr<TDataSource> data_source1_;
  std::unique_ptr<PrintFlow> flow_;
  std::array<QLabel*, 8> labels_{};
  std::array<QLineEdit*, 8> edits_{};
  std::array<QPushButton*, 5> buttons_{};
  QPushButton* button6_ = nullptr;
  TCardPanel* panel_ = nullptr;
  TCardPreview* preview1_ = nullptr;
  QLabel* batch_status_ = nullptr;
  QMenu* popup_menu1_ = nullptr;
  QAction* batch1_ = nullptr;
  std::unique_ptr<QProgressDialog> progress_dialog1_;
  bool printing_ = false;
  std::optional<std::vector<LabelSheet>> sheets_;
  std::string last_csv_folder_;
  std::chrono::steady_clock::time_point last_progress_{};
};

}  // namespace vorn
