#include "data/memory_table.h"

#include <algorithm>
#include <cassert>
#include <limits>
#include <optional>

#include "data/field_text.h"
#include "platform/system/exception.h"
#include "platform/text/ascii_text.h"

namespace vorn {
namespace {
constexpr uint32_t kNoPosition = std::numeric_limits<uint32_t>::max();
// Slots are 32-bit; one is kept free as the "no position" mark.
constexpr size_t kMaxRecords = std::numeric_limits<uint32_t>::max() - 1;

bool IsSupportedType(TFieldType type) {
  switch (type) {
    case ftString:
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftBoolean:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftAutoInc:
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFixedChar:
    case ftWideString:
    case ftLargeint:
      return true;
    default:
      return false;
  }
}

bool NeedsSize(TFieldType type) {
  return type == ftString || type == ftFixedChar || type == ftWideString;
}

// Strict decimal: a bookmark is a slot number and nothing else.
std::optional<uint32_t> ParseSlot(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value >= kNoPosition) return std::nullopt;
  return static_cast<uint32_t>(value);
}
}  // namespace

TMemoryTable::TMemoryTable(int code_page) : code_page_(code_page) {}

TMemoryTable::~TMemoryTable() = default;

void TMemoryTable::AddFieldDef(TFieldDef def) {
  if (Active()) throw Exception("Cannot change the definitions of an open dataset: " + Name());
  defs_.push_back(std::move(def));
}

void TMemoryTable::AddIndexDef(TIndexDef def) {
  if (Active()) throw Exception("Cannot change the definitions of an open dataset: " + Name());
  index_defs_.push_back(std::move(def));
}

void TMemoryTable::SetFieldList(std::vector<TFieldListEntry> list) {
  if (Active()) throw Exception("Cannot change the definitions of an open dataset: " + Name());
  field_list_ = std::move(list);
}

void TMemoryTable::CreateDataSet() {
  if (Active()) throw Exception("Dataset is already open: " + Name());
  CheckDefinitions();
  columns_.clear();
  for (const TFieldDef& def : defs_) columns_.emplace_back(def.type);
  BuildFields();
  buffer_.assign(defs_.size(), TFieldValue());
  state_ = TDataSetState::dsBrowse;
  SetCursor(-1);
}

void TMemoryTable::CheckDefinitions() const {
  if (defs_.empty()) throw Exception("No field definitions for dataset: " + Name());
  for (size_t i = 0; i < defs_.size(); ++i) {
    const TFieldDef& def = defs_[i];
    if (def.name.empty()) throw Exception("Field definition without a name in dataset: " + Name());
    if (!IsSupportedType(def.type))
      throw Exception("Unsupported field type for field: " + def.name);
    if (NeedsSize(def.type) && def.size < 1) {
      throw Exception("Invalid field size for field: " + def.name);
    }
    for (size_t j = 0; j < i; ++j) {
      if (SameFieldName(defs_[j].name, def.name)) {
        throw Exception("Duplicate field name: " + def.name);
      }
    }
  }
  for (const TIndexDef& index : index_defs_) {
    std::string_view rest = index.fields;
    while (!rest.empty()) {
      const size_t semicolon = std::min(rest.find(';'), rest.size());
      const std::string_view name = TrimControl(rest.substr(0, semicolon));
      rest.remove_prefix(std::min(semicolon + 1, rest.size()));
      const bool known = std::any_of(defs_.begin(), defs_.end(), [&](const TFieldDef& def) {
        return SameFieldName(def.name, name);
      });
      if (!known) throw Exception("Index field not found: " + std::string(name));
    }
  }
  for (size_t i = 0; i < field_list_.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (SameFieldName(field_list_[j].name, field_list_[i].name)) {
        throw Exception("Duplicate field name: " + field_list_[i].name);
      }
    }
  }
}

void TMemoryTable::BuildFields() {
  fields_.clear();
  const auto add = [this](size_t column, const std::string& label, bool required) {
    const TFieldDef& def = defs_[column];
    auto field = std::make_unique<TMemoryField>(*this, static_cast<int>(column), def.name, def.type,
                                                def.size, def.required || required);
    if (!label.empty()) field->SetDisplayLabel(label);
    fields_.push_back(std::move(field));
  };
  if (field_list_.empty()) {
    for (size_t column = 0; column < defs_.size(); ++column) add(column, "", false);
    return;
  }
  for (const TFieldListEntry& entry : field_list_) {
    const auto def = std::find_if(defs_.begin(), defs_.end(), [&](const TFieldDef& d) {
      return SameFieldName(d.name, entry.name);
    });
    if (def == defs_.end()) {
      fields_.clear();
      throw Exception("Field not found: " + entry.name);
    }
    add(static_cast<size_t>(def - defs_.begin()), entry.display_label, entry.required);
  }
}

