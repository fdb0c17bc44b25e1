#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "data/memory_table.h"
#include "data/text_converter.h"

namespace vorn {

// Runs one query on an SQLite database opened read-only and loads its result into a new,
// open table with the cursor on the first record. Field types follow the declared column
// types: INTEGER largeint, REAL and NUMERIC/DECIMAL float, CHAR(N)/VARCHAR(N) string(N),
// TEXT memo, BLOB blob, DATE/DATETIME/TIMESTAMP datetime from ISO text, TIME time,
// BOOLEAN boolean; a column without one (an expression) takes the type of its first value.
// `converter` turns the column names and text values into the report's code page, in
// which string fields are cut. A number with a fraction for an integer column is an error,
// never rounded. Errors throw vorn::Exception with SQLite's message; with `on_bad_row` a row
// whose value its field rejects is left out and reported with its number (from 1) instead.
std::unique_ptr<TMemoryTable> LoadSqlite(
    const std::string& db_path, const std::string& query, const TTextConverter& converter = {},
    int code_page = 0,
    const std::function<void(int64_t row, const std::string& reason)>& on_bad_row = {});

}  // namespace vorn
