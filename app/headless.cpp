#include "app/headless.h"

#include <exception>
#include <ostream>

#include "app/command_line.h"
#include "app/print_flow.h"
#include "app/product_table.h"
#include "app/record_text.h"
#include "data/memory_table.h"
#include "engine/qertf/qertf.h"

namespace vorn {

int RunHeadless(const CommandLine& command, std::ostream& out, std::ostream& err) {
  try {
    TMemoryTable table(kRecordCodePage);
    table.SetName("ClientDataSet1");
    CreateProductTable(table);
    FillProductRecord(table, command.values);
    TQeRTF report;
    ConfigureReport(report);
    PrintFlow flow(report, table, FoldersFor(command));
    const std::string path = flow.PrintLayout(*command.layout, !command.no_open);
    if (command.no_open) out << path << '\n';
    return kExitSuccess;
  } catch (const std::exception& e) {
    err << "vornreport: " << MessageForDisplay(e.what()) << '\n';
    return kExitFailure;
  }
}

}  // namespace vorn
