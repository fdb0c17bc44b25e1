#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

class TDataSet;
class TQeBaseReport;
class TQeRTF;
struct TQeCommandContent;

// Block kinds, as TQeScanInfo::Kind holds them.
inline constexpr int32_t kBlockScan = 0;
inline constexpr int32_t kBlockIf = 4;
inline constexpr int32_t kBlockElse = 5;

// Which commands may follow while the innermost open block has the kind `block_kind`: scanentry,
// scanfooter and endscan only in a scan, else in an if, endif in an if or else. `command_kind` is
// the command's tag kind (kTagScanEntry, kTagScanFooter, kTagEndScan, kTagElse, kTagEndIf).
bool NestingAllows(int32_t block_kind, int32_t command_kind);

// Splits a command tag's decoded text at its commas outside quotes and parentheses. A ")" without
// its "(" is kept as text, so that the item it stands in gets the error.
std::vector<std::string> SplitCommandItems(const TQeBaseReport& report, std::string_view text);

// True for the records with a FormatText, AbsorbedText and BlockId body: rkScan, rkScanWhile,
// rkScanEntry, rkScanFooter, rkEndScan, rkIf, rkEndIf.
bool IsCommandRecord(int32_t kind);
// Reads the body of such a record through the report's reader slot for `kind`.
TQeCommandContent ReadCommandRecord(TQeBaseReport& report, int32_t kind);

// One scan, if or else block of a run, numbered by BlockId in template order. Event handlers get
// the live info. They may switch on bookmark mode (BookmarkMode, Bookmarks, BookmarkIndex) and
// change PageBreak, NoEof, Skipped and ResetAggregates; the compiled layout (ids, levels,
// positions, flags of the tags, DataSet, BalanceText, BraceBalance) is read from the engine's own
// copy, so changing those fields has no effect.
class TQeScanInfo {
 public:
  TQeRTF* Owner = nullptr;
  int32_t StartTemplatePos = 0;  // template cursor after the opening tag and its paragraph
  int32_t StartStreamPos = 0;    // compiled-stream position of the opening record
  int16_t BlockId = 0;           // 1-based, in order of appearance
  int16_t Level = 0;             // nesting depth, 1 for an outermost block
  int32_t LoopStreamPos = 0;     // the record each repetition returns to
  int32_t LoopTemplatePos = 0;
  bool HasEntry = false;
  int32_t FooterStreamPos = 0;
  int32_t FooterTemplatePos = 0;
  bool HasFooter = false;
  TDataSet* DataSet = nullptr;
  bool PageBreak = false;
  bool NoEof = false;
  // Generation: the block has finished or was skipped.
  bool Skipped = false;
  // Generation: aggregates evaluated now start from zero (the first repetition).
  bool ResetAggregates = true;
  bool HasWhile = false;
  std::string WhileText;  // the while item, or an if block's condition item
  bool SavedCondition = false;
  bool Prepared = false;
  int32_t BraceBalance = 0;  // net groups one repetition opens
  std::string BalanceText;   // the braces written in place of a skipped block
  int32_t Kind = kBlockScan;
  bool BookmarkMode = false;
  // Bookmarks of DataSet in visiting order; the caller keeps the list alive.
  const std::vector<std::string>* Bookmarks = nullptr;
  int32_t BookmarkIndex = 0;
  // Not one of the classic fields: the block that was innermost when this one opened (0 for none),
  // and the opening tag's text for messages.
  int16_t ParentId = 0;
  std::string TagText;

  // The engine's copy of the compiled layout; see the class comment.
  struct Layout {
    int32_t kind = kBlockScan;
    int16_t block_id = 0;
    int16_t level = 0;
    int16_t parent_id = 0;
    int32_t start_stream_pos = 0;
    int32_t start_template_pos = 0;
    int32_t loop_stream_pos = 0;
    int32_t loop_template_pos = 0;
    int32_t footer_stream_pos = 0;
    int32_t footer_template_pos = 0;
    bool has_entry = false;
    bool has_footer = false;
    bool has_while = false;
    TDataSet* dataset = nullptr;
    bool prepared = false;
    int32_t brace_balance = 0;
    std::string balance_text;
  };
  const Layout& Compiled() const { return layout_; }
  // Changes the layout and mirrors it into the public fields.
  template <typename Change>
  void Update(Change&& change) {
    change(layout_);
    Publish();
  }

 private:
  void Publish();

  Layout layout_;
};

// The block stack of a run: every block by id, the open ones by depth while compiling, and the
// current one while generating. Blocks live until the stack goes at the end of the run.
class TQeScans {
 public:
  // The most blocks one template may hold: ids are 16-bit.
  static constexpr int kMaxBlocks = 32767;
  // The most repetitions all the scans of one run may make together unless changed, so that a while
  // condition that never turns false, or an item that rewinds the dataset, cannot hang a run.
  static constexpr int64_t kMaxRepetitions = 20'000'000;

  TQeScans() = default;
  TQeScans(const TQeScans&) = delete;
  TQeScans& operator=(const TQeScans&) = delete;

  // Opens a block of `kind`: BlockId = BlockCount + 1, Level = Depth + 1, the innermost open block
  // as its parent. The caller checks BlockCount against kMaxBlocks first.
  TQeScanInfo& Push(int32_t kind = kBlockScan);
  // Closes the innermost open block; nothing when none is open.
  void Pop();
  bool Empty() const { return open_ids_.empty(); }
  TQeScanInfo* Innermost() const { return Block(InnermostId()); }
  int16_t InnermostId() const { return open_ids_.empty() ? 0 : open_ids_.back(); }
  void Clear();

  int16_t BlockCount() const { return static_cast<int16_t>(blocks_.size()); }
  // Open blocks while compiling; the Level of the current block while generating.
  int16_t Depth() const { return depth_; }
  int16_t MaxDepth() const { return max_depth_; }
  const std::vector<int16_t>& OpenIds() const { return open_ids_; }

  // Generation: the id of the block whose records are being handled, 0 for none.
  int16_t CurrentBlock = 0;
  // The block with that id, or nullptr (also for 0).
  TQeScanInfo* Block(int16_t id) const {
    return id >= 1 && id <= static_cast<int>(blocks_.size())
               ? blocks_[static_cast<size_t>(id - 1)].get()
               : nullptr;
  }
  TQeScanInfo* Current() const { return Block(CurrentBlock); }
  // Makes `id` current and Depth its Level (0 for id 0).
  void Select(int16_t id);

  // Dataset moves of a scan block (DataSet from the compiled layout). Records remain: always for a
  // while block without dataset; in bookmark mode while BookmarkIndex points into Bookmarks;
  // otherwise while the dataset is not at its end.
  bool RecordsRemain(const TQeScanInfo& block) const;
  void MoveFirst(TQeScanInfo& block) const;
  void MoveNext(TQeScanInfo& block) const;

  // Counts one more repetition; throws EIllegalScanUse, naming the block's tag, past the limit
  // (kMaxRepetitions unless set otherwise for this run).
  void CountRepetition(const TQeScanInfo& block);
  void SetMaxRepetitions(int64_t limit) { max_repetitions_ = limit; }

 private:
  std::vector<std::unique_ptr<TQeScanInfo>> blocks_;
  std::vector<int16_t> open_ids_;
  int16_t depth_ = 0;
  int16_t max_depth_ = 0;
  int64_t repetitions_ = 0;
  int64_t max_repetitions_ = kMaxRepetitions;
};

}  // namespace vorn
