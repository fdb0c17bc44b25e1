#include "app/flow/batch.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <optional>
#include <set>
#include <vector>

#include "app/card/product_table.h"
#include "app/card/record_text.h"
#include "app/output/pdf_export.h"
#include "app/output/work_folder.h"
#include "data/csv_loader.h"
#include "data/field_text.h"
#include "data/memory_table.h"
#include "data/sqlite_loader.h"
#include "platform/system/exception.h"
#include "platform/system/files.h"

namespace vorn {

namespace {
constexpr std::string_view kCopiesColumn = "COPIES";
constexpr std::string_view kCopiesLabel = "張數";

// The products of a source, where each came from, and the rows it could not read.
struct SourceRows {
  std::unique_ptr<TMemoryTable> data;
  std::vector<std::string> where;  // per record of `data`
  CardNotices skipped;
};

// 19 for "line 19" or "row 19".
long PlaceNumber(const std::string& where) {
  const size_t blank = where.rfind(' ');
  return blank == std::string::npos ? 0 : std::strtol(where.c_str() + blank + 1, nullptr, 10);
}

CardNotice Skipped(std::string where, std::string product, std::string reason) {
  return {CardNotice::Kind::kRowSkipped, std::move(where), std::move(product), "",
          std::move(reason)};
}

// `place` names a record's position: "line" of a CSV file, "row" of a spreadsheet.
SourceRows LoadCsvRows(const std::string& path, const std::string& source_name,
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
    rows.skipped.push_back(Skipped(place + " " + std::to_string(line), "", reason));
  };
  rows.data = LoadCsv(path, options);
  for (size_t line : lines) rows.where.push_back(place + " " + std::to_string(line));
  return rows;
}

// A spreadsheet's first sheet goes through LibreOffice's CSV export; its lines are the rows.
SourceRows LoadSpreadsheetRows(const std::string& path) {
  const WorkFolder folder("vornreport-sheet-");
  return LoadCsvRows(ConvertSpreadsheetToCsv(path, folder.Path()), path, "row");
}

SourceRows LoadSqliteRows(const BatchSource& source) {
  SourceRows rows;
  std::set<int64_t> bad;
  rows.data = LoadSqlite(
      source.sqlite_path, source.query, {}, 0, [&](int64_t row, const std::string& reason) {
        bad.insert(row);
        rows.skipped.push_back(Skipped("row " + std::to_string(row), "", reason));
      });
  int64_t row = 1;
  for (int i = 0; i < rows.data->RecordCount(); ++i, ++row) {
    while (bad.contains(row)) ++row;
    rows.where.push_back("row " + std::to_string(row));
  }
  return rows;
}

SourceRows LoadSource(const BatchSource& source) {
  // The loaders keep UTF-8 as it is; the product fields convert it with their own rules.
  if (!source.csv_path.empty()) {
    if (IsSpreadsheetFile(source.csv_path)) return LoadSpreadsheetRows(source.csv_path);
    return LoadCsvRows(source.csv_path, source.csv_path, "line");
  }
  if (source.sqlite_path.empty()) throw Exception("No batch source given");
  return LoadSqliteRows(source);
}

std::string SourceName(const BatchSource& source) {
  return source.csv_path.empty() ? source.sqlite_path : source.csv_path;
}

std::optional<int> ColumnOf(const TMemoryTable& table, std::string_view name,
                            std::string_view label) {
  for (int i = 0; i < table.FieldCount(); ++i) {
    const std::string& column = table.Fields(i).FieldName();
    if (SameFieldName(column, name) || column == label) return i;
  }
  return std::nullopt;
}

// Source column of each product field, in the product table's field order.
std::vector<int> MatchColumns(const TMemoryTable& data, const TMemoryTable& products,
                              const std::string& source_name) {
  std::vector<int> columns;
  std::string missing;
  for (int i = 0; i < products.FieldCount(); ++i) {
    const std::string& name = products.Fields(i).FieldName();
    const std::string label = FieldDisplayLabel(products.Fields(i));
    const std::optional<int> column = ColumnOf(data, name, label);
    if (!column) missing += (missing.empty() ? "" : ", ") + name + " (" + label + ")";
    columns.push_back(column.value_or(-1));
  }
  if (!missing.empty()) throw Exception("Missing columns in " + source_name + ": " + missing);
  return columns;
}

int CopiesOf(const TField& field, int default_copies) {
  const std::string text = field.AsString();
  if (text.empty()) return default_copies;
  int copies = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), copies);
  if (error != std::errc() || end != text.data() + text.size() || copies < 0 ||
      copies > kMaxCopies) {
    throw Exception("COPIES must be a whole number from 0 to " + std::to_string(kMaxCopies) + ": " +
                    text);
  }
  return copies;
}

