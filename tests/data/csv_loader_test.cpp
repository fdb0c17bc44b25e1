#include "data/csv_loader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/system/exception.h"
#include "platform/text/date_time.h"

namespace vorn {
namespace {

const std::string kDataDir = std::string(VORN_TEST_DATA_DIR) + "/data";

class CsvLoaderTest : public ::testing::Test {
 protected:
  std::unique_ptr<TMemoryTable> Load(std::string_view text) {
    TCsvOptions options;
    options.source_name = "t.csv";
    options.base_folder = kDataDir;
    options.code_page = code_page_;
    options.converter = converter_;
    return LoadCsvText(text, options);
  }

  std::string LoadError(std::string_view text) {
    try {
      Load(text);
    } catch (const Exception& error) {
      return error.what();
    }
    return "(no error)";
  }

  // Every record as "a|b|c;" in field order.
  static std::string Rows(TMemoryTable& table) {
    std::string rows;
    for (table.First(); !table.Eof(); table.Next()) {
      for (int i = 0; i < table.FieldCount(); ++i) {
        rows += (i > 0 ? "|" : "") + table.Fields(i).AsString();
      }
      rows += ";";
    }
    return rows;
  }

  int code_page_ = 0;
  TTextConverter converter_;
};

TEST_F(CsvLoaderTest, QuotingFollowsTheCsvRules) {
  const auto table = Load(
      "\xEF\xBB\xBF"
      "A,B\r\n"
      "\"x, y\",\"say \"\"hi\"\"\"\r\n"
      "\"two\r\nlines\",plain\"quote\n"
      "\n"
      "last,\r\n"
      ",\"\"");
  EXPECT_EQ(table->Fields(0).FieldName(), "A");  // the byte order mark is not part of it
  // The last row's cells are all empty, one of them quoted: it is no record.
  EXPECT_EQ(Rows(*table), "x, y|say \"hi\";two\r\nlines|plain\"quote;last|;");
  EXPECT_EQ(table->RecordCount(), 3);
}

TEST_F(CsvLoaderTest, HeaderTypesGiveFieldTypes) {
  const auto table = Load(
      "S,T:string(3),I:integer,SI:SMALLINT,L:largeint,F:float,C:currency,D:bcd,B:boolean,"
      "DA:date,TI:time,DT:datetime,M:memo,BL:blob\n"
      "hello,abcdef,-7,12,9000000000,1.25,2.5,0.5,yes,2024-03-01,08:30:00,"
      "2024-03-01 08:30:00,memo text,00ff41\n");
  const std::vector<TFieldType> types = {ftString, ftString,   ftInteger, ftSmallint, ftLargeint,
                                         ftFloat,  ftCurrency, ftBCD,     ftBoolean,  ftDate,
                                         ftTime,   ftDateTime, ftMemo,    ftBlob};
  ASSERT_EQ(table->FieldCount(), static_cast<int>(types.size()));
  for (size_t i = 0; i < types.size(); ++i) EXPECT_EQ(table->Fields(i).DataType(), types[i]) << i;
  EXPECT_EQ(table->Fields(0).Size(), 5);  // the longest value
  EXPECT_EQ(table->Fields(1).Size(), 3);
  EXPECT_EQ(table->Fields(1).AsString(), "abc");
  EXPECT_EQ(table->Fields(4).AsLargeInt(), 9000000000);
  EXPECT_TRUE(table->Fields(8).AsBoolean());
  EXPECT_EQ(table->Fields(11).AsDateTime(), EncodeDate(2024, 3, 1) + EncodeTime(8, 30, 0, 0));
  EXPECT_EQ(table->Fields(13).AsString(), std::string("\x00\xff\x41", 3));
}

TEST_F(CsvLoaderTest, UntypedColumnIsAtLeastOneByte) {
  const auto table = Load("A,B\n,x\n");
  EXPECT_EQ(table->Fields(0).Size(), 1);
  EXPECT_TRUE(table->Fields(0).IsNull());
}

TEST_F(CsvLoaderTest, ConverterSeesTextCellsAndNames) {
  std::vector<std::string> seen;
  converter_ = [&](std::string_view field, std::string_view utf8) {
    seen.push_back(std::string(field) + "=" + std::string(utf8));
    return "<" + std::string(utf8) + ">";
  };
  const auto table = Load("N,I:integer\nabc,5\n");
  EXPECT_EQ(table->Fields(0).FieldName(), "<N>");
  EXPECT_EQ(table->Fields(0).AsString(), "<abc>");
  EXPECT_EQ(table->Fields(1).AsInteger(), 5);
  EXPECT_EQ(seen, (std::vector<std::string>{"N=N", "I=I", "N=abc"}));
}

TEST_F(CsvLoaderTest, StringSizeNeverSplitsADoubleByteCharacter) {
  code_page_ = 950;
  const auto table = Load("N:string(3)\n\xA4\xA4\xA4\xE5\n");
  EXPECT_EQ(table->Fields(0).AsString(), "\xA4\xA4");
}

TEST_F(CsvLoaderTest, ErrorsNameFileLineAndColumn) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "t.csv:1:1: No header row"},
      {"A,:integer\n", "t.csv:1:2: Empty field name in header cell: :integer"},
      {"A:text\n", "t.csv:1:1: Unknown field type in header cell: A:text"},
      {"A:string(0)\n", "t.csv:1:1: Invalid string size in header cell: A:string(0)"},
      {"A,a\n", "t.csv:1:1: Duplicate field name: a"},
      {"A,B:integer\nx,1\ny,z\n", "t.csv:3:2: 'z' is not a valid integer value for field 'B'"},
      {"A,B\n\"one\ntwo\",x\nshort\n", "t.csv:4:2: Row has 1 cells, the header has 2"},
      {"A\nx,y\n", "t.csv:2:2: Row has 2 cells, the header has 1"},
      {",\t\n", "t.csv:1:1: No field name in the header"},
      {"A,B\nx,\"open\n", "t.csv:2:2: Quoted cell not closed before the end of the file"},
      {"A\n\"x\"y\n", "t.csv:2:1: Unexpected text after a closing quote"},
      {"A:date\n2024-13-01\n", "t.csv:2:1: '2024-13-01' is not a valid date for field 'A'"},
      {"P:blob\nabc\n", "t.csv:2:1: Invalid hexadecimal value for field 'P'"},
      {"P:blob\nzz\n", "t.csv:2:1: Invalid hexadecimal value for field 'P'"},
      {"P:graphic\n@../escape.bin\n",
       "t.csv:2:1: Blob file outside the data folder: ../escape.bin"},
      {"P:blob\n@/etc/passwd\n", "t.csv:2:1: Blob file outside the data folder: /etc/passwd"},
      {"P:blob\n@missing.bin\n", "t.csv:2:1: Cannot open blob file: " + kDataDir + "/missing.bin"},
  };
  for (const auto& [text, message] : cases) EXPECT_EQ(LoadError(text), message) << text;
}

