#include <string>

#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/function_table.h"
#include "engine/qertf/evaluator.h"
#include "engine/qertf/qertf.h"
#include "engine/qertf/scan_info.h"
#include "imaging/picture_decoders.h"
#include "platform/system/stream.h"

namespace vorn {

namespace {

bool ResultAsBoolean(const TQeUDFObject& value) {
  const auto* variable = std::get_if<TQeReportVariable*>(&value);
  return variable != nullptr && *variable != nullptr && (*variable)->AsBoolean();
}

}  // namespace

void TQeRTF::GenerateExpression() {
  const TQeExprHead head = ReadExprStart();
  if (TQeScans* scans = Scans()) scans->Select(head.BlockId);
  // The result lives in `objects` and is used before they go.
  EvaluationObjects objects;
  const EvaluationResult result = EvaluateExpression(*this, head.Row.Text, objects);
  if (head.OutputResult) {
    switch (GetResultType(*this, head.Row.Index)) {
      case udfrTQeReportVariable:
        if (auto* const* value = std::get_if<TQeReportVariable*>(&result.Value);
            value != nullptr && *value != nullptr) {
          WriteValue((*value)->AsString(), head.Row);
          break;
        }
        WriteOutput(head.Row.FormatText);
        break;
      case udfrTPicture:
        if (auto* const* picture = std::get_if<Picture*>(&result.Value);
            picture != nullptr && *picture != nullptr) {
          WritePicture(**picture, head.Row);
        }
        WriteOutput(head.Row.FormatText);
        break;
      case udfrTMemoryStream:
        // The stream holds RTF that goes into the document unchanged.
        if (auto* const* stream = std::get_if<TMemoryStream*>(&result.Value);
            stream != nullptr && *stream != nullptr) {
          WriteOutput((*stream)->Bytes());
        }
        WriteOutput(head.Row.FormatText);
        break;
      default:
        WriteOutput(head.Row.FormatText);
        break;
    }
  }
  if (head.StoreCondition) CurrentCondition = ResultAsBoolean(result.Value);
}

}  // namespace vorn
