#include "engine/qertf/scan_info.h"

#include "data/dataset.h"
#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/base_report.h"
#include "engine/qebasereport/tag_classifier.h"

namespace vorn {

bool NestingAllows(int32_t block_kind, int32_t command_kind) {
  switch (command_kind) {
    case kTagScanEntry:
    case kTagScanFooter:
    case kTagEndScan:
      return block_kind == kBlockScan;
    case kTagElse:
      return block_kind == kBlockIf;
    case kTagEndIf:
      return block_kind == kBlockIf || block_kind == kBlockElse;
    default:
      return false;
  }
}

std::vector<std::string> SplitCommandItems(const TQeBaseReport& report, std::string_view text) {
  std::vector<std::string> items(1);
  int depth = 0;
  bool quoted = false;
  unsigned char opener = 0;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (quoted) {
      quoted = !report.IsQuoteClose(opener, c);
    } else if (report.IsQuoteOpen(c)) {
      quoted = true;
      opener = c;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (depth > 0) --depth;
    } else if (c == ',' && depth == 0) {
      items.emplace_back();
      continue;
    }
    items.back().push_back(ch);
  }
  return items;
}

bool IsCommandRecord(int32_t kind) {
  switch (kind) {
    case rkScan:
    case rkScanWhile:
    case rkScanEntry:
    case rkScanFooter:
    case rkEndScan:
    case rkIf:
    case rkEndIf:
      return true;
    default:
      return false;
  }
}

TQeCommandContent ReadCommandRecord(TQeBaseReport& report, int32_t kind) {
  switch (kind) {
    case rkScan:
      return report.ReadScan();
    case rkScanWhile:
      return report.ReadScanWhile();
    case rkScanEntry:
      return report.ReadScanEntry();
    case rkScanFooter:
      return report.ReadScanFooter();
    case rkEndScan:
      return report.ReadEndScan();
    case rkIf:
      return report.ReadIf();
    default:
      return report.ReadEndIf();
  }
}

void TQeScanInfo::Publish() {
  Kind = layout_.kind;
  BlockId = layout_.block_id;
  Level = layout_.level;
  ParentId = layout_.parent_id;
  StartStreamPos = layout_.start_stream_pos;
  StartTemplatePos = layout_.start_template_pos;
  LoopStreamPos = layout_.loop_stream_pos;
  LoopTemplatePos = layout_.loop_template_pos;
  FooterStreamPos = layout_.footer_stream_pos;
  FooterTemplatePos = layout_.footer_template_pos;
  HasEntry = layout_.has_entry;
  HasFooter = layout_.has_footer;
  HasWhile = layout_.has_while;
  DataSet = layout_.dataset;
  Prepared = layout_.prepared;
  BraceBalance = layout_.brace_balance;
  BalanceText = layout_.balance_text;
}

TQeScanInfo& TQeScans::Push(int32_t kind) {
  auto& block = *blocks_.emplace_back(std::make_unique<TQeScanInfo>());
  const int16_t parent = InnermostId();
  const auto id = static_cast<int16_t>(blocks_.size());
  const auto level = static_cast<int16_t>(depth_ + 1);
  block.Update([&](TQeScanInfo::Layout& layout) {
    layout.kind = kind;
    layout.block_id = id;
    layout.level = level;
    layout.parent_id = parent;
  });
  open_ids_.push_back(id);
  depth_ = level;
  if (depth_ > max_depth_) max_depth_ = depth_;
  return block;
}

void TQeScans::Pop() {
  if (open_ids_.empty()) return;
  open_ids_.pop_back();
  depth_ = static_cast<int16_t>(open_ids_.size());
}

void TQeScans::Clear() {
  blocks_.clear();
  open_ids_.clear();
  depth_ = 0;
  max_depth_ = 0;
  CurrentBlock = 0;
  repetitions_ = 0;
  max_repetitions_ = kMaxRepetitions;
}

void TQeScans::Select(int16_t id) {
  const TQeScanInfo* block = Block(id);
  CurrentBlock = block != nullptr ? id : 0;
  depth_ = block != nullptr ? block->Compiled().level : 0;
}

namespace {
size_t BookmarkCount(const TQeScanInfo& block) {
  return block.Bookmarks != nullptr ? block.Bookmarks->size() : 0;
}

// A handler may have set any index; only one inside the list names a record.
bool IndexInList(const TQeScanInfo& block) {
  return block.BookmarkIndex >= 0 &&
         static_cast<size_t>(block.BookmarkIndex) < BookmarkCount(block);
}
}  // namespace

bool TQeScans::RecordsRemain(const TQeScanInfo& block) const {
  const TQeScanInfo::Layout& layout = block.Compiled();
  if (layout.dataset == nullptr) return layout.has_while;
  if (block.BookmarkMode) return IndexInList(block);
  return !layout.dataset->Eof();
}

void TQeScans::MoveFirst(TQeScanInfo& block) const {
  TDataSet* dataset = block.Compiled().dataset;
  if (dataset == nullptr) return;
  if (!block.BookmarkMode) {
    dataset->First();
    return;
  }
  block.BookmarkIndex = 0;
  if (IndexInList(block)) dataset->SetBookmark((*block.Bookmarks)[0]);
}

void TQeScans::MoveNext(TQeScanInfo& block) const {
  TDataSet* dataset = block.Compiled().dataset;
  if (dataset == nullptr) return;
  if (!block.BookmarkMode) {
    dataset->Next();
    return;
  }
  if (block.BookmarkIndex < 0) block.BookmarkIndex = -1;
  if (static_cast<size_t>(block.BookmarkIndex + 1) > BookmarkCount(block)) return;
  ++block.BookmarkIndex;
  if (IndexInList(block)) {
    dataset->SetBookmark((*block.Bookmarks)[static_cast<size_t>(block.BookmarkIndex)]);
  }
}

void TQeScans::CountRepetition(const TQeScanInfo& block) {
  if (++repetitions_ > max_repetitions_) {
    throw EIllegalScanUse("Too many repetitions of scan blocks in one report: " + block.TagText);
  }
}

}  // namespace vorn