// What the load reported, in order, as "row/line: text".
struct Reports {
  std::vector<std::string> lines;
  void Add(const TCsvPlace& place, const std::string& text) {
    lines.push_back(std::to_string(place.row) + "/" + std::to_string(place.line) + ": " + text);
  }
};

// A long row once stopped after the header's count, and its tail loaded as a further product.
TEST_F(CsvLoaderTest, RowsAreReadToTheirEndAndEachBadOneIsReportedOnce) {
  Reports bad;
  TCsvOptions options;
  options.on_bad_row_at = [&](const TCsvPlace& place, const std::string& reason) {
    bad.Add(place, reason);
  };
  std::vector<size_t> lines, rows;
  options.row_lines = &lines;
  options.row_numbers = &rows;
  const auto table = LoadCsvText(
      "A,B,C\n"
      "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17\n"
      "2,x,y\n"
      "3,a,b,\"c,\"\"d\"\"\",\"e\nf\",g\n"  // quoted cells past the header, one of two lines
      "4,p\n"
      "5,q,r\n",
      options);
  EXPECT_EQ(Rows(*table), "2|x|y;5|q|r;");
  EXPECT_EQ(bad.lines, (std::vector<std::string>{"2/2: Row has 17 cells, the header has 3",
                                                 "4/4: Row has 6 cells, the header has 3",
                                                 "5/6: Row has 2 cells, the header has 3"}));
  EXPECT_EQ(lines, (std::vector<size_t>{3, 7}));
  EXPECT_EQ(rows, (std::vector<size_t>{3, 6}));
}

