// Text functions: TRIM, MID/SUBSTR/COPY, UPPER, LOWER, STR, VAL, FORMATFLOAT and the
// grouping function.
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "engine/qebasereport/base_report.h"
#include "engine/qertf/builtins.h"
#include "engine/qertf/qertf.h"
#include "platform/text/ansi_case.h"
#include "platform/text/code_page.h"
#include "platform/text/format_settings.h"
#include "platform/text/number_format.h"
#include "platform/text/number_parse.h"

namespace vorn {

namespace {

constexpr VarDataType kString = VarDataType::kString;
constexpr VarDataType kNumber = VarDataType::kNumber;

void Trim(const BuiltinCall& call) {
  call.CheckTyped(1, kString, "Operand type unknown. Function \"TRIM\", expression ",
                  "Operand of string type expected. Function \"TRIM\", expression ");
  call.SetString(TrimControl(call.Text(1)));
}

// The offsets where the positions of `text` start, and its end: a position is a byte, or a whole
// character the code page lacks, which is never split.
std::vector<size_t> PositionOffsets(std::string_view text) {
  std::vector<size_t> offsets;
  for (size_t at = 0; at < text.size();) {
    offsets.push_back(at);
    at += UnicodeFormAt(text, at) != 0 ? kUnicodeFormSize : 1;
  }
  offsets.push_back(text.size());
  return offsets;
}

// A start below 1 with a count is taken as 1, without a count it gives nothing, as the two forms
// always did.
std::string MidOf(std::string_view text, int32_t start, std::optional<int32_t> count) {
  std::vector<size_t> offsets;
  const bool forms = text.find(kUnicodeMark) != std::string_view::npos;
  if (forms) offsets = PositionOffsets(text);
  const auto offset = [&](int64_t position) {
    return forms ? offsets[static_cast<size_t>(position)] : static_cast<size_t>(position);
  };
  const int64_t length =
      forms ? static_cast<int64_t>(offsets.size() - 1) : static_cast<int64_t>(text.size());
  int64_t from = start;
  int64_t take = length - start + 1;
  if (!count) {
    if (start < 1 || start > length) return {};
  } else {
    if (*count < 0 || start > length) return {};
    from = start < 1 ? 1 : start;
    take = std::min<int64_t>(*count, length - from + 1);
  }
  const size_t begin = offset(from - 1);
  return std::string(text.substr(begin, offset(from - 1 + take) - begin));
}

void Mid(const BuiltinCall& call) {
  call.CheckTyped(1, kString,
                  "First operand type unknown. Functions \"MID\", \"COPY\", \"SUBSTR\", "
                  "expression ",
                  "First operand of string type expected in functions \"MID\", \"COPY\", "
                  "\"SUBSTR\", expression ");
  call.CheckTyped(2, kNumber,
                  "Second operand type unknown. Functions \"MID\", \"COPY\", \"SUBSTR\", "
                  "expression ",
                  "Second operand of numeric type expected in functions \"MID\", \"COPY\", "
                  "\"SUBSTR\", expression ");
  if (call.Count() >= 3) {
    call.CheckTyped(3, kNumber,
                    "Third operand type unknown. Functions \"MID\", \"COPY\", \"SUBSTR\", "
                    "expression ",
                    "Third operand of numeric type expected in functions \"MID\", \"COPY\", "
                    "\"SUBSTR\", expression ");
  }
  const std::string text = call.Text(1);
  const int32_t start = call.Integer32(2);
  std::optional<int32_t> count;
  if (call.Count() >= 3) count = call.Integer32(3);
  call.SetString(MidOf(text, start, count));
}

void ChangeCase(int32_t id, const BuiltinCall& call) {
  if (id == kFnUpper) {
    call.CheckTyped(1, kString, "Operand type unknown. Function \"UPPER\", expression ",
                    "Operand of string type expected. Function \"UPPER\", expression ");
  } else {
    call.CheckTyped(1, kString, "Operand type unknown. Function \"LOWER\", expression ",
                    "Operand of string type expected. Function \"LOWER\", expression ");
  }
  // Locale-aware for the report's code page: the bytes of double-byte characters stay.
  const CodePage code_page(call.Report().CodePage());
  call.SetString(id == kFnUpper ? AnsiUpperCase(call.Text(1), code_page)
                                : AnsiLowerCase(call.Text(1), code_page));
}

void Str(const BuiltinCall& call) {
  call.CheckTyped(1, kNumber, "First operand type unknown. Functions \"STR\", expression ",
                  "First operand of numeric type expected in function \"STR\", expression ");
  if (call.Count() >= 2) {
    call.CheckTyped(2, kNumber, "Second operand type unknown. Function \"STR\", expression ",
                    "Second operand of numeric type expected in functions \"STR\", expression ");
  }
  if (call.Count() >= 3) {
    call.CheckTyped(3, kNumber, "Third operand type unknown. Function \"STR\", expression ",
                    "Third operand of numeric type expected in function \"STR\", expression ");
  }
  const long double value = call.Number(1);
  if (call.Count() == 1) {
    call.SetString(TrimControl(FloatToCanonicalText(value)));
    return;
  }
  const int32_t width = call.Integer32(2);
  const int32_t decimals = call.Count() >= 3 ? call.Integer32(3) : 0;
  if (call.Count() >= 3 && width < 1) {
    call.SetString(TrimControl(FormatFixedWidth(value, 18, decimals)));
    return;
  }
  call.SetString(FormatFixedWidth(value, width, decimals));
}

// VAL reads the number syntax with "." whatever the locale, after turning the first locale
// separator into one; anything else is 0, never an error.
void Val(const BuiltinCall& call) {
  call.CheckTyped(1, kString, "Operand type unknown. Function \"VAL\", expression ",
                  "Operand of string type expected. Function \"VAL\", expression ");
  std::string text = call.Text(1);
  const size_t separator = text.find(DefaultFormatSettings().decimal_separator);
  if (separator != std::string::npos) text[separator] = '.';
  long double value = 0;
  if (!TryValFloat(text, value) || !std::isfinite(value)) value = 0;
  call.SetNumber(value);
}

void FormatFloatCall(const BuiltinCall& call) {
  call.CheckTyped(1, kString, "First operand type unknown. Functions \"FLOATFORMAT\", expression ",
                  "First operand of string type expected in function \"FLOATFORMAT\", "
                  "expression ");
  call.CheckTyped(2, kNumber, "Second operand type unknown. Function \"FLOATFORMAT\", expression ",
                  "Second operand of numeric type expected in functions \"FLOATFORMAT\", "
                  "expression ");
  const std::string pattern = call.Text(1);
  call.SetString(TrimControl(FormatFloat(pattern, call.Number(2))));
}

// CallFunction has made sure the argument is a value; it is shown as it reads, so a
// number literal keeps its written digits.
void Group(const BuiltinCall& call) {
  call.SetString(std::get<TQeReportVariable*>(call.Arg(1))->AsString());
}

}  // namespace

bool EvaluateStringFunction(int32_t id, const BuiltinCall& call) {
  switch (id) {
    case kFnTrim:
      Trim(call);
      return true;
    case kFnMid:
    case kFnSubstr:
    case kFnCopy:
      Mid(call);
      return true;
    case kFnUpper:
    case kFnLower:
      ChangeCase(id, call);
      return true;
    case kFnStr:
      Str(call);
      return true;
    case kFnVal:
      Val(call);
      return true;
    case kFnFormatFloat:
      FormatFloatCall(call);
      return true;
    case kFnGroup:
      Group(call);
      return true;
    default:
      return false;
  }
}

}  // namespace vorn
