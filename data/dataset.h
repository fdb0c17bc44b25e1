#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace vorn {

// Field types, numbered as the dataset framework numbers them; stored files and
// callers rely on the numbers.
enum TFieldType : int {
  ftUnknown = 0,
  ftString = 1,
  ftSmallint = 2,
  ftInteger = 3,
  ftWord = 4,
  ftBoolean = 5,
  ftFloat = 6,
  ftCurrency = 7,
  ftBCD = 8,
  ftDate = 9,
  ftTime = 10,
  ftDateTime = 11,
  ftAutoInc = 14,
  ftBlob = 15,
  ftMemo = 16,
  ftGraphic = 17,
  ftFixedChar = 23,
  ftWideString = 24,
  ftLargeint = 25,
};

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

// One column of a dataset, read at the dataset's current record. Texts are bytes in
// the report's code page; null values read as "", 0, false and date-time 0.
class TField {
 public:
  TField(std::string field_name, TFieldType data_type, int size, bool required)
      : field_name_(std::move(field_name)),
        data_type_(data_type),
        size_(size),
        required_(required) {}
  virtual ~TField() = default;
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  const std::string& FieldName() const { return field_name_; }
  // The label shown to the operator and used in messages; the field name when unset.
  const std::string& DisplayLabel() const {
    return display_label_.empty() ? field_name_ : display_label_;
  }
  void SetDisplayLabel(std::string label) { display_label_ = std::move(label); }
  TFieldType DataType() const { return data_type_; }
  int Size() const { return size_; }
  bool Required() const { return required_; }

  virtual bool IsNull() const = 0;
  // Blob fields give their raw bytes.
  virtual std::string AsString() const = 0;
  virtual int32_t AsInteger() const = 0;
  // The whole 64-bit value of a large-integer field; other types as AsInteger.
  virtual int64_t AsLargeInt() const = 0;
  virtual double AsFloat() const = 0;
  virtual double AsCurrency() const = 0;
  virtual bool AsBoolean() const = 0;
  // Day number since 1899-12-30, the time of day as the fraction.
  virtual double AsDateTime() const = 0;

  // Assigns text by the field's type rules; throws vorn::Exception with the
  // framework's message when the text does not fit the type.
  virtual void SetAsString(std::string_view text) = 0;
  virtual void Clear() = 0;

 protected:
  // For tables that size a field from the data they load.
  void SetSize(int size) { size_ = size; }

 private:
  std::string field_name_;
  std::string display_label_;
  TFieldType data_type_;
  int size_;
  bool required_;
};

// A named dataset with a cursor over its records and typed fields. The engine and the
// shell read data only through this interface.
class TDataSet {
 public:
  TDataSet() = default;
  virtual ~TDataSet() = default;
  TDataSet(const TDataSet&) = delete;
  TDataSet& operator=(const TDataSet&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  virtual int FieldCount() const = 0;
  // 0-based position; the caller keeps the index below FieldCount().
  virtual TField& Fields(int index) const = 0;
  // The first field whose name equals `name` ignoring the case of A-Z, or nullptr.
  TField* FindField(std::string_view name) const;

  virtual bool Bof() const = 0;
  virtual bool Eof() const = 0;
  // Opaque text naming the current record; assigning one moves the cursor back to it.
  virtual std::string Bookmark() const = 0;
  virtual void SetBookmark(const std::string& bookmark) = 0;
  virtual TDataSetState State() const = 0;

  virtual void First() = 0;
  virtual void Next() = 0;
  virtual void Prior() = 0;
  virtual void Last() = 0;

  // Counted: controls are enabled again when every DisableControls has been undone.
  void DisableControls() { ++disable_count_; }
  void EnableControls() {
    if (disable_count_ > 0) --disable_count_;
  }
  bool ControlsDisabled() const { return disable_count_ > 0; }
  int DisableCount() const { return disable_count_; }

 private:
  std::string name_;
  int disable_count_ = 0;
};

// The value class a field operand has in expressions.
enum class TQeValueClass { kNone, kString, kNumber, kBoolean, kDateTime };
TQeValueClass FieldValueClass(TFieldType type);

}  // namespace vorn
