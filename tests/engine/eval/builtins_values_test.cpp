#include <gtest/gtest.h>

#include "engine/conscom/exceptions.h"
#include "platform/system/stream.h"
#include "tests/engine/eval/eval_fixture.h"

namespace vorn::testing {
namespace {

class ValueFunctionsTest : public EvalTest {
 protected:
  void SetUp() override {
    table_ = MakeTable("T", {{"NAME", ftString, 10}, {"AMOUNT", ftBCD}, {"PRICE", ftFloat}},
                       {{"Tea", "1", "10"}, {"Rice", "2", "20"}, {"Salt", "3", "30"}});
    Run({table_.get()});
  }
  std::unique_ptr<TMemoryTable> table_;
};

TEST_F(ValueFunctionsTest, SetStoresTheValueWithItsType) {
  report_.AddTextVariable("X", "old");
  EXPECT_FALSE(Eval("SET(X,1+1)").has_value);
  EXPECT_EQ(Variable("X"), "2");
  EXPECT_EQ(VariableType("X"), VarDataType::kNumber);
  Eval("SET(X,{2024-01-31})");
  EXPECT_EQ(Variable("X"), "{2024-01-31,00:00:00:000}");
  EXPECT_EQ(VariableType("X"), VarDataType::kDateTime);
  Eval("SET(X,1.50)");
  EXPECT_EQ(Variable("X"), "1.5");
  Eval("SET(X,A:NAME)");
  EXPECT_EQ(Variable("X"), "Tea");
  EXPECT_EQ(VariableType("X"), VarDataType::kString);
  Eval("SET(X,1>0)");
  EXPECT_EQ(Variable("X"), "True");
  EXPECT_EQ(VariableType("X"), VarDataType::kBoolean);
}

TEST_F(ValueFunctionsTest, SetErrorsInCheckOrder) {
  report_.AddTextVariable("X", "");
  const std::pair<const char*, const char*> use_errors[] = {
      {"SET(A.NAME,1)",
       "Illegal function use: SET(A.NAME,1) - variable expected as a first "
       "argument of function \"SET\""},
      {"SET('X',1)",
       "Illegal function use: SET('X',1) - variable identifier expected as a "
       "first argument of function \"SET\""},
  };
  for (const auto& [expression, message] : use_errors) {
    EXPECT_EQ(Error<EIllegalFunctionUse>(expression), message);
  }
  EXPECT_EQ(Error<Exception>("SET(X,NEXT(A))"),
            "Second operand type unknown. Function \"SET\", expression SET(X,NEXT(A))");
  EXPECT_EQ(Error<Exception>("SET(X,A:AMOUNT)"),
            "Operand type unknown. Function \"SET\", expression SET(X,A:AMOUNT)");
  EXPECT_EQ(Error<EIOError>("SET(NOSUCH,1)"), "Set variable: report variable not found: NOSUCH");
}

TEST_F(ValueFunctionsTest, VarDeclaresOnlyWhatIsMissing) {
  report_.AddNumberVariable("KEEP", 5);
  EXPECT_FALSE(Eval("VAR(X,Y,KEEP)").has_value);
  EXPECT_EQ(Variable("X"), "");
  EXPECT_EQ(VariableType("Y"), VarDataType::kString);
  EXPECT_EQ(Variable("KEEP"), "5");
  EXPECT_EQ(Error<EIllegalFunctionUse>("VAR(Z,'X')"),
            "Illegal function use: VAR(Z,'X') - VAR function may be used only with variable "
            "identifiers");
  // The arguments are all checked before any is declared.
  EXPECT_EQ(Variable("Z"), "<missing>");
}

TEST_F(ValueFunctionsTest, IifTakesTheChosenValuesType) {
  const Evaluated yes = Eval("IIF(1>0,'yes',2)");
  EXPECT_EQ(yes.text, "yes");
  EXPECT_EQ(yes.type, VarDataType::kString);
  const Evaluated two = Eval("IIF(1<0,'yes',2)");
  EXPECT_EQ(two.text, "2");
  EXPECT_EQ(two.type, VarDataType::kNumber);
  EXPECT_EQ(Text("IIF(TRUE,A:PRICE,'x')"), "10");
  EXPECT_EQ(Eval("IIF(TRUE,A:AMOUNT,1)").type, VarDataType::kNone);
  EXPECT_EQ(Error<Exception>("IIF(1,2,3)"),
            "First operand of boolean type expected in function \"IIF\", expression IIF(1,2,3)");
  EXPECT_EQ(Error<Exception>("IIF(TRUE,1,NEXT(A))"),
            "Third operand type unknown. Function \"IIF\", expression IIF(TRUE,1,NEXT(A))");
  EXPECT_EQ(Error<Exception>("IIF(NEXT(A),1,2)"),
            "First operand type unknown. Function \"IIF\", expression IIF(NEXT(A),1,2)");
}

TEST_F(ValueFunctionsTest, IfReadsOnlyTrueTexts) {
  ExpectTexts({{"IF(1)", "False"},
               {"IF('TRUE')", "True"},
               {"IF('true')", "True"},
               {"IF('yes')", "False"},
               {"WHILE(2>1)", "True"}},
              VarDataType::kBoolean);
  report_.SetTrueValue("Ja");
  EXPECT_EQ(Text("IF('Ja')"), "Ja");
  EXPECT_EQ(Error<Exception>("IF(NEXT(A))"),
            "Operand type unknown. Function \"IF\", expression IF(NEXT(A))");
}

TEST_F(ValueFunctionsTest, AggregatesOutsideBlocksCopyTheCurrentValue) {
  Eval("SUM(A:PRICE,TOTAL)");
  EXPECT_EQ(Variable("TOTAL"), "10");
  EXPECT_EQ(VariableType("TOTAL"), VarDataType::kNumber);
  table_->Next();
  Eval("SUM(A:PRICE,TOTAL)");
  EXPECT_EQ(Variable("TOTAL"), "20");
}

TEST_F(ValueFunctionsTest, AggregatesWithNoResetAddOverThreeRecords) {
  for (int i = 0; i < 3; ++i) {
    Eval("SUM(A:PRICE,TOTAL,NORESET)");
    Eval("CTN(A:PRICE-20,NONZERO,noreset)");
    Eval("CTS(A:NAME,NAMES, NORESET )");
    table_->Next();
  }
  EXPECT_EQ(Variable("TOTAL"), "60");
  EXPECT_EQ(Variable("NONZERO"), "2");
  EXPECT_EQ(Variable("NAMES"), "3");
  // At the end of the data a field adds nothing.
  ASSERT_TRUE(table_->Eof());
  Eval("SUM(A:PRICE,TOTAL,NORESET)");
  Eval("CTS(A:NAME,NAMES,NORESET)");
  EXPECT_EQ(Variable("TOTAL"), "60");
  EXPECT_EQ(Variable("NAMES"), "3");
}

TEST_F(ValueFunctionsTest, CountersSkipZeroAndBlankValues) {
  for (const char* value : {"0", "-1", "2.5", "0"}) {
    Eval(std::string("CTN(") + value + ",N,NORESET)");
  }
  EXPECT_EQ(Variable("N"), "2");
  for (const char* value : {"'  '", "'x'", "''"}) {
    Eval(std::string("CTS(") + value + ",S,NORESET)");
  }
  EXPECT_EQ(Variable("S"), "1");
}

TEST_F(ValueFunctionsTest, AggregatesResetAtTheFirstRepetitionOfTheirBlock) {
  std::vector<std::string> totals;
  report_.InRun = [&] {
    TQeScans& scans = *report_.Scans();
    TQeScanInfo& block = scans.Push();
    block.BlockId = 1;
    scans.CurrentBlock = 1;
    for (int run = 0; run < 2; ++run) {
      table_->First();
      for (int record = 0; record < 3; ++record) {
        block.ResetAggregates = record == 0;
        Eval("SUM(A:PRICE,TOTAL)");
        Eval("SUM(A:PRICE,KEPT,NORESET)");
        totals.push_back(Variable("TOTAL") + "/" + Variable("KEPT"));
        table_->Next();
      }
    }
  };
  TMemoryStream output;
  report_.ExecuteToStream({table_.get()}, output);
  const std::vector<std::string> expected = {"10/10", "30/30", "60/60", "10/70", "30/90", "60/120"};
  EXPECT_EQ(totals, expected);
}

TEST_F(ValueFunctionsTest, SkippedBlocksOnlyPrepare) {
  report_.AddNumberVariable("TOTAL", 5);
  report_.AddNumberVariable("KEPT", 5);
  const auto prepare = [this](std::string_view expression) {
    Compile(expression);
    report_.Stream().ReadHeader();
    const TQeExprHead head = report_.ReadExprStart();
    PrepareExpression(report_, head.Row.Text);
  };
  prepare("SUM(A:PRICE,TOTAL)");
  EXPECT_EQ(Variable("TOTAL"), "0");
  prepare("SUM(A:PRICE,KEPT,NORESET)");
  EXPECT_EQ(Variable("KEPT"), "5");
  prepare("CTN(NOSUCH,NEWCOUNT)");
  EXPECT_EQ(Variable("NEWCOUNT"), "0");
  prepare("SET(TOTAL,TRIM(VAR(X)))");
  EXPECT_EQ(Variable("TOTAL"), "0");
  EXPECT_EQ(Variable("X"), "");
  Compile("VAR('X')");
  report_.Stream().ReadHeader();
  const TQeExprHead head = report_.ReadExprStart();
  EXPECT_THROW(PrepareExpression(report_, head.Row.Text), EIllegalFunctionUse);
}

TEST_F(ValueFunctionsTest, AggregateErrors) {
  EXPECT_EQ(Error<EIllegalFunctionUse>("SUM(NOSUCH,TOTAL)"),
            "Illegal function use: SUM(NOSUCH,TOTAL) - report variable NOSUCH not found");
  EXPECT_EQ(Error<EIllegalFunctionUse>("SUM(1,'TOTAL')"),
            "Illegal function use: SUM(1,'TOTAL') - report variable expected as second "
            "argument of function \"SUM\"");
  EXPECT_EQ(Error<EConvertError>("SUM('abc',TOTAL)"), "'abc' is not a valid floating point value");
  EXPECT_EQ(Error<Exception>("CTS(NEXT(A),TOTAL)"),
            "Operand type unknown. Function \"CTS\", expression CTS(NEXT(A),TOTAL)");
}

}  // namespace
}  // namespace vorn::testing
