#include "app/headless/headless.h"

#include <exception>
#include <filesystem>
#include <ostream>
#include <tuple>

#include "app/card/card_date.h"
#include "app/card/price_text.h"
#include "app/card/product_table.h"
#include "app/card/record_text.h"
#include "app/flow/batch.h"
#include "app/flow/card_pdf.h"
#include "app/flow/print_flow.h"
#include "app/flow/print_record.h"
#include "app/flow/product_source.h"
#include "app/headless/command_line.h"
#include "app/history/print_history.h"
#include "app/output/imposition.h"
#include "app/output/interrupt.h"
#include "app/output/label_sheets.h"
#include "app/output/pdf_export.h"
#include "app/output/printing.h"
#include "app/output/work_folder.h"
#include "data/memory_table.h"
#include "engine/qertf/qertf.h"
#include "platform/system/files.h"
#include "platform/system/scope_exit.h"
#include "platform/system/shell_open.h"

namespace vorn {

namespace {
// Rewrites one line in place; a few hundred updates a batch are enough to look
// alive.
void ShowProgress(std::ostream& err, int card, int cards) {
  const int step = cards > 200 ? cards / 200 : 1;
  if (card % step != 0 && card != cards) return;
  err << "\rvornreport: card " << card << " of " << cards << std::flush;
  if (card == cards) err << '\n';
}

// The line changes only when a part of the PDF is done.
void ShowPdfProgress(std::ostream& err, int done, int cards, int& shown) {
  if (done == shown) return;
  shown = done;
  err << "\rvornreport: PDF " << done << " of " << cards << " cards" << std::flush;
  if (done == cards) err << '\n';
}

std::vector<LabelSheet> InstalledSheets() {
  const std::string file = DefaultLabelsFile();
  if (file.empty()) {
    throw Exception(
        "No label sheets found: LibreOffice's labels.xml is not installed (set VORN_LABELS_FILE "
        "to a copy)");
  }
  return LoadLabelSheets(file);
}

int ListSheets(const CommandLine& command, std::ostream& out) {
  const std::vector<LabelSheet> sheets = InstalledSheets();
  double width = 0;
  double height = 0;
  if (command.layout) {
    std::tie(width, height) = LayoutCardSize(FoldersFor(command), *command.layout);
    out << "Sheets whose labels hold a " << *command.layout << " card (" << SizeText(width, height)
        << "):\n";
  }
  for (const LabelSheet* sheet : SheetsHolding(sheets, width, height, command.sheets_filter)) {
    out << sheet->FullName() << "  (" << sheet->name << ")  " << sheet->columns << " x "
        << sheet->rows << " labels of " << SizeText(sheet->label_width, sheet->label_height)
        << " on " << SizeText(sheet->page_width, sheet->page_height) << '\n';
  }
  // A typo in the label database must not look like a sheet the program forgot.
  const std::vector<const LabelSheet*> unusable = UnusableSheets(sheets, command.sheets_filter);
  if (!unusable.empty()) out << "Sheets that cannot be used:\n";
  for (const LabelSheet* sheet : unusable) {
    out << sheet->FullName() << "  (" << sheet->name << ")  " << sheet->Unusable() << '\n';
  }
  return kExitSuccess;
}

void ShowNotices(std::ostream& err, const CardNotices& notices) {
  for (const std::string& line : SummarisedNoticeTexts(notices, NoticeLanguage::kEnglish)) {
    err << "vornreport: warning: " << line << '\n';
  }
}

int ListHistory(const CommandLine& command, std::ostream& out) {
  PrintHistory history;
  const std::string& product = *command.history;
  WriteHistoryTable(
      history,
      product.empty() ? HistorySelection::OfLastRuns(10) : HistorySelection::OfProduct(product),
      out);
  return kExitSuccess;
}

// One headless print: checks everything it can before the first card, prints the card or the
// batch, makes and delivers the PDF, records the cards, and says what needs a look.
class HeadlessRun {
 public:
  HeadlessRun(const CommandLine& command, std::ostream& out, std::ostream& err, bool terminal)
      : command_(command),
        out_(out),
        err_(err),
        terminal_(terminal),
        table_(kRecordCodePage),
        flow_(report_, table_, FoldersFor(command)),
        layout_(ReadLayout(FoldersFor(command), *command.layout)),
        batch_(command.csv || command.sqlite) {
    table_.SetName("ClientDataSet1");
    CreateProductTable(table_);
    ConfigureReport(report_);
    if (!command.date.empty()) flow_.SetCardDay(ParseCardDate(command.date));
    flow_.OnProgress = [this](int card, int cards) {
      ThrowIfInterrupted();
      if (terminal_) ShowProgress(err_, card, cards);
    };
    if (command.sheet) PrepareSheet();
    // What the delivery needs is known before the first card is written.
    if (MakesPdf()) {
      CheckPdfPossible();
      // The card waits in a private folder until its PDF is made, so a killed run leaves
      // neither under the output's names.
      staging_ = std::make_unique<WorkFolder>("vornreport-card-");
      flow_.StageCardsIn(staging_->Path());
    }
    if (command.print) CheckPrinterKnown(command.printer);
  }

