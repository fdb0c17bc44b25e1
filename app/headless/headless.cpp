#include "app/headless/headless.h"

#include <exception>
#include <filesystem>
#include <ostream>
#include <tuple>

#include "app/card/product_table.h"
#include "app/card/record_text.h"
#include "app/flow/batch.h"
#include "app/flow/card_pdf.h"
#include "app/flow/print_flow.h"
#include "app/headless/command_line.h"
#include "app/output/interrupt.h"
#include "app/output/label_sheets.h"
#include "app/output/pdf_export.h"
#include "app/output/printing.h"
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
  return kExitSuccess;
}

void ShowNotices(std::ostream& err, const CardNotices& notices) {
  for (const CardNotice& notice : notices)
    err << "vornreport: warning: " << NoticeText(notice) << '\n';
}

PrintedCards PrintBatch(const CommandLine& command, PrintFlow& flow, TMemoryTable& table, bool open,
                        std::ostream& err) {
  BatchSource source;
  source.csv_path = command.csv.value_or("");
  source.sqlite_path = command.sqlite.value_or("");
  source.query = command.query.value_or("");
  PrintedCards printed;
  printed.notices = LoadBatchProducts(source, command.copies.value_or(1), table);
  if (table.RecordCount() == 0) {
    // Why each product was left out matters more than the error that ends the run.
    ShowNotices(err, printed.notices);
    throw Exception("No cards to print in " +
                    (source.csv_path.empty() ? source.sqlite_path : source.csv_path));
  }
  printed.path = flow.PrintBatch(*command.layout, table, open);
  return printed;
}

PrintedCards PrintDocument(const CommandLine& command, PrintFlow& flow, TMemoryTable& table,
                           bool open, std::ostream& err) {
  if (command.csv || command.sqlite) return PrintBatch(command, flow, table, open, err);
  const CardNotices cut = FillProductRecord(table, command.values);
  PrintedCards printed = flow.PrintLayout(*command.layout, open);
  printed.notices.insert(printed.notices.begin(), cut.begin(), cut.end());
  return printed;
}

void OpenPdf(const std::string& path) {
  const int code = ShellOpenFile(path, kShowNormal);
  if (code <= 32) {
    throw CardNotOpened("Failed to open the PDF. Error message: " + TQeRTF::ShellErrorText(code),
                        path);
  }
}
}  // namespace

int RunHeadless(const CommandLine& command, std::ostream& out, std::ostream& err,
                bool err_is_terminal) {
  // SIGINT and SIGTERM end the helpers and remove what the run made before the program goes.
  const InterruptScope interrupts;
  try {
    if (command.list_sheets) return ListSheets(command, out);
    TMemoryTable table(kRecordCodePage);
    table.SetName("ClientDataSet1");
    CreateProductTable(table);
    TQeRTF report;
    ConfigureReport(report);
    PrintFlow flow(report, table, FoldersFor(command));
    flow.OnProgress = [&err, err_is_terminal](int card, int cards) {
      ThrowIfInterrupted();
      if (err_is_terminal) ShowProgress(err, card, cards);
    };
    // A sheet that cannot hold the card is known before anything is printed.
    std::vector<LabelSheet> sheets;
    CardPdfOptions pdf;
    if (command.sheet) {
      sheets = InstalledSheets();
      pdf.sheet = &FindLabelSheet(sheets, *command.sheet);
      const auto [width, height] = LayoutCardSize(FoldersFor(command), *command.layout);
      CheckCardFits(*pdf.sheet, width, height);
      pdf.imposition.first_label = command.first_label.value_or(1);
      pdf.imposition.outline = command.outline;
      const bool batch = command.csv || command.sqlite;
      if (!batch) pdf.imposition.repeat = command.copies.value_or(1);
      CheckImposition(*pdf.sheet, pdf.imposition);
    }
    const bool make_pdf = command.pdf || command.sheet || command.print;
    if (make_pdf) RequireRenderer();
    if (command.print) CheckPrinter(command.printer);
    PrintedCards printed = PrintDocument(command, flow, table, !command.no_open && !make_pdf, err);
    ShowNotices(err, printed.notices);
    if (make_pdf) {
      // The PDF was asked for: a run that fails before it is made leaves no card either.
      bool made = false;
      const ScopeExit remove_card([&made, card = printed.path] {
        if (!made) DeleteFile(card);
      });
      int shown = -1;
      if (err_is_terminal) {
        pdf.on_progress = [&err, &shown](int done, int cards) {
          ShowPdfProgress(err, done, cards, shown);
        };
      }
      const bool batch = command.csv || command.sqlite;
      printed.path =
          MakeCardPdf(flow, *command.layout, batch ? &table : nullptr, printed.path, pdf);
      made = true;
      if (command.print) {
        const std::string answer = PrintPdf(
            printed.path, command.printer, std::filesystem::path(printed.path).filename().string());
        err << "vornreport: sent to "
            << (command.printer.empty() ? "the default printer" : command.printer) << ": " << answer
            << '\n';
      } else if (!command.no_open) {
        OpenPdf(printed.path);
      }
    }
    if (command.no_open) out << printed.path << '\n';
    return printed.notices.empty() ? kExitSuccess : kExitWarnings;
  } catch (const CardNotOpened& e) {
    err << "vornreport: " << MessageForDisplay(e.what()) << "\nvornreport: " << OpenerProgram()
        << " could not open it; the card is saved as " << e.Path() << '\n';
    return kExitFailure;
  } catch (const std::exception& e) {
    err << "vornreport: " << MessageForDisplay(e.what()) << '\n';
    return kExitFailure;
  }
}

}  // namespace vorn
