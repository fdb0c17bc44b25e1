#include "app/dialog/frm_vorn_report.h"

#include <QtWidgets>
#include <exception>
#include <optional>

#include "app/card/card_date.h"
#include "app/card/card_notices.h"
#include "app/card/product_table.h"
#include "app/card/record_text.h"
#include "app/dialog/batch_dialog.h"
#include "app/dialog/card_panel.h"
#include "app/dialog/card_preview.h"
#include "app/dialog/data_link.h"
#include "app/dialog/error_box.h"
#include "app/flow/batch.h"
#include "app/flow/card_pdf.h"
#include "app/flow/print_flow.h"
#include "app/flow/print_record.h"
#include "app/flow/product_source.h"
#include "app/history/print_history.h"
#include "app/output/imposition.h"
#include "app/output/printing.h"
#include "app/output/work_folder.h"
#include "data/memory_table.h"
#include "engine/qertf/qertf.h"
#include "platform/system/exception.h"
#include "platform/system/files.h"
#include "platform/system/scope_exit.h"
#include "platform/system/shell_open.h"

namespace vorn {

namespace {
constexpr int kClientWidth = 508;
constexpr int kClientHeight = 387;
constexpr int kLabelX = 32;
constexpr int kEditX = 90;
constexpr int kRowHeight = 21;
constexpr int kRowPitch = 40;
constexpr std::array<int, 8> kEditWidths = {165, 165, 376, 264, 47, 93, 93, 93};
constexpr int kButtonY = 336;
constexpr std::array<int, 5> kButtonX = {32, 120, 208, 296, 384};
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
// The batch button stands above OTHER, as far from it as the layout buttons are apart,
// where the short price rows leave the dialog empty.
constexpr int kBatchButtonX = 384;
constexpr int kBatchButtonY = 298;
constexpr int kBatchStatusX = 200;
constexpr int kBatchStatusWidth = 176;
// Often enough to look alive, seldom enough not to slow a large batch down.
constexpr std::chrono::milliseconds kProgressInterval(50);
const char* const kBatchCaption = "批次列印...";
const char* const kBatchTitle = "批次列印";
// Where the Windows fonts are missing, a metric-compatible sans face takes the Latin text
// and a Traditional Chinese face the captions.
const QStringList kFallbackFamilies = {"Liberation Sans", "DejaVu Sans", "AR PL UMing TW",
                                       "AR PL UMing HK", "Noto Sans CJK TC"};

QFont DialogFont(const QString& family) {
  QFont font;
  font.setFamilies(QStringList{family} + kFallbackFamilies);
  font.setPointSize(8);
  return font;
}

QString LayoutText(std::string_view layout) {
  return QString::fromLatin1(layout.data(), static_cast<int>(layout.size()));
}

QString ProgressText(int card, int cards) {
  return QString::fromUtf8("第 %1 張，共 %2 張").arg(card).arg(cards);
}

// The card is safe; the clerk needs to know where, and which program failed to open it.
std::string CardNotOpenedSummary(const std::string& path) {
  return "價格卡已存檔於 " + path + "，但開啟它的程式 " + OpenerProgram() + " 無法開啟。";
}

std::string NoticeLines(const CardNotices& notices) {
  std::string lines;
  for (const std::string& line : SummarisedNoticeTexts(notices, NoticeLanguage::kChinese)) {
    lines += (lines.empty() ? "" : "\n") + line;
  }
  return lines;
}

std::string BatchSummary(int cards, const CardNotices& notices) {
  std::string summary = "已列印 " + std::to_string(cards) + " 張";
  const int skipped = CountNotices(notices, CardNotice::Kind::kRowSkipped);
  if (skipped > 0) summary += "，" + std::to_string(skipped) + " 筆商品未列印";
  const int others = static_cast<int>(notices.size()) - skipped;
  if (others > 0) summary += "，" + std::to_string(others) + " 處需要注意";
  return summary + "：";
}

// Thrown from the progress callback inside the run: the engine stops where it is and
// removes what it had written, so a cancelled batch leaves no card behind.
class BatchCancelled : public Exception {
 public:
  BatchCancelled() : Exception("Batch printing cancelled") {}
};
}  // namespace

TFormVornReport::TFormVornReport(std::vector<std::string> arguments, ProgramFolders folders,
                                 QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      arguments_(std::move(arguments)),
      client_data_set1_(std::make_unique<TMemoryTable>(kRecordCodePage)),
      qe_rtf1_(std::make_unique<TQeRTF>()) {
  setObjectName("FormVornReport");
  client_data_set1_->SetName("ClientDataSet1");
  ConfigureReport(*qe_rtf1_);
  data_source1_ = std::make_unique<TDataSource>(*client_data_set1_);
  flow_ = std::make_unique<PrintFlow>(*qe_rtf1_, *client_data_set1_, std::move(folders));
  flow_->OnBeforePost = [this] { data_source1_->UpdateRecord(); };
  // Repaint, but leave clicks and keys for after the run.
  flow_->OnProcessMessages = [] {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  ChooseCsvFile = [this] { return AskForCsvFile(); };
  ChooseBatch = [this](const BatchChoice& last, const BatchOffer& offer) {
    return AskForBatch(last, offer);
  };
  BuildControls();
  BuildPopupMenu();
  try {
    FormCreate();
  } catch (const std::exception& e) {
    ShowErrorBox(nullptr, e);
  }
  data_source1_->Refresh();
  // A value from the command line that did not fit its field is shown cut; the clerk must
  // know before printing it.
  if (!cut_at_start_.empty()) {
    ShowWarningBox(nullptr, "部分欄位的內容過長，已截斷；列印前請確認。",
                   NoticeLines(cut_at_start_));
  }
}

TFormVornReport::~TFormVornReport() = default;

void TFormVornReport::EnablePreview() {
  if (preview1_ != nullptr || panel_ == nullptr) return;
  preview1_ = new TCardPreview(
      *panel_->Preview(), flow_->Folders(),
      [this] {
        return TCardPreview::Card{data_source1_->Texts(), panel_->PreviewLayout(),
                                  panel_->CardDay()};
      },
      this);
  connect(data_source1_.get(), &TDataSource::Edited, preview1_, &TCardPreview::Changed);
  panel_->OnChanged = [this] { preview1_->Changed(); };
  preview1_->Changed();
}

void TFormVornReport::SetCardDay(std::chrono::year_month_day day) {
  if (panel_ != nullptr) panel_->SetCardDay(day);
  flow_->SetCardDay(day);
}

void TFormVornReport::BuildControls() {
  setWindowTitle(QString());
  setFont(DialogFont("MS Sans Serif"));
  // The record's own area keeps its size; the optional fields and the preview stand right of it.
  setFixedSize(kClientWidth + TCardPanel::kWidth, kClientHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  for (int row = 0; row < 8; ++row) {
    edits_[row] = new QLineEdit(this);
    edits_[row]->setObjectName(QString("DBEdit%1").arg(row + 1));
    edits_[row]->setGeometry(kEditX, 21 + kRowPitch * row, kEditWidths[row], kRowHeight);
    // The dialog's layout menu is the edit boxes' menu too.
    edits_[row]->setContextMenuPolicy(Qt::NoContextMenu);
    labels_[row] = new QLabel(this);
    labels_[row]->setObjectName(QString("Label%1").arg(row + 1));
    labels_[row]->move(kLabelX, 24 + kRowPitch * row);
    labels_[row]->setBuddy(edits_[row]);
  }
  const QFont button_font = DialogFont("Arial");
  for (size_t i = 0; i < kLayoutNames.size(); ++i) {
    buttons_[i] = new QPushButton(LayoutText(kLayoutNames[i]), this);
    buttons_[i]->setObjectName(QString("Button%1").arg(i + 1));
    buttons_[i]->setGeometry(kButtonX[i], kButtonY, kButtonWidth, kButtonHeight);
    buttons_[i]->setFont(button_font);
    // Enter in an edit box must not print a card.
    buttons_[i]->setAutoDefault(false);
  }
  connect(buttons_[0], &QPushButton::clicked, this, &TFormVornReport::Button1Click);
  connect(buttons_[1], &QPushButton::clicked, this, &TFormVornReport::Button2Click);
  connect(buttons_[2], &QPushButton::clicked, this, &TFormVornReport::Button3Click);
  connect(buttons_[3], &QPushButton::clicked, this, &TFormVornReport::Button4Click);
  connect(buttons_[4], &QPushButton::clicked, this, &TFormVornReport::Button5Click);
  BuildBatchControls(button_font);
  QWidget* previous = edits_[0];
  for (QWidget* next : std::initializer_list<QWidget*>{
           edits_[1], edits_[2], edits_[3], edits_[4], edits_[5], edits_[6], edits_[7], buttons_[0],
           buttons_[1], buttons_[2], buttons_[3], buttons_[4], button6_}) {
    setTabOrder(previous, next);
    previous = next;
  }
}

void TFormVornReport::BuildBatchControls(const QFont& button_font) {
  button6_ = new QPushButton(QString::fromUtf8(kBatchCaption), this);
  button6_->setObjectName("Button6");
  button6_->setGeometry(kBatchButtonX, kBatchButtonY, kButtonWidth, kButtonHeight);
  button6_->setFont(button_font);
  button6_->setAutoDefault(false);
  connect(button6_, &QPushButton::clicked, this, &TFormVornReport::Button6Click);
  batch_status_ = new QLabel(this);
  batch_status_->setObjectName("BatchStatus1");
  batch_status_->setGeometry(kBatchStatusX, kBatchButtonY, kBatchStatusWidth, kButtonHeight);
  batch_status_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void TFormVornReport::BuildPopupMenu() {
  popup_menu1_ = new QMenu(this);
  popup_menu1_->setObjectName("PopupMenu1");
  const std::array<std::pair<const char*, void (TFormVornReport::*)()>, 5> items = {{
      {"B51", &TFormVornReport::B51Click},
      {"A41", &TFormVornReport::A41Click},
      {"SM11", &TFormVornReport::SM11Click},
      {"SM21", &TFormVornReport::SM21Click},
      {"OTHER1", &TFormVornReport::OTHER1Click},
  }};
  for (size_t i = 0; i < items.size(); ++i) {
    QAction* action = popup_menu1_->addAction(LayoutText(kLayoutNames[i]));
    action->setObjectName(items[i].first);
    connect(action, &QAction::triggered, this, items[i].second);
  }
  popup_menu1_->addSeparator();
  batch1_ = popup_menu1_->addAction(QString::fromUtf8(kBatchCaption));
  batch1_->setObjectName("Batch1");
  connect(batch1_, &QAction::triggered, this, &TFormVornReport::Batch1Click);
}

void TFormVornReport::FormCreate() {
  CreateProductTable(*client_data_set1_);
  for (int row = 0; row < 8; ++row) {
    data_source1_->Bind(edits_[row], row);
    labels_[row]->setText(
        QString::fromStdString(FieldDisplayLabel(client_data_set1_->Fields(row))));
    labels_[row]->adjustSize();
  }
  panel_ = new TCardPanel(*data_source1_, *client_data_set1_, this);
  panel_->setGeometry(kClientWidth, 0, TCardPanel::kWidth, kClientHeight);
  QWidget* previous = button6_;
  for (QWidget* next : panel_->TabOrder()) {
    setTabOrder(previous, next);
    previous = next;
  }
  cut_at_start_ = FillProductRecord(*client_data_set1_, arguments_);
}

void TFormVornReport::FormClose(TCloseAction& action) { action = TCloseAction::caFree; }

void TFormVornReport::closeEvent(QCloseEvent* event) {
  TCloseAction action = TCloseAction::caHide;
  FormClose(action);
  switch (action) {
    case TCloseAction::caNone:
      event->ignore();
      return;
    case TCloseAction::caMinimize:
      event->ignore();
      showMinimized();
      return;
    case TCloseAction::caHide:
    case TCloseAction::caFree:
      // The dialog is the main window: closing it ends the event loop, and its owner
      // destroys it then.
      event->accept();
      return;
  }
}

void TFormVornReport::reject() { close(); }

void TFormVornReport::contextMenuEvent(QContextMenuEvent* event) {
  popup_menu1_->popup(event->globalPos());
  event->accept();
}

void TFormVornReport::PrintLayout(std::string_view layout) {
  // A press that arrives while a card is being made would change the run's files.
  if (printing_) return;
  printing_ = true;
  // The preview follows the layout last printed.
  panel_->SetPreviewLayout(std::string(layout));
  const auto record = [this, layout](const std::string& path) {
    PrintedRun run;
    run.layout = std::string(layout);
    run.source = RunSource::kDialog;
    run.kind = RunKind::kCard;
    run.output = path;
    run.day = IsoDate(flow_->CardDay());
    const PrintedCard card{CardValuesOf(*client_data_set1_), 1};
    return RecordPrintedCards(run, std::span(&card, 1));
  };
  try {
    flow_->SetCardDay(panel_->CardDay());
    PrintedCards printed = flow_->PrintLayout(layout, true);
    if (auto notice = record(printed.path)) printed.notices.push_back(std::move(*notice));
    if (!printed.notices.empty()) {
      ShowWarningBox(this, "價格卡已列印，但有需要注意的地方：", NoticeLines(printed.notices));
    }
  } catch (const CardNotOpened& e) {
    // The card was made; only the desktop failed to show it.
    record(e.Path());
    ShowErrorBox(this, CardNotOpenedSummary(e.Path()), e.what());
  } catch (const std::exception& e) {
    ShowErrorBox(this, e);
  }
  printing_ = false;
  // After a post the boxes show what the record holds; a failed post leaves them as typed.
  if (client_data_set1_->State() == TDataSetState::dsBrowse) data_source1_->Refresh();
}

void TFormVornReport::OpenTemplate(std::string_view layout) {
  // Opening a template for editing reports nothing when the desktop cannot open it.
  flow_->OpenTemplate(layout);
}

std::string TFormVornReport::AskForCsvFile() {
  const QString path = QFileDialog::getOpenFileName(
      this, QString::fromUtf8(kBatchTitle), QString::fromStdString(last_csv_folder_),
      QString::fromUtf8("資料檔 (*.csv *.txt *.tsv *.xlsx *.xls *.ods);;所有檔案 (*)"));
  if (path.isEmpty()) return std::string();
  last_csv_folder_ = QFileInfo(path).absolutePath().toStdString();
  return QFile::encodeName(path).toStdString();
}

const std::vector<LabelSheet>& TFormVornReport::Sheets() {
  if (!sheets_) {
    // Without the office suite's label database the batch still prints one card a page.
    try {
      const std::string file = DefaultLabelsFile();
      sheets_ = file.empty() ? std::vector<LabelSheet>() : LoadLabelSheets(file);
    } catch (const std::exception&) {
      sheets_ = std::vector<LabelSheet>();
    }
  }
  return *sheets_;
}

std::optional<BatchChoice> TFormVornReport::AskForBatch(const BatchChoice& last,
                                                        const BatchOffer& offer) {
  const ProgramFolders folders = flow_->Folders();
  const auto card_size = [folders](const std::string& layout) -> std::pair<double, double> {
    try {
      return LayoutCardSize(folders, layout);
    } catch (const std::exception&) {
      return {0, 0};
    }
  };
  TBatchDialog dialog(Sheets(), card_size, ListPrinters(), DefaultPrinter(), last, offer, this);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Choice();
}

void TFormVornReport::PrintCsvBatch() {
  if (printing_) return;
  const std::string csv_path = ChooseCsvFile ? ChooseCsvFile() : std::string();
  if (csv_path.empty()) return;
  const std::unique_ptr<BatchProducts> batch = LoadProducts(csv_path);
  if (!batch) return;
  std::optional<BatchChoice> choice =
      ChooseBatch ? ChooseBatch(LoadBatchChoice(""), OfferFor(*batch)) : std::nullopt;
  if (!choice) return;
  const std::optional<std::string> layout = CanonicalLayoutName(choice->layout);
  if (!layout) return;
  choice->layout = *layout;
  SaveBatchChoice(*choice);
  RunBatch(*batch, *choice);
}

std::unique_ptr<BatchProducts> TFormVornReport::LoadProducts(const std::string& csv_path) {
  // The batch has a table of its own, under the record table's name that the templates use;
  // the record in the edit boxes stays as it is.
  flow_->SetCardDay(panel_->CardDay());
  BatchOptions options;
  options.day = flow_->CardDay();
  options.table_name = client_data_set1_->Name();
  try {
    return std::make_unique<BatchProducts>(
        MakeBatchProducts(ReadProductSource({csv_path, "", 0}), csv_path, options));
  } catch (const NothingToPrint& e) {
    const std::string lines = NoticeLines(e.Notices());
    ShowErrorBox(this, ErrorSummary(e.Kind()), e.what() + (lines.empty() ? "" : "\n" + lines));
  } catch (const std::exception& e) {
    ShowErrorBox(this, e);
  }
  return nullptr;
}

BatchOffer TFormVornReport::OfferFor(const BatchProducts& batch) {
  BatchOffer offer;
  offer.products = batch.products.size();
  offer.changed = [&batch](const std::string& layout) -> std::optional<std::pair<size_t, bool>> {
    const std::optional<ChangedProducts> changed = CountChangedProducts(batch, layout);
    if (!changed) return std::nullopt;
    return std::make_pair(changed->changed, changed->printed_before);
  };
  offer.next_label = [](const std::string& sheet) {
    try {
      PrintHistory history;
      return history.NextLabel(sheet).value_or(1);
    } catch (const HistoryUnavailable&) {
      return 1;
    }
  };
  return offer;
}

void TFormVornReport::RunBatch(BatchProducts& batch, const BatchChoice& choice) {
  // Boxes come after the run has let go of the dialog, so none sits above a progress box and
  // disabled buttons.
  std::optional<std::pair<std::string, std::string>> error;  // summary, message
  std::optional<std::pair<std::string, std::string>> warning;
  {
    SetBatchRunning(true);
    struct EndOfBatch {
      TFormVornReport& form;
      ~EndOfBatch() { form.SetBatchRunning(false); }
    } end_of_batch{*this};
    try {
      const int cards = PrintProducts(batch, choice);
      if (cards == 0) {
        warning.emplace("沒有自上次列印後變動的商品，這次沒有列印。", NoticeLines(batch.notices));
      } else if (!batch.notices.empty()) {
        warning.emplace(BatchSummary(cards, batch.notices), NoticeLines(batch.notices));
      }
    } catch (const BatchCancelled&) {
      batch_status_->setText(QString::fromUtf8("已取消"));
    } catch (const CardNotOpened& e) {
      error.emplace(CardNotOpenedSummary(e.Path()), e.what());
    } catch (const std::exception& e) {
      const std::string lines = NoticeLines(batch.notices);
      error.emplace(ErrorSummary(KindOf(e)), e.what() + (lines.empty() ? "" : "\n" + lines));
    }
  }
  if (error) ShowErrorBox(this, error->first, error->second);
  if (warning) ShowWarningBox(this, warning->first, warning->second);
}

int TFormVornReport::PrintProducts(BatchProducts& batch, const BatchChoice& choice) {
  const bool make_pdf = !choice.sheet.empty() || choice.print;
  // What would stop the PDF is found before the cards are written.
  if (make_pdf) CheckPdfPossible();
  if (!choice.sheet.empty()) {
    CheckImposition(FindLabelSheet(Sheets(), choice.sheet), {choice.first_label, 1, false});
  }
  if (choice.changed_only) {
    if (KeepChangedProducts(batch, choice.layout).changed == 0) return 0;
  }
  const int cards = batch.table->RecordCount();
  const LayoutTemplate layout = ReadLayout(flow_->Folders(), choice.layout);
  // A card for a PDF waits in a private folder until the PDF is made, so a killed or cancelled
  // run leaves neither under the output's names.
  std::unique_ptr<WorkFolder> staging;
  if (make_pdf) {
    staging = std::make_unique<WorkFolder>("vornreport-card-");
    flow_->StageCardsIn(staging->Path());
  }
  const ScopeExit stop_staging([this] { flow_->StageCardsIn(""); });
  ShowProgressDialog(cards);
  std::string document;
  try {
    document = flow_->PrintBatch(layout, batch, !make_pdf);
    // The status tells what reached the document even when the desktop cannot open it.
    batch_status_->setText(QString::fromUtf8("已列印 %1 張").arg(cards));
    std::string output = document;
    if (make_pdf) {
      output = DeliverPdf(document, cards, choice);
    }
    RecordBatch(batch, choice, output);
  } catch (const CardNotOpened& e) {
    RecordBatch(batch, choice, e.Path());
    throw;
  } catch (...) {
    batch_status_->clear();
    throw;
  }
  return cards;
}

std::string TFormVornReport::DeliverPdf(const std::string& document, int cards,
                                        const BatchChoice& choice) {
  CardPdfOptions options;
  if (!choice.sheet.empty()) {
    options.sheet = &FindLabelSheet(Sheets(), choice.sheet);
    options.imposition.first_label = choice.first_label;
    options.imposition.outline = choice.outline;
  }
  options.on_progress = [this](int done, int cards) { ShowPdfProgress(done, cards); };
  last_progress_ = {};
  const std::string pdf =
      PublishCardPdf(document, MakeCardPdf(document, cards, options), flow_->Folders().output);
  if (!choice.print) {
    OpenCardPdf(pdf);
    return pdf;
  }
  SendPdfToPrinter(pdf, choice.printer);
  const std::string printer = choice.printer.empty() ? std::string("（預設）") : choice.printer;
  batch_status_->setText(QString::fromUtf8("已送到印表機 %1").arg(QString::fromStdString(printer)));
  return "printer " + PrinterName(choice.printer);
}

void TFormVornReport::RecordBatch(BatchProducts& batch, const BatchChoice& choice,
                                  const std::string& output) {
  PrintedRun run;
  run.layout = choice.layout;
  run.source = RunSource::kDialog;
  run.kind = choice.sheet.empty() ? RunKind::kBatch : RunKind::kSheet;
  run.output = output;
  run.day = IsoDate(flow_->CardDay());
  if (!choice.sheet.empty()) {
    run.sheet = choice.sheet;
    run.next_label = FindLabelSheet(Sheets(), choice.sheet)
                         .LabelAfter(choice.first_label, batch.table->RecordCount());
  }
  if (auto notice = RecordPrintedCards(run, TakePrintedCards(batch))) {
    batch.notices.push_back(std::move(*notice));
  }
}

void TFormVornReport::ShowPdfProgress(int done, int cards) {
  if (!progress_dialog1_) return;
  if (progress_dialog1_->wasCanceled()) throw BatchCancelled();
  const auto now = std::chrono::steady_clock::now();
  if (now - last_progress_ < kProgressInterval) return;
  last_progress_ = now;
  progress_dialog1_->setLabelText(
      QString::fromUtf8("正在製作 PDF：第 %1 張，共 %2 張").arg(done).arg(cards));
  progress_dialog1_->setValue(done);
  QCoreApplication::processEvents();
  if (progress_dialog1_->wasCanceled()) throw BatchCancelled();
}

void TFormVornReport::SetBatchRunning(bool running) {
  printing_ = running;
  for (QPushButton* button : buttons_) button->setEnabled(!running);
  button6_->setEnabled(!running);
  batch1_->setEnabled(!running);
  if (running) {
    batch_status_->clear();
    flow_->OnProgress = [this](int card, int cards) { ShowBatchProgress(card, cards); };
    return;
  }
  flow_->OnProgress = nullptr;
  progress_dialog1_.reset();
}

void TFormVornReport::ShowProgressDialog(int cards) {
  // A box of its own for each batch: a kept one would show itself again on its own timer
  // after the batch, and carry a cancel over to the next one.
  progress_dialog1_ = std::make_unique<QProgressDialog>(this);
  progress_dialog1_->setObjectName("ProgressDialog1");
  progress_dialog1_->setWindowTitle(QString::fromUtf8(kBatchTitle));
  progress_dialog1_->setCancelButtonText(QString::fromUtf8("取消"));
  progress_dialog1_->setWindowModality(Qt::WindowModal);
  // The batch decides when the box shows and hides.
  progress_dialog1_->setAutoClose(false);
  progress_dialog1_->setAutoReset(false);
  progress_dialog1_->setRange(0, cards);
  progress_dialog1_->setValue(0);
  progress_dialog1_->setLabelText(ProgressText(0, cards));
  progress_dialog1_->show();
  last_progress_ = {};  // the first card always shows
}

void TFormVornReport::ShowBatchProgress(int card, int cards) {
  if (!progress_dialog1_) return;
  if (progress_dialog1_->wasCanceled()) throw BatchCancelled();
  const auto now = std::chrono::steady_clock::now();
  if (card != cards && now - last_progress_ < kProgressInterval) return;
  last_progress_ = now;
  progress_dialog1_->setLabelText(ProgressText(card, cards));
  progress_dialog1_->setValue(card);
  // The progress box is modal, so only its Cancel button takes input here.
  QCoreApplication::processEvents();
  if (progress_dialog1_->wasCanceled()) throw BatchCancelled();
}

void TFormVornReport::Button1Click() { PrintLayout("B5"); }
void TFormVornReport::Button2Click() { PrintLayout("A4"); }
void TFormVornReport::Button3Click() { PrintLayout("SM1"); }
void TFormVornReport::Button4Click() { PrintLayout("SM2"); }
void TFormVornReport::Button5Click() { PrintLayout("OTHER"); }
void TFormVornReport::B51Click() { OpenTemplate("B5"); }
void TFormVornReport::A41Click() { OpenTemplate("A4"); }
void TFormVornReport::SM11Click() { OpenTemplate("SM1"); }
void TFormVornReport::SM21Click() { OpenTemplate("SM2"); }
void TFormVornReport::OTHER1Click() { OpenTemplate("OTHER"); }
void TFormVornReport::Button6Click() { PrintCsvBatch(); }
void TFormVornReport::Batch1Click() { PrintCsvBatch(); }

}  // namespace vorn
