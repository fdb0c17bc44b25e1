#include "app/flow/product_source.h"

#include <cstdint>
#include <filesystem>
#include <set>

#include "app/card/print_error.h"
#include "app/card/record_text.h"
#include "app/output/pdf_export.h"
#include "app/output/work_folder.h"
#include "data/csv_loader.h"
#include "data/memory_table.h"
#include "data/sqlite_loader.h"
#include "platform/system/files.h"

namespace vorn {

namespace {
CardNotice Unreadable(std::string place, std::string reason) {
  return {CardNotice::Kind::kRowSkipped, std::move(place), "", "", std::move(reason)};
}

// Where a row is as the clerk finds it: the line of a CSV file in a text editor, the row of a
// spreadsheet in its program (a cell holding line breaks is still one row).
enum class PlaceKind { kLine, kRow };

std::string PlaceText(PlaceKind kind, const TCsvPlace& place) {
  return kind == PlaceKind::kLine ? "line " + std::to_string(place.line)
                                  : "row " + std::to_string(place.row);
}

TCsvOptions CsvOptions(SourceRows& rows, const std::string& source_name, PlaceKind kind) {
  TCsvOptions options;
  options.source_name = source_name;
  // A spreadsheet saves in the system's code page unless told otherwise.
  options.encoding = {TDataEncoding::Kind::kUnicode, kRecordCodePage};
  options.separator = 0;
  options.on_bad_row_at = [&rows, kind](const TCsvPlace& place, const std::string& reason) {
    rows.notices.push_back(Unreadable(PlaceText(kind, place), reason));
  };
  options.on_notice = [&rows, kind](const TCsvPlace& place, const std::string& text) {
    rows.notices.push_back({CardNotice::Kind::kSourceNotice, PlaceText(kind, place), "", "", text});
  };
  return options;
}

SourceRows ReadCsvRows(const std::string& path) {
  SourceRows rows;
  std::vector<size_t> lines;
  TCsvOptions options = CsvOptions(rows, path, PlaceKind::kLine);
  options.row_lines = &lines;
  rows.data = LoadCsv(path, options);
  for (size_t line : lines) rows.places.push_back("line " + std::to_string(line));
  return rows;
}

// A spreadsheet's first sheet goes through LibreOffice's CSV export; messages name the clerk's
// file and the rows as the spreadsheet program numbers them.
SourceRows ReadSpreadsheetRows(const std::string& path) {
  const WorkFolder folder("vornreport-sheet-");
  const std::string csv = ConvertSpreadsheetToCsv(path, folder.Path());
  SourceRows rows;
  std::vector<size_t> numbers;
  TCsvOptions options = CsvOptions(rows, path, PlaceKind::kRow);
  options.row_numbers = &numbers;
  options.base_folder = std::filesystem::path(path).parent_path();
  const MappedFile text(csv);
  rows.data = LoadCsvText(text.Bytes(), options);
  for (size_t row : numbers) rows.places.push_back("row " + std::to_string(row));
  return rows;
}

SourceRows ReadSqliteRows(const ProductSource& source) {
  SourceRows rows;
  std::set<int64_t> bad;
  TSqliteOptions options;
  // Prices, counts and barcodes are read by the card's own rules, whatever the column's type.
  options.all_text = true;
  if (source.max_rows > 0) options.max_rows = source.max_rows;
  options.max_rows_option = "--max-rows";
  options.on_bad_row = [&](int64_t row, const std::string& reason) {
    bad.insert(row);
    rows.notices.push_back(Unreadable("row " + std::to_string(row), reason));
  };
  rows.data = LoadSqlite(source.path, source.query, options);
  int64_t row = 1;
  for (int i = 0; i < rows.data->RecordCount(); ++i, ++row) {
    while (bad.contains(row)) ++row;
    rows.places.push_back("row " + std::to_string(row));
  }
  return rows;
}
}  // namespace

SourceRows ReadProductSource(const ProductSource& source) {
  // The loaders keep UTF-8 as it is; the product fields convert it with their own rules.
  const bool database = !source.query.empty();
  try {
    if (database) return ReadSqliteRows(source);
    if (IsSpreadsheetFile(source.path)) return ReadSpreadsheetRows(source.path);
    return ReadCsvRows(source.path);
  } catch (const PrintError&) {
    throw;
  } catch (const Exception& e) {
    throw PrintError(database ? PrintErrorKind::kDatabase : PrintErrorKind::kDataFile, e.what());
  }
}

}  // namespace vorn