TField& TMemoryTable::Fields(int index) const { return Field(index); }

TMemoryField& TMemoryTable::Field(int index) const {
  assert(index >= 0 && index < FieldCount());
  return *fields_[static_cast<size_t>(index)];
}

TMemoryField& TMemoryTable::FieldByName(std::string_view name) const {
  TField* field = FindField(name);
  if (field == nullptr) throw Exception("Field not found: " + std::string(name));
  return static_cast<TMemoryField&>(*field);
}

std::string TMemoryTable::Bookmark() const {
  if (state_ == TDataSetState::dsInsert || cursor_ < 0) return "";
  return std::to_string(order_[static_cast<size_t>(cursor_)]);
}

void TMemoryTable::SetBookmark(const std::string& bookmark) {
  CheckActive();
  CheckBrowseMode();
  const auto slot = ParseSlot(bookmark);
  if (!slot || *slot >= deleted_.size() || deleted_[*slot]) {
    throw Exception("Bookmark not found: " + bookmark);
  }
  EnsurePositions();
  cursor_ = position_of_slot_[*slot];
  bof_ = false;
  eof_ = false;
}

void TMemoryTable::First() {
  CheckActive();
  CheckBrowseMode();
  SetCursor(order_.empty() ? -1 : 0);
}

void TMemoryTable::Last() {
  CheckActive();
  CheckBrowseMode();
  SetCursor(static_cast<int64_t>(order_.size()) - 1);
  bof_ = order_.empty();
  eof_ = true;
}

// Moving past either end leaves the cursor on the end record and raises the flag;
// a further move the same way changes nothing.
void TMemoryTable::Next() {
  CheckActive();
  CheckBrowseMode();
  if (eof_) return;
  bof_ = false;
  if (cursor_ + 1 < static_cast<int64_t>(order_.size())) {
    ++cursor_;
  } else {
    eof_ = true;
  }
}

void TMemoryTable::Prior() {
  CheckActive();
  CheckBrowseMode();
  if (bof_) return;
  eof_ = false;
  if (cursor_ > 0) {
    --cursor_;
  } else {
    bof_ = true;
  }
}

int TMemoryTable::RecNo() const {
  if (state_ == TDataSetState::dsInsert) return -1;
  return static_cast<int>(cursor_ + 1);
}

void TMemoryTable::Insert() {
  CheckActive();
  CheckBrowseMode();
  StartInsert(cursor_ < 0 ? 0 : static_cast<size_t>(cursor_));
}

void TMemoryTable::Append() {
  CheckActive();
  CheckBrowseMode();
  StartInsert(order_.size());
}

void TMemoryTable::Edit() {
  CheckActive();
  if (state_ != TDataSetState::dsBrowse) return;
  if (order_.empty()) {
    StartInsert(0);
    return;
  }
  LoadBuffer(order_[static_cast<size_t>(cursor_)]);
  state_ = TDataSetState::dsEdit;
  modified_ = false;
}

void TMemoryTable::Post() {
  CheckActive();
  if (state_ == TDataSetState::dsBrowse) {
    throw Exception("Dataset not in edit or insert mode: " + Name());
  }
  if (state_ == TDataSetState::dsInsert) AssignAutoIncrements();
  CheckRequired();
  if (state_ == TDataSetState::dsInsert) {
    const uint32_t slot = StoreNewRecord();
    const bool at_end = insert_position_ == order_.size();
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(insert_position_), slot);
    if (!at_end) {
      positions_valid_ = false;
    } else if (positions_valid_) {
      position_of_slot_.push_back(static_cast<uint32_t>(insert_position_));
    }
    cursor_ = static_cast<int64_t>(insert_position_);
  } else {
    StoreIntoSlot(order_[static_cast<size_t>(cursor_)]);
  }
  state_ = TDataSetState::dsBrowse;
  modified_ = false;
  bof_ = false;
  eof_ = false;
}

void TMemoryTable::Cancel() {
  CheckActive();
  if (state_ == TDataSetState::dsInsert) {
    cursor_ = cursor_before_insert_;
    bof_ = order_.empty();
    eof_ = order_.empty();
  }
  if (state_ != TDataSetState::dsBrowse) state_ = TDataSetState::dsBrowse;
  modified_ = false;
}

void TMemoryTable::Delete() {
  CheckActive();
  if (state_ == TDataSetState::dsInsert) {
    Cancel();
    return;
  }
  if (order_.empty())
    throw Exception("Cannot perform this operation on an empty dataset: " + Name());
  Cancel();
  const size_t position = static_cast<size_t>(cursor_);
  const uint32_t slot = order_[position];
  deleted_[slot] = 1;
  for (TColumnStore& column : columns_) {
    column.Forget(slot);
    column.CompactIfWasteful(deleted_);
  }
  if (position + 1 != order_.size()) positions_valid_ = false;
  order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(position));
  SetCursor(std::min<int64_t>(cursor_, static_cast<int64_t>(order_.size()) - 1));
  if (!order_.empty()) bof_ = false;
}

