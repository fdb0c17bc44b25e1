#pragma once

#include <string>
#include <string_view>

#include "app/card/card_notices.h"

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
// to the product fields by name regardless of case, or by the dialog's label.
// A CSV file may be UTF-8 (with or without a byte order mark), UTF-16 with a mark,
// or Big5, with commas, semicolons or tabs between cells. Prices are read as
// clerks write them (below). A product that can make no correct card is left
// out; the notices list it, and every card that prints with a fault. Throws
// vorn::Exception for a source that cannot be read or lacks columns, naming them.
CardNotices LoadBatchProducts(const BatchSource& source, int copies, TMemoryTable& products);

// A price as clerks write it, as the digits of a whole number: blanks, a leading
// "NT$", "$" or "NT", a trailing "元", thousands separators between groups of three
// digits and a fraction of zeros ("45.00") are allowed; an empty text stays empty.
// Throws vorn::Exception naming the text for anything else, a fraction that is not
// zero included ("45.50" is never rounded).
std::string PriceDigits(std::string_view text);

// The template with its body, everything from the first paragraph at the
// document's top level to its closing brace, inside a scan over `alias` that
// begins a page for each card, so that page i of the document is card i. Throws
// vorn::Exception when the text is no RTF document.
std::string WrapTemplateInScan(std::string_view rtf, std::string_view alias);

}  // namespace vorn