  int Execute() {
    if (!PrintDocument()) return notices_.empty() ? kExitSuccess : kExitWarnings;
    ShowNotices(err_, notices_);
    const size_t shown = notices_.size();
    Deliver();
    Record();
    ShowNotices(err_,
                CardNotices(notices_.begin() + static_cast<std::ptrdiff_t>(shown), notices_.end()));
    if (command_.no_open) out_ << path_ << '\n';
    return notices_.empty() ? kExitSuccess : kExitWarnings;
  }

 private:
  // A sheet that cannot hold the card, or a first label beyond it, is known before anything is
  // printed.
  void PrepareSheet() {
    sheets_ = InstalledSheets();
    pdf_.sheet = &FindLabelSheet(sheets_, *command_.sheet);
    CheckCardFits(*pdf_.sheet, layout_.width_mm, layout_.height_mm);
    pdf_.imposition.first_label =
        command_.first_label_next ? NextFreeLabel() : command_.first_label.value_or(1);
    pdf_.imposition.outline = command_.outline;
    if (!batch_) pdf_.imposition.repeat = command_.copies.value_or(1);
    CheckImposition(*pdf_.sheet, pdf_.imposition);
  }

  // Where the last run on the sheet stopped; the first label when the history cannot say.
  int NextFreeLabel() {
    try {
      PrintHistory history;
      const int next = history.NextLabel(pdf_.sheet->Key()).value_or(1);
      return next <= pdf_.sheet->LabelsPerSheet() ? next : 1;
    } catch (const HistoryUnavailable& e) {
      notices_.push_back({CardNotice::Kind::kHistory, "", "", "", e.what()});
      return 1;
    }
  }

  // Writes the document; false when a --changed batch found nothing to print.
  bool PrintDocument() {
    const bool open = !command_.no_open && !MakesPdf();
    if (!batch_) {
      notices_ = FillProductRecord(table_, command_.values);
      PrintedCards printed = flow_.PrintLayout(layout_.name, open);
      notices_.insert(notices_.end(), printed.notices.begin(), printed.notices.end());
      path_ = printed.path;
      cards_ = {{CardValuesOf(table_), pdf_.imposition.repeat}};
      card_count_ = 1;
      return true;
    }
    const ProductSource source{command_.csv ? *command_.csv : command_.sqlite.value_or(""),
                               command_.query.value_or(""), command_.max_rows};
    BatchOptions options;
    options.copies = command_.copies.value_or(1);
    options.day = flow_.CardDay();
    if (command_.max_cards > 0) options.max_cards = command_.max_cards;
    BatchProducts batch = MakeBatchProducts(ReadProductSource(source), source.path, options);
    if (command_.changed) {
      const ChangedProducts changed = KeepChangedProducts(batch, layout_.name);
      err_ << "vornreport: " << WithThousands(static_cast<int64_t>(changed.changed)) << " of "
           << WithThousands(static_cast<int64_t>(changed.total))
           << " products changed since their last " << layout_.name << " card\n";
      if (changed.changed == 0) {
        notices_ = std::move(batch.notices);
        ShowNotices(err_, notices_);
        err_ << "vornreport: nothing to print\n";
        return false;
      }
    }
    card_count_ = batch.table->RecordCount();
    path_ = flow_.PrintBatch(layout_, batch, open);
    notices_ = std::move(batch.notices);
    cards_ = TakePrintedCards(batch);
    return true;
  }

