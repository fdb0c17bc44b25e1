#include "data/memory_field.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "data/field_text.h"
#include "data/memory_table.h"
#include "platform/system/exception.h"

namespace vorn {
namespace {
bool IsSizedString(TFieldType type) {
  return type == ftString || type == ftFixedChar || type == ftWideString;
}

struct IntegerRange {
  int64_t low;
  int64_t high;
};

IntegerRange RangeOf(TFieldType type) {
  switch (type) {
    case ftSmallint:
      return {-32768, 32767};
    case ftWord:
      return {0, 65535};
    case ftInteger:
    case ftAutoInc:
      return {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    default:
      return {std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()};
  }
}

std::string RangeError(std::string_view value, const TField& field) {
  const IntegerRange range = RangeOf(field.DataType());
  return std::string(value) + " is not a valid value for field '" + field.DisplayLabel() +
         "'. The allowed range is " + std::to_string(range.low) + " to " +
         std::to_string(range.high);
}

// Beyond +-2^63 a double has no integer to round to.
bool FitsInt64(double value) { return std::fabs(value) < 9.2233720368547e18; }
}  // namespace

TStorageKind StorageKindOf(TFieldType type) {
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftBoolean:
    case ftAutoInc:
    case ftLargeint:
      return TStorageKind::kInteger;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime:
      return TStorageKind::kFloat;
    default:
      return TStorageKind::kBytes;
  }
}

TMemoryField::TMemoryField(TMemoryTable& table, int column, std::string field_name,
                           TFieldType data_type, int size, bool required)
    : TField(std::move(field_name), data_type, size, required),
      table_(table),
      column_(column),
      kind_(StorageKindOf(data_type)) {}

TCellView TMemoryField::Cell() const { return table_.CurrentValue(column_); }

bool TMemoryField::IsNull() const { return Cell().null; }

std::string TMemoryField::AsString() const {
  const TCellView cell = Cell();
  if (cell.null) return "";
  switch (DataType()) {
    case ftBoolean:
      return cell.integer != 0 ? "True" : "False";
    case ftDate:
      return IsoDateText(cell.number);
    case ftTime:
      return IsoTimeText(cell.number);
    case ftDateTime:
      return IsoDateTimeText(cell.number);
    default:
      break;
  }
  if (kind_ == TStorageKind::kInteger) return std::to_string(cell.integer);
  if (kind_ == TStorageKind::kFloat) return FloatFieldText(cell.number);
  return std::string(cell.bytes);
}

int64_t TMemoryField::AsLargeInt() const {
  const TCellView cell = Cell();
  if (cell.null) return 0;
  if (kind_ == TStorageKind::kInteger) return cell.integer;
  if (kind_ == TStorageKind::kFloat) {
    if (!FitsInt64(cell.number)) throw EConvertError(RangeError(AsString(), *this));
    return std::llround(cell.number);
  }
  if (cell.bytes.empty()) return 0;
  const auto value = ParseFieldInteger(cell.bytes);
  if (!value) {
    throw EConvertError("'" + std::string(cell.bytes) + "' is not a valid integer value");
  }
  return *value;
}

int32_t TMemoryField::AsInteger() const {
  const int64_t value = AsLargeInt();
  // Cutting to 32 bits would print a different number, so a large value is an error.
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    throw EConvertError(std::to_string(value) + " is not a valid value for field '" +
                        DisplayLabel() + "'. The allowed range is -2147483648 to 2147483647");
  }
  return static_cast<int32_t>(value);
}

double TMemoryField::AsFloat() const {
  const TCellView cell = Cell();
  if (cell.null) return 0;
  if (kind_ == TStorageKind::kInteger) return static_cast<double>(cell.integer);
  if (kind_ == TStorageKind::kFloat) return cell.number;
  if (cell.bytes.empty()) return 0;
  const auto value = ParseFieldFloat(cell.bytes);
  if (!value) {
    throw EConvertError("'" + std::string(cell.bytes) + "' is not a valid floating point value");
  }
  return *value;
}

bool TMemoryField::AsBoolean() const {
  const TCellView cell = Cell();
  if (cell.null) return false;
  if (kind_ == TStorageKind::kInteger) return cell.integer != 0;
  if (kind_ == TStorageKind::kFloat) return cell.number != 0;
  return ParseFieldBoolean(cell.bytes).value_or(false);
}

double TMemoryField::AsDateTime() const {
  const TCellView cell = Cell();
  if (cell.null) return 0;
  if (kind_ == TStorageKind::kInteger) return static_cast<double>(cell.integer);
  if (kind_ == TStorageKind::kFloat) return cell.number;
  if (cell.bytes.empty()) return 0;
  auto value = ParseIsoDateTime(cell.bytes);
  if (!value) value = ParseIsoTime(cell.bytes);
  if (!value) {
    throw EConvertError("'" + std::string(cell.bytes) + "' is not a valid date and time");
  }
  return *value;
}

