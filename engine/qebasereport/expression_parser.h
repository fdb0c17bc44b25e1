#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

class TQeBaseReport;

// The deepest nesting of calls an expression may have; deeper ones are refused, since
// every level costs the compiler and the evaluator stack and a copy of the text.
inline constexpr int kMaxCallDepth = 256;

// What the front of a tag text is. The operand records of the compiled stream use the
// same numbers as their record kinds.
enum TQeOperandKind : int32_t {
  okVariable = 0,      // a name: a report variable
  okFunction = 1,      // NAME(...) with its balanced bracket part
  okNumber = 2,        // a numeric literal
  okString = 3,        // a quoted literal, quotes included
  okBoolean = 4,       // TRUE or FALSE
  okDate = 5,          // {YYYY-MM-DD}
  okFieldDot = -1,     // alias.field
  okField = -2,        // alias:field
  okInvalid = -5,      // nothing readable
  okExpression = -13,  // starts with an operator, or has text after its first operand
};

// One token of an expression: an operand, an operator or a bracket.
struct TQeOperand {
  std::string Text;
  bool IsOperand = false;
  int32_t ArgCount = 0;  // 2 binary, 1 prefix, 0 brackets and operands
  bool ReqBoolArg = false;
  bool AllowBoolArg = false;
  bool BoolResult = false;
  int32_t Priority = 0;
  int32_t Kind = 0;
};

// The tokens of one expression in order.
class TQeExpression {
 public:
  // Both throw vorn::Exception when ReqBoolArg is set without AllowBoolArg; nothing is added.
  void Add(const TQeOperand& operand);
  void Add(std::string text, bool is_operand, int32_t arg_count, bool req_bool_arg,
           bool allow_bool_arg, bool bool_result, int32_t priority, int32_t kind);
  // A copy of entry `index`; throws vorn::Exception outside 0 to Count()-1.
  TQeOperand GetOperand(int32_t index) const;
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }

 private:
  std::vector<TQeOperand> items_;
};

// A stack of tokens; the top is entry Count()-1.
class TQeOperationStack {
 public:
  void Push(const TQeOperand& operand) { items_.push_back(operand); }
  // Removes and returns the top; throws vorn::Exception on an empty stack.
  TQeOperand Pull();
  // A copy of entry `index`; throws vorn::Exception outside 0 to Count()-1.
  TQeOperand GetOperation(int32_t index) const;
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }

 private:
  std::vector<TQeOperand> items_;
};

struct ScannedOperand {
  TQeOperandKind Kind = okInvalid;
  std::string Token;  // the operand's text (a "." field separator already ":" when asked)
  std::string Rest;   // the text after it; the whole trimmed text when nothing was read
};

// Reads one operand from the front of `text` after trimming it. The report supplies the
// quote tests; `dot_as_colon` is the eoDotAsColon option.
ScannedOperand ScanOperand(const TQeBaseReport& report, std::string_view text, bool dot_as_colon);

struct ScannedOperator {
  std::string Op;  // the symbol; prefix signs are "u+" and "u-"
  std::string Rest;
};

// Reads one operator from the front of `text` after trimming it; nullopt when none is
// there. With `unary_allowed` a "+" or "-" is a prefix sign.
std::optional<ScannedOperator> ScanOperator(std::string_view text, bool unary_allowed);

// Turns an infix expression into its call form, nested calls of the SYS_ operator
// functions whose first argument is the right-hand operand: "A-B" gives "SYS_SUB(B,A)".
// Throws EIllegalFunctionUse for every syntax error.
std::string ConvertExpression(const TQeBaseReport& report, std::string_view text,
                              bool dot_as_colon);

}  // namespace vorn