  bool MakesPdf() const { return command_.pdf || command_.sheet || command_.print; }

  void Deliver() {
    if (!MakesPdf()) return;
    int shown = -1;
    if (terminal_) {
      pdf_.on_progress = [this, &shown](int done, int cards) {
        ShowPdfProgress(err_, done, cards, shown);
      };
    }
    const std::string pdf = MakeCardPdf(path_, card_count_, pdf_);
    path_ = PublishCardPdf(path_, pdf, FoldersFor(command_).output);
    if (command_.print) {
      const std::string answer = SendPdfToPrinter(path_, command_.printer);
      err_ << "vornreport: sent to "
           << (command_.printer.empty() ? "the default printer" : command_.printer) << ": "
           << answer << '\n';
    } else if (!command_.no_open) {
      OpenCardPdf(path_);
    }
  }

  void Record() {
    PrintedRun run;
    run.layout = layout_.name;
    run.source = RunSource::kCommandLine;
    run.kind = command_.sheet ? RunKind::kSheet : batch_ ? RunKind::kBatch : RunKind::kCard;
    run.output = command_.print ? "printer " + PrinterName(command_.printer) : path_;
    run.day = IsoDate(flow_.CardDay());
    if (pdf_.sheet != nullptr) {
      run.sheet = pdf_.sheet->Key();
      run.next_label =
          pdf_.sheet->LabelAfter(pdf_.imposition.first_label, card_count_ * pdf_.imposition.repeat);
    }
    if (auto notice = RecordPrintedCards(run, cards_)) notices_.push_back(std::move(*notice));
  }

  const CommandLine& command_;
  std::ostream& out_;
  std::ostream& err_;
  bool terminal_;
  TMemoryTable table_;
  TQeRTF report_;
  PrintFlow flow_;
  LayoutTemplate layout_;
  bool batch_;
  std::vector<LabelSheet> sheets_;
  std::unique_ptr<WorkFolder> staging_;
  CardPdfOptions pdf_;
  CardNotices notices_;
  std::string path_;
  int card_count_ = 0;
  std::vector<PrintedCard> cards_;
};
}  // namespace

int RunHeadless(const CommandLine& command, std::ostream& out, std::ostream& err,
                bool err_is_terminal) {
  // SIGINT and SIGTERM end the helpers and remove what the run made before the program goes.
  const InterruptScope interrupts;
  try {
    if (command.list_sheets) return ListSheets(command, out);
    if (command.history) return ListHistory(command, out);
    HeadlessRun run(command, out, err, err_is_terminal);
    return run.Execute();
  } catch (const NothingToPrint& e) {
    // Why each product was left out matters more than the error that ends the run.
    ShowNotices(err, e.Notices());
    err << "vornreport: " << MessageForDisplay(e.what()) << '\n';
    return kExitFailure;
  } catch (const CardNotOpened& e) {
    err << "vornreport: " << MessageForDisplay(e.what()) << "\nvornreport: " << OpenerProgram()
        << " could not open it; the card is saved as " << e.Path() << '\n';
    return kExitFailure;
  } catch (const UsageError& e) {
    err << "vornreport: " << e.what() << "\nTry 'vornreport --help'.\n";
    return kExitUsage;
  } catch (const std::exception& e) {
    err << "vornreport: " << MessageForDisplay(e.what()) << '\n';
    return kExitFailure;
  }
}

}  // namespace vorn
