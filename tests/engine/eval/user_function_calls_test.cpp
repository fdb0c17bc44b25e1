#include <gtest/gtest.h>

#include "engine/conscom/exceptions.h"
#include "imaging/picture_decoders.h"
#include "platform/system/stream.h"
#include "tests/engine/eval/eval_fixture.h"

namespace vorn::testing {
namespace {

class UserFunctionCallsTest : public EvalTest {
 protected:
  TQeUDF& Add(const char* name, TQeUDFResultType type, uint16_t max_args,
              TQeUDFOnCalculate handler = {}) {
    TQeUDF& function = list_.Functions().Add();
    function.SetName(name);
    function.SetArgMaxCount(max_args);
    function.SetResultType(type);
    function.OnCalculate = std::move(handler);
    return function;
  }

  void Start() {
    report_.SetUDFList(&list_);
    table_ = MakeTable("T", {{"PRICE", ftFloat}}, {{"12.5"}});
    Run({table_.get()});
  }

  TQeUDFList list_;
  std::unique_ptr<TMemoryTable> table_;
};

TEST_F(UserFunctionCallsTest, ArgumentsArriveAsTheirObjects) {
  std::string seen;
  Add("F", udfrTQeReportVariable, 4,
      [&seen, this](TQeBaseReport& sender, const TQeUDFArgs& args, int32_t count,
                    TQeUDFObject result) {
        EXPECT_EQ(count, 4);
        const TField* field = std::get<TField*>(args[0]);
        const TQeReportVariable* text = std::get<TQeReportVariable*>(args[1]);
        const TQeReportVariable* number = std::get<TQeReportVariable*>(args[2]);
        const TQeReportVariable* total = std::get<TQeReportVariable*>(args[3]);
        seen = field->FieldName() + "|" + text->Text() + "|" + number->Text() + "|" +
               (total->Standalone() ? "value" : "reference " + total->Name());
        EXPECT_EQ(text->DataType(), VarDataType::kString);
        EXPECT_EQ(number->DataType(), VarDataType::kNumber);
        EXPECT_EQ(&sender, &report_);
        std::get<TQeReportVariable*>(result)->SetAsFloat(field->AsFloat() * number->AsFloat());
      });
  Start();
  report_.AddNumberVariable("TOTAL", 0);
  const Evaluated value = Eval("F(A:PRICE,'x',2,TOTAL)");
  EXPECT_EQ(seen, "PRICE|x|2|reference TOTAL");
  EXPECT_EQ(value.text, "25");
  // Its result is an operand like any value.
  EXPECT_EQ(Text("F(A:PRICE,'x',2,TOTAL)+1"), "26");
}

TEST_F(UserFunctionCallsTest, MissingReferenceStopsTheCallBeforeTheHandler) {
  bool called = false;
  Add("F", udfrTQeReportVariable, 1,
      [&called](TQeBaseReport&, const TQeUDFArgs&, int32_t, TQeUDFObject) { called = true; });
  Start();
  EXPECT_EQ(Error<EIllegalFunctionUse>("F(NOSUCH)"),
            "Illegal function use: F(NOSUCH) - report variable NOSUCH not found");
  EXPECT_FALSE(called);
}

TEST_F(UserFunctionCallsTest, EveryResultType) {
  int nil_calls = 0;
  Add("NOTHING", udfrNil, 0,
      [&nil_calls](TQeBaseReport&, const TQeUDFArgs&, int32_t, TQeUDFObject result) {
        EXPECT_TRUE(std::holds_alternative<std::monostate>(result));
        ++nil_calls;
      });
  Add("PIC", udfrTPicture, 0, [](TQeBaseReport&, const TQeUDFArgs&, int32_t, TQeUDFObject result) {
    EXPECT_NE(std::get<Picture*>(result), nullptr);
  });
  Add("RTF", udfrTMemoryStream, 0,
      [](TQeBaseReport&, const TQeUDFArgs&, int32_t, TQeUDFObject result) {
        std::get<TMemoryStream*>(result)->Write(std::string_view("{\\b x}"));
      });
  Add("EMPTY", udfrTQeReportVariable, 0);
  Start();

  EXPECT_FALSE(Eval("NOTHING()").has_value);
  EXPECT_EQ(nil_calls, 1);
  const Evaluated empty = Eval("EMPTY()");
  EXPECT_TRUE(empty.has_value);
  EXPECT_EQ(empty.text, "");
  EXPECT_EQ(empty.type, VarDataType::kNone);

  Compile("RTF()");
  {
    CompiledStream& stream = report_.Stream();
    stream.ReadHeader();
    const TQeExprHead head = report_.ReadExprStart();
    EvaluationObjects objects;
    const EvaluationResult result = EvaluateExpression(report_, head.Row.Text, objects);
    ASSERT_TRUE(std::holds_alternative<TMemoryStream*>(result.Value));
    EXPECT_EQ(std::get<TMemoryStream*>(result.Value)->Bytes(), "{\\b x}");
  }
  Compile("PIC()");
  {
    CompiledStream& stream = report_.Stream();
    stream.ReadHeader();
    const TQeExprHead head = report_.ReadExprStart();
    EvaluationObjects objects;
    const EvaluationResult result = EvaluateExpression(report_, head.Row.Text, objects);
    ASSERT_TRUE(std::holds_alternative<Picture*>(result.Value));
    EXPECT_TRUE(std::get<Picture*>(result.Value)->Empty());
  }
  // Built-ins refuse pictures, streams and nothing as operands.
  EXPECT_EQ(Error<Exception>("TRIM(PIC())"),
            "Operand type unknown. Function \"TRIM\", expression TRIM(PIC())");
  EXPECT_EQ(Error<Exception>("RTF()='x'"),
            "Operand type unknown. Operation \"=\", expression RTF()='x'");
  EXPECT_EQ(Error<Exception>("EMPTY()+1"),
            "Operand type unknown. Operation \"+\", expression EMPTY()+1");
}

TEST_F(UserFunctionCallsTest, UnsupportedResultTypeFailsBeforeTheHandler) {
  bool called = false;
  Add("ODD", static_cast<TQeUDFResultType>(7), 0,
      [&called](TQeBaseReport&, const TQeUDFArgs&, int32_t, TQeUDFObject) { called = true; });
  Start();
  EXPECT_EQ(Error<EIllegalFunctionUse>("ODD()"),
            "Result type defined in functionODD is not supported");
  EXPECT_FALSE(called);
}

TEST_F(UserFunctionCallsTest, UserFunctionReplacesABuiltIn) {
  Add("TRIM", udfrTQeReportVariable, 1,
      [](TQeBaseReport&, const TQeUDFArgs&, int32_t, TQeUDFObject result) {
        std::get<TQeReportVariable*>(result)->SetAsString("mine");
      });
  Start();
  EXPECT_EQ(Text("TRIM(' a ')"), "mine");
}

TEST_F(UserFunctionCallsTest, HandlerErrorsPassThrough) {
  Add("BAD", udfrTQeReportVariable, 0,
      [](TQeBaseReport&, const TQeUDFArgs&, int32_t, TQeUDFObject) {
        throw EIOError("handler failed");
      });
  Start();
  EXPECT_EQ(Error<EIOError>("BAD()+1"), "handler failed");
}

}  // namespace
}  // namespace vorn::testing
