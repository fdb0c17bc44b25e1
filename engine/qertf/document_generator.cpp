#include "data/dataset.h"
#include "engine/qebasereport/function_table.h"
#include "engine/qebasereport/report_variables.h"
#include "engine/qertf/qertf.h"
#include "platform/system/stream.h"
#include "platform/text/number_parse.h"

namespace vorn {

namespace {
// A number literal is written in the report's number form, as a number value holds it.
std::string NormalisedNumberText(const std::string& literal) {
  long double value = 0;
  if (!TryValFloat(literal, value)) return literal;
  TQeReportVariable holder;
  holder.SetStandalone(true);
  holder.SetAsFloat(value);
  return holder.AsString();
}
}  // namespace

void TQeRTF::GenerateDocument() {
  SetOutput(Intermediate());
  CompiledStream& stream = Stream();
  stream.TemplatePos = 0;
  stream.Rewind();
  while (true) {
    const int32_t kind = stream.ReadHeader();
    if (kind == rkStreamEnd) break;
    switch (kind) {
      case rkText:
      case rkVerbatimGroup:
        stream.ReadTrailer();
        WriteOutput(TemplateText(stream.PrevTemplatePos, stream.TemplatePos));
        break;
      case rkRowStart:
      case rkRowEnd:
        stream.ReadTrailer();
        break;
      case rkFontTable:
      case rkColorTable:
      case rkStyleSheet:
      case rkInfo:
      case rkListTable:
      case rkListOverrideTable:
      case rkAddedFonts:
        stream.ReadTrailer();
        // Written now as the template has them, so that the body needs no second copy when
        // nothing adds entries later.
        PlaceTable(kind, *Intermediate());
        break;
      case rkLiteral:
        WriteOutput(stream.ReadLiteral());
        break;
      case rkVariable:
        GenerateVariable();
        break;
      case rkNumber:
      case rkString:
      case rkBoolean:
      case rkDate:
        GenerateLiteral(kind);
        break;
      case rkFieldRef:
      case rkFieldRefDot:
        GenerateField();
        break;
      case rkExprStart:
        GenerateExpression();
        break;
      case rkScan:
      case rkScanWhile:
      case rkScanEntry:
      case rkScanBodyEnd:
      case rkScanFooter:
      case rkEndScan:
        GenerateScanRecord(kind);
        break;
      case rkIf:
      case rkEndIf:
        GenerateIfRecord(kind);
        break;
      default:
        stream.Skip();
        break;
    }
  }
  PlaceTable(0, *Intermediate());
}

void TQeRTF::WriteMissedTag(const TQeRowContent& row) {
  WriteOutput(Options().Has(eoClearMissedFields) ? row.FormatText : row.TagText);
}

void TQeRTF::GenerateVariable() {
  const TQeRowContent row = Stream().ReadOperand();
  if (FindVariable(row.Text) == 0) {
    WriteMissedTag(row);
    return;
  }
  TQeReportVariable variable(this);
  variable.SetName(row.Text);
  WriteValue(variable.AsString(), row);
}

void TQeRTF::GenerateLiteral(int32_t kind) {
  TQeRowContent row = Stream().ReadOperand();
  switch (kind) {
    case rkNumber:
      // Written in the report's normalised number form.
      WriteValue(NormalisedNumberText(row.Text), row);
      break;
    case rkBoolean:
      if (row.FormatId == 0) row.FormatId = kFormatFbool;
      WriteValue(row.Text, row);
      break;
    case rkDate:
      WriteValue(DateLiteralToText(row.Text), row);
      break;
    default:
      WriteValue(row.Text, row);
      break;
  }
}

void TQeRTF::GenerateField() {
  TQeRowContent& row = field_row_;
  Stream().ReadOperand(row);
  TDataSet* dataset = DataSetByAlias(row.Alias);
  if (!row.Resolved) {
    // Looked up once per run: later passes over the record find it patched.
    row.Index = dataset != nullptr ? ResolveFieldRef(*dataset, row.Text) : -1;
    row.NotFound = row.Index < 0;
    PatchOperand(row.Index, row.NotFound);
  }
  if (row.NotFound || dataset == nullptr || row.Index >= dataset->FieldCount()) {
    WriteMissedTag(row);
    return;
  }
  if (dataset->Eof()) {
    WriteOutput(" ");
    WriteOutput(row.FormatText);
    return;
  }
  WriteField(dataset->Fields(row.Index), row);
}

}  // namespace vorn
