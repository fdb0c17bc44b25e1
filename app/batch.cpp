#include "app/batch.h"

#include <charconv>
#include <optional>
#include <vector>

#include "app/product_table.h"
#include "data/csv_loader.h"
#include "data/field_text.h"
#include "data/memory_table.h"
#include "data/sqlite_loader.h"
#include "platform/exception.h"

namespace vorn {

namespace {
constexpr std::string_view kCopiesColumn = "COPIES";

std::unique_ptr<TMemoryTable> LoadSource(const BatchSource &source) {
  // The loaders keep UTF-8 as it is; the product fields convert it with their
  // own rules.
  if (!source.csv_path.empty()) {
    TCsvOptions options;
    options.source_name = source.csv_path;
    return LoadCsv(source.csv_path, options);
  }
  if (source.sqlite_path.empty()) throw Exception("No batch source given");
  return LoadSqlite(source.sqlite_path, source.query);
}

std::string SourceName(const BatchSource &source) {
  return source.csv_path.empty() ? source.sqlite_path : source.csv_path;
}

std::optional<int> ColumnOf(const TMemoryTable &table, std::string_view name) {
  for (int i = 0; i < table.FieldCount(); ++i) {
    if (SameFieldName(table.Fields(i).FieldName(), name)) return i;
  }
  return std::nullopt;
}

// Source column of each product field, in the product table's field order.
std::vector<int> MatchColumns(const TMemoryTable &data, const TMemoryTable &products,
                              const std::string &source_name) {
  std::vector<int> columns;
  std::string missing;
  for (int i = 0; i < products.FieldCount(); ++i) {
    const std::string &name = products.Fields(i).FieldName();
    const std::optional<int> column = ColumnOf(data, name);
    if (!column) missing += (missing.empty() ? "" : ", ") + name;
    columns.push_back(column.value_or(-1));
  }
  if (!missing.empty()) throw Exception("Missing columns in " + source_name + ": " + missing);
  return columns;
}

int CopiesOf(const TField &field, int default_copies) {
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

void AppendProduct(const TMemoryTable &data, const std::vector<int> &columns,
                   TMemoryTable &products) {
  products.Append();
  for (int i = 0; i < products.FieldCount(); ++i) {
    AssignFieldText(products.Fields(i), data.Fields(columns[static_cast<size_t>(i)]).AsString());
  }
  products.Post();
}
}  // namespace

void LoadBatchProducts(const BatchSource &source, int copies, TMemoryTable &products) {
  if (copies < 0 || copies > kMaxCopies) {
    throw Exception("Copies must be from 0 to " + std::to_string(kMaxCopies) + ": " +
                    std::to_string(copies));
  }
  const std::string source_name = SourceName(source);
  const std::unique_ptr<TMemoryTable> data = LoadSource(source);
  const std::vector<int> columns = MatchColumns(*data, products, source_name);
  const std::optional<int> copies_column = ColumnOf(*data, kCopiesColumn);
  int record = 1;
  for (data->First(); !data->Eof(); data->Next(), ++record) {
    try {
      const int count = copies_column ? CopiesOf(data->Fields(*copies_column), copies) : copies;
      for (int i = 0; i < count; ++i) AppendProduct(*data, columns, products);
    } catch (const Exception &e) {
      if (products.State() != TDataSetState::dsBrowse) products.Cancel();
      throw Exception(source_name + " record " + std::to_string(record) + ": " + e.what());
    }
  }
  products.First();
}

namespace {
// Position of the first "\pard" outside every group but the document's own, or
// npos.
size_t FirstTopLevelParagraph(std::string_view rtf) {
  int depth = 0;
  for (size_t i = 0; i < rtf.size(); ++i) {
    const char c = rtf[i];
    if (c == '\\') {
      if (depth == 1 && rtf.substr(i, 5) == "\\pard") return i;
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

std::string WrapTemplateInScan(std::string_view rtf, std::string_view alias, bool page_break) {
  if (rtf.substr(0, 5) != "{\\rtf") throw Exception("Template is not an RTF document");
  const size_t body = FirstTopLevelParagraph(rtf);
  const size_t end = rtf.rfind('}');
  if (body == std::string_view::npos || end == std::string_view::npos || end < body) {
    throw Exception("Template has no paragraph to repeat");
  }
  std::string wrapped;
  wrapped.reserve(rtf.size() + 64);
  wrapped.append(rtf.substr(0, body));
  wrapped.append("\\\\SCAN(").append(alias).append(")");
  if (page_break) wrapped.append(",page");
  // Line breaks keep the tags apart from the control words beside them.
  wrapped.append("\\\\\n");
  wrapped.append(rtf.substr(body, end - body));
  wrapped.append("\n\\\\ENDSCAN\\\\\n");
  wrapped.append(rtf.substr(end));
  return wrapped;
}

bool LayoutBreaksPages(std::string_view layout) { return layout != "SM1" && layout != "SM2"; }

}  // namespace vorn
