#include "engine/qebasereport/expression_parser.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/base_report.h"

namespace vorn {

namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
// Bytes from 0xC0 start names so that names in the code page's letters work; the
// trail-byte range 0x80 to 0xBF never belongs to a name.
bool IsNameStart(unsigned char c) { return IsLetter(c) || c == '_' || c >= 0xC0; }
bool IsNameChar(unsigned char c) { return IsNameStart(c) || IsDigit(c) || c == ' '; }

unsigned char At(std::string_view text, size_t i) { return static_cast<unsigned char>(text[i]); }

struct OperatorInfo {
  std::string_view symbol;
  std::string_view call_name;  // empty for brackets
  int32_t arg_count;
  bool req_bool_arg;
  bool allow_bool_arg;
  bool bool_result;
  int32_t priority;
};

constexpr std::array<OperatorInfo, 20> kOperators{{
    {"&&", "SYS_AND", 2, true, true, true, 2},
    {"||", "SYS_OR", 2, true, true, true, 2},
    {"<=", "SYS_LTEQ", 2, false, false, true, 4},
    {"=>", "SYS_GTEQ", 2, false, false, true, 4},
    {">=", "SYS_GTEQ", 2, false, false, true, 4},
    {"<>", "SYS_NOTEQ", 2, false, true, true, 3},
    {"!=", "SYS_NOTEQ", 2, false, true, true, 3},
    {"u-", "SYS_UMINUS", 1, false, false, false, 7},
    {"u+", "SYS_UPLUS", 1, false, false, false, 7},
    {"!", "SYS_NOT", 1, true, true, true, 7},
    {"*", "SYS_MULT", 2, false, false, false, 6},
    {"/", "SYS_DIV", 2, false, false, false, 6},
    {"%", "SYS_PERCENT", 2, false, false, false, 6},
    {"+", "SYS_ADD", 2, false, false, false, 5},
    {"-", "SYS_SUB", 2, false, false, false, 5},
    {">", "SYS_GT", 2, false, false, true, 4},
    {"<", "SYS_LT", 2, false, false, true, 4},
    {"=", "SYS_EQ", 2, false, true, true, 3},
    {"(", "", 0, false, false, false, 0},
    {")", "", 0, false, false, false, 1},
}};

const OperatorInfo& FindOperator(std::string_view symbol) {
  for (const OperatorInfo& info : kOperators) {
    if (info.symbol == symbol) return info;
  }
  // ScanOperator only yields symbols of the table.
  return kOperators.back();
}

bool IsPrefix(std::string_view op) { return op == "u+" || op == "u-" || op == "!"; }
bool IsArithmetic(std::string_view op) {
  return op == "+" || op == "-" || op == "*" || op == "/" || op == "%";
}
bool IsComparison(std::string_view op) {
  return op == "=" || op == "<>" || op == "!=" || op == "<" || op == ">" || op == "<=" ||
         op == ">=" || op == "=>";
}

// Which operator may directly follow another one.
bool MayFollow(std::string_view previous, std::string_view op) {
  if (IsArithmetic(previous) || IsComparison(previous)) {
    return op == "(" || op == "u+" || op == "u-";
  }
  if (previous == "&&" || previous == "||") return op == "!" || op == "(";
  if (previous == "u+" || previous == "u-") return op == "(";
  if (previous == "!") return op == "!" || op == "(";
  if (previous == "(") return IsPrefix(op) || op == "(";
  if (previous == ")") return !IsPrefix(op) && op != "(";
  return false;
}

// The length of the number literal at the front of `text`, or 0 when none is there.
size_t ReadNumber(std::string_view text) {
  bool fraction = false;
  bool exponent = false;
  bool exponent_digits = false;
  bool exponent_sign = false;
  size_t taken = 1;
  for (size_t i = 1; i < text.size(); ++i) {
    const unsigned char c = At(text, i);
    const unsigned char p = At(text, i - 1);
    bool take = false;
    if (!exponent) {
      if ((IsDigit(p) || i == 1) && !fraction) {
        take = IsDigit(c) || c == '.' || c == 'E' || c == 'e';
      } else if ((IsDigit(p) || i == 1) && fraction) {
        take = IsDigit(c) || c == 'E' || c == 'e';
      } else if (p == '.' && !fraction && IsDigit(c)) {
        take = fraction = true;
      } else if ((p == 'E' || p == 'e') && (IsDigit(c) || c == '+' || c == '-')) {
        take = exponent = true;
      }
    } else if (IsDigit(p) && IsDigit(c)) {
      take = exponent_digits = true;
    } else if (!exponent_digits && !exponent_sign && (p == '+' || p == '-') && IsDigit(c)) {
      take = exponent_sign = true;
    }
    if (!take) break;
    taken = i + 1;
  }
  return IsDigit(At(text, taken - 1)) ? taken : 0;
}

bool IsDateLiteral(std::string_view t) {
  if (t.size() < 12 || t[0] != '{' || t[11] != '}' || t[5] != '-' || t[8] != '-') return false;
  for (size_t i : {1, 2, 3, 4, 6, 7, 9, 10}) {
    if (!IsDigit(At(t, i))) return false;
  }
  return true;
}

// The end (exclusive) of the bracket part that opens at `open`, or npos when the text
// ends first. Quoted text does not count.
size_t MatchBracket(const TQeBaseReport& report, std::string_view t, size_t open) {
  int depth = 1;
  for (size_t i = open + 1; i < t.size(); ++i) {
    const unsigned char c = At(t, i);
    if (report.IsQuoteOpen(c)) {
      size_t j = i + 1;
      while (j < t.size() && !report.IsQuoteClose(c, At(t, j))) ++j;
      i = j;
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')' && --depth == 0) return i + 1;
  }
  return std::string_view::npos;
}

// The end (exclusive) of a field reference whose separator stands at `sep`, or npos.
size_t FieldEnd(std::string_view t, size_t sep) {
  const size_t next = sep + 1;
  if (next < t.size() && IsNameChar(At(t, next)) && t[next] != ' ') {
    size_t end = next + 1;
    while (end < t.size() && IsNameChar(At(t, end))) ++end;
    return end;
  }
  if (next < t.size() && t[next] == '(') {
    size_t end = next + 1;
    while (end < t.size() && IsDigit(At(t, end))) ++end;
    if (end > next + 1 && end < t.size() && t[end] == ')') return end + 1;
  }
  return std::string_view::npos;
}

ScannedOperand Operand(TQeOperandKind kind, std::string_view t, size_t length) {
  return {kind, std::string(t.substr(0, length)), std::string(t.substr(length))};
}

std::optional<ScannedOperand> ScanName(const TQeBaseReport& report, std::string_view t,
                                       bool dot_as_colon) {
  size_t stop = 1;
  while (stop < t.size() && IsNameChar(At(t, stop))) ++stop;
  const bool ends_in_space = t[stop - 1] == ' ';
  if (ends_in_space) return std::nullopt;
  if (stop == t.size() || (t[stop] != '(' && t[stop] != ':' && t[stop] != '.')) {
    return Operand(okVariable, t, stop);
  }
  if (t[stop] == '(') {
    if (stop + 1 == t.size()) return std::nullopt;
    const size_t end = MatchBracket(report, t, stop);
    if (end == std::string_view::npos) return std::nullopt;
    return Operand(okFunction, t, end);
  }
  const size_t end = FieldEnd(t, stop);
  if (end == std::string_view::npos) return std::nullopt;
  if (t[stop] == ':') return Operand(okField, t, end);
  if (!dot_as_colon) return Operand(okFieldDot, t, end);
  ScannedOperand field = Operand(okField, t, end);
  field.Token[stop] = ':';
  return field;
}

constexpr std::string_view kCannotProcess = "Cannot process an expression: ";

class ExpressionConverter {
 public:
  ExpressionConverter(const TQeBaseReport& report, std::string_view text, bool dot_as_colon)
      : report_(report), expression_(TrimControl(text)), dot_as_colon_(dot_as_colon) {}