bool IsPriceField(const TField& field) { return field.DataType() == ftInteger; }

// The product's values as the fields take them: prices as plain digits.
std::vector<std::string> ProductValues(const TMemoryTable& data, const std::vector<int>& columns,
                                       const TMemoryTable& products) {
  std::vector<std::string> values;
  for (int i = 0; i < products.FieldCount(); ++i) {
    std::string text = data.Fields(columns[static_cast<size_t>(i)]).AsString();
    if (IsPriceField(products.Fields(i))) {
      try {
        text = PriceDigits(text);
      } catch (const Exception& e) {
        throw Exception(FieldDisplayLabel(products.Fields(i)) + ": " + e.what());
      }
    }
    values.push_back(std::move(text));
  }
  return values;
}

// Appends one card; the notices of cut values come with the first copy only.
void AppendProduct(const std::vector<std::string>& values, TMemoryTable& products,
                   const std::string& where, CardNotices* notices) {
  products.Append();
  try {
    for (int i = 0; i < products.FieldCount(); ++i) {
      TField& field = products.Fields(i);
      const std::optional<std::string> cut = AssignFieldText(field, values[static_cast<size_t>(i)]);
      if (cut && notices != nullptr) {
        notices->push_back(
            {CardNotice::Kind::kValueCut, where, values[0], FieldDisplayLabel(field), *cut});
      }
    }
    products.Post();
  } catch (...) {
    products.Cancel();
    throw;
  }
}

// Adds the record's cards, or a notice saying why it has none.
void AddProduct(const TMemoryTable& data, const std::vector<int>& columns,
                const std::optional<int>& copies_column, int copies, const std::string& where,
                TMemoryTable& products, CardNotices& notices) {
  const std::string product = data.Fields(columns[0]).AsString();
  CardNotices card_notices;
  try {
    const int count = copies_column ? CopiesOf(data.Fields(*copies_column), copies) : copies;
    if (count == 0) return;
    const std::vector<std::string> values = ProductValues(data, columns, products);
    for (int i = 0; i < count; ++i) {
      AppendProduct(values, products, where, i == 0 ? &card_notices : nullptr);
      if (i == 0) {
        if (std::optional<CardNotice> barcode = CheckBarcodeOf(products)) {
          barcode->where = where;
          card_notices.push_back(std::move(*barcode));
        }
      }
    }
  } catch (const Exception& e) {
    // Only the first copy can fail, and a failing append takes its record back.
    notices.push_back(Skipped(where, product, MessageForDisplay(e.what())));
    return;
  }
  notices.insert(notices.end(), card_notices.begin(), card_notices.end());
}
}  // namespace

CardNotices LoadBatchProducts(const BatchSource& source, int copies, TMemoryTable& products) {
  if (copies < 0 || copies > kMaxCopies) {
    throw Exception("Copies must be from 0 to " + std::to_string(kMaxCopies) + ": " +
                    std::to_string(copies));
  }
  SourceRows rows = LoadSource(source);
  const std::vector<int> columns = MatchColumns(*rows.data, products, SourceName(source));
  const std::optional<int> copies_column = ColumnOf(*rows.data, kCopiesColumn, kCopiesLabel);
  CardNotices notices = std::move(rows.skipped);
  size_t record = 0;
  for (rows.data->First(); !rows.data->Eof(); rows.data->Next(), ++record) {
    AddProduct(*rows.data, columns, copies_column, copies, rows.where[record], products, notices);
  }
  products.First();
  // The source's order, whichever reader found the fault.
  std::stable_sort(notices.begin(), notices.end(), [](const CardNotice& a, const CardNotice& b) {
    return PlaceNumber(a.where) < PlaceNumber(b.where);
  });
  return notices;
}

