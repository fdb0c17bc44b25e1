#include "app/headless.h"

#include <exception>
#include <ostream>

#include "app/batch.h"
#include "app/command_line.h"
#include "app/pdf_export.h"
#include "app/print_flow.h"
#include "app/product_table.h"
#include "app/record_text.h"
#include "data/memory_table.h"
#include "engine/qertf/qertf.h"
#include "platform/shell_open.h"

namespace vorn {

namespace {
// Rewrites one line in place; a few hundred updates a batch are enough to look
// alive.
void ShowProgress(std::ostream &err, int card, int cards) {
  const int step = cards > 200 ? cards / 200 : 1;
  if (card % step != 0 && card != cards) return;
  err << "\rvornreport: card " << card << " of " << cards << std::flush;
  if (card == cards) err << '\n';
}

void ShowNotices(std::ostream &err, const CardNotices &notices) {
  for (const CardNotice &notice : notices)
    err << "vornreport: warning: " << NoticeText(notice) << '\n';
}

PrintedCards PrintBatch(const CommandLine &command, PrintFlow &flow, TMemoryTable &table, bool open,
                        std::ostream &err) {
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

PrintedCards PrintDocument(const CommandLine &command, PrintFlow &flow, TMemoryTable &table,
                           bool open, std::ostream &err) {
  if (command.csv || command.sqlite) return PrintBatch(command, flow, table, open, err);
  const CardNotices cut = FillProductRecord(table, command.values);
  PrintedCards printed = flow.PrintLayout(*command.layout, open);
  printed.notices.insert(printed.notices.begin(), cut.begin(), cut.end());
  return printed;
}

void OpenPdf(const std::string &path) {
  const int code = ShellOpenFile(path, kShowNormal);
  if (code <= 32) {
    throw CardNotOpened("Failed to open the PDF. Error message: " + TQeRTF::ShellErrorText(code),
                        path);
  }
}
}  // namespace

int RunHeadless(const CommandLine &command, std::ostream &out, std::ostream &err,
                bool err_is_terminal) {
  try {
    TMemoryTable table(kRecordCodePage);
    table.SetName("ClientDataSet1");
    CreateProductTable(table);
    TQeRTF report;
    ConfigureReport(report);
    PrintFlow flow(report, table, FoldersFor(command));
    if (err_is_terminal) {
      flow.OnProgress = [&err](int card, int cards) { ShowProgress(err, card, cards); };
    }
    PrintedCards printed =
        PrintDocument(command, flow, table, !command.no_open && !command.pdf, err);
    ShowNotices(err, printed.notices);
    if (command.pdf) {
      printed.path = ConvertToPdf(printed.path);
      if (!command.no_open) OpenPdf(printed.path);
    }
    if (command.no_open) out << printed.path << '\n';
    return printed.notices.empty() ? kExitSuccess : kExitWarnings;
  } catch (const CardNotOpened &e) {
    err << "vornreport: " << MessageForDisplay(e.what()) << "\nvornreport: " << OpenerProgram()
        << " could not open it; the card is saved as " << e.Path() << '\n';
    return kExitFailure;
  } catch (const std::exception &e) {
    err << "vornreport: " << MessageForDisplay(e.what()) << '\n';
    return kExitFailure;
  }
}

}  // namespace vorn