  std::string Convert() {
    ReadFirstToken();
    while (!rest_.empty()) ReadNextToken();
    CheckEnd();
    ToPostfix();
    return BuildCallForm();
  }

 private:
  [[noreturn]] void Fail(const std::string& tail) const {
    throw EIllegalFunctionUse(std::string(kCannotProcess) + expression_ + tail);
  }

  void ReadFirstToken() {
    const ScannedOperand first = ScanOperand(report_, expression_, dot_as_colon_);
    if (first.Kind == okInvalid) Fail("");
    if (first.Kind != okExpression) {
      rest_ = first.Rest;
      AddOperand(first.Token, first.Kind);
      return;
    }
    const std::optional<ScannedOperator> op = ScanOperator(expression_, true);
    if (!op || !(IsPrefix(op->Op) || op->Op == "(")) Fail("");
    rest_ = op->Rest;
    AddOperator(op->Op);
  }

  void ReadNextToken() {
    static constexpr std::string_view kOperatorStarts = "!%&()*+-/<=>|";
    if (kOperatorStarts.find(rest_.front()) != std::string_view::npos) {
      const std::optional<ScannedOperator> op = ScanOperator(rest_, unary_allowed_);
      if (!op) Fail(" error after " + processed_);
      rest_ = op->Rest;
      AddOperator(op->Op);
      return;
    }
    const ScannedOperand operand = ScanOperand(report_, rest_, dot_as_colon_);
    if (operand.Kind == okInvalid || operand.Kind == okExpression) {
      Fail(" error after " + processed_);
    }
    rest_ = operand.Rest;
    AddOperand(operand.Token, operand.Kind);
  }