void TMemoryTable::FitFieldSize(int index) {
  CheckActive();
  CheckBrowseMode();
  TMemoryField& field = Field(index);
  if (!NeedsSize(field.DataType())) {
    throw Exception("Field has no size to fit: " + field.FieldName());
  }
  const uint32_t longest =
      std::max<uint32_t>(1, columns_[static_cast<size_t>(field.Column())].LongestValue(deleted_));
  if (longest > static_cast<uint32_t>(std::numeric_limits<int>::max())) {
    throw Exception("Value too large for field: " + field.FieldName());
  }
  field.Resize(static_cast<int>(longest));
  defs_[static_cast<size_t>(field.Column())].size = static_cast<int>(longest);
}

void TMemoryTable::CheckActive() const {
  if (!Active()) throw Exception("Cannot perform this operation on a closed dataset: " + Name());
}

void TMemoryTable::CheckBrowseMode() {
  if (state_ == TDataSetState::dsBrowse) return;
  if (modified_) {
    Post();
  } else {
    Cancel();
  }
}

void TMemoryTable::StartInsert(size_t position) {
  cursor_before_insert_ = cursor_;
  insert_position_ = position;
  ResetBuffer();
  state_ = TDataSetState::dsInsert;
  modified_ = false;
}

void TMemoryTable::LoadBuffer(uint32_t slot) {
  for (size_t i = 0; i < columns_.size(); ++i) {
    const TCellView view = columns_[i].View(slot);
    TFieldValue& value = buffer_[i];
    value.null = view.null;
    value.integer = view.integer;
    value.number = view.number;
    value.bytes.assign(view.bytes);
  }
}

void TMemoryTable::ResetBuffer() {
  for (TFieldValue& value : buffer_) {
    value.null = true;
    value.integer = 0;
    value.number = 0;
    value.bytes.clear();
  }
}

void TMemoryTable::AssignAutoIncrements() {
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (columns_[i].Type() != ftAutoInc || !buffer_[i].null) continue;
    if (columns_[i].NextAutoIncrement() > std::numeric_limits<int32_t>::max()) {
      throw Exception("No more values for field: " + defs_[i].name);
    }
    buffer_[i].null = false;
    buffer_[i].integer = columns_[i].NextAutoIncrement();
  }
}

void TMemoryTable::CheckRequired() const {
  for (const auto& field : fields_) {
    if (field->Required() && buffer_[static_cast<size_t>(field->Column())].null) {
      throw Exception("Field '" + field->DisplayLabel() + "' must have a value");
    }
  }
  for (size_t i = 0; i < defs_.size(); ++i) {
    if (defs_[i].required && buffer_[i].null) {
      throw Exception("Field '" + defs_[i].name + "' must have a value");
    }
  }
}

uint32_t TMemoryTable::StoreNewRecord() {
  if (deleted_.size() >= kMaxRecords) throw Exception("Too many records in dataset: " + Name());
  const auto slot = static_cast<uint32_t>(deleted_.size());
  for (size_t i = 0; i < columns_.size(); ++i) columns_[i].Push(buffer_[i]);
  deleted_.push_back(0);
  return slot;
}

void TMemoryTable::StoreIntoSlot(uint32_t slot) {
  for (size_t i = 0; i < columns_.size(); ++i) {
    columns_[i].Set(slot, buffer_[i]);
    columns_[i].CompactIfWasteful(deleted_);
  }
}

void TMemoryTable::SetCursor(int64_t position) {
  cursor_ = position;
  bof_ = true;
  eof_ = position < 0;
}

void TMemoryTable::EnsurePositions() const {
  if (positions_valid_) return;
  position_of_slot_.assign(deleted_.size(), kNoPosition);
  for (size_t position = 0; position < order_.size(); ++position) {
    position_of_slot_[order_[position]] = static_cast<uint32_t>(position);
  }
  positions_valid_ = true;
}

TCellView TMemoryTable::CurrentValue(int column) const {
  const auto index = static_cast<size_t>(column);
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) {
    const TFieldValue& value = buffer_[index];
    return TCellView{value.null, value.integer, value.number, value.bytes};
  }
  if (state_ == TDataSetState::dsInactive || cursor_ < 0) return TCellView();
  return columns_[index].View(order_[static_cast<size_t>(cursor_)]);
}

TFieldValue& TMemoryTable::EditableValue(int column) {
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) {
    throw Exception("Dataset not in edit or insert mode: " + Name());
  }
  modified_ = true;
  return buffer_[static_cast<size_t>(column)];
}

}  // namespace vorn
