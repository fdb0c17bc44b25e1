// The sixteen operators. They arrive as calls with the right operand first, so argument
// 2 is the left operand and argument 1 the right one: each computes left OP right.
#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/qertf/builtins.h"

namespace vorn {

namespace {

constexpr int kRight = 1;
constexpr int kLeft = 2;

struct OperatorTexts {
  std::string_view unknown;
  std::string_view mismatch;
};

OperatorTexts TextsOf(int32_t id) {
  switch (id) {
    case kFnSysAnd:
      return {"Operand type unknown. Operation \"&&\", expression ",
              "Operator/operand type mismatch. Operation \"&&\", expression "};
    case kFnSysOr:
      return {"Operand type unknown. Operation \"||\", expression ",
              "Operator/operand type mismatch. Operation \"||\", expression "};
    case kFnSysLtEq:
      return {"Operand type unknown. Operation \"<=\", expression ",
              "Operator/operand type mismatch. Operation \"<=\", expression "};
    case kFnSysGtEq:
      return {"Operand type unknown. Operation \">=\", expression ",
              "Operator/operand type mismatch. Operation \">=\", expression "};
    case kFnSysNotEq:
      return {"Operand type unknown. Operation \"not equal\", expression ",
              "Operator/operand type mismatch. Operation \"not equal\", expression "};
    case kFnSysUMinus:
      return {"Operand type unknown. Operation unary \"-\", expression ",
              "Operator/operand type mismatch. Operation unary \"-\", expression "};
    case kFnSysUPlus:
      return {"Operand type unknown. Operation unary \"+\", expression ",
              "Operator/operand type mismatch. Operation unary \"+\", expression "};
    case kFnSysNot:
      return {"Operand type unknown. Operation not \"!\", expression ",
              "Operator/operand type mismatch. Operation not \"!\", expression "};
    case kFnSysMult:
      return {"Operand type unknown. Operation \"*\", expression ",
              "Operator/operand type mismatch. Operation \"*\", expression "};
    case kFnSysDiv:
      return {"Operand type unknown. Operation \"/\", expression ",
              "Operator/operand type mismatch. Operation \"/\", expression "};
    case kFnSysPercent:
      return {"Operand type unknown. Operation \"%\", expression ",
              "Operator/operand type mismatch. Operation \"%\", expression "};
    case kFnSysAdd:
      return {"Operand type unknown. Operation \"+\", expression ",
              "Operator/operand type mismatch. Operation \"+\", expression "};
    case kFnSysSub:
      return {"Operand type unknown. Operation \"-\", expression ",
              "Operator/operand type mismatch. Operation \"-\", expression "};
    case kFnSysGt:
      return {"Operand type unknown. Operation \">\", expression ",
              "Operator/operand type mismatch. Operation \">\", expression "};
    case kFnSysLt:
      return {"Operand type unknown. Operation \"<\", expression ",
              "Operator/operand type mismatch. Operation \"<\", expression "};
    default:
      return {"Operand type unknown. Operation \"=\", expression ",
              "Operator/operand type mismatch. Operation \"=\", expression "};
  }
}

constexpr VarDataType kNone = VarDataType::kNone;
constexpr VarDataType kString = VarDataType::kString;
constexpr VarDataType kNumber = VarDataType::kNumber;
constexpr VarDataType kBoolean = VarDataType::kBoolean;
constexpr VarDataType kDateTime = VarDataType::kDateTime;

bool IsDateArithmetic(VarDataType left, VarDataType right) {
  return (left == kDateTime && (right == kDateTime || right == kNumber)) ||
         (left == kNumber && right == kDateTime);
}

bool Accepts(int32_t id, VarDataType left, VarDataType right) {
  switch (id) {
    case kFnSysAnd:
    case kFnSysOr:
      return left == kBoolean && right == kBoolean;
    case kFnSysAdd:
      return (left == kString && right == kString) || (left == kNumber && right == kNumber) ||
             IsDateArithmetic(left, right);
    case kFnSysSub:
      return (left == kNumber && right == kNumber) || IsDateArithmetic(left, right);
    default:
      return left == kNumber && right == kNumber;
  }
}

// A date operand of "+" or "-" counts in days, a number operand as it is.
long double DayNumber(const BuiltinCall& call, int n) {
  const std::unique_ptr<TQeReportVariable> copy = call.Copy(n);
  return call.TypeOf(n) == kDateTime ? copy->AsDateTime() : copy->AsFloat();
}

void Binary(int32_t id, const BuiltinCall& call) {
  const OperatorTexts texts = TextsOf(id);
  call.CheckOperand(kRight, texts.unknown);
  call.CheckOperand(kLeft, texts.unknown);
  const VarDataType right_type = call.TypeOf(kRight);
  const VarDataType left_type = call.TypeOf(kLeft);
  if (left_type == kNone || right_type == kNone) call.Fail(texts.unknown);
  if (!Accepts(id, left_type, right_type)) call.Fail(texts.mismatch);

  if (id == kFnSysAnd || id == kFnSysOr) {
    const bool left = call.Copy(kLeft)->AsBoolean();
    const bool right = call.Copy(kRight)->AsBoolean();
    call.SetBoolean(id == kFnSysAnd ? left && right : left || right);
    return;
  }
  if (id == kFnSysAdd && left_type == kString) {
    call.SetString(call.Text(kLeft) + call.Text(kRight));
    return;
  }
  if (IsDateArithmetic(left_type, right_type)) {
    const long double left = DayNumber(call, kLeft);
    const long double right = DayNumber(call, kRight);
    call.SetDateTime(static_cast<double>(id == kFnSysAdd ? left + right : left - right));
    return;
  }
  const long double left = call.Number(kLeft);
  const long double right = call.Number(kRight);
  switch (id) {
    case kFnSysMult:
      call.SetNumber(left * right);
      return;
    case kFnSysDiv:
      if (right == 0) call.Fail("Division by zero. Operation \"/\", expression ");
      call.SetNumber(left / right);
      return;
    case kFnSysPercent:
      if (right == 0) call.Fail("Division by zero. Operation \"%\", expression ");
      // fmodl is exactly left - right * Int(left / right), without the rounding of the
      // quotient that makes large operands lose their remainder.
      call.SetNumber(std::fmod(left, right));
      return;
    case kFnSysAdd:
      call.SetNumber(left + right);
      return;
    default:
      call.SetNumber(left - right);
      return;
  }
}

bool Less(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  });
}