  void AddOperand(const std::string& text, int32_t kind) {
    if (list_.Count() > 0) {
      const TQeOperand previous = list_.GetOperand(list_.Count() - 1);
      if (previous.IsOperand || previous.Text == ")") {
        Fail(" error after " + processed_ + " operation expected");
      }
    }
    processed_ += text;
    TQeOperand operand;
    operand.Text = text;
    operand.IsOperand = true;
    operand.Kind = kind;
    list_.Add(operand);
    unary_allowed_ = false;
  }

  void AddOperator(const std::string& op) {
    if (list_.Count() > 0) {
      const TQeOperand previous = list_.GetOperand(list_.Count() - 1);
      const bool allowed =
          previous.IsOperand ? (op != "!" && op != "(") : MayFollow(previous.Text, op);
      if (!allowed) Fail(" error after " + processed_ + " \"" + op + "\" not expected");
    }
    const OperatorInfo& info = FindOperator(op);
    if (op == "(") ++bracket_depth_;
    if (op == ")" && --bracket_depth_ < 0) {
      Fail(" - number of \")\" is more than number of \"(\" brackets");
    }
    if (op == "(") {
      unary_allowed_ = true;
    } else if (info.arg_count == 2) {
      unary_allowed_ = op != "&&" && op != "||";
    } else {
      unary_allowed_ = false;
    }
    processed_ += op;
    TQeOperand token;
    token.Text = op;
    token.IsOperand = false;
    token.ArgCount = info.arg_count;
    token.ReqBoolArg = info.req_bool_arg;
    token.AllowBoolArg = info.allow_bool_arg;
    token.BoolResult = info.bool_result;
    token.Priority = info.priority;
    list_.Add(token);
  }

  void CheckEnd() const {
    if (bracket_depth_ > 0) Fail(" \")\" expected");
    const TQeOperand last = list_.GetOperand(list_.Count() - 1);
    if (!last.IsOperand && last.Text != ")") {
      throw EIllegalFunctionUse("Unexpected end of expression: " + expression_);
    }
  }

  void ToPostfix() {
    TQeOperationStack operators;
    for (int32_t i = 0; i < list_.Count(); ++i) {
      const TQeOperand token = list_.GetOperand(i);
      if (token.IsOperand) {
        postfix_.Add(token);
      } else if (token.Text == "(" || IsPrefix(token.Text)) {
        operators.Push(token);
      } else if (token.Text == ")") {
        while (operators.GetOperation(operators.Count() - 1).Text != "(") {
          postfix_.Add(operators.Pull());
        }
        operators.Pull();
      } else {
        while (operators.Count() > 0 &&
               operators.GetOperation(operators.Count() - 1).Priority >= token.Priority) {
          postfix_.Add(operators.Pull());
        }
        operators.Push(token);
      }
    }
    while (operators.Count() > 0) postfix_.Add(operators.Pull());
  }

  std::string BuildCallForm() {
    const TQeOperand last = postfix_.GetOperand(postfix_.Count() - 1);
    if (last.IsOperand) {
      throw EIllegalFunctionUse("Operation or function name missed in expression: " + expression_ +
                                ", operand: " + last.Text);
    }
    TQeOperationStack values;
    std::vector<int> depths;  // call depth of each value on the stack
    for (int32_t i = 0; i < postfix_.Count(); ++i) {
      TQeOperand token = postfix_.GetOperand(i);
      if (token.IsOperand) {
        values.Push(token);
        depths.push_back(0);
        continue;
      }
      std::string call = std::string(FindOperator(token.Text).call_name) + "(";
      int depth = 0;
      for (int32_t k = 0; k < token.ArgCount; ++k) {
        if (k > 0) call += ",";
        call += values.Pull().Text;
        depth = std::max(depth, depths.back());
        depths.pop_back();
      }
      call += ")";
      if (++depth > kMaxCallDepth) {
        throw EIllegalFunctionUse("Expression is nested too deeply: " + expression_);
      }
      TQeOperand result;
      result.Text = std::move(call);
      result.IsOperand = true;
      result.Kind = okFunction;
      values.Push(result);
      depths.push_back(depth);
    }
    return values.Pull().Text;
  }

