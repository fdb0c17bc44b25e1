#include "app/flow/product_source.h"

#include <cstdint>
#include <set>

#include "app/card/print_error.h"
#include "app/card/record_text.h"
#include "app/output/pdf_export.h"
#include "data/csv_loader.h"
#include "data/memory_table.h"
#include "data/sqlite_loader.h"
#include "platform/system/files.h"

namespace vorn {

namespace {
CardNotice Unreadable(std::string place, std::string reason) {
  return {CardNotice::Kind::kRowSkipped, std::move(place), "", "", std::move(reason)};
}

// `place` names a record's position: "line" of a CSV file, "row" of a spreadsheet.
SourceRows ReadCsvRows(const std::string& path, const std::string& source_name,
                       const std::string& place) {
  SourceRows rows;
  std::vector<size_t> lines;
  TCsvOptions options;
  options.source_name = source_name;
  // A spreadsheet saves in the system's code page unless told otherwise.
  options.encoding = {TDataEncoding::Kind::kUnicode, kRecordCodePage};
  options.separator = 0;
  options.row_lines = &lines;
  options.on_bad_row = [&rows, &place](size_t line, const std::string& reason) {
    rows.notices.push_back(Unreadable(place + " " + std::to_string(line), reason));
  };
  rows.data = LoadCsv(path, options);
  for (size_t line : lines) rows.places.push_back(place + " " + std::to_string(line));
  return rows;
}

// A spreadsheet's first sheet goes through LibreOffice's CSV export; its lines are the rows.
SourceRows ReadSpreadsheetRows(const std::string& path) {
  const TempFolder folder("vornreport-sheet-");
  return ReadCsvRows(ConvertSpreadsheetToCsv(path, folder.Path()), path, "row");
}

SourceRows ReadSqliteRows(const ProductSource& source) {
  SourceRows rows;
  std::set<int64_t> bad;
  rows.data =
      LoadSqlite(source.path, source.query, {}, 0, [&](int64_t row, const std::string& reason) {
        bad.insert(row);
        rows.notices.push_back(Unreadable("row " + std::to_string(row), reason));
      });
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
    return ReadCsvRows(source.path, source.path, "line");
  } catch (const PrintError&) {
    throw;
  } catch (const Exception& e) {
    throw PrintError(database ? PrintErrorKind::kDatabase : PrintErrorKind::kDataFile, e.what());
  }
}

}  // namespace vorn
