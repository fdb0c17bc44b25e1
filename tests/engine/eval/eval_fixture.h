#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/memory_table.h"
#include "engine/qebasereport/expression_parser.h"
#include "engine/qebasereport/function_calls.h"
#include "engine/qebasereport/tag_classifier.h"
#include "engine/qertf/evaluator.h"
#include "engine/qertf/qertf.h"
#include "engine/qertf/scan_info.h"
#include "platform/text/format_settings.h"

namespace vorn::testing {

// A report in the middle of a run, so that expressions see its datasets.
class EvalReport : public TQeRTF {
 public:
  using TQeBaseReport::BeginRun;
  using TQeBaseReport::EndRun;

  // A run's template pass replaced by the test's own steps, which then see the run's
  // block stack.
  std::function<void()> InRun;
  void ProcessTemplate() override {
    if (InRun) InRun();
  }
};

// The outcome of one evaluation, read before its objects go.
struct Evaluated {
  bool has_value = false;
  std::string text;  // the canonical text
  VarDataType type = VarDataType::kNone;
  int32_t function_id = 0;
};

// Compiles expressions as the template compiler does and evaluates them.
class EvalTest : public ::testing::Test {
 protected:
  EvalTest() : saved_settings_(DefaultFormatSettings()) {
    SetDefaultFormatSettings(FormatSettings::CLocale());
  }
  ~EvalTest() override {
    report_.EndRun();
    SetDefaultFormatSettings(saved_settings_);
  }

  void Run(std::vector<TDataSet*> datasets = {}) { report_.BeginRun(datasets); }

  // Writes the records of `expression` into a fresh compiled stream and returns to its head.
  void Compile(std::string_view expression) {
    CompiledStream& stream = report_.Stream();
    stream.Create();
    const TagClass tag = ClassifyTag(report_, expression);
    const std::string call_text =
        tag.Kind == okExpression
            ? ConvertExpression(report_, tag.Text, report_.Options().Has(eoDotAsColon))
            : tag.Text;
    ASSERT_TRUE(CompileExpressionTag(report_, call_text, expression, "", tag.Format)) << expression;
    stream.Rewind();
  }

  // Compiles a call text as it stands, as a function-call tag is compiled.
  void CompileCall(std::string_view call_text) {
    report_.Stream().Create();
    ASSERT_TRUE(CompileExpressionTag(report_, call_text, call_text, "", {})) << call_text;
    report_.Stream().Rewind();
  }

  // Evaluates the expression compiled last, from its head.
  Evaluated EvaluateCompiled() {
    CompiledStream& stream = report_.Stream();
    stream.Rewind();
    EXPECT_EQ(stream.ReadHeader(), rkExprStart);
    const TQeExprHead head = report_.ReadExprStart();
    EvaluationObjects objects;
    const EvaluationResult result = EvaluateExpression(report_, head.Row.Text, objects);
    Evaluated out;
    out.function_id = result.FunctionId;
    if (auto* const* value = std::get_if<TQeReportVariable*>(&result.Value);
        value != nullptr && *value != nullptr) {
      out.has_value = true;
      out.text = (*value)->Text();
      out.type = (*value)->DataType();
    }
    return out;
  }

  Evaluated Eval(std::string_view expression) {
    Compile(expression);
    return EvaluateCompiled();
  }

  struct Expected {
    const char* expression;
    const char* text;
  };
  // Each expression's canonical text, and its type unless `type` is none.
  void ExpectTexts(std::initializer_list<Expected> cases, VarDataType type = VarDataType::kNone) {
    for (const Expected& c : cases) {
      const Evaluated value = Eval(c.expression);
      EXPECT_EQ(value.text, c.text) << c.expression;
      if (type != VarDataType::kNone) {
        EXPECT_EQ(value.type, type) << c.expression;
      }
    }
  }

  // The canonical text of the expression's value.
  std::string Text(std::string_view expression) { return Eval(expression).text; }

  // The message of the error of type E that evaluating `expression` raises.
  template <typename E>
  std::string Error(std::string_view expression) {
    Compile(expression);
    try {
      EvaluateCompiled();
    } catch (const E& error) {
      return error.what();
    } catch (const std::exception& other) {
      return std::string("wrong exception type: ") + other.what();
    }
    return "no error";
  }

  std::string Variable(std::string_view name) {
    const int position = report_.FindVariable(name);
    return position == 0 ? "<missing>" : report_.VariableText(position);
  }
  VarDataType VariableType(std::string_view name) {
    const int position = report_.FindVariable(name);
    return position == 0 ? VarDataType::kNone : report_.VariableType(position);
  }

  EvalReport report_;

 private:
  FormatSettings saved_settings_;
};

// A memory table with one record per row; each row's cells are texts in field order.
inline std::unique_ptr<TMemoryTable> MakeTable(std::string name, std::vector<TFieldDef> fields,
                                               std::vector<std::vector<std::string>> rows) {
  auto table = std::make_unique<TMemoryTable>();
  table->SetName(std::move(name));
  for (TFieldDef& field : fields) table->AddFieldDef(std::move(field));
  table->CreateDataSet();
  for (const auto& row : rows) {
    table->Append();
    for (size_t i = 0; i < row.size(); ++i) {
      table->Field(static_cast<int>(i)).SetAsString(row[i]);
    }
    table->Post();
  }
  table->First();
  return table;
}

}  // namespace vorn::testing
