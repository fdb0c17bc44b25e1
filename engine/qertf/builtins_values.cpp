// Functions of values and conditions: IF, WHILE, SET and IIF.
#include <memory>
#include <string>

#include "engine/qebasereport/base_report.h"
#include "engine/qertf/builtins.h"
#include "engine/qertf/qertf.h"

namespace vorn {

namespace {

// A field reads false at its dataset's end, where it has no record to read.
void Condition(int32_t id, const BuiltinCall& call) {
  call.CheckOperand(1, id == kFnIf ? "Operand type unknown. Function \"IF\", expression "
                                   : "Operand type unknown. Function \"WHILE\", expression ");
  if (const auto* field = std::get_if<TField*>(&call.Arg(1))) {
    const TDataSet* dataset = DataSetOfField(call.Report(), *field);
    call.SetBoolean(dataset != nullptr && dataset->Eof() ? false : (*field)->AsBoolean());
    return;
  }
  call.SetBoolean(std::get<TQeReportVariable*>(call.Arg(1))->AsBoolean());
}

void Set(const BuiltinCall& call) {
  auto* const* target = std::get_if<TQeReportVariable*>(&call.Arg(1));
  if (target == nullptr || *target == nullptr) {
    call.FailUse(" - variable expected as a first argument of function \"SET\"");
  }
  TQeReportVariable& variable = **target;
  if (variable.Standalone() || TrimControl(variable.Name()).empty()) {
    call.FailUse(" - variable identifier expected as a first argument of function \"SET\"");
  }
  call.CheckOperand(2, "Second operand type unknown. Function \"SET\", expression ");
  const VarDataType type = call.TypeOf(2);
  if (type == VarDataType::kNone) call.Fail("Operand type unknown. Function \"SET\", expression ");
  const std::unique_ptr<TQeReportVariable> value = call.Copy(2);
  switch (type) {
    case VarDataType::kString:
      variable.SetAsString(value->AsString());
      return;
    case VarDataType::kNumber: {
      const long double number = value->AsFloat();
      CheckFinite(number);
      variable.SetAsFloat(number);
      return;
    }
    case VarDataType::kBoolean:
      variable.SetAsBoolean(value->AsBoolean());
      return;
    case VarDataType::kDateTime:
      variable.SetAsDateTime(value->AsDateTime());
      return;
    case VarDataType::kNone:
      return;
  }
}

// Only the chosen value's type matters, so the two values may differ in type.
void Iif(const BuiltinCall& call) {
  call.CheckOperand(1, "First operand type unknown. Function \"IIF\", expression ");
  call.CheckOperand(2, "Second operand type unknown. Function \"IIF\", expression ");
  call.CheckOperand(3, "Third operand type unknown. Function \"IIF\", expression ");
  if (call.TypeOf(1) != VarDataType::kBoolean) {
    call.Fail("First operand of boolean type expected in function \"IIF\", expression ");
  }
  call.SetFromArg(call.Copy(1)->AsBoolean() ? 2 : 3);
}

}  // namespace

bool EvaluateValueFunction(int32_t id, const BuiltinCall& call) {
  switch (id) {
    case kFnIf:
    case kFnWhile:
      Condition(id, call);
      return true;
    case kFnSet:
      Set(call);
      return true;
    case kFnIif:
      Iif(call);
      return true;
    default:
      return false;
  }
}

}  // namespace vorn