  const TQeBaseReport& report_;
  const std::string expression_;
  const bool dot_as_colon_;
  std::string rest_;
  std::string processed_;
  int bracket_depth_ = 0;
  bool unary_allowed_ = true;
  TQeExpression list_;
  TQeExpression postfix_;
};

}  // namespace

void TQeExpression::Add(const TQeOperand& operand) {
  if (operand.ReqBoolArg && !operand.AllowBoolArg) {
    throw Exception(
        "TQeExpression Add  - cannot set AllowBoolArg to false when ReqBoolArg is true");
  }
  items_.push_back(operand);
}

void TQeExpression::Add(std::string text, bool is_operand, int32_t arg_count, bool req_bool_arg,
                        bool allow_bool_arg, bool bool_result, int32_t priority, int32_t kind) {
  Add(TQeOperand{std::move(text), is_operand, arg_count, req_bool_arg, allow_bool_arg, bool_result,
                 priority, kind});
}

TQeOperand TQeExpression::GetOperand(int32_t index) const {
  if (index < 0 || index >= Count()) {
    throw Exception("TQeExpression GetOperand " + std::to_string(index) +
                    " - invalid index of operand");
  }
  return items_[static_cast<size_t>(index)];
}

TQeOperand TQeOperationStack::GetOperation(int32_t index) const {
  if (index < 0 || index >= Count()) {
    throw Exception("TQeOperationStack GetOperation " + std::to_string(index) +
                    " - invalid index of operation");
  }
  return items_[static_cast<size_t>(index)];
}

TQeOperand TQeOperationStack::Pull() {
  TQeOperand top = GetOperation(Count() - 1);
  items_.pop_back();
  return top;
}

ScannedOperand ScanOperand(const TQeBaseReport& report, std::string_view text, bool dot_as_colon) {
  const std::string_view t = TrimControl(text);
  const ScannedOperand none{okInvalid, "", std::string(t)};
  static constexpr std::string_view kNeverFirst = "):<>=*/%";
  if (t.empty() || kNeverFirst.find(t[0]) != std::string_view::npos) return none;
  if (IsDateLiteral(t)) return Operand(okDate, t, 12);
  // Nothing checks that the word ends after TRUE or FALSE.
  if (t.size() >= 4 && UpperAscii(t.substr(0, 4)) == "TRUE") {
    return {okBoolean, "TRUE", std::string(t.substr(4))};
  }
  if (t.size() >= 5 && UpperAscii(t.substr(0, 5)) == "FALSE") {
    return {okBoolean, "FALSE", std::string(t.substr(5))};
  }
  const unsigned char first = At(t, 0);
  if (IsDigit(first) || first == '+' || first == '-' || first == '.') {
    if (const size_t length = ReadNumber(t); length > 0) return Operand(okNumber, t, length);
  }
  if (t.size() >= 2 && report.IsQuoteOpen(first)) {
    for (size_t j = 1; j < t.size(); ++j) {
      if (report.IsQuoteClose(first, At(t, j))) return Operand(okString, t, j + 1);
    }
  }
  if (IsNameStart(first)) {
    if (std::optional<ScannedOperand> name = ScanName(report, t, dot_as_colon)) return *name;
  }
  if (first == '(' || first == '+' || first == '-' || first == '!') {
    return {okExpression, "", std::string(t)};
  }
  return none;
}

std::optional<ScannedOperator> ScanOperator(std::string_view text, bool unary_allowed) {
  const std::string_view t = TrimControl(text);
  if (t.empty()) return std::nullopt;
  if (t.size() >= 2) {
    const std::string_view two = t.substr(0, 2);
    for (std::string_view op : {"&&", "||", "<=", "=>", ">=", "<>", "!="}) {
      if (two == op) return ScannedOperator{std::string(op), std::string(t.substr(2))};
    }
  }
  static constexpr std::string_view kSingle = "!%()*+-/<=>";
  if (kSingle.find(t[0]) == std::string_view::npos) return std::nullopt;
  std::string op(1, t[0]);
  if (unary_allowed && (op == "+" || op == "-")) op = "u" + op;
  return ScannedOperator{op, std::string(t.substr(1))};
}

std::string ConvertExpression(const TQeBaseReport& report, std::string_view text,
                              bool dot_as_colon) {
  return ExpressionConverter(report, text, dot_as_colon).Convert();
}

}  // namespace vorn
