// Compiling the scan commands: SCAN(alias) with its options, SCANENTRY, SCANFOOTER and ENDSCAN,
// each with the function calls it may carry.
#include <optional>
#include <string>
#include <vector>

#include "data/dataset.h"
#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/expression_parser.h"
#include "engine/qebasereport/function_calls.h"
#include "engine/qebasereport/tag_classifier.h"
#include "engine/qebasereport/tag_codec.h"
#include "engine/qebasereport/template_scanner.h"
#include "engine/qertf/qertf.h"
#include "engine/qertf/scan_info.h"

namespace vorn {

namespace {

std::string Trimmed(std::string_view text) { return std::string(TrimControl(text)); }

bool IsWhileItem(std::string_view item) {
  return item.size() >= 8 && UpperAscii(item.substr(0, 6)) == "WHILE(" && item.back() == ')';
}

void CheckArgumentFormat(const TagClass& argument, const std::string& arg_text,
                         const std::string& item) {
  if (argument.Format.FormatId > 0) {
    throw EIllegalFunctionUse("Illegal function use: " + arg_text +
                              " - format function not allowed in scan command in expression " +
                              item);
  }
}

// VAR declares report variables, so it takes names only.
void CheckVarArguments(TQeRTF& report, const FunctionCall& call, const std::string& item) {
  for (const std::string& arg : call.Args) {
    const std::string arg_text = Trimmed(arg);
    const TagClass argument = ClassifyTag(report, arg_text);
    CheckArgumentFormat(argument, arg_text, item);
    if (argument.Kind != okVariable) {
      throw EIllegalFunctionUse("Illegal function use: " + arg_text +
                                " - report variable expected as argument in expression " + item);
    }
  }
}

// An aggregate adds its source into the report variable it names, optionally without resetting it
// at a block's first repetition.
void CheckAggregateArguments(TQeRTF& report, const FunctionCall& call, const std::string& item) {
  for (size_t n = 0; n < call.Args.size() && n < 2; ++n) {
    const std::string arg_text = Trimmed(call.Args[n]);
    const TagClass argument = ClassifyTag(report, arg_text);
    CheckArgumentFormat(argument, arg_text, item);
    if (n == 0 && (argument.Kind < okField || argument.Kind > okFunction)) {
      throw EIllegalFunctionUse(
          "Illegal function use: " + arg_text +
          " - datafield, variable or UDF expected as first argument in expression " + item);
    }
    if (n == 1 && argument.Kind != okVariable) {
      throw EIllegalFunctionUse("Illegal function use: " + arg_text +
                                " - report variable expected as second argument in expression " +
                                item);
    }
  }
  if (call.Args.size() >= 3 && UpperAscii(TrimControl(call.Args[2])) != "NORESET") {
    throw EIllegalFunctionUse(
        "Illegal function use: " + Trimmed(call.Args[2]) +
        " - symbol \")\" or keyword \"NORESET\" expected as third argument in expression " + item);
  }
}

// A function call on a scan command, evaluated without output each time generation passes the
// command.
void CompileScanItem(TQeRTF& report, const std::string& item, const std::string& text) {
  const TagClass tag = ClassifyTag(report, Trimmed(item));
  if (tag.Kind != okFunction) {
    throw EIllegalScanUse("Cannot process expression " + item + " in scan command " + text);
  }
  if (tag.Format.FormatId > 0) {
    throw EIllegalScanUse("Format function " + item + " not allowed in scan command " + text);
  }
  const std::optional<FunctionCall> call = ParseFunctionCall(report, tag.Text);
  if (!call) throw EIllegalFunctionUse("Function not found: " + item);
  if (call->Id == kFnVar) CheckVarArguments(report, *call, item);
  if (call->Id == kFnSum || call->Id == kFnCtn || call->Id == kFnCts) {
    CheckAggregateArguments(report, *call, item);
  }
  ExpressionUse use;
  use.OutputResult = false;
  use.BlockId = report.Scans()->InnermostId();
  CompileExpressionTag(report, tag.Text, item, "", tag.Format, use);
}

void CompileScanItems(TQeRTF& report, const std::vector<std::string>& items,
                      const std::string& text) {
  for (size_t n = 1; n < items.size(); ++n) CompileScanItem(report, items[n], text);
}

// The while condition becomes the current condition wherever it is evaluated: before the scan
// record, and again at the end of every repetition.
void CompileWhileCondition(TQeRTF& report, const std::string& while_item, int16_t block_id) {
  ExpressionUse use;
  use.OutputResult = false;
  use.StoreCondition = true;
  use.BlockId = block_id;
  if (!CompileExpressionTag(report, Trimmed(while_item), while_item, "", {}, use)) {
    throw EIllegalFunctionUse("Function not found: " + while_item);
  }
}

struct ScanOptions {
  std::string alias;
  TDataSet* dataset = nullptr;
  bool page = false;
  bool noeof = false;
  std::string while_item;
  std::vector<std::string> items;  // the function calls, after an unused first entry
};

TDataSet* ScanDataSet(const TQeRTF& report, const std::string& alias) {
  TDataSet* dataset = report.DataSetByAlias(alias);
  if (dataset == nullptr) throw EIllegalScanUse("Scan Alias not found: " + alias);
  return dataset;
}

ScanOptions ReadScanOptions(const TQeRTF& report, const std::vector<std::string>& items,
                            const std::string& text) {
  const std::string& first = items.front();
  const size_t open = first.find('(');
  if (first.empty() || first.back() != ')' || open == std::string::npos) {
    throw EIllegalScanUse("Illegal using of \"scan\" keyword: " + first);
  }
  ScanOptions options;
  options.alias = Trimmed(std::string_view(first).substr(open + 1, first.size() - open - 2));
  if (!options.alias.empty()) options.dataset = ScanDataSet(report, options.alias);
  options.items.emplace_back();
  for (size_t n = 1; n < items.size(); ++n) {
    const std::string item = Trimmed(items[n]);
    const std::string keyword = UpperAscii(item);
    if (keyword == "PAGE") {
      options.page = true;
    } else if (keyword == "NOEOF") {
      options.noeof = true;
    } else if (IsWhileItem(item)) {
      if (!options.while_item.empty()) {
        throw EIllegalScanUse("More than one \"while\" function is not allowed in command " + text);
      }
      if (!ParseFunctionCall(report, item)) {
        throw EIllegalFunctionUse("Function not found: " + item);
      }
      options.while_item = item;
    } else {
      options.items.push_back(items[n]);
    }
  }
  return options;
}

void CompileScan(TQeRTF& report, const std::string& text, const std::vector<std::string>& items,
                 const TagTextParts& parts, TemplateScanner& scanner) {
  const ScanOptions options = ReadScanOptions(report, items, text);
  if (report.Scans()->BlockCount() >= TQeScans::kMaxBlocks) {
    throw EIllegalScanUse("Too many blocks in template: " + text);
  }
  const bool has_while = !options.while_item.empty();
  if (has_while) CompileWhileCondition(report, options.while_item, report.Scans()->InnermostId());
  const auto start = static_cast<int32_t>(report.Stream().Position());
  const CommandParagraph paragraph = scanner.TakeCommandParagraph();
  if (options.alias.empty() && !has_while) {
    throw EIllegalScanUse(
        "Either \"scan\" with DataSet or \"while\" function must be present in command " + text);
  }
  TQeCommandContent body;
  body.FormatText = parts.format_text;
  body.AbsorbedText = paragraph.absorbed_text;
  body.BlockId = static_cast<int16_t>(report.Scans()->BlockCount() + 1);
  has_while ? report.WriteScanWhile(body) : report.WriteScan(body);

  TQeScanInfo& block = report.Scans()->Push(kBlockScan);
  block.Owner = &report;
  block.PageBreak = options.page;
  block.NoEof = options.noeof;
  block.WhileText = options.while_item;
  block.TagText = text;
  block.Update([&](TQeScanInfo::Layout& layout) {
    layout.start_stream_pos = layout.loop_stream_pos = start;
    layout.start_template_pos = layout.loop_template_pos = report.TemplatePos();
    layout.has_while = has_while;
    layout.dataset = options.dataset;
  });
  CompileScanItems(report, options.items, text);
}

void CompileScanEntry(TQeRTF& report, const std::string& text,
                      const std::vector<std::string>& items, const TagTextParts& parts,
                      TemplateScanner& scanner) {
  TQeScanInfo* block = report.Scans()->Innermost();
  if (block == nullptr) throw EIllegalScanUse("Error: Scanentry must be after scan: " + text);
  if (block->Compiled().has_entry) {
    throw EIllegalScanUse("Error: Scanentry already exists for scan block: " + text);
  }
  if (block->Compiled().has_footer) {
    throw EIllegalScanUse("Error: Scanentry not allowed after scanfooter: " + text);
  }
  if (!NestingAllows(block->Compiled().kind, kTagScanEntry)) {
    throw EIllegalScanUse("Error: Scanentry is not expected: " + text);
  }
  const CommandParagraph paragraph = scanner.TakeCommandParagraph();
  const auto loop = static_cast<int32_t>(report.Stream().Position());
  report.WriteScanEntry({parts.format_text, paragraph.absorbed_text, block->Compiled().block_id});
  block->Update([&](TQeScanInfo::Layout& layout) {
    layout.loop_stream_pos = loop;
    layout.loop_template_pos = report.TemplatePos();
    layout.has_entry = true;
  });
  CompileScanItems(report, items, text);
}

// The end of the repeated part: the dataset moves on there, and a while condition is evaluated anew
// to decide the next repetition.
void CompileBodyEnd(TQeRTF& report, const TQeScanInfo& block) {
  report.WriteScanBodyEnd(block.Compiled().block_id);
  if (block.Compiled().has_while) {
    CompileWhileCondition(report, block.WhileText, block.Compiled().block_id);
  }
}

void CompileScanFooter(TQeRTF& report, const std::string& text,
                       const std::vector<std::string>& items, const TagTextParts& parts,
                       TemplateScanner& scanner) {
  // The footer's calls belong to the repetition, so they come before its end.
  CompileScanItems(report, items, text);
  TQeScanInfo* block = report.Scans()->Innermost();
  if (block == nullptr) throw EIllegalScanUse("Error: Scanfooter must be after Scan: " + text);
  if (block->Compiled().has_footer) {
    throw EIllegalScanUse("Error: Scanfooter already exists for scan block: " + text);
  }
  if (!NestingAllows(block->Compiled().kind, kTagScanFooter)) {
    throw EIllegalScanUse("Error: Scanfooter is not expected: " + text);
  }
  CompileBodyEnd(report, *block);
  const CommandParagraph paragraph = scanner.TakeCommandParagraph();
  const auto footer = static_cast<int32_t>(report.Stream().Position());
  report.WriteScanFooter({parts.format_text, paragraph.absorbed_text, block->Compiled().block_id});
  block->Update([&](TQeScanInfo::Layout& layout) {
    layout.footer_stream_pos = footer;
    layout.footer_template_pos = report.TemplatePos();
    layout.has_footer = true;
  });
}

void CompileEndScan(TQeRTF& report, const std::string& text, const std::vector<std::string>& items,
                    const TagTextParts& parts, TemplateScanner& scanner) {
  CompileScanItems(report, items, text);
  TQeScanInfo* block = report.Scans()->Innermost();
  if (block == nullptr) throw EIllegalScanUse("Error: Endscan must be after scan: " + text);
  if (!NestingAllows(block->Compiled().kind, kTagEndScan)) {
    throw EIllegalScanUse("Error: Endscan is not expected: " + text);
  }
  if (!block->Compiled().has_footer) CompileBodyEnd(report, *block);
  const CommandParagraph paragraph = scanner.TakeCommandParagraph();
  report.WriteEndScan({parts.format_text, paragraph.absorbed_text, block->Compiled().block_id});
  report.Scans()->Pop();
}

}  // namespace

void TQeRTF::CompileScanCommand(int32_t kind, const std::string& text,
                                const std::string& /*tag_text*/, const TagTextParts& parts,
                                TemplateScanner& scanner) {
  const std::vector<std::string> items = SplitCommandItems(*this, text);
  switch (kind) {
    case kTagScan:
      CompileScan(*this, text, items, parts, scanner);
      break;
    case kTagScanEntry:
      CompileScanEntry(*this, text, items, parts, scanner);
      break;
    case kTagScanFooter:
      CompileScanFooter(*this, text, items, parts, scanner);
      break;
    default:
      CompileEndScan(*this, text, items, parts, scanner);
      break;
  }
  scanner.EndCommand();
}

}  // namespace vorn
