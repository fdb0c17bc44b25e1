#include "data/sqlite_loader.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "data/field_text.h"
#include "platform/system/exception.h"

namespace vorn {
namespace {
// A declared size beyond this is a mistake, not a field.
constexpr int64_t kMaxStringSize = 1 << 30;
constexpr int kBusyTimeoutMs = 2000;
constexpr size_t kMaxQueryBytes = 1 << 20;

struct CloseDatabase {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct FinalizeStatement {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// The size in "VARCHAR(20)"; nullopt without one.
std::optional<int> DeclaredSize(std::string_view declared) {
  const size_t open = declared.find('(');
  const size_t close = declared.find(')', open);
  if (open == std::string_view::npos || close == std::string_view::npos) return std::nullopt;
  const auto size = ParseFieldInteger(declared.substr(open + 1, close - open - 1));
  if (!size || *size < 1 || *size > kMaxStringSize) return std::nullopt;
  return static_cast<int>(*size);
}

// The declared type in the order SQLite itself gives a column its affinity, with the
// date and boolean names, which SQLite leaves numeric, taken first.
std::optional<TFieldDef> DefFromDeclared(std::string_view declared_type) {
  const std::string declared = Upper(declared_type);
  std::string base = declared.substr(0, declared.find('('));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  if (base.empty()) return std::nullopt;
  if (base == "DATE" || base == "DATETIME" || base == "TIMESTAMP") return TFieldDef{"", ftDateTime};
  if (base == "TIME") return TFieldDef{"", ftTime};
  if (base == "BOOLEAN" || base == "BOOL") return TFieldDef{"", ftBoolean};
  if (Contains(base, "INT")) return TFieldDef{"", ftLargeint};
  if (Contains(base, "CHAR") || Contains(base, "CLOB") || Contains(base, "TEXT")) {
    const auto size = DeclaredSize(declared);
    return size ? TFieldDef{"", ftString, *size} : TFieldDef{"", ftMemo};
  }
  if (Contains(base, "BLOB")) return TFieldDef{"", ftBlob};
  return TFieldDef{"", ftFloat};  // REAL, FLOAT, DOUBLE, NUMERIC, DECIMAL and the rest
}

TFieldDef DefFromValue(sqlite3_stmt* statement, int column, bool has_row) {
  switch (has_row ? sqlite3_column_type(statement, column) : SQLITE_NULL) {
    case SQLITE_INTEGER:
      return {"", ftLargeint};
    case SQLITE_FLOAT:
      return {"", ftFloat};
    case SQLITE_BLOB:
      return {"", ftBlob};
    default:
      return {"", ftMemo};
  }
}

bool IsTextType(TFieldType type) { return type == ftString || type == ftMemo; }
bool IsDateType(TFieldType type) { return type == ftDateTime || type == ftTime; }
bool IsIntegerType(TFieldType type) {
  return type == ftInteger || type == ftSmallint || type == ftLargeint || type == ftWord;
}

std::string FloatText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

class SqliteLoader {
 public:
  // Counts the rows read into `rows_read`, which outlives a failed load.
  SqliteLoader(const TSqliteOptions& options, int64_t& rows_read)
      : options_(options),
        converter_(options.converter),
        rows_read_(rows_read),
        table_(std::make_unique<TMemoryTable>(options.code_page)) {}

  std::unique_ptr<TMemoryTable> Load(const std::string& db_path, const std::string& query) {
    Open(db_path);
    Prepare(query);
    bool has_row = Step();
    DefineFields(has_row);
    for (; has_row; has_row = Step()) {
      if (rows_read_ == options_.max_rows) ThrowTooManyRows();
      ++rows_read_;
      LoadRow(rows_read_);
    }
    table_->First();
    return std::move(table_);
  }

