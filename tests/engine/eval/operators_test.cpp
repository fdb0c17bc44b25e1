#include <gtest/gtest.h>

#include "engine/conscom/exceptions.h"
#include "tests/engine/eval/eval_fixture.h"

namespace vorn::testing {
namespace {

class OperatorsTest : public EvalTest {};

struct Case {
  const char* expression;
  const char* text;
  VarDataType type;
};

TEST_F(OperatorsTest, ComputeLeftOpRight) {
  const VarDataType kNum = VarDataType::kNumber;
  const VarDataType kBool = VarDataType::kBoolean;
  const VarDataType kStr = VarDataType::kString;
  const VarDataType kDate = VarDataType::kDateTime;
  const Case cases[] = {
      {"10-3", "7", kNum},
      {"10/4", "2.5", kNum},
      {"0/5", "0", kNum},
      {"7%3", "1", kNum},
      {"-7%3", "-1", kNum},
      {"7.5%2", "1.5", kNum},
      {"2*3+4", "10", kNum},
      {"2+3*4", "14", kNum},
      // The intermediate 1/3 is stored as the text 0.333333333333333.
      {"1/3*3", "0.999999999999999", kNum},
      {"-(2)", "-2", kNum},
      {"-(0)", "0", kNum},
      {"+(1.50)", "1.5", kNum},
      {"'ab'+'cd'", "abcd", kStr},
      {"'B'<'a'", "True", kBool},
      {"'a'='A'", "False", kBool},
      {"'ab'<'abc'", "True", kBool},
      {"'\xe9'>'z'", "True", kBool},
      {"1.0=1", "True", kBool},
      {"2<>2", "False", kBool},
      {"2!=3", "True", kBool},
      {"3>=3", "True", kBool},
      {"3<=2", "False", kBool},
      {"TRUE>FALSE", "True", kBool},
      {"TRUE&&FALSE", "False", kBool},
      {"TRUE||FALSE", "True", kBool},
      {"!FALSE", "True", kBool},
      {"{2024-03-01}-{2024-02-01}", "{1900-01-28,00:00:00:000}", kDate},
      {"{2024-02-28}+1", "{2024-02-29,00:00:00:000}", kDate},
      {"1+{2024-12-31}", "{2025-01-01,00:00:00:000}", kDate},
      {"{2024-01-31}-1", "{2024-01-30,00:00:00:000}", kDate},
      {"{2024-01-31}={2024-01-31}", "True", kBool},
      {"{2024-01-31}<{2024-02-01}", "True", kBool},
  };
  for (const Case& c : cases) {
    const Evaluated value = Eval(c.expression);
    EXPECT_EQ(value.text, c.text) << c.expression;
    EXPECT_EQ(value.type, c.type) << c.expression;
  }
}

TEST_F(OperatorsTest, TypeErrorsNameTheOperationAndTheExpression) {
  const std::pair<const char*, const char*> cases[] = {
      {"'a'+1", "Operator/operand type mismatch. Operation \"+\", expression 'a'+1"},
      {"'a'-'b'", "Operator/operand type mismatch. Operation \"-\", expression 'a'-'b'"},
      {"TRUE*2", "Operator/operand type mismatch. Operation \"*\", expression TRUE*2"},
      {"1&&TRUE", "Operator/operand type mismatch. Operation \"&&\", expression 1&&TRUE"},
      {"1||2", "Operator/operand type mismatch. Operation \"||\", expression 1||2"},
      {"1='1'", "Operator/operand type mismatch. Operation \"=\", expression 1='1'"},
      {"1<>'1'", "Operator/operand type mismatch. Operation \"not equal\", expression 1<>'1'"},
      {"1<TRUE", "Operator/operand type mismatch. Operation \"<\", expression 1<TRUE"},
      {"1>TRUE", "Operator/operand type mismatch. Operation \">\", expression 1>TRUE"},
      {"1<=TRUE", "Operator/operand type mismatch. Operation \"<=\", expression 1<=TRUE"},
      {"1>=TRUE", "Operator/operand type mismatch. Operation \">=\", expression 1>=TRUE"},
      {"-'a'", "Operator/operand type mismatch. Operation unary \"-\", expression -'a'"},
      {"!1", "Operator/operand type mismatch. Operation not \"!\", expression !1"},
      {"{2024-01-01}*2",
       "Operator/operand type mismatch. Operation \"*\", expression {2024-01-01}*2"},
      {"1/0", "Division by zero. Operation \"/\", expression 1/0"},
      {"1%0", "Division by zero. Operation \"%\", expression 1%0"},
      // A function without result is no operand.
      {"NEXT(A)+1", "Operand type unknown. Operation \"+\", expression NEXT(A)+1"},
  };
  auto table = MakeTable("T", {{"N", ftInteger}}, {{"1"}});
  Run({table.get()});
  for (const auto& [expression, message] : cases) {
    EXPECT_EQ(Error<Exception>(expression), message);
  }
}

TEST_F(OperatorsTest, DivisionByZeroIsCheckedAfterTheTypes) {
  EXPECT_EQ(Error<Exception>("'a'/0"),
            "Operator/operand type mismatch. Operation \"/\", expression 'a'/0");
}

TEST_F(OperatorsTest, MissingVariableFailsInTheRead) {
  EXPECT_EQ(Error<EIOError>("NOSUCH+1"), "Get variable: report variable not found: NOSUCH");
}

TEST_F(OperatorsTest, VariablesAreReadByTheirStoredType) {
  report_.AddNumberVariable("PRICE", 12.5);
  report_.AddTextVariable("NAME", "Tea");
  EXPECT_EQ(Text("PRICE*2"), "25");
  EXPECT_EQ(Text("NAME+'!'"), "Tea!");
}

TEST_F(OperatorsTest, BcdFieldsHaveNoType) {
  auto table =
      MakeTable("T", {{"AMOUNT", ftBCD}, {"OTHER", ftBCD}, {"QTY", ftFloat}}, {{"1.5", "2", "3"}});
  Run({table.get()});
  EXPECT_EQ(Error<Exception>("A:AMOUNT=1"),
            "Operator/operand type mismatch. Operation \"=\", expression A:AMOUNT=1");
  EXPECT_EQ(Error<Exception>("A:AMOUNT=A:OTHER"),
            "Operand type unknown. Operation \"=\", expression A:AMOUNT=A:OTHER");
  EXPECT_EQ(Error<Exception>("A:AMOUNT+1"),
            "Operand type unknown. Operation \"+\", expression A:AMOUNT+1");
  EXPECT_EQ(Text("A:QTY*2"), "6");
}

TEST_F(OperatorsTest, OverflowIsAnErrorNotAnInfiniteNumber) {
  EXPECT_EQ(Error<Exception>("1E4000*1E4000"), "Floating point overflow");
}

TEST_F(OperatorsTest, RemainderOfLargeOperandsIsExact) {
  // Rounding the quotient first made this 4.
  EXPECT_EQ(Text("100000000000000000000%3"), "1");
}

TEST_F(OperatorsTest, NumbersReadInTheLocaleDecimalSeparator) {
  FormatSettings comma = FormatSettings::CLocale();
  comma.decimal_separator = ',';
  comma.thousand_separator = '.';
  SetDefaultFormatSettings(comma);
  EXPECT_EQ(Text("1.5+1.25"), "2.75");
  EXPECT_EQ(Text("1.5<1.25"), "False");
}

TEST_F(OperatorsTest, FieldRecordIsResolvedOnceAndPatched) {
  auto table = MakeTable("T", {{"PRICE", ftFloat}}, {{"10"}, {"20"}});
  Run({table.get()});
  Compile("A:PRICE+1");
  EXPECT_EQ(EvaluateCompiled().text, "11");
  table->Next();
  EXPECT_EQ(EvaluateCompiled().text, "21");
  CompiledStream& stream = report_.Stream();
  stream.Rewind();
  stream.ReadHeader();
  report_.ReadExprStart();
  stream.ReadHeader();  // the literal 1, the right operand
  stream.Skip();
  ASSERT_EQ(stream.ReadHeader(), rkFieldRef);
  const TQeRowContent row = report_.ReadOperand();
  EXPECT_TRUE(row.Resolved);
  EXPECT_FALSE(row.NotFound);
  EXPECT_EQ(row.Index, 0);
}

TEST_F(OperatorsTest, UnknownFieldFails) {
  auto table = MakeTable("T", {{"PRICE", ftFloat}}, {{"10"}});
  Run({table.get()});
  EXPECT_EQ(Error<EIllegalFunctionUse>("A:COST+1"),
            "Illegal function use: A:COST+1 - dataset field COST not found");
  EXPECT_EQ(Error<EIllegalFunctionUse>("B:PRICE+1"),
            "Illegal function use: B:PRICE+1 - dataset field PRICE not found");
}

}  // namespace
}  // namespace vorn::testing
