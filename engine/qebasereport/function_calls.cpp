#include "engine/qebasereport/function_calls.h"

#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/base_rtf_report.h"
#include "engine/qebasereport/expression_parser.h"
#include "engine/qebasereport/tag_classifier.h"

namespace vorn {

namespace {

TQeRowContent OperandRow(std::string text) {
  TQeRowContent row;
  row.Text = std::move(text);
  return row;
}

void CompileCall(TQeBaseRTFReport& report, int32_t id, const std::vector<std::string>& args,
                 int depth);

void CompileNestedCall(TQeBaseRTFReport& report, const std::string& text, int depth) {
  if (depth >= kMaxCallDepth) {
    throw EIllegalFunctionUse("Expression is nested too deeply: " + text);
  }
  const std::optional<FunctionCall> call = ParseFunctionCall(report, text);
  if (!call) throw EIllegalFunctionUse("Function not found: " + text);
  CompileCall(report, call->Id, call->Args, depth + 1);
}

void CompileArgument(TQeBaseRTFReport& report, const std::string& arg, int depth) {
  const TagClass tag = ClassifyTag(report, arg);
  if (tag.Format.FormatId > 0) {
    throw EIllegalFunctionUse("Illegal function use: expression " + tag.Text +
                              " has format function " +
                              std::string(FindFormatFunction(tag.Format.FormatId)->Name) +
                              ", which is not allowed within another expression");
  }
  switch (tag.Kind) {
    case okVariable:
    case okNumber:
    case okBoolean:
    case okDate:
      report.WriteOperand(tag.Kind, OperandRow(tag.Text));
      return;
    case okString:
      report.WriteOperand(okString, OperandRow(tag.Text.substr(1, tag.Text.size() - 2)));
      return;
    case okFieldDot:
    case okField: {
      FieldReference field = SplitFieldReference(tag.Kind, tag.Text);
      TQeRowContent row = OperandRow(std::move(field.Field));
      row.Alias = std::move(field.Alias);
      report.WriteOperand(tag.Kind, row);
      return;
    }
    case okFunction:
      CompileNestedCall(report, tag.Text, depth);
      return;
    case okExpression:
      CompileNestedCall(
          report, ConvertExpression(report, tag.Text, report.Options().Has(eoDotAsColon)), depth);
      return;
    default:
      throw EIllegalFunctionUse("Cannot use " + (tag.Text.empty() ? "empty string" : tag.Text) +
                                " as argument for another expression");
  }
}

void CompileCall(TQeBaseRTFReport& report, int32_t id, const std::vector<std::string>& args,
                 int depth) {
  for (const std::string& arg : args) CompileArgument(report, arg, depth);
  report.WriteCall({id, static_cast<int32_t>(args.size())});
}

}  // namespace

SplitArgumentsResult SplitArguments(const TQeBaseReport& report, std::string_view text) {
  SplitArgumentsResult result;
  if (TrimControl(text).empty()) return result;
  std::string current;
  int depth = 0;
  bool quoted = false;
  unsigned char opener = 0;
  // The closing "," of the last argument is implied.
  const std::string walk = std::string(text) + ",";
  for (const char ch : walk) {
    const auto c = static_cast<unsigned char>(ch);
    if (quoted) {
      current += ch;
      if (report.IsQuoteClose(opener, c)) quoted = false;
    } else if (report.IsQuoteOpen(c)) {
      current += ch;
      quoted = true;
      opener = c;
    } else if (c == '(') {
      ++depth;
      current += ch;
    } else if (c == ')') {
      if (--depth < 0) {
        result.Args.push_back(std::move(current));
        result.Balanced = false;
        return result;
      }
      current += ch;
    } else if (c == ',' && depth == 0) {
      result.Args.push_back(std::move(current));
      current.clear();
    } else {
      current += ch;
    }
  }
  if (depth > 0) {
    result.Args.push_back(std::move(current));
    result.Balanced = false;
  }
  return result;
}

std::optional<FunctionCall> ParseFunctionCall(const TQeBaseReport& report, std::string_view text) {
  std::string name;
  std::string_view arg_text;
  if (text.size() > 2 && text.front() == '(' && text.back() == ')') {
    // A bracketed expression calls the nameless grouping function.
    arg_text = text.substr(1, text.size() - 2);
  } else {
    const size_t open =
        text.empty() ? std::string_view::npos : text.substr(0, text.size() - 1).find('(');
    if (open == std::string_view::npos || text.back() != ')') return std::nullopt;
    name = UpperAscii(TrimControl(text.substr(0, open)));
    arg_text = text.substr(open + 1, text.size() - open - 2);
  }
  const std::optional<int32_t> id = LookupFunction(report, name);
  if (!id) return std::nullopt;
  SplitArgumentsResult split = SplitArguments(report, arg_text);
  const std::string call(text);
  if (!split.Balanced) {
    throw EIllegalFunctionUse("Brackets balance violation in function " + call);
  }
  const auto count = static_cast<int32_t>(split.Args.size());
  if (count < GetArgMinCount(report, *id)) {
    throw EIllegalFunctionUse("Illegal function use: " + call +
                              " - number of arguments is less than minimum required");
  }
  if (count > GetArgMaxCount(report, *id)) {
    throw EIllegalFunctionUse("Illegal function use: " + call +
                              " - number of arguments is more than maximum allowed");
  }
  return FunctionCall{*id, std::move(split.Args)};
}

void CompileArguments(TQeBaseRTFReport& report, int32_t id, const std::vector<std::string>& args) {
  CompileCall(report, id, args, 1);
}

bool CompileExpressionTag(TQeBaseRTFReport& report, std::string_view call_text,
                          std::string_view expression_text, std::string_view format_text,
                          const FormatDescriptor& format, const ExpressionUse& use) {
  const std::optional<FunctionCall> call = ParseFunctionCall(report, call_text);
  if (!call) return false;
  if (!FormatConforms(report, call->Id, format)) {
    const TQeBaseFormatIDs* row = FindFormatFunction(format.FormatId);
    throw EIllegalFunctionUse("Format function " + std::string(row != nullptr ? row->Name : "") +
                              " doesn't conform to it's expression: " + std::string(call_text));
  }
  TQeExprHead head;
  head.Row.Text = std::string(expression_text);
  head.Row.FormatText = std::string(format_text);
  head.Row.FormatId = format.FormatId;
  head.Row.Precision = format.Precision;
  head.Row.Digits = format.Digits;
  head.Row.Index = call->Id;
  head.Row.IsOperand = false;
  head.Row.NotFound = false;
  head.Row.Resolved = true;
  head.OutputResult = use.OutputResult;
  head.StoreCondition = use.StoreCondition;
  head.BlockId = use.BlockId;
  report.WriteExprStart(head);
  CompileArguments(report, call->Id, call->Args);
  report.WriteExprEnd();
  return true;
}

}  // namespace vorn
