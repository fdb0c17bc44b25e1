#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/column_store.h"
#include "data/dataset.h"
#include "data/memory_field.h"

namespace vorn {

// One column of the table's storage. String types need a size in bytes (at least 1).
struct TFieldDef {
  std::string name;
  TFieldType type = ftString;
  int size = 0;
  bool required = false;
};

enum TIndexOption : unsigned {
  ixPrimary = 1,
  ixUnique = 2,
  ixDescending = 4,
  ixCaseInsensitive = 8,
};

// An index over fields named in `fields`, separated by ";". Indexes are kept as
// definitions: records stay in the order they were stored.
struct TIndexDef {
  std::string name;
  std::string fields;
  unsigned options = 0;
};

// One entry of the field list the dataset shows, bound to a definition by name.
struct TFieldListEntry {
  std::string name;
  std::string display_label;
  bool required = false;
};

// An in-memory table: field and index definitions, then CreateDataSet, then records.
// Values are kept by column, so a million rows of a few fields stay compact. Every
// failure throws vorn::Exception with its message.
class TMemoryTable : public TDataSet {
 public:
  // `code_page` decides where string fields may be cut: 0 is single-byte, 950 Big5.
  explicit TMemoryTable(int code_page = 0);
  ~TMemoryTable() override;

  void AddFieldDef(TFieldDef def);
  void AddIndexDef(TIndexDef def);
  const std::vector<TFieldDef>& FieldDefs() const { return defs_; }
  const std::vector<TIndexDef>& IndexDefs() const { return index_defs_; }
  // The fields the dataset shows, in their order; without a list they follow the definitions.
  void SetFieldList(std::vector<TFieldListEntry> list);
  // Opens the table empty, in browse state.
  void CreateDataSet();
  bool Active() const { return state_ != TDataSetState::dsInactive; }
  int CodePage() const { return code_page_; }

  int FieldCount() const override { return static_cast<int>(fields_.size()); }
  TField& Fields(int index) const override;
  TMemoryField& Field(int index) const;
  // Throws when no field has the name (A-Z compared without case).
  TMemoryField& FieldByName(std::string_view name) const;

  bool Bof() const override { return bof_; }
  bool Eof() const override { return eof_; }
  // The decimal id of the current record, stable across inserts and deletes; "" when no
  // stored record is current.
  std::string Bookmark() const override;
  void SetBookmark(const std::string& bookmark) override;
  TDataSetState State() const override { return state_; }

  void First() override;
  void Next() override;
  void Prior() override;
  void Last() override;
  int RecordCount() const { return static_cast<int>(order_.size()); }
  // 1-based position of the current record; 0 with none, -1 while inserting.
  int RecNo() const;

  // Start a new record before the current one (Insert) or after the last (Append).
  void Insert();
  void Append();
  // Edits the current record; on an empty table it starts inserting one.
  void Edit();
  // Stores the record being edited or inserted and returns to browse state.
  void Post();
  void Cancel();
  void Delete();
  // Sets a string field's size to its longest stored value, at least 1.
  void FitFieldSize(int index);

 private:
  friend class TMemoryField;

  void CheckActive() const;
  void CheckDefinitions() const;
  void BuildFields();
  // Posts a modified record and drops an untouched one, before the cursor moves.
  void CheckBrowseMode();
  void StartInsert(size_t position);
  void LoadBuffer(uint32_t slot);
  void ResetBuffer();
  void AssignAutoIncrements();
  void CheckRequired() const;
  uint32_t StoreNewRecord();
  void StoreIntoSlot(uint32_t slot);
  void SetCursor(int64_t position);
  void EnsurePositions() const;

  TCellView CurrentValue(int column) const;
  TFieldValue& EditableValue(int column);

  int code_page_;
  std::vector<TFieldDef> defs_;
  std::vector<TIndexDef> index_defs_;
  std::vector<TFieldListEntry> field_list_;
  std::vector<std::unique_ptr<TMemoryField>> fields_;
  std::vector<TColumnStore> columns_;

  std::vector<uint32_t> order_;   // record position -> storage slot
  std::vector<uint8_t> deleted_;  // per slot
  mutable std::vector<uint32_t> position_of_slot_;
  mutable bool positions_valid_ = true;

  TDataSetState state_ = TDataSetState::dsInactive;
  int64_t cursor_ = -1;  // record position, -1 with no record
  bool bof_ = true;
  bool eof_ = true;
  std::vector<TFieldValue> buffer_;
  bool modified_ = false;
  size_t insert_position_ = 0;
  int64_t cursor_before_insert_ = -1;
};

}  // namespace vorn
