// Number functions: INT, FRAC, ROUND, POWER, INTPOWER, in extended precision.
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/qertf/builtins.h"
#include "platform/system/exception.h"

namespace vorn {

namespace {

constexpr VarDataType kNumber = VarDataType::kNumber;

void IntOrFrac(int32_t id, const BuiltinCall& call) {
  if (id == kFnInt) {
    call.CheckTyped(1, kNumber, "Operand type unknown. Function \"INT\", expression ",
                    "Operand of numeric type expected. Function \"INT\", expression ");
    call.SetNumber(std::trunc(call.Number(1)));
  } else {
    call.CheckTyped(1, kNumber, "Operand type unknown. Function \"FRAC\", expression ",
                    "Operand of numeric type expected. Function \"FRAC\", expression ");
    const long double value = call.Number(1);
    call.SetNumber(value - std::trunc(value));
  }
}

// Repeated squaring. A negative exponent divides 1 by the power; a power too small to hold
// means its reciprocal is too large, and one too large to hold has the reciprocal 0.
long double IntegerPower(long double base, int64_t exponent) {
  uint64_t remaining =
      exponent < 0 ? 0 - static_cast<uint64_t>(exponent) : static_cast<uint64_t>(exponent);
  long double result = 1;
  long double square = base;
  while (remaining != 0) {
    if ((remaining & 1) != 0) result *= square;
    remaining >>= 1;
    if (remaining != 0) square *= square;
  }
  if (exponent >= 0) return result;
  if (base == 0) throw Exception("Floating point division by zero");
  if (std::isinf(result)) return 0;
  if (result == 0) throw Exception("Floating point overflow");
  return 1 / result;
}

// 10 to the power n (n >= 0) by repeated squaring: exact up to 10^27, infinite beyond the
// extended range.
long double PowerOfTen(uint32_t n) { return IntegerPower(10, n); }

// Rounds half away from zero at `digits` decimals (negative: tens, hundreds...). The whole
// part is kept in extended precision, so values beyond the 32-bit range round correctly
// instead of wrapping; the scale divides for negative digits, so 1250 at -2 sees 12.5
// exactly.
long double RoundHalfAway(long double x, int32_t digits) {
  const long double sign = x < 0 ? -1 : 1;
  const long double v = std::fabs(x);
  const uint32_t magnitude =
      digits < 0 ? 0u - static_cast<uint32_t>(digits) : static_cast<uint32_t>(digits);
  const long double scale = PowerOfTen(magnitude);
  if (digits >= 0) {
    const long double scaled = v * scale;
    // So many decimals that nothing is cut off.
    if (std::isinf(scaled)) return x;
    const long double whole = std::trunc(scaled);
    const long double kept = scaled - whole >= 0.5L ? whole + 1 : whole;
    return sign * (kept / scale);
  }
  // A power of ten beyond the extended range leaves nothing of any finite value.
  if (std::isinf(scale)) return 0;
  const long double scaled = v / scale;
  const long double whole = std::trunc(scaled);
  const long double kept = scaled - whole >= 0.5L ? whole + 1 : whole;
  return sign * (kept * scale);
}

void Round(const BuiltinCall& call) {
  call.CheckTyped(1, kNumber, "First operand type unknown. Functions \"ROUND\", expression ",
                  "First operand of numeric type expected in function \"ROUND\", expression ");
  if (call.Count() >= 2) {
    call.CheckTyped(2, kNumber, "Second operand type unknown. Function \"ROUND\", expression ",
                    "Second operand of numeric type expected in functions \"ROUND\", "
                    "expression ");
  }
  const long double value = call.Number(1);
  const int32_t digits = call.Count() >= 2 ? call.Integer32(2) : 0;
  call.SetNumber(RoundHalfAway(value, digits));
}

void Power(const BuiltinCall& call) {
  call.CheckTyped(1, kNumber, "First operand type unknown. Functions \"POWER\", expression ",
                  "First operand of numeric type expected in function \"POWER\", expression ");
  call.CheckTyped(2, kNumber, "Second operand type unknown. Function \"POWER\", expression ",
                  "Second operand of numeric type expected in functions \"POWER\", "
                  "expression ");
  const long double base = call.Number(1);
  const long double exponent = call.Number(2);
  if (exponent == 0) {
    call.SetNumber(1);
  } else if (base == 0 && exponent > 0) {
    call.SetNumber(0);
  } else if (std::trunc(exponent) == exponent &&
             std::fabs(exponent) <= std::numeric_limits<int32_t>::max()) {
    call.SetNumber(IntegerPower(base, static_cast<int64_t>(exponent)));
  } else if (base < 0) {
    throw Exception("Invalid floating point operation");
  } else if (base == 0) {
    throw Exception("Floating point division by zero");
  } else {
    call.SetNumber(std::exp(exponent * std::log(base)));
  }
}

void IntPower(const BuiltinCall& call) {
  call.CheckTyped(1, kNumber, "First operand type unknown. Functions \"INTPOWER\", expression ",
                  "First operand of numeric type expected in function \"INTPOWER\", "
                  "expression ");
  call.CheckTyped(2, kNumber, "Second operand type unknown. Function \"INTPOWER\", expression ",
                  "Second operand of integer numeric type expected in functions "
                  "\"INTPOWER\", expression ");
  const long double base = call.Number(1);
  call.SetNumber(IntegerPower(base, call.Integer32(2)));
}

}  // namespace

bool EvaluateNumberFunction(int32_t id, const BuiltinCall& call) {
  switch (id) {
    case kFnInt:
    case kFnFrac:
      IntOrFrac(id, call);
      return true;
    case kFnRound:
      Round(call);
      return true;
    case kFnPower:
      Power(call);
      return true;
    case kFnIntPower:
      IntPower(call);
      return true;
    default:
      return false;
  }
}

}  // namespace vorn
