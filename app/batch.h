#pragma once

#include <string>
#include <string_view>

namespace vorn {

class TMemoryTable;

// Where a batch's products come from: a CSV file with a header row, or the
// result of one query on an SQLite database.
struct BatchSource {
  std::string csv_path;     // set for CSV
  std::string sqlite_path;  // set for SQLite, with `query`
  std::string query;
};

inline constexpr int kMaxCopies = 999;

// Fills `products`, a new table made by CreateProductTable, with `copies`
// records per product of the source, in the source's order; a COPIES column,
// when present and not empty, gives a product's own count. Columns are matched
// to the product fields by name regardless of case; UTF-8 text is converted as
// typed text is. Throws vorn::Exception naming the missing columns, or the
// record and the value that cannot be used.
void LoadBatchProducts(const BatchSource &source, int copies, TMemoryTable &products);

// The template with its body, everything from the first paragraph at the
// document's top level to its closing brace, inside a scan over `alias`; with
// `page_break` each card begins a page. Throws vorn::Exception when the text is
// no RTF document.
std::string WrapTemplateInScan(std::string_view rtf, std::string_view alias, bool page_break);

// Whether the layout prints one card to a page (B5, A4, OTHER) rather than as
// many as fit.
bool LayoutBreaksPages(std::string_view layout);

}  // namespace vorn
