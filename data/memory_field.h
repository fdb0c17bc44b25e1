#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/dataset.h"

namespace vorn {

class TMemoryTable;

// How a column keeps its values: integers (booleans as 0/1), doubles (dates as day
// numbers) or bytes (strings, memos, blobs).
enum class TStorageKind { kInteger, kFloat, kBytes };
TStorageKind StorageKindOf(TFieldType type);

// One value of the record being edited or inserted.
struct TFieldValue {
  bool null = true;
  int64_t integer = 0;
  double number = 0;
  std::string bytes;
};

// A read-only view of one stored or buffered value; `bytes` lives until the next change.
struct TCellView {
  bool null = true;
  int64_t integer = 0;
  double number = 0;
  std::string_view bytes;
};

// A field of a TMemoryTable: reads the table's current record and converts between its
// type and the requested one; writes need the table in edit or insert state.
class TMemoryField : public TField {
 public:
  TMemoryField(TMemoryTable& table, int column, std::string field_name, TFieldType data_type,
               int size, bool required);

  int Column() const { return column_; }

  bool IsNull() const override;
  std::string AsString() const override;
  int32_t AsInteger() const override;
  int64_t AsLargeInt() const override;
  double AsFloat() const override;
  double AsCurrency() const override { return AsFloat(); }
  bool AsBoolean() const override;
  double AsDateTime() const override;

  void SetAsString(std::string_view text) override;
  void Clear() override;
  void SetAsInteger(int32_t value) { SetAsLargeInt(value); }
  void SetAsLargeInt(int64_t value);
  void SetAsFloat(double value);
  void SetAsBoolean(bool value);
  void SetAsDateTime(double value);

 private:
  friend class TMemoryTable;
  TCellView Cell() const;
  void StoreInteger(int64_t value);
  void StoreNumber(double value);
  void StoreBytes(std::string_view bytes);
  [[noreturn]] void FailValue(std::string_view text, std::string_view kind) const;
  void CheckRange(int64_t value, std::string_view text) const;
  // The loaders widen a string field to its longest value once the data is in.
  void Resize(int size) { SetSize(size); }

  TMemoryTable& table_;
  int column_;
  TStorageKind kind_;
};

}  // namespace vorn
