#include "data/csv_header.h"

#include <array>
#include <limits>

#include "data/field_text.h"
#include "platform/system/exception.h"
#include "platform/text/ascii_text.h"

namespace vorn {
namespace {
// Sized on fitting; until then no value is cut.
constexpr int kUnfittedSize = std::numeric_limits<int>::max();
// Beyond this a declared size is a mistake, not a field.
constexpr int64_t kMaxStringSize = 1 << 30;

struct TypeName {
  std::string_view name;
  TFieldType type;
};

constexpr std::array<TypeName, 14> kTypeNames = {{
    {"integer", ftInteger},
    {"smallint", ftSmallint},
    {"largeint", ftLargeint},
    {"float", ftFloat},
    {"currency", ftCurrency},
    {"bcd", ftBCD},
    {"boolean", ftBoolean},
    {"date", ftDate},
    {"time", ftTime},
    {"datetime", ftDateTime},
    {"memo", ftMemo},
    {"blob", ftBlob},
    {"graphic", ftGraphic},
    {"string", ftString},
}};

// "string(N)" with N from 1 to kMaxStringSize.
bool ParseStringSize(std::string_view type, std::string_view cell, int& size) {
  if (type.size() < 8 || !SameFieldName(type.substr(0, 7), "string(") || type.back() != ')') {
    return false;
  }
  const auto value = ParseFieldInteger(type.substr(7, type.size() - 8));
  if (!value || *value < 1 || *value > kMaxStringSize) {
    throw Exception("Invalid string size in header cell: " + std::string(cell));
  }
  size = static_cast<int>(*value);
  return true;
}
}  // namespace

TCsvColumn ParseCsvHeaderCell(std::string_view cell) {
  const size_t colon = cell.rfind(':');
  const std::string_view name = TrimControl(cell.substr(0, colon));
  if (name.empty()) throw Exception("Empty field name in header cell: " + std::string(cell));
  TCsvColumn column;
  column.def.name = std::string(name);
  column.def.type = ftString;
  column.def.size = kUnfittedSize;
  column.fit_size = true;
  if (colon == std::string_view::npos) return column;

  const std::string_view type = TrimControl(cell.substr(colon + 1));
  int size = 0;
  if (ParseStringSize(type, cell, size)) {
    column.def.size = size;
    column.fit_size = false;
    return column;
  }
  for (const TypeName& known : kTypeNames) {
    if (SameFieldName(type, known.name)) {
      column.def.type = known.type;
      column.fit_size = known.type == ftString;
      if (!column.fit_size) column.def.size = 0;
      return column;
    }
  }
  throw Exception("Unknown field type in header cell: " + std::string(cell));
}

}  // namespace vorn
