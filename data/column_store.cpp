#include "data/column_store.h"

#include <algorithm>

namespace vorn {
namespace {
// Below this a wasteful heap costs too little to rewrite.
constexpr size_t kCompactThreshold = 1 << 20;
}  // namespace

TCellView TColumnStore::View(uint32_t slot) const {
  TCellView view;
  view.null = null_[slot] != 0;
  if (kind_ == TStorageKind::kInteger) {
    view.integer = integers_[slot];
  } else if (kind_ == TStorageKind::kFloat) {
    view.number = numbers_[slot];
  } else {
    view.bytes = std::string_view(heap_).substr(offsets_[slot], lengths_[slot]);
  }
  return view;
}

void TColumnStore::Push(const TFieldValue& value) {
  null_.push_back(value.null ? 1 : 0);
  if (kind_ == TStorageKind::kInteger) {
    integers_.push_back(value.null ? 0 : value.integer);
    NoteInteger(value);
  } else if (kind_ == TStorageKind::kFloat) {
    numbers_.push_back(value.null ? 0 : value.number);
  } else {
    const std::string_view bytes = value.null ? std::string_view() : value.bytes;
    offsets_.push_back(heap_.size());
    lengths_.push_back(static_cast<uint32_t>(bytes.size()));
    heap_.append(bytes);
    live_bytes_ += bytes.size();
  }
}

void TColumnStore::Set(uint32_t slot, const TFieldValue& value) {
  null_[slot] = value.null ? 1 : 0;
  if (kind_ == TStorageKind::kInteger) {
    integers_[slot] = value.null ? 0 : value.integer;
    NoteInteger(value);
  } else if (kind_ == TStorageKind::kFloat) {
    numbers_[slot] = value.null ? 0 : value.number;
  } else {
    SetBytes(slot, value.null ? std::string_view() : value.bytes);
  }
}

uint32_t TColumnStore::LongestValue(const std::vector<uint8_t>& deleted) const {
  uint32_t longest = 0;
  for (size_t slot = 0; slot < lengths_.size(); ++slot) {
    if (!deleted[slot]) longest = std::max(longest, lengths_[slot]);
  }
  return longest;
}

void TColumnStore::Forget(uint32_t slot) {
  if (kind_ == TStorageKind::kBytes) live_bytes_ -= lengths_[slot];
}

void TColumnStore::CompactIfWasteful(const std::vector<uint8_t>& deleted) {
  if (kind_ != TStorageKind::kBytes || heap_.size() <= kCompactThreshold ||
      heap_.size() <= 2 * live_bytes_) {
    return;
  }
  std::string packed;
  packed.reserve(live_bytes_);
  for (size_t slot = 0; slot < offsets_.size(); ++slot) {
    if (deleted[slot]) lengths_[slot] = 0;
    const uint64_t from = offsets_[slot];
    offsets_[slot] = packed.size();
    packed.append(heap_, from, lengths_[slot]);
  }
  heap_.swap(packed);
}

// A value no longer than the old one is written over it, so editing does not grow the heap.
void TColumnStore::SetBytes(uint32_t slot, std::string_view bytes) {
  live_bytes_ -= lengths_[slot];
  if (bytes.size() > lengths_[slot]) {
    offsets_[slot] = heap_.size();
    heap_.append(bytes);
  } else {
    heap_.replace(offsets_[slot], bytes.size(), bytes);
  }
  lengths_[slot] = static_cast<uint32_t>(bytes.size());
  live_bytes_ += bytes.size();
}

void TColumnStore::NoteInteger(const TFieldValue& value) {
  if (type_ == ftAutoInc && !value.null && value.integer >= next_auto_inc_) {
    next_auto_inc_ = value.integer + 1;
  }
}

}  // namespace vorn
