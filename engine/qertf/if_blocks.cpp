// If, else and endif: compiling the commands and writing or skipping their blocks. An else is
// compiled as the endif of its if followed by an if that holds when the first one did not.
#include <string>
#include <vector>

#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/function_calls.h"
#include "engine/qebasereport/tag_classifier.h"
#include "engine/qebasereport/tag_codec.h"
#include "engine/qebasereport/template_scanner.h"
#include "engine/qertf/qertf.h"
#include "engine/qertf/scan_generation.h"
#include "engine/qertf/scan_info.h"

namespace vorn {

namespace {

void CheckBlockRoom(const TQeRTF& report, const std::string& text) {
  if (report.Scans()->BlockCount() >= TQeScans::kMaxBlocks) {
    throw EIllegalIFUse("Too many blocks in template: " + text);
  }
}

// Writes the rkIf record and opens its block at the record.
void OpenIfBlock(TQeRTF& report, int32_t kind, const TQeCommandContent& body_parts,
                 const std::string& condition, const std::string& text) {
  const auto start = static_cast<int32_t>(report.Stream().Position());
  TQeCommandContent body = body_parts;
  body.BlockId = static_cast<int16_t>(report.Scans()->BlockCount() + 1);
  body.IsElse = kind == kBlockElse;
  report.WriteIf(body);
  TQeScanInfo& block = report.Scans()->Push(kind);
  block.Owner = &report;
  block.WhileText = condition;
  block.TagText = text;
  block.Update([&](TQeScanInfo::Layout& layout) {
    layout.start_stream_pos = layout.loop_stream_pos = start;
    layout.start_template_pos = layout.loop_template_pos = report.TemplatePos();
  });
}

void CompileIf(TQeRTF& report, const std::string& text, const std::vector<std::string>& items,
               const TagTextParts& parts, TemplateScanner& scanner) {
  if (items.size() > 1) throw EIllegalIFUse("Illegal using of \"if\" command: " + text);
  const std::string& item = items.front();
  if (item.empty() || item.back() != ')') {
    throw EIllegalIFUse("Illegal using of \"if\" keyword: " + item);
  }
  CheckBlockRoom(report, text);
  ExpressionUse use;
  use.OutputResult = false;
  use.StoreCondition = true;
  use.BlockId = report.Scans()->InnermostId();
  if (!CompileExpressionTag(report, std::string(TrimControl(item)), item, "", {}, use)) {
    throw EIllegalFunctionUse("Function not found: " + item);
  }
  const CommandParagraph paragraph = scanner.TakeCommandParagraph();
  OpenIfBlock(report, kBlockIf, {parts.format_text, paragraph.absorbed_text}, item, text);
}

void CompileElse(TQeRTF& report, const std::string& text, const std::vector<std::string>& items,
                 const TagTextParts& parts, TemplateScanner& scanner) {
  if (items.size() > 1) throw EIllegalIFUse("Illegal using of \"Else\" command: " + text);
  const TQeScanInfo* block = report.Scans()->Innermost();
  if (block == nullptr) throw EIllegalIFUse("Error: \"else\" must be after \"if\": " + text);
  if (!NestingAllows(block->Compiled().kind, kTagElse)) {
    throw EIllegalIFUse("Error: \"else\" is not expected: " + text);
  }
  CheckBlockRoom(report, text);
  const CommandParagraph paragraph = scanner.TakeCommandParagraph();
  const TQeCommandContent body{parts.format_text, paragraph.absorbed_text,
                               block->Compiled().block_id};
  // The else's own formatting is written once, as its branch starts: written at the end of the
  // if branch as well, a brace in it left the document unbalanced.
  report.WriteEndIf({"", body.AbsorbedText, body.BlockId});
  report.Scans()->Pop();
  OpenIfBlock(report, kBlockElse, body, "", text);
}

void CompileEndIf(TQeRTF& report, const std::string& text, const std::vector<std::string>& items,
                  const TagTextParts& parts, TemplateScanner& scanner) {
  if (items.size() > 1) throw EIllegalIFUse("Illegal using of \"endif\" command: " + text);
  const TQeScanInfo* block = report.Scans()->Innermost();
  if (block == nullptr) throw EIllegalIFUse("Error: \"endif\" must be after \"if\": " + text);
  if (!NestingAllows(block->Compiled().kind, kTagEndIf)) {
    throw EIllegalIFUse("Error: \"endif\" is not expected: " + text);
  }
  const CommandParagraph paragraph = scanner.TakeCommandParagraph();
  report.WriteEndIf({parts.format_text, paragraph.absorbed_text, block->Compiled().block_id});
  report.Scans()->Pop();
}

// An if or else starts with the aggregate state of the block around it: reset while that block's
// first repetition runs, and always outside every block.
bool InheritedReset(const TQeScans& scans, const TQeScanInfo& block) {
  const TQeScanInfo* parent = scans.Block(block.Compiled().parent_id);
  return parent == nullptr || parent->ResetAggregates;
}

void EnterIf(TQeRTF& report, const TQeCommandContent& body) {
  report.WriteOutput(body.FormatText);
  TQeScans& scans = *report.Scans();
  TQeScanInfo* block = scans.Block(body.BlockId);
  if (block == nullptr) return;
  const bool reset = InheritedReset(scans, *block);
  scans.Select(body.BlockId);
  block->ResetAggregates = reset;
  if (!block->Compiled().prepared) PrepareBlock(report, *block, body.AbsorbedText);
  block->SavedCondition = report.CurrentCondition;
  if (report.CurrentCondition == body.IsElse) {
    SkipBlock(report, *block, false);
    block->Skipped = true;
    return;
  }
  report.WriteOutput(body.AbsorbedText);
  block->Skipped = false;
}

// Conditions evaluated inside the block do not reach the template after it; an else thus sees the
// condition of its if.
void EndIf(TQeRTF& report, const TQeCommandContent& body) {
  TQeScans& scans = *report.Scans();
  scans.Select(body.BlockId);
  TQeScanInfo* block = scans.Current();
  if (block != nullptr) block->ResetAggregates = false;
  report.WriteOutput(body.FormatText);
  report.WriteOutput(body.AbsorbedText);
  if (block == nullptr) return;
  block->Skipped = true;
  report.CurrentCondition = block->SavedCondition;
}

}  // namespace

void TQeRTF::CompileIfCommand(int32_t kind, const std::string& text,
                              const std::string& /*tag_text*/, const TagTextParts& parts,
                              TemplateScanner& scanner) {
  const std::vector<std::string> items = SplitCommandItems(*this, text);
  switch (kind) {
    case kTagIf:
      CompileIf(*this, text, items, parts, scanner);
      break;
    case kTagElse:
      CompileElse(*this, text, items, parts, scanner);
      break;
    default:
      CompileEndIf(*this, text, items, parts, scanner);
      break;
  }
  scanner.EndCommand();
}

void TQeRTF::GenerateIfRecord(int32_t kind) {
  if (kind == rkIf) {
    EnterIf(*this, ReadIf());
  } else {
    EndIf(*this, ReadEndIf());
  }
}

}  // namespace vorn
