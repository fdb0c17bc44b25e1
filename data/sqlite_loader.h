#pragma once

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
// which string fields are cut. Errors throw vorn::Exception with SQLite's message.
std::unique_ptr<TMemoryTable> LoadSqlite(const std::string& db_path, const std::string& query,
                                         const TTextConverter& converter = {}, int code_page = 0);

}  // namespace vorn
