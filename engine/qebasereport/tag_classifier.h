#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/qebasereport/function_table.h"

namespace vorn {

class TQeBaseRTFReport;

// Kinds of command tags; value tags have the TQeOperandKind of their operand, and an
// expression tag has okExpression.
enum TagCommandKind : int32_t {
  kTagScan = -3,
  kTagScanEntry = -11,
  kTagScanFooter = -12,
  kTagEndScan = -4,
  kTagIf = -23,
  kTagEndIf = -24,
  kTagElse = -25,
};

struct TagClass {
  int32_t Kind = 0;  // a TagCommandKind or a TQeOperandKind
  // Commands: the text as given. Single operands: the operand's token (a "." field
  // separator already ":" under eoDotAsColon). Expressions and unreadable text: the
  // text with its format function taken off, trimmed.
  std::string Text;
  FormatDescriptor Format;
};

// Classifies a decoded tag text: command keywords by prefix (ELSEWHERE is an else),
// otherwise a format function is taken off and the first operand decides. An FDTM format
// text is appended to report.Stream().Pool(). Throws EIllegalFunctionUse for a malformed
// format call.
TagClass ClassifyTag(TQeBaseRTFReport& report, std::string_view decoded_text);

struct FormatCall {
  std::string Text;  // the wrapped expression, or the whole text when no format call
  FormatDescriptor Format;
};

// Unwraps NAME(expression[,argument]) for the format functions FEXP to FRTF and fills the
// descriptor; the text stays whole with the default descriptor when it is no format call.
// Throws EIllegalFunctionUse for unbalanced brackets, a wrong number of arguments or an
// unreadable second argument.
FormatCall ParseFormatCall(TQeBaseRTFReport& report, std::string_view text);

struct FieldReference {
  std::string Alias;  // upper-cased unless one character long
  std::string Field;  // a field name, or "(N)" for a field position
};

// Splits the token of an okField (at ":") or okFieldDot (at ".") operand.
FieldReference SplitFieldReference(int32_t kind, std::string_view token);

}  // namespace vorn