std::string PriceDigits(std::string_view text) {
  const std::string original(text);
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (text.empty()) return std::string();
  const auto strip_prefix = [&text](std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
      if ((text[i] & ~0x20) != (prefix[i] & ~0x20)) return false;
    }
    text.remove_prefix(prefix.size());
    return true;
  };
  if (!strip_prefix("NT$") && !strip_prefix("NT")) strip_prefix("$");
  if (text.ends_with("元")) text.remove_suffix(std::string_view("元").size());
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  const size_t point = text.find('.');
  std::string_view whole = text.substr(0, point);
  if (point != std::string_view::npos) {
    const std::string_view fraction = text.substr(point + 1);
    if (fraction.find_first_not_of('0') != std::string_view::npos) {
      throw Exception("price is not a whole number: " + original);
    }
  }
  // Separators stand between groups of three digits: "1,280", "12,345,678".
  std::string digits;
  size_t group = 0;
  for (size_t i = 0; i < whole.size(); ++i) {
    const char c = whole[i];
    if (c >= '0' && c <= '9') {
      digits.push_back(c);
      ++group;
    } else if (c != ',' || group == 0 || group > 3 || (digits.size() > group && group != 3)) {
      throw Exception("price is not a whole number: " + original);
    } else {
      group = 0;
    }
  }
  const bool grouped = whole.find(',') != std::string_view::npos;
  if (grouped && group != 3) throw Exception("price is not a whole number: " + original);
  if (digits.empty()) throw Exception("price is not a whole number: " + original);
  if (digits.find_first_not_of('0') == std::string::npos) return "0";
  digits.erase(0, digits.find_first_not_of('0'));
  if (digits.size() > 10 || std::stoll(digits) > 2147483647) {
    throw Exception("price is too large: " + original);
  }
  return digits;
}

namespace {
// Position of the first "\pard" or "\trowd" outside every group but the document's own,
// or npos: a card that begins with a table row repeats the row's definition too.
size_t FirstTopLevelParagraph(std::string_view rtf) {
  int depth = 0;
  for (size_t i = 0; i < rtf.size(); ++i) {
    const char c = rtf[i];
    if (c == '\\') {
      if (depth == 1 && (rtf.substr(i, 5) == "\\pard" || rtf.substr(i, 6) == "\\trowd")) {
        return i;
      }
      ++i;  // an escaped brace or backslash is text
    } else if (c == '{') {
      ++depth;
    } else if (c == '}') {
      --depth;
    }
  }
  return std::string_view::npos;
}
}  // namespace

std::string WrapTemplateInScan(std::string_view rtf, std::string_view alias) {
  if (rtf.substr(0, 5) != "{\\rtf") throw Exception("Template is not an RTF document");
  const size_t body = FirstTopLevelParagraph(rtf);
  const size_t end = rtf.rfind('}');
  if (body == std::string_view::npos || end == std::string_view::npos || end < body) {
    throw Exception("Template has no paragraph to repeat");
  }
  std::string wrapped;
  wrapped.reserve(rtf.size() + 64);
  wrapped.append(rtf.substr(0, body));
  // Every card begins a page, so that page i of the document is product i on every layout.
  wrapped.append("\\\\SCAN(").append(alias).append("),page");
  // Line breaks keep the tags apart from the control words beside them.
  wrapped.append("\\\\\n");
  wrapped.append(rtf.substr(body, end - body));
  wrapped.append("\n\\\\ENDSCAN\\\\\n");
  wrapped.append(rtf.substr(end));
  return wrapped;
}

}  // namespace vorn