 private:
  void Open(const std::string& db_path) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(db_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    db_.reset(db);
    if (rc != SQLITE_OK) {
      throw Exception("Cannot open SQLite database " + db_path + ": " +
                      (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
  }

  void Prepare(const std::string& query) {
    if (query.size() > kMaxQueryBytes) throw Exception("SQLite query too long");
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_.get(), query.data(), static_cast<int>(query.size()), &statement,
                           &tail) != SQLITE_OK) {
      throw Exception("SQLite query failed: " + std::string(sqlite3_errmsg(db_.get())));
    }
    statement_.reset(statement);
    if (!statement_) throw Exception("SQLite query is empty: " + query);
    CheckNothingFollows(tail, query.data() + query.size());
    if (sqlite3_column_count(statement_.get()) == 0) {
      throw Exception("SQLite query returns no columns: " + query);
    }
  }

  // A second statement would be silently ignored, so it is refused; comments may follow.
  void CheckNothingFollows(const char* tail, const char* end) {
    sqlite3_stmt* next = nullptr;
    const int rc =
        sqlite3_prepare_v2(db_.get(), tail, static_cast<int>(end - tail), &next, nullptr);
    Statement owned(next);
    if (rc != SQLITE_OK || owned) {
      throw Exception("SQLite query holds more than one statement: " + std::string(tail, end));
    }
  }

  bool Step() {
    const int rc = sqlite3_step(statement_.get());
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw Exception("SQLite query failed: " + std::string(sqlite3_errmsg(db_.get())));
  }

  void ThrowTooManyRows() const {
    const std::string how = options_.max_rows_option.empty()
                                ? std::string("raise the limit")
                                : "raise the limit with " + options_.max_rows_option;
    throw Exception("SQLite query returns more rows than the limit of " +
                    std::to_string(options_.max_rows) + "; narrow the query or " + how);
  }

  void DefineFields(bool has_row) {
    const int count = sqlite3_column_count(statement_.get());
    for (int column = 0; column < count; ++column) {
      const char* declared = sqlite3_column_decltype(statement_.get(), column);
      TFieldDef def = options_.all_text
                          ? TFieldDef{"", ftMemo}
                          : DefFromDeclared(declared ? declared : "")
                                .value_or(DefFromValue(statement_.get(), column, has_row));
      const char* name = sqlite3_column_name(statement_.get(), column);
      raw_names_.push_back(name ? name : "");
      def.name = converter_ ? converter_(raw_names_.back(), raw_names_.back()) : raw_names_.back();
      table_->AddFieldDef(std::move(def));
    }
    table_->CreateDataSet();
  }

  void LoadRow(int64_t row) {
    table_->Append();
    for (int column = 0; column < table_->FieldCount(); ++column) {
      try {
        AssignValue(table_->Field(column), column);
      } catch (const Exception& error) {
        const std::string reason = "column " + std::to_string(column + 1) + ": " + error.what();
        if (!options_.on_bad_row) {
          throw Exception("SQLite row " + std::to_string(row) + ", " + reason);
        }
        table_->Cancel();
        options_.on_bad_row(row, reason);
        return;
      }
    }
    table_->Post();
  }

  void AssignValue(TMemoryField& field, int column) {
    sqlite3_stmt* statement = statement_.get();
    const int type = sqlite3_column_type(statement, column);
    if (type == SQLITE_NULL) return;
    // Dates are read from their text; a number there has no agreed meaning.
    if (options_.all_text || IsDateType(field.DataType()) || type == SQLITE_TEXT) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
      const std::string_view value(text ? text : "",
                                   static_cast<size_t>(sqlite3_column_bytes(statement, column)));
      const size_t index = static_cast<size_t>(column);
      field.SetAsString(IsTextType(field.DataType()) && converter_
                            ? converter_(raw_names_[index], value)
                            : std::string(value));
    } else if (type == SQLITE_INTEGER) {
      field.SetAsLargeInt(sqlite3_column_int64(statement, column));
    } else if (type == SQLITE_FLOAT) {
      const double value = sqlite3_column_double(statement, column);
      if (IsIntegerType(field.DataType()) && value != std::trunc(value)) {
        throw Exception("'" + FloatText(value) + "' is not a whole number for field '" +
                        field.DisplayLabel() + "'");
      }
      field.SetAsFloat(value);
    } else {
      const void* blob = sqlite3_column_blob(statement, column);
      const auto size = static_cast<size_t>(sqlite3_column_bytes(statement, column));
      field.SetAsString(std::string_view(static_cast<const char*>(blob), blob ? size : 0));
    }
  }

  const TSqliteOptions& options_;
  const TTextConverter& converter_;
  int64_t& rows_read_;
  std::unique_ptr<TMemoryTable> table_;
  Database db_;
  Statement statement_;
  std::vector<std::string> raw_names_;
};
}  // namespace

std::unique_ptr<TMemoryTable> LoadSqlite(const std::string& db_path, const std::string& query,
                                         const TSqliteOptions& options) {
  int64_t rows_read = 0;
  try {
    return SqliteLoader(options, rows_read).Load(db_path, query);
  } catch (const std::bad_alloc&) {
    // The loader and its rows are gone by now, so the message has room.
    throw Exception("Out of memory reading the query after " + std::to_string(rows_read) +
                    " rows: " + query);
  }
}

std::unique_ptr<TMemoryTable> LoadSqlite(
    const std::string& db_path, const std::string& query, const TTextConverter& converter,
    int code_page, const std::function<void(int64_t row, const std::string& reason)>& on_bad_row) {
  TSqliteOptions options;
  options.converter = converter;
  options.code_page = code_page;
  options.on_bad_row = on_bad_row;
  return LoadSqlite(db_path, query, options);
}

}  // namespace vorn
