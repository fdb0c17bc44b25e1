#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/card/card_notices.h"

namespace vorn {

class TMemoryTable;

// Where a batch's products come from: a CSV file with a header row, a spreadsheet (.xlsx, .xls,
// .ods: its first sheet, the first row naming the columns), or one query on an SQLite database.
struct ProductSource {
  std::string path;      // the data file or the database
  std::string query;     // set for SQLite
  int64_t max_rows = 0;  // rows a query may return; 0 for the loader's limit
};

// The rows of a source as it gave them: named columns of text, each row's place in the source
// for messages ("line 19" of a CSV file, "row 19" of a spreadsheet or a query), and the rows that
// could not be read, each a notice with its place.
struct SourceRows {
  std::unique_ptr<TMemoryTable> data;
  std::vector<std::string> places;  // per record of `data`
  CardNotices notices;
};

// Reads every row of the source. A CSV file may be UTF-8 (with or without a byte order mark),
// UTF-16 with a mark, or Big5, with commas, semicolons or tabs between cells. Throws
// vorn::Exception for a source that cannot be read at all.
SourceRows ReadProductSource(const ProductSource& source);

}  // namespace vorn