void TMemoryField::SetAsString(std::string_view text) {
  if (text.empty()) {
    Clear();
    return;
  }
  if (IsSizedString(DataType())) {
    StoreBytes(text.substr(0, CutLength(text, static_cast<size_t>(Size()), table_.CodePage())));
  } else if (kind_ == TStorageKind::kBytes) {
    StoreBytes(text);
  } else if (DataType() == ftBoolean) {
    const auto value = ParseFieldBoolean(text);
    if (!value) FailValue(text, "boolean value");
    StoreInteger(*value ? 1 : 0);
  } else if (kind_ == TStorageKind::kInteger) {
    const auto value = ParseFieldInteger(text);
    const IntegerRange range = RangeOf(DataType());
    const bool int32_type = DataType() == ftInteger || DataType() == ftAutoInc;
    if (!value || (int32_type && (*value < range.low || *value > range.high))) {
      FailValue(text, "integer value");
    }
    CheckRange(*value, text);
    StoreInteger(*value);
  } else if (DataType() == ftDate) {
    const auto value = ParseIsoDate(text);
    if (!value) FailValue(text, "date");
    StoreNumber(*value);
  } else if (DataType() == ftTime) {
    const auto value = ParseIsoTime(text);
    if (!value) FailValue(text, "time");
    StoreNumber(*value);
  } else if (DataType() == ftDateTime) {
    const auto value = ParseIsoDateTime(text);
    if (!value) FailValue(text, "date and time");
    StoreNumber(*value);
  } else {
    const auto value = ParseFieldFloat(text);
    if (!value) FailValue(text, "floating point value");
    StoreNumber(*value);
  }
}

void TMemoryField::Clear() {
  TFieldValue& value = table_.EditableValue(column_);
  value.null = true;
  value.integer = 0;
  value.number = 0;
  value.bytes.clear();
}

void TMemoryField::SetAsLargeInt(int64_t value) {
  if (DataType() == ftBoolean) {
    StoreInteger(value != 0 ? 1 : 0);
  } else if (kind_ == TStorageKind::kInteger) {
    CheckRange(value, std::to_string(value));
    StoreInteger(value);
  } else if (kind_ == TStorageKind::kFloat) {
    StoreNumber(static_cast<double>(value));
  } else {
    SetAsString(std::to_string(value));
  }
}

void TMemoryField::SetAsFloat(double value) {
  if (!std::isfinite(value)) {
    FailValue(FloatFieldText(value), "floating point value");
  }
  if (kind_ == TStorageKind::kInteger && DataType() != ftBoolean) {
    if (!FitsInt64(value)) throw Exception(RangeError(FloatFieldText(value), *this));
    SetAsLargeInt(std::llround(value));
  } else if (kind_ == TStorageKind::kInteger) {
    StoreInteger(value != 0 ? 1 : 0);
  } else if (kind_ == TStorageKind::kFloat) {
    StoreNumber(value);
  } else {
    SetAsString(FloatFieldText(value));
  }
}

void TMemoryField::SetAsBoolean(bool value) {
  if (kind_ == TStorageKind::kInteger) {
    StoreInteger(value ? 1 : 0);
  } else if (kind_ == TStorageKind::kFloat) {
    StoreNumber(value ? 1 : 0);
  } else {
    SetAsString(value ? "True" : "False");
  }
}

void TMemoryField::SetAsDateTime(double value) {
  if (!std::isfinite(value)) {
    FailValue(FloatFieldText(value), "date and time");
  }
  // A date field keeps the day, a time field the time of day, as their readers expect.
  if (DataType() == ftDate) {
    StoreNumber(std::trunc(value));
  } else if (DataType() == ftTime) {
    StoreNumber(std::fabs(value - std::trunc(value)));
  } else if (kind_ == TStorageKind::kFloat) {
    StoreNumber(value);
  } else if (kind_ == TStorageKind::kInteger) {
    SetAsFloat(value);
  } else {
    SetAsString(IsoDateTimeText(value));
  }
}

void TMemoryField::FailValue(std::string_view text, std::string_view kind) const {
  throw Exception("'" + std::string(text) + "' is not a valid " + std::string(kind) +
                  " for field '" + DisplayLabel() + "'");
}

void TMemoryField::CheckRange(int64_t value, std::string_view text) const {
  const IntegerRange range = RangeOf(DataType());
  if (value < range.low || value > range.high) throw Exception(RangeError(text, *this));
}

void TMemoryField::StoreInteger(int64_t value) {
  TFieldValue& cell = table_.EditableValue(column_);
  cell.null = false;
  cell.integer = value;
}

void TMemoryField::StoreNumber(double value) {
  TFieldValue& cell = table_.EditableValue(column_);
  cell.null = false;
  cell.number = value;
}

void TMemoryField::StoreBytes(std::string_view bytes) {
  if (bytes.size() > std::numeric_limits<uint32_t>::max()) {
    throw Exception("Value too large for field: " + DisplayLabel());
  }
  TFieldValue& cell = table_.EditableValue(column_);
  cell.null = false;
  cell.bytes.assign(bytes);
}

}  // namespace vorn
