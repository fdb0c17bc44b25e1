#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// Splits CSV text into rows of cells: commas between cells, CRLF, LF or CR between rows,
// cells in double quotes may hold commas, line breaks and doubled quotes. A UTF-8 byte
// order mark at the start is skipped and blank lines are skipped. Work is linear in the
// size of the text. The text must outlive the reader.
class CsvReader {
 public:
  // `source_name` starts the location of every message.
  CsvReader(std::string_view text, std::string source_name);

  // Reads the next row into the first cells of `cells` (reusing their storage) and returns
  // how many it holds; 0 at the end of the text. Stops after `max_cells` + 1 cells, so a
  // caller seeing more than `max_cells` knows the row is too long without reading it whole.
  // Throws vorn::Exception for a quote left open or text after a closing quote.
  size_t ReadRow(std::vector<std::string>& cells, size_t max_cells);

  // "name:line:column: " for a cell of the row read last; columns count cells from 1.
  std::string Location(size_t cell_index) const;

 private:
  void SkipBlankLines();
  void ReadCell(std::string& cell, size_t cell_index);
  void ReadQuotedCell(std::string& cell, size_t cell_index);
  bool AtLineBreak() const;
  void SkipLineBreak();

  std::string_view text_;
  std::string source_name_;
  size_t pos_ = 0;
  size_t line_ = 1;
  size_t row_line_ = 1;
};

}  // namespace vorn
