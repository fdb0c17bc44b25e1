#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/card/product_table.h"
#include "app/flow/layouts.h"
#include "platform/system/exception.h"

namespace vorn {

// A command line the program cannot act on; the program exits with status 2.
class UsageError : public Exception {
 public:
  using Exception::Exception;
};

// What the command line asks for. Values are raw argument bytes.
struct CommandLine {
  std::optional<std::string> layout;  // one of the layout names; print without the dialog
  bool no_open = false;
  bool help = false;
  bool version = false;
  std::optional<std::string> templates_dir;
  std::optional<std::string> output_dir;
  // The product record's values in list order: up to eight by position, then the optional
  // fields from their options (--promo, --promo-from, --promo-to, --content, --qr).
  std::vector<std::string> values;
  // The day the cards will hang (YYYY-MM-DD), which decides whether a promotion shows; "" for
  // today.
  std::string date;
  int max_cards = 0;     // 0 for the default limit
  int64_t max_rows = 0;  // rows an SQLite query may return; 0 for the default limit
  // Batch printing: one card per product of a CSV file or an SQLite query.
  std::optional<std::string> csv;
  std::optional<std::string> sqlite;
  std::optional<std::string> query;
  std::optional<int> copies;  // 1 to kMaxCopies
  bool pdf = false;
  // Cards on the labels of a sheet, into a PDF.
  std::optional<std::string> sheet;
  std::optional<int> first_label;  // 1 to the labels of a sheet
  bool first_label_next = false;   // the first label the last run on the sheet left free
  bool outline = false;
  // List the sheets whose labels hold the layout's card, those whose name holds the filter.
  bool list_sheets = false;
  std::string sheets_filter;
  // Print only the products whose card changed since it was last printed on the layout.
  bool changed = false;
  // List the print history: the cards of one product, or those of the last runs ("").
  std::optional<std::string> history;
  // Send the PDF to a printer; an empty name is the default printer.
  bool print = false;
  std::string printer;
};

// Parses the arguments after the program name. An argument that begins with "-" must be one of
// the program's options; any other is a value, at most eight of them; "--" makes every later
// argument a value, for values that begin with "-". Throws UsageError naming what is wrong.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The folders beside the executable, replaced by --templates and --output.
ProgramFolders FoldersFor(const CommandLine& command);

std::string UsageText();

}  // namespace vorn
