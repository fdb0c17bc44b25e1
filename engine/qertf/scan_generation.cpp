// Generating scan blocks: entering, repeating, ending and skipping them, with their dataset moves
// and events.
#include "engine/qertf/scan_generation.h"

#include "engine/qertf/brace_balance.h"
#include "engine/qertf/evaluator.h"
#include "engine/qertf/qertf.h"
#include "engine/qertf/scan_info.h"

namespace vorn {

void PrepareBlock(TQeRTF& report, TQeScanInfo& block, std::string_view absorbed_text) {
  BlockBalance balance = MeasureBlock(report, block, absorbed_text);
  block.Update([&](TQeScanInfo::Layout& layout) {
    layout.prepared = true;
    layout.brace_balance = balance.brace_balance;
    layout.balance_text = std::move(balance.balance_text);
  });
}

namespace {

// A block record met while skipping: what follows starts from zero in its block.
void StartAfresh(TQeScans& scans, int16_t block_id) {
  if (TQeScanInfo* current = scans.Current()) current->ResetAggregates = true;
  scans.Select(block_id);
  if (TQeScanInfo* own = scans.Current()) own->ResetAggregates = true;
}

TQeCommandContent SkipBlockRecords(TQeRTF& report, const TQeScanInfo& block,
                                   bool prepare_expressions) {
  TQeScans& scans = *report.Scans();
  CompiledStream& stream = report.Stream();
  const TQeScanInfo::Layout& layout = block.Compiled();
  const int32_t closing_kind = layout.kind == kBlockScan ? rkEndScan : rkEndIf;
  while (true) {
    const int64_t start = stream.Position();
    const int32_t kind = stream.ReadHeader();
    if (kind == rkStreamEnd) {
      // Only a stream that no compiler wrote lacks the closing record; leave the end for the main
      // loop.
      stream.SetPosition(start);
      return {};
    }
    if (kind == rkScanBodyEnd) {
      StartAfresh(scans, report.ReadScanBodyEnd());
    } else if (IsCommandRecord(kind)) {
      TQeCommandContent body = ReadCommandRecord(report, kind);
      if (kind == closing_kind && body.BlockId == layout.block_id) return body;
      StartAfresh(scans, body.BlockId);
    } else if (kind == rkExprStart && prepare_expressions) {
      const TQeExprHead head = report.ReadExprStart();
      scans.Select(head.BlockId);
      if (TQeScanInfo* current = scans.Current()) current->ResetAggregates = true;
      PrepareExpression(report, head.Row.Text);
    } else {
      stream.Skip();
    }
  }
}

bool ConditionHolds(const TQeRTF& report, const TQeScanInfo& block) {
  return !block.Compiled().has_while || report.CurrentCondition;
}

void EnterScan(TQeRTF& report, const TQeCommandContent& body) {
  report.WriteOutput(body.FormatText);
  TQeScans& scans = *report.Scans();
  TQeScanInfo* block = scans.Block(body.BlockId);
  if (block == nullptr) return;
  scans.Select(body.BlockId);
  block->ResetAggregates = true;
  if (!block->Compiled().prepared) PrepareBlock(report, *block, body.AbsorbedText);
  if (report.OnScanBefore) report.OnScanBefore(*block);
  // The first record is taken before asking whether records remain, so that a dataset that an
  // earlier block left at its end is scanned again.
  if (!block->Compiled().has_while) scans.MoveFirst(*block);
  if (!block->NoEof || (ConditionHolds(report, *block) && scans.RecordsRemain(*block))) {
    report.WriteOutput(body.AbsorbedText);
    block->Skipped = false;
    scans.CountRepetition(*block);
    if (report.OnScanRecord) report.OnScanRecord(*block);
    return;
  }
  SkipBlock(report, *block, true);
  if (report.OnScanEof) report.OnScanEof(*block);
  block->Skipped = true;
}

void EnterScanEntry(TQeRTF& report, const TQeCommandContent& body) {
  report.WriteOutput(body.FormatText);
  report.WriteOutput(body.AbsorbedText);
  report.Scans()->Select(body.BlockId);
}

void EndRepetition(TQeRTF& report, int16_t block_id) {
  TQeScans& scans = *report.Scans();
  scans.Select(block_id);
  TQeScanInfo* block = scans.Current();
  if (block == nullptr) return;
  if (scans.RecordsRemain(*block)) scans.MoveNext(*block);
  // The while condition that follows decides anew.
  if (block->Compiled().has_while) report.CurrentCondition = false;
}

// Back to the loop record: the braces one repetition left open or closed are undone first, so that
// every repetition starts at the same group depth.
void Repeat(TQeRTF& report, TQeScanInfo& block) {
  const TQeScanInfo::Layout& layout = block.Compiled();
  report.Scans()->CountRepetition(block);
  if (report.OnScanRecord) report.OnScanRecord(block);
  report.WriteOutput(CompensationText(layout.brace_balance));
  CompiledStream& stream = report.Stream();
  const int32_t kind = stream.ReturnTo(layout.loop_stream_pos);
  const TQeCommandContent loop = ReadCommandRecord(report, kind);
  stream.TemplatePos = layout.loop_template_pos;
  report.WriteOutput(loop.AbsorbedText);
  if (block.PageBreak) report.WriteOutput("\\page ");
}

// A scanfooter or endscan: the next repetition, or the end of the block.
void DecideRepetition(TQeRTF& report, const TQeCommandContent& body) {
  TQeScans& scans = *report.Scans();
  scans.Select(body.BlockId);
  TQeScanInfo* block = scans.Current();
  if (block != nullptr) block->ResetAggregates = false;
  report.WriteOutput(body.FormatText);
  if (block == nullptr) return;
  if (ConditionHolds(report, *block) && scans.RecordsRemain(*block) && !block->Skipped) {
    Repeat(report, *block);
    return;
  }
  report.WriteOutput(body.AbsorbedText);
  block->ResetAggregates = true;
  if (!block->Skipped) {
    if (report.OnScanEof) report.OnScanEof(*block);
    block->Skipped = true;
  }
}

}  // namespace

void SkipBlock(TQeRTF& report, const TQeScanInfo& block, bool prepare_expressions) {
  const TQeCommandContent closing = SkipBlockRecords(report, block, prepare_expressions);
  report.WriteOutput(block.Compiled().balance_text);
  report.WriteOutput(closing.FormatText);
  report.WriteOutput(closing.AbsorbedText);
}

void TQeRTF::GenerateScanRecord(int32_t kind) {
  switch (kind) {
    case rkScan:
      EnterScan(*this, ReadScan());
      break;
    case rkScanWhile:
      EnterScan(*this, ReadScanWhile());
      break;
    case rkScanEntry:
      EnterScanEntry(*this, ReadScanEntry());
      break;
    case rkScanBodyEnd:
      EndRepetition(*this, ReadScanBodyEnd());
      break;
    case rkScanFooter:
      DecideRepetition(*this, ReadScanFooter());
      break;
    default:
      DecideRepetition(*this, ReadEndScan());
      break;
  }
}

}  // namespace vorn
