#include "data/sqlite_loader.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/system/exception.h"
#include "platform/text/date_time.h"

namespace vorn {
namespace {

// A database file of its own per test, made with the C API and removed afterwards.
class SqliteLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (std::filesystem::temp_directory_path() /
             ("vorn_sqlite_" + std::to_string(getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".db"))
                .string();
    std::filesystem::remove(path_);
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db_), SQLITE_OK);
    Exec(
        "CREATE TABLE items(id INTEGER, name VARCHAR(4), note TEXT, price REAL, amount "
        "DECIMAL(10,2), picture BLOB, sold DATETIME, day DATE, at TIME, active BOOLEAN, "
        "anything);"
        "INSERT INTO items VALUES(9000000000, 'abcdef', 'long note', 1.5, 2.25, x'00ff', "
        "'2024-03-01 08:30:00', '2024-03-02', '10:15:00', 1, 7);"
        "INSERT INTO items VALUES(NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
        "NULL);");
  }

  void TearDown() override {
    sqlite3_close(db_);
    std::filesystem::remove(path_);
  }

  void Exec(const std::string& sql) {
    char* message = nullptr;
    ASSERT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK) << message;
  }

  std::string LoadError(const std::string& query) {
    try {
      LoadSqlite(path_, query);
    } catch (const Exception& error) {
      return error.what();
    }
    return "(no error)";
  }

  std::string path_;
  sqlite3* db_ = nullptr;
};

TEST_F(SqliteLoaderTest, DeclaredTypesGiveFieldTypes) {
  const auto table = LoadSqlite(path_, "SELECT * FROM items ORDER BY id DESC");
  const std::vector<TFieldType> types = {ftLargeint, ftString,  ftMemo,     ftFloat,
                                         ftFloat,    ftBlob,    ftDateTime, ftDateTime,
                                         ftTime,     ftBoolean, ftLargeint};
  ASSERT_EQ(table->FieldCount(), static_cast<int>(types.size()));
  for (size_t i = 0; i < types.size(); ++i) EXPECT_EQ(table->Fields(i).DataType(), types[i]) << i;
  EXPECT_EQ(table->RecordCount(), 2);
  EXPECT_EQ(table->FieldByName("id").AsLargeInt(), 9000000000);
  EXPECT_EQ(table->FieldByName("name").Size(), 4);
  EXPECT_EQ(table->FieldByName("name").AsString(), "abcd");
  EXPECT_EQ(table->FieldByName("note").AsString(), "long note");
  EXPECT_EQ(table->FieldByName("price").AsFloat(), 1.5);
  EXPECT_EQ(table->FieldByName("amount").AsFloat(), 2.25);
  EXPECT_EQ(table->FieldByName("picture").AsString(), std::string("\0\xff", 2));
  EXPECT_EQ(table->FieldByName("sold").AsDateTime(),
            EncodeDate(2024, 3, 1) + EncodeTime(8, 30, 0, 0));
  EXPECT_EQ(table->FieldByName("day").AsDateTime(), EncodeDate(2024, 3, 2));
  EXPECT_EQ(table->FieldByName("at").AsString(), "10:15:00");
  EXPECT_TRUE(table->FieldByName("active").AsBoolean());
  EXPECT_EQ(table->FieldByName("anything").AsInteger(), 7);  // typed by its value
  table->Next();
  for (int i = 0; i < table->FieldCount(); ++i) EXPECT_TRUE(table->Fields(i).IsNull()) << i;
}

TEST_F(SqliteLoaderTest, ConverterAndExpressionColumns) {
  const TTextConverter upper = [](std::string_view, std::string_view utf8) {
    std::string text(utf8);
    for (char& c : text) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    return text;
  };
  const auto table =
      LoadSqlite(path_, "SELECT note AS n, price * 2 AS twice FROM items WHERE id > 0", upper);
  EXPECT_EQ(table->Fields(0).FieldName(), "N");
  EXPECT_EQ(table->Fields(0).AsString(), "LONG NOTE");
  EXPECT_EQ(table->Fields(1).DataType(), ftFloat);
  EXPECT_EQ(table->Fields(1).AsFloat(), 3.0);
}

