#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// Splits CSV text into rows of cells: a separator (a comma unless told) between cells, CRLF, LF or
// CR between rows, cells in double quotes may hold commas, line breaks and doubled quotes. A UTF-8
// byte order mark at the start is skipped and blank lines are skipped. Work is linear in the size
// of the text. The text must outlive the reader.
class CsvReader {
 public:
  // `source_name` starts the location of every message.
  CsvReader(std::string_view text, std::string source_name, char separator = ',');

  // Reads the next row into the first cells of `cells` and returns how many it holds; 0 at
  // the end of the text. The views stay valid until the next call. Stops after `max_cells` + 1
  // cells, so a caller seeing more than `max_cells` knows the row is too long without reading it
  // whole. Throws vorn::Exception for a quote left open or text after a closing quote.
  size_t ReadRow(std::vector<std::string_view>& cells, size_t max_cells);

  // The line the row read last starts on, from 1.
  size_t Line() const { return row_line_; }

  // "name:line:column: " for a cell of the row read last; columns count cells from 1.
  std::string Location(size_t cell_index) const;

 private:
  void SkipBlankLines();
  std::string_view ReadCell(size_t cell_index);
  std::string_view ReadQuotedCell(size_t cell_index);
  bool AtLineBreak() const;
  void SkipLineBreak();

  std::string_view text_;
  char separator_;
  std::string source_name_;
  size_t pos_ = 0;
  size_t line_ = 1;
  size_t row_line_ = 1;
  // Cells with doubled quotes, unescaped; the others are views of the text.
  std::deque<std::string> unescaped_;  // a deque, so growing it moves no cell of the row
};

// The separator a spreadsheet most likely wrote: of comma, semicolon and tab, the one found most
// often outside quotes on the first non-blank line; a comma when none is.
char DetectCsvSeparator(std::string_view text);

}  // namespace vorn