// -1, 0 or 1 for left below, equal to or above right.
int Compare(const BuiltinCall& call, VarDataType type) {
  const std::unique_ptr<TQeReportVariable> left = call.Copy(kLeft);
  const std::unique_ptr<TQeReportVariable> right = call.Copy(kRight);
  switch (type) {
    case kString: {
      const std::string a = left->AsString();
      const std::string b = right->AsString();
      return Less(a, b) ? -1 : (Less(b, a) ? 1 : 0);
    }
    case kBoolean: {
      const int a = left->AsBoolean() ? 1 : 0;
      const int b = right->AsBoolean() ? 1 : 0;
      return a - b;
    }
    case kDateTime: {
      const double a = left->AsDateTime();
      const double b = right->AsDateTime();
      return a < b ? -1 : (a > b ? 1 : 0);
    }
    default: {
      const long double a = left->AsFloat();
      const long double b = right->AsFloat();
      return a < b ? -1 : (a > b ? 1 : 0);
    }
  }
}

void Comparison(int32_t id, const BuiltinCall& call) {
  const OperatorTexts texts = TextsOf(id);
  call.CheckOperand(kRight, texts.unknown);
  call.CheckOperand(kLeft, texts.unknown);
  const VarDataType right_type = call.TypeOf(kRight);
  const VarDataType left_type = call.TypeOf(kLeft);
  if (left_type != right_type) call.Fail(texts.mismatch);
  if (left_type == kNone) call.Fail(texts.unknown);
  const int order = Compare(call, left_type);
  switch (id) {
    case kFnSysEq:
      call.SetBoolean(order == 0);
      return;
    case kFnSysNotEq:
      call.SetBoolean(order != 0);
      return;
    case kFnSysLt:
      call.SetBoolean(order < 0);
      return;
    case kFnSysGt:
      call.SetBoolean(order > 0);
      return;
    case kFnSysLtEq:
      call.SetBoolean(order <= 0);
      return;
    default:
      call.SetBoolean(order >= 0);
      return;
  }
}

void Unary(int32_t id, const BuiltinCall& call) {
  const OperatorTexts texts = TextsOf(id);
  call.CheckOperand(1, texts.unknown);
  const VarDataType type = call.TypeOf(1);
  if (type == kNone) call.Fail(texts.unknown);
  if (type != (id == kFnSysNot ? kBoolean : kNumber)) call.Fail(texts.mismatch);
  switch (id) {
    case kFnSysNot:
      call.SetBoolean(!call.Copy(1)->AsBoolean());
      return;
    case kFnSysUMinus:
      call.SetNumber(-call.Number(1));
      return;
    default:
      call.SetNumber(call.Number(1));
      return;
  }
}

}  // namespace

bool EvaluateOperator(int32_t id, const BuiltinCall& call) {
  switch (id) {
    case kFnSysAnd:
    case kFnSysOr:
    case kFnSysMult:
    case kFnSysDiv:
    case kFnSysPercent:
    case kFnSysAdd:
    case kFnSysSub:
      Binary(id, call);
      return true;
    case kFnSysEq:
    case kFnSysNotEq:
    case kFnSysLt:
    case kFnSysGt:
    case kFnSysLtEq:
    case kFnSysGtEq:
      Comparison(id, call);
      return true;
    case kFnSysUMinus:
    case kFnSysUPlus:
    case kFnSysNot:
      Unary(id, call);
      return true;
    default:
      return false;
  }
}

}  // namespace vorn