TEST_F(SqliteLoaderTest, EmptyResultKeepsItsFields) {
  const auto table = LoadSqlite(path_, "SELECT id, note, 1 + 1 FROM items WHERE 0");
  EXPECT_EQ(table->RecordCount(), 0);
  EXPECT_TRUE(table->Eof());
  EXPECT_EQ(table->Fields(2).DataType(), ftMemo);
}

TEST_F(SqliteLoaderTest, ErrorsCarrySqlitesMessage) {
  EXPECT_EQ(LoadError("SELECT colour FROM items"), "SQLite query failed: no such column: colour");
  EXPECT_EQ(LoadError("DELETE FROM items"), "SQLite query returns no columns: DELETE FROM items");
  EXPECT_EQ(LoadError("SELECT 1; SELECT 2"),
            "SQLite query holds more than one statement:  SELECT 2");
  EXPECT_EQ(LoadError("SELECT 1; -- done"), "(no error)");
  EXPECT_EQ(LoadError("  "), "SQLite query is empty:   ");
  EXPECT_EQ(LoadError("SELECT 'soon' AS d FROM items WHERE id > 0 UNION ALL SELECT 1"),
            "(no error)");
  Exec("CREATE TABLE bad(d DATETIME); INSERT INTO bad VALUES('yesterday');");
  EXPECT_EQ(LoadError("SELECT d FROM bad"),
            "SQLite row 1, column 1: 'yesterday' is not a valid date and time for field 'd'");
  try {
    LoadSqlite("/nonexistent/x.db", "SELECT 1");
    FAIL();
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(),
                 "Cannot open SQLite database /nonexistent/x.db: unable to open database file");
  }
}

// A text price among numbers once refused the row, since the numbers typed the column.
TEST_F(SqliteLoaderTest, AllColumnsAsTextGiveValuesAsStored) {
  // 12.0 in an INTEGER column is stored as the integer 12; 1e20 is too large for one.
  Exec(
      "CREATE TABLE prices(id INTEGER, price INTEGER, day DATE);"
      "INSERT INTO prices VALUES(1, 1280, '2024-03-01'), (2, 'NT$1,280', 'soon'),"
      "(3, 12.0, NULL), (4, 0.1, 45), (5, NULL, x'41'), (-9000000000, 1e20, '');");
  TSqliteOptions options;
  options.all_text = true;
  const auto table = LoadSqlite(path_, "SELECT * FROM prices", options);
  std::string rows;
  for (table->First(); !table->Eof(); table->Next()) {
    for (int i = 0; i < table->FieldCount(); ++i) {
      EXPECT_EQ(table->Fields(i).DataType(), ftMemo);
      rows += (i > 0 ? "|" : "") + table->Fields(i).AsString();
    }
    rows += ";";
  }
  EXPECT_EQ(rows, "1|1280|2024-03-01;2|NT$1,280|soon;3|12|;4|0.1|45;5||A;-9000000000|1.0e+20|;");
}

// A query without end once ran until memory was gone and ended with a bare std::bad_alloc.
TEST_F(SqliteLoaderTest, RowsBeyondTheLimitFailNamingIt) {
  const std::string endless =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT i FROM n";
  TSqliteOptions options;
  options.max_rows = 1000;
  EXPECT_EQ(LoadSqlite(path_, endless + " LIMIT 1000", options)->RecordCount(), 1000);
  options.max_rows_option = "--max-rows";
  try {
    LoadSqlite(path_, endless, options);
    FAIL();
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(),
                 "SQLite query returns more rows than the limit of 1000; narrow the query or "
                 "raise the limit with --max-rows");
  }
}

TEST_F(SqliteLoaderTest, DatabaseIsOpenedReadOnly) {
  EXPECT_EQ(LoadError("INSERT INTO items(id) VALUES(1) RETURNING id"),
            "SQLite query failed: attempt to write a readonly database");
  EXPECT_EQ(LoadSqlite(path_, "SELECT count(*) FROM items")->Fields(0).AsInteger(), 2);
}

}  // namespace
}  // namespace vorn
