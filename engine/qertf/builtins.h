#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/qertf/evaluator.h"

namespace vorn {

// One call of a built-in: its arguments in source order, its result object and the
// expression text that every message ends with. The family evaluators below share its
// checks, so each function's checks run in argument order: operand, then data type.
class BuiltinCall {
 public:
  BuiltinCall(TQeRTF& report, const TQeUDFArgs& args, TQeUDFObject result,
              std::string_view expression_text)
      : report_(report), args_(args), result_(result), expression_(expression_text) {}

  TQeRTF& Report() const { return report_; }
  std::string_view Expression() const { return expression_; }
  int Count() const { return static_cast<int>(args_.size()); }
  // Argument n, counted from 1.
  const TQeUDFObject& Arg(int n) const { return args_[static_cast<size_t>(n - 1)]; }
  bool IsOperand(int n) const;
  VarDataType TypeOf(int n) const { return OperandType(Arg(n)); }

  // Throws Exception(message + expression) unless argument n is a field or a value.
  void CheckOperand(int n, std::string_view unknown_message) const;
  // CheckOperand, then argument n must have the type `expected` (none fails too).
  void CheckTyped(int n, VarDataType expected, std::string_view unknown_message,
                  std::string_view expected_message) const;
  [[noreturn]] void Fail(std::string_view message) const;
  // Throws EIllegalFunctionUse("Illegal function use: " + expression + detail).
  [[noreturn]] void FailUse(std::string_view detail) const;

  // A standalone copy of argument n under its own data type; the computation reads only
  // copies, so a reference or a field is read once per use, as the call saw it.
  std::unique_ptr<TQeReportVariable> Copy(int n) const;
  // The copy's number, integer (low 32 bits, as counts and positions use it) and text.
  long double Number(int n) const { return Copy(n)->AsFloat(); }
  int32_t Integer32(int n) const;
  std::string Text(int n) const { return Copy(n)->AsString(); }

  // Typed writes of the result value. A number that is not finite throws the run time's
  // floating-point error instead of storing "INF" or "NAN".
  void SetString(std::string_view value) const;
  void SetNumber(long double value) const;
  void SetInteger(int64_t value) const;
  void SetBoolean(bool value) const;
  void SetDate(double value) const;
  void SetDateTime(double value) const;
  // Argument n's copy written into the result with the write of its own type.
  void SetFromArg(int n) const;

 private:
  TQeReportVariable* ResultValue() const;

  TQeRTF& report_;
  const TQeUDFArgs& args_;
  TQeUDFObject result_;
  std::string_view expression_;
};

// Throws the run time's error for a floating-point result that is not finite.
void CheckFinite(long double value);

// The families of built-ins; each returns false for an id it does not own.
bool EvaluateOperator(int32_t id, const BuiltinCall& call);
bool EvaluateStringFunction(int32_t id, const BuiltinCall& call);
bool EvaluateNumberFunction(int32_t id, const BuiltinCall& call);
bool EvaluateDateFunction(int32_t id, const BuiltinCall& call);
bool EvaluateDataSetFunction(int32_t id, const BuiltinCall& call);
bool EvaluateValueFunction(int32_t id, const BuiltinCall& call);
bool EvaluateAggregate(int32_t id, const BuiltinCall& call);

// The preparation steps of VAR and of the aggregates.
void PrepareVar(const BuiltinCall& call);
void PrepareAggregate(int32_t id, const BuiltinCall& call);

}  // namespace vorn
