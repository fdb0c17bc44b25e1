#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// Splits CSV text into rows of cells: a separator (a comma unless told) between cells, CRLF, LF or
// CR between rows, cells in double quotes may hold commas, line breaks and doubled quotes. A UTF-8
// byte order mark at the start is skipped and blank lines are skipped, though counted as rows.
// Work is linear in the size of the text. The text must outlive the reader.
class CsvReader {
 public:
  // `source_name` starts the location of every message.
  CsvReader(std::string_view text, std::string source_name, char separator = ',');

  // Reads the next row to its end and returns how many cells it has; 0 at the end of the text.
  // Only its first `max_cells` cells are kept, in the first places of `cells`, so a row of any
  // length takes bounded memory. The views stay valid until the next call. Throws
  // vorn::Exception for a quote left open or text after a closing quote.
  size_t ReadRow(std::vector<std::string_view>& cells, size_t max_cells);

  // The line the row read last starts on, from 1.
  size_t Line() const { return row_line_; }
  // The row read last as a spreadsheet program numbers it: from 1, every row before it counted
  // once whatever line breaks its quoted cells hold, blank ones included.
  size_t Row() const { return row_; }
  // True when every cell of the row read last, kept or not, is empty.
  bool RowIsEmpty() const { return row_empty_; }

  // "name:line:column: " for a cell of the row read last; columns count cells from 1.
  std::string Location(size_t cell_index) const;

 private:
  void SkipBlankLines();
  // Passes the separator after a cell (true) or the end of its row (false).
  bool NextCell();
  std::string_view ReadCell(size_t cell_index, bool keep);
  std::string_view ReadQuotedCell(size_t cell_index, bool keep);
  bool AtLineBreak() const;
  void SkipLineBreak();

  std::string_view text_;
  char separator_;
  std::string source_name_;
  size_t pos_ = 0;
  size_t line_ = 1;
  size_t row_line_ = 1;
  size_t row_ = 0;
  bool row_empty_ = true;
  // Cells with doubled quotes, unescaped; the others are views of the text.
  std::deque<std::string> unescaped_;  // a deque, so growing it moves no cell of the row
};

// The separator a spreadsheet most likely wrote: of comma, semicolon and tab, the one found most
// often outside quotes on the first non-blank line; a comma when none is.
char DetectCsvSeparator(std::string_view text);

}  // namespace vorn
