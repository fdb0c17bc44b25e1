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
  // When set, a row that cannot be loaded (wrong number of cells, a cell its field rejects)
  // is left out and reported here with its line, instead of stopping the load.
  std::function<void(size_t line, const std::string& reason)> on_bad_row;
  // When set, receives the line each loaded record starts on, in record order.
  std::vector<size_t>* row_lines = nullptr;
  size_t max_file_bytes = size_t{1} << 30;
  size_t max_blob_file_bytes = size_t{256} << 20;
};

// Loads a CSV file whose first row names the fields ("NAME" or "NAME:TYPE") into a new,
// open table with the cursor on the first record. Blob and graphic cells hold
// hexadecimal bytes or "@file", a file inside the CSV's folder. Errors throw
// vorn::Exception starting "file:line:column: ", the column counting cells from 1.
std::unique_ptr<TMemoryTable> LoadCsv(const std::filesystem::path& path,
                                      const TCsvOptions& options = {});
std::unique_ptr<TMemoryTable> LoadCsvText(std::string_view text, const TCsvOptions& options = {});

}  // namespace vorn
