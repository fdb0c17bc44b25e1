#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "data/memory_table.h"
#include "data/text_converter.h"

namespace vorn {

struct TSqliteOptions {
  // Turns the column names and text values into the report's code page, in which string
  // fields are cut.
  TTextConverter converter;
  int code_page = 0;
  // When set, a row whose value its field rejects is left out and reported here with its
  // number (from 1) instead of stopping the load.
  std::function<void(int64_t row, const std::string& reason)> on_bad_row;
  // Every column a memo field holding its values as stored: text as it is, an integer as its
  // digits, a real as SQLite prints it ("12.0", "1.5"), a blob as its bytes, NULL null (empty).
  bool all_text = false;
  // A query returning more rows than this fails; `max_rows_option` names how the user raises
  // the limit in its message ("--max-rows").
  int64_t max_rows = 1'000'000;
  std::string max_rows_option;
};

// Runs one query on an SQLite database opened read-only and loads its result into a new,
// open table with the cursor on the first record. Field types follow the declared column
// types: INTEGER largeint, REAL and NUMERIC/DECIMAL float, CHAR(N)/VARCHAR(N) string(N),
// TEXT memo, BLOB blob, DATE/DATETIME/TIMESTAMP datetime from ISO text, TIME time,
// BOOLEAN boolean; a column without one (an expression) takes the type of its first value.
// `converter` turns the column names and text values into the report's code page, in
// which string fields are cut. A number with a fraction for an integer column is an error,
// never rounded. Errors throw vorn::Exception with SQLite's message, for too many rows or with
// "Out of memory reading the query" when the rows do not fit in memory.
std::unique_ptr<TMemoryTable> LoadSqlite(const std::string& db_path, const std::string& query,
                                         const TSqliteOptions& options);
// The same with the default limit and declared types.
std::unique_ptr<TMemoryTable> LoadSqlite(
    const std::string& db_path, const std::string& query, const TTextConverter& converter = {},
    int code_page = 0,
    const std::function<void(int64_t row, const std::string& reason)>& on_bad_row = {});

}  // namespace vorn
