#include "engine/qertf/evaluator.h"

#include <string>

#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/function_table.h"
#include "engine/qertf/builtins.h"
#include "engine/qertf/qertf.h"
#include "imaging/picture_decoders.h"
#include "platform/system/stream.h"

namespace vorn {

EvaluationObjects::EvaluationObjects() = default;
EvaluationObjects::~EvaluationObjects() = default;

TQeReportVariable& EvaluationObjects::NewReference(TQeBaseReport& report, std::string_view name) {
  TQeReportVariable& variable =
      *variables_.emplace_back(std::make_unique<TQeReportVariable>(&report));
  variable.SetStandalone(false);
  variable.SetName(name);
  return variable;
}

TQeReportVariable& EvaluationObjects::NewValue(TQeBaseReport& report) {
  TQeReportVariable& value = *variables_.emplace_back(std::make_unique<TQeReportVariable>(&report));
  value.SetStandalone(true);
  return value;
}

Picture& EvaluationObjects::NewPicture() {
  return *pictures_.emplace_back(std::make_unique<Picture>());
}

TMemoryStream& EvaluationObjects::NewMemoryStream() {
  return *streams_.emplace_back(std::make_unique<TMemoryStream>());
}

namespace {

bool IsAggregate(int32_t id) { return id == kFnSum || id == kFnCtn || id == kFnCts; }

// The aggregates' third argument NORESET is a word, not a variable: it becomes a boolean
// false, keeping its name, so that PrepareCall can still recognise it.
void ConvertNoReset(int32_t id, const TQeUDFArgs& args) {
  if (!IsAggregate(id) || args.size() != 3) return;
  auto* const* third = std::get_if<TQeReportVariable*>(&args[2]);
  if (third == nullptr || *third == nullptr) return;
  if (UpperAscii(TrimControl((*third)->Name())) != "NORESET") return;
  (*third)->SetStandalone(true);
  (*third)->SetAsBoolean(false);
}

TQeUDFObject NewResult(TQeRTF& report, int32_t id, EvaluationObjects& objects) {
  const TQeUDFResultType type = GetResultType(report, id);
  switch (type) {
    case udfrNil:
      return {};
    case udfrTQeReportVariable:
      return &objects.NewValue(report);
    case udfrTPicture:
      return &objects.NewPicture();
    case udfrTMemoryStream:
      return &objects.NewMemoryStream();
  }
  throw EIllegalFunctionUse("Result type defined in function" + FunctionName(report, id) +
                            " is not supported");
}

// The literal's text as written: a number literal keeps its form (1.50 stays 1.50).
TQeUDFObject PushLiteral(TQeRTF& report, int32_t kind, EvaluationObjects& objects) {
  const TQeRowContent row = report.ReadOperand();
  TQeReportVariable& value = objects.NewValue(report);
  switch (kind) {
    case rkNumber:
      value.SetText(row.Text, VarDataType::kNumber);
      break;
    case rkString:
      value.SetText(row.Text, VarDataType::kString);
      break;
    case rkBoolean:
      value.SetText(row.Text, VarDataType::kBoolean);
      break;
    default:
      value.SetAsDate(TextToDate(row.Text));
      break;
  }
  return &value;
}

// The first evaluation of a field record resolves it and writes the outcome back into the
// stream, so that later evaluations of the tag skip the lookup.
TQeUDFObject PushField(TQeRTF& report, std::string_view expression_text) {
  TQeRowContent row = report.ReadOperand();
  TDataSet* dataset = report.DataSetByAlias(row.Alias);
  if (!row.Resolved) {
    row.Index = dataset != nullptr ? ResolveFieldRef(*dataset, row.Text) : -1;
    row.NotFound = row.Index < 0;
    report.PatchOperand(row.Index, row.NotFound);
  }
  if (row.NotFound || dataset == nullptr || row.Index < 0 || row.Index >= dataset->FieldCount()) {
    throw EIllegalFunctionUse("Illegal function use: " + std::string(expression_text) +
                              " - dataset field " + row.Text + " not found");
  }
  return &dataset->Fields(row.Index);
}

// How the walk treats operands and calls: evaluating, or only preparing a skipped block.
enum class WalkMode { kEvaluate, kPrepare };

EvaluationResult Walk(TQeRTF& report, std::string_view expression_text, EvaluationObjects& objects,
                      WalkMode mode) {
  TQeUDFArgs stack;
  EvaluationResult last;
  CompiledStream& stream = report.Stream();
  while (true) {
    const int32_t kind = stream.ReadHeader();
    switch (kind) {
      case rkVariable:
        stack.emplace_back(&objects.NewReference(report, report.ReadOperand().Text));
        break;
      case rkNumber:
      case rkString:
      case rkBoolean:
      case rkDate:
        if (mode == WalkMode::kEvaluate) {
          stack.push_back(PushLiteral(report, kind, objects));
        } else {
          report.ReadOperand();
          stack.emplace_back(&objects.NewValue(report));
        }
        break;
      case rkFieldRefDot:
      case rkFieldRef:
        if (mode == WalkMode::kEvaluate) {
          stack.push_back(PushField(report, expression_text));
        } else {
          report.ReadOperand();
          stack.emplace_back();
        }
        break;
      case rkCall: {
        const TQeCall call = report.ReadCall();
        if (call.ArgCount < 0 || static_cast<size_t>(call.ArgCount) > stack.size()) {
          throw EIOError("Undefined argument in UDF");
        }
        const auto first = stack.end() - call.ArgCount;
        const TQeUDFArgs args(first, stack.end());
        TQeUDFObject result;
        if (mode == WalkMode::kEvaluate) {
          result = NewResult(report, call.FunctionId, objects);
          ConvertNoReset(call.FunctionId, args);
          CallFunction(report, call.FunctionId, args, call.ArgCount, result, expression_text);
        } else if (call.FunctionId < 0) {
          ConvertNoReset(call.FunctionId, args);
          PrepareCall(report, call.FunctionId, args, call.ArgCount, expression_text);
        }
        stack.erase(first, stack.end());
        stack.push_back(result);
        last = {call.FunctionId, result};
        break;
      }
      case rkExprEnd:
        report.ReadExprEnd();
        return last;
      default:
        throw EIOError("Undefined argument in UDF");
    }
  }
}

bool IsValue(const TQeUDFObject& object) {
  const auto* value = std::get_if<TQeReportVariable*>(&object);
  return value != nullptr && *value != nullptr;
}

void CheckReferencesExist(const TQeRTF& report, const TQeUDFArgs& args,
                          std::string_view expression_text) {
  for (const TQeUDFObject& arg : args) {
    if (!IsValue(arg)) continue;
    const TQeReportVariable& variable = *std::get<TQeReportVariable*>(arg);
    if (!variable.Standalone() && report.FindVariable(variable.Name()) == 0) {
      throw EIllegalFunctionUse("Illegal function use: " + std::string(expression_text) +
                                " - report variable " + variable.Name() + " not found");
    }
  }
}

void CallUserFunction(TQeRTF& report, int32_t id, const TQeUDFArgs& args, int32_t count,
                      TQeUDFObject result, std::string_view expression_text) {
  CheckReferencesExist(report, args, expression_text);
  TQeUDFList* list = report.UDFList();
  if (list == nullptr || id >= list->Functions().Count()) return;
  const TQeUDF& function = list->Functions().Items(id);
  if (function.OnCalculate) function.OnCalculate(report, args, count, result);
}

// The grouping function shows its argument's value; only a value can be shown.
void CheckGroupArgument(const TQeRTF& report, const TQeUDFArgs& args,
                        std::string_view expression_text) {
  if (args.empty() || !IsValue(args[0])) {
    throw EIllegalFunctionUse(
        "Illegal brackets use in expression: " + std::string(expression_text) +
        " - result type udfrTQeReportVariable expected inside the brackets");
  }
  const TQeReportVariable& variable = *std::get<TQeReportVariable*>(args[0]);
  if (!variable.Standalone() && report.FindVariable(variable.Name()) == 0) {
    throw EIllegalFunctionUse("Illegal expression: " + std::string(expression_text) +
                              " - report variable " + variable.Name() + " not found");
  }
}

}  // namespace

EvaluationResult EvaluateExpression(TQeRTF& report, std::string_view expression_text,
                                    EvaluationObjects& objects) {
  return Walk(report, expression_text, objects, WalkMode::kEvaluate);
}

void PrepareExpression(TQeRTF& report, std::string_view expression_text) {
  EvaluationObjects objects;
  Walk(report, expression_text, objects, WalkMode::kPrepare);
}

void CallFunction(TQeRTF& report, int32_t id, const TQeUDFArgs& args, int32_t count,
                  TQeUDFObject result, std::string_view expression_text) {
  if (id >= 0) {
    CallUserFunction(report, id, args, count, result, expression_text);
    return;
  }
  if (id == kFnGroup) CheckGroupArgument(report, args, expression_text);
  if (IsAggregate(id) && !args.empty()) {
    CheckReferencesExist(report, TQeUDFArgs(args.begin(), args.begin() + 1), expression_text);
  }
  PrepareCall(report, id, args, count, expression_text);
  EvaluateBuiltIn(report, id, args, result, expression_text);
}

void PrepareCall(TQeRTF& report, int32_t id, const TQeUDFArgs& args, int32_t /*count*/,
                 std::string_view expression_text) {
  // Only a stream that no compiler wrote can get here with fewer arguments; refuse it
  // rather than read arguments that are not there.
  if (static_cast<int>(args.size()) < GetArgMinCount(report, id)) {
    throw EIOError("Undefined argument in UDF");
  }
  const BuiltinCall call(report, args, {}, expression_text);
  if (id == kFnVar) {
    PrepareVar(call);
  } else if (IsAggregate(id)) {
    PrepareAggregate(id, call);
  }
}

void EvaluateBuiltIn(TQeRTF& report, int32_t id, const TQeUDFArgs& args, TQeUDFObject result,
                     std::string_view expression_text) {
  if (id < -kBaseFunctionCount || id > -1 || id == kFnVar) return;
  const BuiltinCall call(report, args, result, expression_text);
  if (static_cast<int>(args.size()) < GetArgMinCount(report, id)) {
    throw EIOError("Undefined argument in UDF");
  }
  EvaluateOperator(id, call) || EvaluateStringFunction(id, call) ||
      EvaluateNumberFunction(id, call) || EvaluateDateFunction(id, call) ||
      EvaluateDataSetFunction(id, call) || EvaluateValueFunction(id, call) ||
      EvaluateAggregate(id, call);
}

void CopyValueAs(const TQeUDFObject& source, TQeReportVariable& target, VarDataType type) {
  if (type == VarDataType::kNone) return;
  if (const auto* field_ptr = std::get_if<TField*>(&source); field_ptr && *field_ptr) {
    const TField& field = **field_ptr;
    switch (type) {
      case VarDataType::kString:
        target.SetAsString(field.AsString());
        return;
      case VarDataType::kNumber:
        switch (field.DataType()) {
          case ftSmallint:
          case ftInteger:
          case ftWord:
          case ftAutoInc:
            target.SetAsInteger(field.AsInteger());
            return;
          case ftLargeint:
            target.SetAsInteger(field.AsLargeInt());
            return;
          case ftCurrency:
            target.SetAsFloat(field.AsCurrency());
            return;
          default:
            target.SetAsFloat(field.AsFloat());
            return;
        }
      case VarDataType::kBoolean:
        target.SetAsBoolean(field.AsBoolean());
        return;
      case VarDataType::kDateTime:
        target.SetAsDateTime(field.AsDateTime());
        return;
      case VarDataType::kNone:
        return;
    }
  }
  if (!IsValue(source)) return;
  const TQeReportVariable& value = *std::get<TQeReportVariable*>(source);
  switch (type) {
    case VarDataType::kString:
      target.SetAsString(value.AsString());
      return;
    case VarDataType::kNumber:
      target.SetAsFloat(value.AsFloat());
      return;
    case VarDataType::kBoolean:
      target.SetAsBoolean(value.AsBoolean());
      return;
    case VarDataType::kDateTime:
      target.SetAsDateTime(value.AsDateTime());
      return;
    case VarDataType::kNone:
      return;
  }
}

VarDataType FieldValueType(TFieldType type) {
  switch (FieldValueClass(type)) {
    case TQeValueClass::kString:
      return VarDataType::kString;
    case TQeValueClass::kNumber:
      return VarDataType::kNumber;
    case TQeValueClass::kBoolean:
      return VarDataType::kBoolean;
    case TQeValueClass::kDateTime:
      return VarDataType::kDateTime;
    default:
      return VarDataType::kNone;
  }
}

VarDataType OperandType(const TQeUDFObject& operand) {
  if (const auto* field = std::get_if<TField*>(&operand); field && *field) {
    return FieldValueType((*field)->DataType());
  }
  if (IsValue(operand)) return std::get<TQeReportVariable*>(operand)->DataType();
  return VarDataType::kNone;
}

TDataSet* DataSetOfField(const TQeRTF& report, const TField* field) {
  for (TDataSet* dataset : report.DataSets()) {
    if (dataset == nullptr) continue;
    for (int i = 0; i < dataset->FieldCount(); ++i) {
      if (&dataset->Fields(i) == field) return dataset;
    }
  }
  return nullptr;
}

}  // namespace vorn
