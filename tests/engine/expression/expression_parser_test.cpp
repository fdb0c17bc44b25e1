#include "engine/qebasereport/expression_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/conscom/exceptions.h"
#include "engine/qertf/qertf.h"

namespace vorn {
namespace {

class ExpressionParserTest : public ::testing::Test {
 protected:
  ScannedOperand Scan(const std::string& text, bool dot_as_colon = false) {
    return ScanOperand(report_, text, dot_as_colon);
  }
  std::string Convert(const std::string& text) { return ConvertExpression(report_, text, true); }
  std::string ConvertError(const std::string& text) {
    try {
      const std::string result = ConvertExpression(report_, text, true);
      return "no error, got " + result;
    } catch (const EIllegalFunctionUse& e) {
      return e.what();
    }
  }

  TQeRTF report_;
};

struct ScanCase {
  std::string text;
  TQeOperandKind kind;
  std::string token;
  std::string rest;
};

TEST_F(ExpressionParserTest, ScanOperandClassifiesTheFront) {
  const ScanCase cases[] = {
      {"", okInvalid, "", ""},
      {"  ", okInvalid, "", ""},
      {")A", okInvalid, "", ")A"},
      {":A", okInvalid, "", ":A"},
      {"%5", okInvalid, "", "%5"},
      {"(A", okExpression, "", "(A"},
      {"!A", okExpression, "", "!A"},
      {"-A", okExpression, "", "-A"},
      {"A", okVariable, "A", ""},
      {" A+1 ", okVariable, "A", "+1"},
      {"Unit Price", okVariable, "Unit Price", ""},
      {"_x9", okVariable, "_x9", ""},
      {"TRUEX", okBoolean, "TRUE", "X"},
      {"false", okBoolean, "FALSE", ""},
      {"'a,b'+1", okString, "'a,b'", "+1"},
      {"'abc", okInvalid, "", "'abc"},
      {"\x93q\x93r\x94", okString, "\x93q\x93r\x94", ""},
      {"\xAB"
       "a\xBB",
       okString,
       "\xAB"
       "a\xBB",
       ""},
      {"~a~b", okString, "~a~", "b"},
      {"F(G(1),'(')", okFunction, "F(G(1),'(')", ""},
      {"F(1)+2", okFunction, "F(1)", "+2"},
      {"F(", okInvalid, "", "F("},
      {"F((1)", okInvalid, "", "F((1)"},
      {"A:QTY", okField, "A:QTY", ""},
      {"A.QTY", okFieldDot, "A.QTY", ""},
      {"A:(3)", okField, "A:(3)", ""},
      {"A:(3", okInvalid, "", "A:(3"},
      {"A:()", okInvalid, "", "A:()"},
      {"A:", okInvalid, "", "A:"},
      {"A: B", okInvalid, "", "A: B"},
      {"A:Unit Price*2", okField, "A:Unit Price", "*2"},
      {"{2024-02-30}", okDate, "{2024-02-30}", ""},
      {"{2024-2-3}", okInvalid, "", "{2024-2-3}"},
      {"\xC4\xE3+1", okVariable, "\xC4\xE3", "+1"},
      {"\xA4\xA4", okInvalid, "", "\xA4\xA4"},
  };
  for (const ScanCase& c : cases) {
    SCOPED_TRACE(c.text);
    const ScannedOperand result = Scan(c.text);
    EXPECT_EQ(result.Kind, c.kind);
    EXPECT_EQ(result.Token, c.token);
    EXPECT_EQ(result.Rest, c.rest);
  }
}

TEST_F(ExpressionParserTest, DotAsColonTurnsTheSeparator) {
  const ScannedOperand result = Scan("A.QTY+1", true);
  EXPECT_EQ(result.Kind, okField);
  EXPECT_EQ(result.Token, "A:QTY");
  EXPECT_EQ(result.Rest, "+1");
}

TEST_F(ExpressionParserTest, NumberReaderAcceptsAndRefuses) {
  struct NumberCase {
    std::string text;
    std::string token;  // empty: not read as a number
    std::string rest;
  };
  const NumberCase cases[] = {
      {"12", "12", ""},       {"-3", "-3", ""},
      {"+4.5", "+4.5", ""},   {".5", ".5", ""},
      {"1.5E3", "1.5E3", ""}, {"2e-7", "2e-7", ""},
      {"1e+10", "1e+10", ""}, {"1.5.3", "1.5", ".3"},
      {"12AB", "12", "AB"},   {"+E5", "+E5", ""},
      {"..5", "..5", ""},     {"7", "7", ""},
      {"1E5E5", "1E5", "E5"}, {"1e+5-2", "1e+5", "-2"},
      {"1.", "", ""},         {"1E", "", ""},
      {"1..2", "", ""},       {"1.E5", "", ""},
      {"+", "", ""},          {".", "", ""},
  };
  for (const NumberCase& c : cases) {
    SCOPED_TRACE(c.text);
    const ScannedOperand result = Scan(c.text);
    if (c.token.empty()) {
      EXPECT_NE(result.Kind, okNumber);
    } else {
      EXPECT_EQ(result.Kind, okNumber);
      EXPECT_EQ(result.Token, c.token);
      EXPECT_EQ(result.Rest, c.rest);
    }
  }
}

TEST_F(ExpressionParserTest, ScanOperatorReadsSymbols) {
  EXPECT_EQ(ScanOperator("&&B", false)->Op, "&&");
  EXPECT_EQ(ScanOperator("=>B", false)->Op, "=>");
  EXPECT_EQ(ScanOperator("!=B", false)->Rest, "B");
  EXPECT_EQ(ScanOperator("-B", true)->Op, "u-");
  EXPECT_EQ(ScanOperator("-B", false)->Op, "-");
  EXPECT_EQ(ScanOperator("+B", true)->Op, "u+");
  EXPECT_FALSE(ScanOperator("&B", true));
  EXPECT_FALSE(ScanOperator("|B", true));
  EXPECT_FALSE(ScanOperator("", true));
  EXPECT_FALSE(ScanOperator("A", true));
}

TEST_F(ExpressionParserTest, CallFormPutsTheRightOperandFirst) {
  const std::pair<std::string, std::string> cases[] = {
      {"A-B", "SYS_SUB(B,A)"},
      {"A+B*C", "SYS_ADD(SYS_MULT(C,B),A)"},
      {"A-B-C", "SYS_SUB(C,SYS_SUB(B,A))"},
      {"X-(A*B+C)*D", "SYS_SUB(SYS_MULT(D,SYS_ADD(C,SYS_MULT(B,A))),X)"},
      {"-A*B", "SYS_MULT(B,SYS_UMINUS(A))"},
      {"!(A=B)&&C", "SYS_AND(C,SYS_NOT(SYS_EQ(B,A)))"},
      {"TRIM(A)+1", "SYS_ADD(1,TRIM(A))"},
      {"-1+A", "SYS_ADD(A,-1)"},
      {"!!A", "SYS_NOT(SYS_NOT(A))"},
      {"A<=-1", "SYS_LTEQ(SYS_UMINUS(1),A)"},
      {"A=>B", "SYS_GTEQ(B,A)"},
      {"A>=B", "SYS_GTEQ(B,A)"},
      {"A<>B", "SYS_NOTEQ(B,A)"},
      {"A!=B", "SYS_NOTEQ(B,A)"},
      {"A%B/C", "SYS_DIV(C,SYS_PERCENT(B,A))"},
      {"A||B&&C", "SYS_AND(C,SYS_OR(B,A))"},
      {"A<B=C>D", "SYS_EQ(SYS_GT(D,C),SYS_LT(B,A))"},
      {"+A", "SYS_UPLUS(A)"},
      {"A*-B", "SYS_MULT(SYS_UMINUS(B),A)"},
      {"(A)+(B)", "SYS_ADD(B,A)"},
      {"A.QTY+'x'", "SYS_ADD('x',A:QTY)"},
      {"{2024-01-31}+TRUE", "SYS_ADD(TRUE,{2024-01-31})"},
      {"  A+B  ", "SYS_ADD(B,A)"},
  };
  for (const auto& [text, call] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Convert(text), call);
  }
}

TEST_F(ExpressionParserTest, SyntaxErrorsNameTheProcessedText) {
  const std::pair<std::string, std::string> cases[] = {
      {"*A", "Cannot process an expression: *A"},
      {")A", "Cannot process an expression: )A"},
      {"", "Cannot process an expression: "},
      {"A+:B", "Cannot process an expression: A+:B error after A+"},
      {"A&B", "Cannot process an expression: A&B error after A"},
      {"TRUEX+1", "Cannot process an expression: TRUEX+1 error after TRUE operation expected"},
      {"(A)B", "Cannot process an expression: (A)B error after (A) operation expected"},
      {"A(", "Cannot process an expression: A("},
      {"A!B", "Cannot process an expression: A!B error after A \"!\" not expected"},
      {"A&&-B", "Cannot process an expression: A&&-B error after A&& \"-\" not expected"},
      {"--A", "Cannot process an expression: --A error after u- \"-\" not expected"},
      {"!-A", "Cannot process an expression: !-A error after ! \"-\" not expected"},
      {"A*!B", "Cannot process an expression: A*!B error after A* \"!\" not expected"},
      {"()", "Cannot process an expression: () error after ( \")\" not expected"},
      {"A+)", "Cannot process an expression: A+) error after A+ \")\" not expected"},
      {"A*-*B", "Cannot process an expression: A*-*B error after A*u- \"*\" not expected"},
      {"A+B)",
       "Cannot process an expression: A+B) - number of \")\" is more than number of \"(\" "
       "brackets"},
      {"(A+B", "Cannot process an expression: (A+B \")\" expected"},
      {"A+", "Unexpected end of expression: A+"},
      {"(A)", "Operation or function name missed in expression: (A), operand: A"},
      {"((A))", "Operation or function name missed in expression: ((A)), operand: A"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ConvertError(text), message);
  }
}

TEST_F(ExpressionParserTest, DeepNestingIsRefusedNotRecursed) {
  // Ten thousand prefix signs build a call form nested as deeply.
  const std::string deep = std::string(10000, '!') + "A";
  EXPECT_EQ(ConvertError(deep), "Expression is nested too deeply: " + deep);
  const std::string brackets = std::string(5000, '(') + "A+1" + std::string(5000, ')');
  EXPECT_EQ(Convert(brackets), "SYS_ADD(1,A)");
}

TEST(ExpressionListsTest, IndexAndInvariantErrors) {
  TQeExpression list;
  try {
    list.Add("x", false, 2, true, false, true, 2, 0);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(),
                 "TQeExpression Add  - cannot set AllowBoolArg to false when ReqBoolArg is true");
  }
  EXPECT_EQ(list.Count(), 0);
  list.Add("A", true, 0, false, false, false, 0, okVariable);
  EXPECT_EQ(list.GetOperand(0).Text, "A");
  try {
    list.GetOperand(1);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "TQeExpression GetOperand 1 - invalid index of operand");
  }

  TQeOperationStack stack;
  stack.Push({"a", true, 0, false, false, false, 0, 0});
  stack.Push({"b", true, 0, false, false, false, 0, 0});
  EXPECT_EQ(stack.Pull().Text, "b");
  EXPECT_EQ(stack.Pull().Text, "a");
  try {
    stack.Pull();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "TQeOperationStack GetOperation -1 - invalid index of operation");
  }
}

}  // namespace
}  // namespace vorn
