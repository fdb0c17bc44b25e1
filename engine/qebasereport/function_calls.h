#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/qebasereport/function_table.h"

namespace vorn {

class TQeBaseReport;
class TQeBaseRTFReport;

struct SplitArgumentsResult {
  // False when a ")" has no "(" or a "(" is left open; Args then holds what was read.
  bool Balanced = true;
  std::vector<std::string> Args;
};

// Splits an argument text at its top-level commas, outside quotes. Arguments are not
// trimmed; a text that is empty after trimming has no arguments.
SplitArgumentsResult SplitArguments(const TQeBaseReport& report, std::string_view text);

struct FunctionCall {
  int32_t Id = 0;
  std::vector<std::string> Args;
};

// Reads NAME(args) or (arg) into the function id and its argument texts. nullopt when
// the text is no call or names no known function; throws EIllegalFunctionUse when the
// brackets do not balance or the number of arguments is outside the function's bounds.
std::optional<FunctionCall> ParseFunctionCall(const TQeBaseReport& report, std::string_view text);

// Writes the records of every argument, left to right, then the rkCall of `id`, at the
// report's TemplatePos: reverse Polish order. Throws EIllegalFunctionUse for an argument
// that is no operand, calls an unknown function, carries a format function or nests
// deeper than the engine allows.
void CompileArguments(TQeBaseRTFReport& report, int32_t id, const std::vector<std::string>& args);

// How the compiled value of an expression tag is used.
struct ExpressionUse {
  bool OutputResult = true;     // its value goes to the document
  bool StoreCondition = false;  // its value becomes the current condition
  int16_t BlockId = 0;          // the innermost open block, 0 outside every block
};

// Compiles a whole expression tag: rkExprStart (Text = expression_text, Index = the top
// function's id), the argument and call records, rkExprEnd. `call_text` is the tag text
// of a function-call tag or the ConvertExpression form of an expression tag.
// Returns false and writes nothing when the top function is unknown: the caller then
// copies the tag as written, or with eoClearMissedFields writes only its FormatText.
// Throws EIllegalFunctionUse when `format` does not accept the function's result and
// for every error of ParseFunctionCall and CompileArguments.
bool CompileExpressionTag(TQeBaseRTFReport& report, std::string_view call_text,
                          std::string_view expression_text, std::string_view format_text,
                          const FormatDescriptor& format, const ExpressionUse& use = {});

}  // namespace vorn
