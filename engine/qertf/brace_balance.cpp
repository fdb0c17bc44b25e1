#include "engine/qertf/brace_balance.h"

#include "engine/qebasereport/rtf_walker.h"
#include "engine/qertf/qertf.h"
#include "engine/qertf/scan_info.h"

namespace vorn {

void AppendBraces(std::string_view text, std::string& braces) {
  RtfWalker walker(text, 0, {.bin_data = false});
  while (const RtfToken token = walker.Next()) {
    if (token.Is(RtfTokenKind::kGroupStart)) braces.push_back('{');
    if (token.Is(RtfTokenKind::kGroupEnd)) braces.push_back('}');
  }
}

int32_t NetBraces(std::string_view text) {
  std::string braces;
  AppendBraces(text, braces);
  int32_t net = 0;
  for (const char c : braces) net += c == '{' ? 1 : -1;
  return net;
}

std::string DropEmptyPairs(std::string_view braces) {
  std::string kept;
  for (size_t i = 0; i < braces.size(); ++i) {
    if (braces[i] == '{' && i + 1 < braces.size() && braces[i + 1] == '}') {
      ++i;
    } else {
      kept.push_back(braces[i]);
    }
  }
  return kept;
}

std::string CompensationText(int32_t balance) {
  if (balance > 0) return std::string(static_cast<size_t>(balance), '}');
  if (balance < 0) return std::string(static_cast<size_t>(-static_cast<int64_t>(balance)), '{');
  return {};
}

namespace {

// The stream's reading cursors, put back when a measuring walk ends.
class StreamCursors {
 public:
  explicit StreamCursors(CompiledStream& stream)
      : stream_(stream),
        position_(stream.Position()),
        last_kind_(stream.LastKind),
        last_record_start_(stream.LastRecordStart),
        template_pos_(stream.TemplatePos),
        prev_template_pos_(stream.PrevTemplatePos),
        record_size_(stream.RecordSize) {}
  ~StreamCursors() {
    stream_.SetPosition(position_);
    stream_.LastKind = last_kind_;
    stream_.LastRecordStart = last_record_start_;
    stream_.TemplatePos = template_pos_;
    stream_.PrevTemplatePos = prev_template_pos_;
    stream_.RecordSize = record_size_;
  }
  StreamCursors(const StreamCursors&) = delete;
  StreamCursors& operator=(const StreamCursors&) = delete;

 private:
  CompiledStream& stream_;
  int64_t position_;
  int32_t last_kind_;
  int32_t last_record_start_;
  int32_t template_pos_;
  int32_t prev_template_pos_;
  int32_t record_size_;
};

// Collects the braces of the texts a walk passes, and the net of those inside one repetition.
class Measure {
 public:
  void Add(std::string_view text) {
    const size_t before = braces_.size();
    AppendBraces(text, braces_);
    if (!counting_) return;
    for (size_t i = before; i < braces_.size(); ++i) balance_ += braces_[i] == '{' ? 1 : -1;
  }
  // Only the net counts: the text belongs to the repetition, not to BalanceText.
  void AddToBalance(std::string_view text) {
    if (counting_) balance_ += NetBraces(text);
  }
  void StartCounting(std::string_view loop_absorbed_text) {
    counting_ = true;
    balance_ = NetBraces(loop_absorbed_text);
  }
  void StopCounting() { counting_ = false; }
  BlockBalance Result(bool is_scan) const {
    return {DropEmptyPairs(braces_), is_scan ? balance_ : 0};
  }

 private:
  std::string braces_;
  bool counting_ = false;
  int32_t balance_ = 0;
};

// Passes over an expression's argument and call records up to and including its end.
void SkipExpressionBody(CompiledStream& stream) {
  while (true) {
    const int64_t start = stream.Position();
    const int32_t kind = stream.ReadHeader();
    if (kind == rkStreamEnd) {
      stream.SetPosition(start);
      return;
    }
    stream.Skip();
    if (kind == rkExprEnd) return;
  }
}

}  // namespace

BlockBalance MeasureBlock(TQeRTF& report, const TQeScanInfo& block,
                          std::string_view absorbed_text) {
  CompiledStream& stream = report.Stream();
  const StreamCursors restore(stream);
  const TQeScanInfo::Layout& layout = block.Compiled();
  const bool is_scan = layout.kind == kBlockScan;
  const int32_t closing_kind = is_scan ? rkEndScan : rkEndIf;
  Measure measure;
  measure.Add(absorbed_text);
  if (is_scan && !layout.has_entry) measure.StartCounting(absorbed_text);
  while (true) {
    const int32_t kind = stream.ReadHeader();
    if (kind == rkStreamEnd) break;
    if (IsCommandRecord(kind)) {
      const TQeCommandContent body = ReadCommandRecord(report, kind);
      const bool own = body.BlockId == layout.block_id;
      if (own && kind == closing_kind) {
        measure.AddToBalance(body.FormatText);
        break;
      }
      measure.Add(body.FormatText);
      // The footer's paragraph is written once, after the last repetition.
      if (own && kind == rkScanFooter) measure.StopCounting();
      measure.Add(body.AbsorbedText);
      if (own && kind == rkScanEntry) measure.StartCounting(body.AbsorbedText);
      continue;
    }
    switch (kind) {
      case rkText:
        report.ReadTextRecord();
        measure.Add(report.TemplateText(stream.PrevTemplatePos, stream.TemplatePos));
        break;
      case rkLiteral:
        measure.Add(report.ReadLiteral());
        break;
      case rkExprStart:
        measure.Add(report.ReadExprStart().Row.FormatText);
        SkipExpressionBody(stream);
        break;
      default:
        if (IsOperandKind(kind)) {
          measure.Add(report.ReadOperand().FormatText);
        } else {
          stream.Skip();
        }
        break;
    }
  }
  return measure.Result(is_scan);
}

}  // namespace vorn
