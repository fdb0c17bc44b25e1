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
TQeRowContent OperandRow(const std::string& tag_text, const TagTextParts& parts,
                         const TagClass& tag) {
  TQeRowContent row;
  row.TagText = tag_text;
  row.FormatText = parts.format_text;
  row.FormatId = tag.Format.FormatId;
  row.Precision = tag.Format.Precision;
  row.Digits = tag.Format.Digits;
  return row;
}
}  // namespace

int16_t TQeRTF::InnermostBlockId() const {
  const TQeScanInfo* block = Scans() != nullptr ? Scans()->Innermost() : nullptr;
  return block != nullptr ? block->BlockId : 0;
}

void TQeRTF::CompileMissedTag(const TagTextParts& parts) {
  if (Options().Has(eoClearMissedFields)) {
    WriteLiteral(parts.format_text);
  } else {
    WriteTextRecord();  // the tag stays in the output as it was written
  }
}

void TQeRTF::CompileTag(const std::string& raw_tag, TemplateScanner& scanner) {
  const std::string tag_text = "\\\\" + raw_tag + "\\\\";
  const TagTextParts parts = ExtractTagText(raw_tag);
  const TagClass tag = ClassifyTag(*this, parts.text);
  switch (tag.Kind) {
    case kTagScan:
    case kTagScanEntry:
    case kTagScanFooter:
    case kTagEndScan:
      CompileScanCommand(tag.Kind, tag.Text, tag_text, parts, scanner);
      return;
    case kTagIf:
    case kTagEndIf:
    case kTagElse:
      CompileIfCommand(tag.Kind, tag.Text, tag_text, parts, scanner);
      return;
    case okInvalid:
      WriteTextRecord();
      return;
    case okVariable:
    case okNumber:
    case okBoolean:
    case okDate: {
      TQeRowContent row = OperandRow(tag_text, parts, tag);
      row.Text = tag.Text;
      WriteOperand(tag.Kind, row);
      return;
    }
    case okString: {
      TQeRowContent row = OperandRow(tag_text, parts, tag);
      row.Text = tag.Text.size() >= 2 ? tag.Text.substr(1, tag.Text.size() - 2) : std::string();
      WriteOperand(rkString, row);
      return;
    }
    case okField:
    case okFieldDot: {
      const FieldReference reference = SplitFieldReference(tag.Kind, tag.Text);
      TQeRowContent row = OperandRow(tag_text, parts, tag);
      row.Alias = reference.Alias;
      row.Text = reference.Field;
      WriteOperand(tag.Kind, row);
      return;
    }
    case okFunction:
    case okExpression: {
      const std::string call_text =
          tag.Kind == okFunction ? tag.Text
                                 : ConvertExpression(*this, tag.Text, Options().Has(eoDotAsColon));
      ExpressionUse use;
      use.BlockId = InnermostBlockId();
      if (!CompileExpressionTag(*this, call_text, tag.Text, parts.format_text, tag.Format, use)) {
        CompileMissedTag(parts);
      }
      return;
    }
    default:
      WriteTextRecord();
      return;
  }
}

}  // namespace vorn
