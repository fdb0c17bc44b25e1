#include "app/headless/headless.h"

#include <exception>
#include <filesystem>
#include <ostream>
#include <tuple>

#include "app/card/card_date.h"
#include "app/card/product_table.h"
#include "app/card/record_text.h"
#include "app/flow/batch.h"
#include "app/flow/card_pdf.h"
#include "app/flow/print_flow.h"
#include "app/flow/product_source.h"
#include "app/headless/command_line.h"
#include "app/output/label_sheets.h"
#include "app/output/pdf_export.h"
#include "app/output/printing.h"
#include "data/memory_table.h"
#include "engine/qertf/qertf.h"
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
  for (const std::string& line : SummarisedNoticeTexts(notices, NoticeLanguage::kEnglish)) {
    err << "vornreport: warning: " << line << '\n';
  }
}

struct PrintedDocument {
  PrintedCards printed;
  int cards = 1;
};

PrintedDocument PrintBatch(const CommandLine& command, PrintFlow& flow,
                           const LayoutTemplate& layout, bool open) {
  const ProductSource source{command.csv ? *command.csv : command.sqlite.value_or(""),
                             command.query.value_or(""), command.max_rows};
  BatchOptions options;
  options.copies = command.copies.value_or(1);
  options.day = flow.CardDay();
  if (command.max_cards > 0) options.max_cards = command.max_cards;
  BatchProducts batch = MakeBatchProducts(ReadProductSource(source), source.path, options);
  PrintedDocument document;
  document.cards = batch.table->RecordCount();
  document.printed.path = flow.PrintBatch(layout, batch, open);
  document.printed.notices = std::move(batch.notices);
  return document;
}

PrintedDocument PrintDocument(const CommandLine& command, PrintFlow& flow,
                              const LayoutTemplate& layout, TMemoryTable& table, bool open) {
  if (command.csv || command.sqlite) return PrintBatch(command, flow, layout, open);
  const CardNotices cut = FillProductRecord(table, command.values);
  PrintedDocument document;
  document.printed = flow.PrintLayout(layout.name, open);
  document.printed.notices.insert(document.printed.notices.begin(), cut.begin(), cut.end());
  return document;
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
  try {
    if (command.list_sheets) return ListSheets(command, out);
    TMemoryTable table(kRecordCodePage);
    table.SetName("ClientDataSet1");
    CreateProductTable(table);
    TQeRTF report;
    ConfigureReport(report);
    PrintFlow flow(report, table, FoldersFor(command));
    if (!command.date.empty()) flow.SetCardDay(ParseCardDate(command.date));
    if (err_is_terminal) {
      flow.OnProgress = [&err](int card, int cards) { ShowProgress(err, card, cards); };
    }
    const LayoutTemplate layout = ReadLayout(FoldersFor(command), *command.layout);
    // A sheet that cannot hold the card is known before anything is printed.
    std::vector<LabelSheet> sheets;
    CardPdfOptions pdf;
    const bool batch = command.csv || command.sqlite;
    if (command.sheet) {
      sheets = InstalledSheets();
      pdf.sheet = &FindLabelSheet(sheets, *command.sheet);
      CheckCardFits(*pdf.sheet, layout.width_mm, layout.height_mm);
      pdf.imposition.first_label = command.first_label.value_or(1);
      pdf.imposition.outline = command.outline;
      if (!batch) pdf.imposition.repeat = command.copies.value_or(1);
    }
    const bool make_pdf = command.pdf || command.sheet || command.print;
    PrintedDocument document =
        PrintDocument(command, flow, layout, table, !command.no_open && !make_pdf);
    PrintedCards& printed = document.printed;
    ShowNotices(err, printed.notices);
    if (make_pdf) {
      int shown = -1;
      if (err_is_terminal) {
        pdf.on_progress = [&err, &shown](int done, int cards) {
          ShowPdfProgress(err, done, cards, shown);
        };
      }
      printed.path = MakeCardPdf(printed.path, document.cards, pdf);
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
  } catch (const NothingToPrint& e) {
    // Why each product was left out matters more than the error that ends the run.
    ShowNotices(err, e.Notices());
    err << "vornreport: " << MessageForDisplay(e.what()) << '\n';
    return kExitFailure;
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