TEST_F(CsvLoaderTest, RowOfMillionsOfCellsIsOneBadRow) {
  std::string text = "A,B\nx,y\n";
  text.reserve(text.size() + 10'000'010);
  for (int i = 0; i < 5'000'000; ++i) text += i % 2 == 0 ? "z," : "\"\",";
  text += "\nlast,row\n";
  size_t reports = 0;
  TCsvOptions options;
  options.on_bad_row = [&](size_t line, const std::string& reason) {
    ++reports;
    EXPECT_EQ(line, 3u);
    EXPECT_EQ(reason, "Row has 5000001 cells, the header has 2");
  };
  const auto start = std::chrono::steady_clock::now();
  const auto table = LoadCsvText(text, options);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(reports, 1u);
  EXPECT_EQ(Rows(*table), "x|y;last|row;");
}

// As a spreadsheet saves a sheet: empty rows below and between the data, a header with empty
// cells at its end, a note typed in a column without a name, a cell holding a line break.
TEST_F(CsvLoaderTest, SpreadsheetHabitsLoadWithSpreadsheetRowNumbers) {
  Reports notices, bad;
  TCsvOptions options;
  options.on_notice = [&](const TCsvPlace& place, const std::string& text) {
    notices.Add(place, text);
  };
  options.on_bad_row_at = [&](const TCsvPlace& place, const std::string& reason) {
    bad.Add(place, reason);
  };
  std::vector<size_t> lines, rows;
  options.row_lines = &lines;
  options.row_numbers = &rows;
  const auto table = LoadCsvText(
      "ID,NAME,, ,PRICE,\r\n"
      "1,\"two\r\nlines\",,,10,\r\n"
      ",,,,,\r\n"
      "\r\n"
      "2,tea,see note,,20,\r\n"
      "3,cake,,also,30,more\r\n"
      "4,bun,again,,40,\r\n"
      "5,short\r\n"
      "6,pie,,,50,\r\n"
      ",,,,,\r\n"
      ",,,,,,,,,,,,\r\n"
      "\"\",,,,,\r\n",
      options);
  ASSERT_EQ(table->FieldCount(), 3);
  EXPECT_EQ(table->Fields(2).FieldName(), "PRICE");
  EXPECT_EQ(Rows(*table), "1|two\r\nlines|10;2|tea|20;3|cake|30;4|bun|40;6|pie|50;");
  EXPECT_EQ(notices.lines, (std::vector<std::string>{
                               "5/6: column 3 has no name in the header; its cells are ignored",
                               "6/7: column 4 has no name in the header; its cells are ignored",
                               "6/7: column 6 has no name in the header; its cells are ignored"}));
  EXPECT_EQ(bad.lines, (std::vector<std::string>{"8/9: Row has 2 cells, the header has 6"}));
  EXPECT_EQ(lines, (std::vector<size_t>{2, 6, 7, 8, 10}));
  EXPECT_EQ(rows, (std::vector<size_t>{2, 5, 6, 7, 9}));
}

TEST_F(CsvLoaderTest, FileWithBlobFromBesideIt) {
  const auto table = LoadCsv(kDataDir + "/cards.csv");
  EXPECT_EQ(table->RecordCount(), 2);
  EXPECT_EQ(table->Fields(0).AsString(), "Tea, green");
  EXPECT_EQ(table->Fields(1).AsString(), std::string("\x89PNG\x00\x01", 6));
  table->Next();
  EXPECT_EQ(table->Fields(1).AsString(), "ABC");
}

TEST_F(CsvLoaderTest, MissingFileNamesIt) {
  EXPECT_EQ(LoadError("A:blob\n@.\n"), "t.csv:2:1: Cannot open blob file: " + kDataDir + "/.");
  try {
    LoadCsv("/nonexistent/x.csv");
    FAIL();
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "Cannot open data file: /nonexistent/x.csv");
  }
}

TEST_F(CsvLoaderTest, HugeCellAndHugeLineLoadInLinearTime) {
  // Quadratic appends or rescans would take minutes here.
  std::string text =
      "A,B\n\"" + std::string(20'000'000, 'x') + "\"\"\"," + std::string(20'000'000, 'y') + "\n";
  const auto start = std::chrono::steady_clock::now();
  const auto table = Load(text);
  EXPECT_EQ(table->Fields(0).AsString().size(), 20'000'001u);
  EXPECT_EQ(table->Fields(1).Size(), 20'000'000);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST_F(CsvLoaderTest, WideHeaderIsRefused) {
  std::string header;
  for (int i = 0; i < 20000; ++i) header += "F" + std::to_string(i) + ",";
  EXPECT_EQ(LoadError(header + "\n"),
            "t.csv:1:10001: Too many fields in the header, at most 10000");
}

}  // namespace
}  // namespace vorn
