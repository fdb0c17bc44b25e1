#include <gtest/gtest.h>

#include "engine/conscom/exceptions.h"
#include "platform/text/code_page.h"
#include "tests/engine/eval/eval_fixture.h"

namespace vorn::testing {
namespace {

class BuiltinsTest : public EvalTest {};

struct ErrorCase {
  const char* expression;
  const char* message;
};

TEST_F(BuiltinsTest, MidBounds) {
  ExpectTexts({{"MID('abcdef',3)", "cdef"},
               {"MID('abcdef',0)", ""},
               {"MID('abcdef',-1)", ""},
               {"MID('abcdef',6)", "f"},
               {"MID('abcdef',7)", ""},
               {"MID('abcdef',0,2)", "ab"},
               {"MID('abcdef',-5,2)", "ab"},
               {"MID('abcdef',5,10)", "ef"},
               {"MID('abcdef',2,-1)", ""},
               {"MID('abcdef',2,0)", ""},
               {"SUBSTR('abcdef',2,3)", "bcd"},
               {"COPY('abcdef',7,1)", ""},
               // Only the low 32 bits of a position count: 4294967298 is 2.
               {"MID('abcdef',4294967298,1)", "b"},
               {"MID('abcdef',1,2147483647)", "abcdef"}},
              VarDataType::kString);
}

TEST_F(BuiltinsTest, StrWidthsAndDecimals) {
  ExpectTexts({{"STR(1/3)", "0.333333333333333"},
               {"STR(1.5)", "1.5"},
               {"STR(2.5,5)", "    3"},
               {"STR(-2.5,5)", "   -3"},
               {"STR(3.14159,8,2)", "    3.14"},
               {"STR(3.14159,0,2)", "3.14"},
               {"STR(0.125,0,2)", "0.13"},
               {"STR(12345,3)", "12345"},
               {"STR(-0.001,6,2)", "  0.00"}},
              VarDataType::kString);
  EXPECT_EQ(Text("STR(1,1000)").size(), 255u);
}

TEST_F(BuiltinsTest, StrKeepsThePointInACommaLocale) {
  FormatSettings comma = FormatSettings::CLocale();
  comma.decimal_separator = ',';
  comma.thousand_separator = '.';
  SetDefaultFormatSettings(comma);
  EXPECT_EQ(Text("STR(1.5)"), "1.5");
  EXPECT_EQ(Text("STR(1.5,6,2)"), "  1.50");
}

TEST_F(BuiltinsTest, ValInAnyLocale) {
  ExpectTexts({{"VAL('12.5')", "12.5"},
               {"VAL('  -3e2')", "-300"},
               {"VAL('12abc')", "0"},
               {"VAL('')", "0"},
               {"VAL('12 ')", "0"},
               {"VAL('1E99999')", "0"}},
              VarDataType::kNumber);
  FormatSettings comma = FormatSettings::CLocale();
  comma.decimal_separator = ',';
  comma.thousand_separator = '.';
  SetDefaultFormatSettings(comma);
  ExpectTexts({{"VAL('12.5')", "12.5"}, {"VAL('12,5')", "12.5"}, {"VAL('1,2,3')", "0"}});
}

TEST_F(BuiltinsTest, UpperAndLowerFollowTheCodePage) {
  ExpectTexts({{"UPPER('Green tea 1')", "GREEN TEA 1"}, {"LOWER('Green TEA')", "green tea"}},
              VarDataType::kString);
  // Code page 1252 (charset 1) cases its accented letters too.
  ExpectTexts({{"UPPER('caf\xE9')", "CAF\xC9"}}, VarDataType::kString);
  // In Big5 a trail byte may be an ASCII letter: it belongs to its character and stays.
  report_.SetCharset(136);
  ExpectTexts({{"UPPER('\xA7\x61x')", "\xA7\x61X"}}, VarDataType::kString);
}

// A Big5 report's text with characters Big5 lacks (é, É, ®, 😀): each is one position, cases like
// its neighbours and compares as itself; Big5 characters count bytes as always.
TEST_F(BuiltinsTest, CharactersTheCodePageLacksAreWholeCharacters) {
  const CodePage big5(950);
  report_.SetCharset(136);
  report_.AddTextVariable("N", FromUtf8("Café 拿鐵 ® 😀", big5, "N"));
  report_.AddTextVariable("E", FromUtf8("é", big5, "E"));
  const struct {
    const char* expression;
    const char* utf8;
  } cases[] = {
      {"MID(N,4,1)", "é"},
      {"MID(N,5,3)", " 拿"},
      {"SUBSTR(N,11,5)", "® 😀"},
      {"COPY(N,13)", "😀"},
      {"MID(N,14)", ""},
      {"MID(N,0,4)", "Café"},
      {"UPPER(N)", "CAFÉ 拿鐵 ® 😀"},
      {"LOWER(UPPER(N))", "café 拿鐵 ® 😀"},
      {"TRIM(' '+E+MID(N,13)+' ')", "é😀"},
      {"N+E", "Café 拿鐵 ® 😀é"},
      {"MID(N,4,1)=E", "True"},
      {"UPPER(E)=E", "False"},
      {"E>'f'", "True"},
      {"E<MID(N,6,2)", "True"},
      {"MID(N,13)>E", "True"},
  };
  Run();
  for (const auto& c : cases) {
    Compile(c.expression);
    EXPECT_EQ(ToUtf8(EvaluateCompiled().text, big5), c.utf8) << c.expression;
  }
}

TEST_F(BuiltinsTest, TrimRemovesControlsAndBlanks) {
  EXPECT_EQ(Text("TRIM('  a b \t')"), "a b");
  EXPECT_EQ(Text("TRIM('')"), "");
}

TEST_F(BuiltinsTest, FormatFloatUsesThePattern) {
  EXPECT_EQ(Text("FORMATFLOAT('#,##0.00',1234.5)"), "1,234.50");
  EXPECT_EQ(Text("FORMATFLOAT('0.0;(0.0)',-2)"), "(2.0)");
}

TEST_F(BuiltinsTest, GroupingShowsTheDisplayText) {
  FormatSettings comma = FormatSettings::CLocale();
  comma.decimal_separator = ',';
  SetDefaultFormatSettings(comma);
  report_.AddNumberVariable("PRICE", 1.5);
  CompileCall("(PRICE)");
  const Evaluated value = EvaluateCompiled();
  EXPECT_EQ(value.text, "1,5");
  EXPECT_EQ(value.type, VarDataType::kString);
  CompileCall("(NOSUCH)");
  EXPECT_THROW(
      try { EvaluateCompiled(); } catch (const EIllegalFunctionUse& e) {
        EXPECT_STREQ(e.what(), "Illegal expression: (NOSUCH) - report variable NOSUCH not found");
        throw;
      },
      EIllegalFunctionUse);
}

TEST_F(BuiltinsTest, IntAndFracSigns) {
  ExpectTexts({{"INT(2.7)", "2"},
               {"INT(-2.7)", "-2"},
               {"INT(-0.5)", "0"},
               {"FRAC(2.75)", "0.75"},
               {"FRAC(-2.75)", "-0.75"},
               {"FRAC(3)", "0"}},
              VarDataType::kNumber);
}

TEST_F(BuiltinsTest, RoundHalvesAndNegativeDigits) {
  ExpectTexts({{"ROUND(2.5)", "3"},
               {"ROUND(-2.5)", "-3"},
               {"ROUND(2.4)", "2"},
               {"ROUND(0.49999)", "0"},
               {"ROUND(1.25,1)", "1.3"},
               {"ROUND(-1.25,1)", "-1.3"},
               {"ROUND(2.675,2)", "2.68"},
               {"ROUND(1250,-2)", "1300"},
               {"ROUND(1249,-2)", "1200"},
               {"ROUND(-1250,-2)", "-1300"},
               {"ROUND(5,-1)", "10"},
               {"ROUND(4,-1)", "0"},
               {"ROUND(1.5,0)", "2"},
               {"ROUND(123.456,9999)", "123.456"},
               {"ROUND(123.456,-9999)", "0"}},
              VarDataType::kNumber);
}

TEST_F(BuiltinsTest, RoundBeyondThe32BitRangeIsExact) {
  // A 32-bit whole part wrapped these to negative or unrelated numbers.
  ExpectTexts({{"ROUND(3000000000.5)", "3000000001"},
               {"ROUND(-3000000000.4)", "-3000000000"},
               {"ROUND(12345678.125,2)", "12345678.13"},
               {"ROUND(1E20)", "1E20"},
               {"ROUND(98765432109.5)", "98765432110"}});
}

TEST_F(BuiltinsTest, RoundOfAFloatFieldDecidesOnItsValueText) {
  auto table = MakeTable("T", {{"PRICE", ftFloat}}, {{"2.675"}});
  Run({table.get()});
  // The double nearest to 2.675 lies just below it, but a field is read through its
  // 15-digit value text like every operand, so the price rounds as printed.
  EXPECT_EQ(Text("ROUND(A:PRICE,2)"), "2.68");
}

TEST_F(BuiltinsTest, PowerAndIntPower) {
  ExpectTexts({{"POWER(2,10)", "1024"},
               {"POWER(2,0.5)", "1.4142135623731"},
               {"POWER(0,0)", "1"},
               {"POWER(0,3)", "0"},
               {"POWER(2,-2)", "0.25"},
               {"POWER(-2,3)", "-8"},
               {"POWER(9,0.5)", "3"},
               {"INTPOWER(2,-2)", "0.25"},
               {"INTPOWER(2,0)", "1"},
               {"INTPOWER(-3,3)", "-27"},
               {"INTPOWER(10,-5000)", "0"}},
              VarDataType::kNumber);
  const ErrorCase errors[] = {
      {"POWER(-8,1/3)", "Invalid floating point operation"},
      {"POWER(0,-1)", "Floating point division by zero"},
      {"INTPOWER(0,-1)", "Floating point division by zero"},
      {"INTPOWER(10,5000)", "Floating point overflow"},
      {"INTPOWER(0.5,-20000)", "Floating point overflow"},
      {"POWER(10,1E10)", "Floating point overflow"},
  };
  for (const ErrorCase& e : errors) EXPECT_EQ(Error<Exception>(e.expression), e.message);
  EXPECT_EQ(Error<EConvertError>("INTPOWER(2,1.5)"), "'1.5' is not a valid integer value");
}

TEST_F(BuiltinsTest, TypeErrorsOfTextAndNumberFunctions) {
  const ErrorCase cases[] = {
      {"TRIM(1)", "Operand of string type expected. Function \"TRIM\", expression TRIM(1)"},
      {"TRIM(NEXT(A))", "Operand type unknown. Function \"TRIM\", expression TRIM(NEXT(A))"},
      {"MID(1,1)",
       "First operand of string type expected in functions \"MID\", \"COPY\", \"SUBSTR\", "
       "expression MID(1,1)"},
      {"MID('a','1')",
       "Second operand of numeric type expected in functions \"MID\", \"COPY\", \"SUBSTR\", "
       "expression MID('a','1')"},
      {"COPY('a',1,'2')",
       "Third operand of numeric type expected in functions \"MID\", \"COPY\", \"SUBSTR\", "
       "expression COPY('a',1,'2')"},
      {"MID(NEXT(A),'x')",
       "First operand type unknown. Functions \"MID\", \"COPY\", \"SUBSTR\", expression "
       "MID(NEXT(A),'x')"},
      {"STR('1')",
       "First operand of numeric type expected in function \"STR\", expression "
       "STR('1')"},
      {"STR(1,'2')",
       "Second operand of numeric type expected in functions \"STR\", "
       "expression STR(1,'2')"},
      {"STR(1,2,TRUE)",
       "Third operand of numeric type expected in function \"STR\", "
       "expression STR(1,2,TRUE)"},
      {"VAL(1)", "Operand of string type expected. Function \"VAL\", expression VAL(1)"},
      {"INT('1')", "Operand of numeric type expected. Function \"INT\", expression INT('1')"},
      {"FRAC('1')", "Operand of numeric type expected. Function \"FRAC\", expression FRAC('1')"},
      {"ROUND('1')",
       "First operand of numeric type expected in function \"ROUND\", "
       "expression ROUND('1')"},
      {"ROUND(1,'1')",
       "Second operand of numeric type expected in functions \"ROUND\", "
       "expression ROUND(1,'1')"},
      {"POWER('2',2)",
       "First operand of numeric type expected in function \"POWER\", "
       "expression POWER('2',2)"},
      {"POWER(2,'2')",
       "Second operand of numeric type expected in functions \"POWER\", "
       "expression POWER(2,'2')"},
      {"INTPOWER(2,'2')",
       "Second operand of integer numeric type expected in functions "
       "\"INTPOWER\", expression INTPOWER(2,'2')"},
      {"FORMATFLOAT(1,1)",
       "First operand of string type expected in function "
       "\"FLOATFORMAT\", expression FORMATFLOAT(1,1)"},
      {"FORMATFLOAT('0','1')",
       "Second operand of numeric type expected in functions "
       "\"FLOATFORMAT\", expression FORMATFLOAT('0','1')"},
  };
  auto table = MakeTable("T", {{"N", ftInteger}}, {{"1"}});
  Run({table.get()});
  for (const ErrorCase& c : cases) EXPECT_EQ(Error<Exception>(c.expression), c.message);
  EXPECT_EQ(Error<EConvertError>("MID('abc',1.5)"), "'1.5' is not a valid integer value");
}

}  // namespace
}  // namespace vorn::testing
