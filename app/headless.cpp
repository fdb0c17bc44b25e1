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

std::string PrintDocument(const CommandLine &command, PrintFlow &flow, TMemoryTable &table,
                          bool open) {
  if (!command.csv && !command.sqlite) return flow.PrintLayout(*command.layout, open);
  BatchSource source;
  source.csv_path = command.csv.value_or("");
  source.sqlite_path = command.sqlite.value_or("");
  source.query = command.query.value_or("");
  LoadBatchProducts(source, command.copies.value_or(1), table);
  return flow.PrintBatch(*command.layout, table, open);
}
}  // namespace

int RunHeadless(const CommandLine &command, std::ostream &out, std::ostream &err,
                bool err_is_terminal) {
  try {
    TMemoryTable table(kRecordCodePage);
    table.SetName("ClientDataSet1");
    CreateProductTable(table);
    const bool batch = command.csv || command.sqlite;
    if (!batch) FillProductRecord(table, command.values);
    TQeRTF report;
    ConfigureReport(report);
    PrintFlow flow(report, table, FoldersFor(command));
    if (err_is_terminal) {
      flow.OnProgress = [&err](int card, int cards) { ShowProgress(err, card, cards); };
    }
    std::string path = PrintDocument(command, flow, table, !command.no_open && !command.pdf);
    if (command.pdf) {
      path = ConvertToPdf(path);
      if (!command.no_open) {
        const int code = ShellOpenFile(path, kShowNormal);
        if (code <= 32) {
          throw Exception("Failed to open the PDF. Error message: " + TQeRTF::ShellErrorText(code));
        }
      }
    }
    if (command.no_open) out << path << '\n';
    return kExitSuccess;
  } catch (const std::exception &e) {
    err << "vornreport: " << MessageForDisplay(e.what()) << '\n';
    return kExitFailure;
  }
}

}  // namespace vorn
