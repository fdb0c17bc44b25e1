#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/memory_field.h"

namespace vorn {

// The values of one table column by slot, a record's place in storage, which never moves.
// Integers and doubles sit in flat arrays; bytes share one heap with an offset and a
// length per slot. The caller keeps slots in range and byte values below 4 GiB.
class TColumnStore {
 public:
  TColumnStore() = default;
  explicit TColumnStore(TFieldType type) : type_(type), kind_(StorageKindOf(type)) {}

  TFieldType Type() const { return type_; }
  TStorageKind Kind() const { return kind_; }
  // The view lives until the column next changes.
  TCellView View(uint32_t slot) const;
  void Push(const TFieldValue& value);
  void Set(uint32_t slot, const TFieldValue& value);
  // Longest byte value among the slots not marked in `deleted`.
  uint32_t LongestValue(const std::vector<uint8_t>& deleted) const;
  // Drops a deleted slot's bytes from the count that decides compaction.
  void Forget(uint32_t slot);
  // Rewrites the heap without dead bytes once they are most of it.
  void CompactIfWasteful(const std::vector<uint8_t>& deleted);
  // The next number an auto-increment field takes.
  int64_t NextAutoIncrement() const { return next_auto_inc_; }

 private:
  void SetBytes(uint32_t slot, std::string_view bytes);
  void NoteInteger(const TFieldValue& value);

  TFieldType type_ = ftUnknown;
  TStorageKind kind_ = TStorageKind::kBytes;
  std::vector<uint8_t> null_;
  std::vector<int64_t> integers_;
  std::vector<double> numbers_;
  std::string heap_;
  std::vector<uint64_t> offsets_;
  std::vector<uint32_t> lengths_;
  uint64_t live_bytes_ = 0;
  int64_t next_auto_inc_ = 1;
};

}  // namespace vorn
