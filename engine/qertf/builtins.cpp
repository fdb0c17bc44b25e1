#include "engine/qertf/builtins.h"

#include <cmath>

#include "engine/conscom/exceptions.h"
#include "engine/qertf/qertf.h"

namespace vorn {

void CheckFinite(long double value) {
  if (std::isnan(value)) throw Exception("Invalid floating point operation");
  if (std::isinf(value)) throw Exception("Floating point overflow");
}

bool BuiltinCall::IsOperand(int n) const {
  if (n < 1 || n > Count()) return false;
  const TQeUDFObject& arg = Arg(n);
  if (const auto* field = std::get_if<TField*>(&arg)) return *field != nullptr;
  if (const auto* value = std::get_if<TQeReportVariable*>(&arg)) return *value != nullptr;
  return false;
}

void BuiltinCall::CheckOperand(int n, std::string_view unknown_message) const {
  if (!IsOperand(n)) Fail(unknown_message);
}

void BuiltinCall::CheckTyped(int n, VarDataType expected, std::string_view unknown_message,
                             std::string_view expected_message) const {
  CheckOperand(n, unknown_message);
  if (TypeOf(n) != expected) Fail(expected_message);
}

void BuiltinCall::Fail(std::string_view message) const {
  throw Exception(std::string(message) + std::string(expression_));
}

void BuiltinCall::FailUse(std::string_view detail) const {
  throw EIllegalFunctionUse("Illegal function use: " + std::string(expression_) +
                            std::string(detail));
}

std::unique_ptr<TQeReportVariable> BuiltinCall::Copy(int n) const {
  auto copy = std::make_unique<TQeReportVariable>(&report_);
  copy->SetStandalone(true);
  CopyValueAs(Arg(n), *copy, TypeOf(n));
  return copy;
}

int32_t BuiltinCall::Integer32(int n) const {
  const int64_t value = Copy(n)->AsInteger();
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

TQeReportVariable* BuiltinCall::ResultValue() const {
  auto* const* value = std::get_if<TQeReportVariable*>(&result_);
  return value != nullptr ? *value : nullptr;
}

void BuiltinCall::SetString(std::string_view value) const {
  if (TQeReportVariable* result = ResultValue()) result->SetAsString(value);
}

void BuiltinCall::SetNumber(long double value) const {
  CheckFinite(value);
  // A negative zero is written as 0, not -0.
  if (value == 0) value = 0;
  if (TQeReportVariable* result = ResultValue()) result->SetAsFloat(value);
}

void BuiltinCall::SetInteger(int64_t value) const {
  if (TQeReportVariable* result = ResultValue()) result->SetAsInteger(value);
}

void BuiltinCall::SetBoolean(bool value) const {
  if (TQeReportVariable* result = ResultValue()) result->SetAsBoolean(value);
}

void BuiltinCall::SetDate(double value) const {
  if (TQeReportVariable* result = ResultValue()) result->SetAsDate(value);
}

void BuiltinCall::SetDateTime(double value) const {
  CheckFinite(value);
  if (TQeReportVariable* result = ResultValue()) result->SetAsDateTime(value);
}

void BuiltinCall::SetFromArg(int n) const {
  const VarDataType type = TypeOf(n);
  if (type == VarDataType::kNone) return;
  const std::unique_ptr<TQeReportVariable> copy = Copy(n);
  switch (type) {
    case VarDataType::kString:
      SetString(copy->AsString());
      return;
    case VarDataType::kNumber:
      SetNumber(copy->AsFloat());
      return;
    case VarDataType::kBoolean:
      SetBoolean(copy->AsBoolean());
      return;
    case VarDataType::kDateTime:
      SetDateTime(copy->AsDateTime());
      return;
    case VarDataType::kNone:
      return;
  }
}

}  // namespace vorn
