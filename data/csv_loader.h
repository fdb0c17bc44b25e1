#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/memory_table.h"
#include "data/text_converter.h"
#include "data/text_decoding.h"

namespace vorn {

// Where a row of a CSV file is: the line it starts on, and its row as a spreadsheet program
// shows it (the header is row 1; blank, empty and bad rows count, and a cell holding line breaks
// is still one row).
struct TCsvPlace {
  size_t line = 0;
  size_t row = 0;
};

struct TCsvOptions {
  // How the file's bytes become the UTF-8 text the converter reads.
  TDataEncoding encoding;
  // Between cells; 0 takes the one the header line uses most (comma, semicolon or tab).
  char separator = ',';
  // Applied to the field names and to string and memo cells.
  TTextConverter converter;
  // The table's code page, which decides where string(N) cells are cut.
  int code_page = 0;
  // Names text input in messages; a file is named by its path.
  std::string source_name = "<csv>";
  // Where "@file" blob cells of text input are found; a file's own folder for files.
  std::filesystem::path base_folder = ".";
  // When set, a row that cannot be loaded (more or fewer cells than the header, a cell its field
  // rejects) is left out and reported here, once, instead of stopping the load.
  std::function<void(const TCsvPlace& place, const std::string& reason)> on_bad_row_at;
  // The same with the line alone, for callers that count lines; on_bad_row_at goes first.
  std::function<void(size_t line, const std::string& reason)> on_bad_row;
  // When set, hears of what the load passes over while going on: a column without a name in
  // the header whose cells hold something, once per column, at the first row that does.
  std::function<void(const TCsvPlace& place, const std::string& text)> on_notice;
  // When set, receive the line and the row each loaded record starts on, in record order.
  std::vector<size_t>* row_lines = nullptr;
  std::vector<size_t>* row_numbers = nullptr;
  size_t max_file_bytes = size_t{1} << 30;
  size_t max_blob_file_bytes = size_t{256} << 20;
};

// Loads a CSV file whose first row names the fields ("NAME" or "NAME:TYPE") into a new,
// open table with the cursor on the first record. A header cell left blank makes no field: its
// column is passed over. Rows whose cells are all empty are skipped. Blob and graphic cells hold
// hexadecimal bytes or "@file", a file inside the CSV's folder. Errors throw
// vorn::Exception starting "file:line:column: ", the column counting cells from 1.
std::unique_ptr<TMemoryTable> LoadCsv(const std::filesystem::path& path,
                                      const TCsvOptions& options = {});
std::unique_ptr<TMemoryTable> LoadCsvText(std::string_view text, const TCsvOptions& options = {});

}  // namespace vorn
