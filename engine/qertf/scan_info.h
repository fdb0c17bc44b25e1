#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vorn {

class TDataSet;

// One scan, if or else block of a run, numbered by BlockId in template order.
// Event handlers read it; the scan compiler and generator keep it current.
class TQeScanInfo {
 public:
  int16_t BlockId = 0;
  int32_t Kind = 0;  // the record kind that opened the block
  bool HasEntry = false;
  bool HasFooter = false;
  TDataSet* DataSet = nullptr;
  // Generation: aggregates evaluated now start from zero (the first repetition).
  bool ResetAggregates = true;
};

// The block stack of a run.
class TQeScans {
 public:
  bool Empty() const { return blocks_.empty(); }
  TQeScanInfo* Innermost() const { return blocks_.empty() ? nullptr : blocks_.back().get(); }
  TQeScanInfo& Push() { return *blocks_.emplace_back(std::make_unique<TQeScanInfo>()); }
  void Pop() {
    if (!blocks_.empty()) blocks_.pop_back();
  }
  void Clear() { blocks_.clear(); }

  // Generation: the id of the block whose records are being handled, 0 for none.
  int16_t CurrentBlock = 0;
  // The block with that id, or nullptr.
  TQeScanInfo* Block(int16_t id) const {
    for (const auto& block : blocks_) {
      if (block->BlockId == id) return block.get();
    }
    return nullptr;
  }

 private:
  std::vector<std::unique_ptr<TQeScanInfo>> blocks_;
};

}  // namespace vorn
