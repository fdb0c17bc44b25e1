#include <gtest/gtest.h>

#include "engine/conscom/exceptions.h"
#include "platform/text/date_time.h"
#include "tests/engine/eval/eval_fixture.h"

namespace vorn::testing {
namespace {

class DateFunctionsTest : public EvalTest {
 protected:
  ~DateFunctionsTest() override { SetNowFunction({}); }
};

TEST_F(DateFunctionsTest, PartsOfYearFive) {
  ExpectTexts(
      {{"YEAR({0005-03-07})", "5"}, {"MONTH({0005-03-07})", "3"}, {"DAY({0005-03-07})", "7"}},
      VarDataType::kNumber);
  ExpectTexts({{"SYEAR({0005-03-07})", "0005"},
               {"SMONTH({0005-03-07})", "03"},
               {"SDAY({0005-03-07})", "07"},
               {"DTOS({0005-03-07})", "00050307"},
               {"DTOS({2024-12-31}+1)", "20250101"}},
              VarDataType::kString);
}

TEST_F(DateFunctionsTest, StodReadsEightDigits) {
  const Evaluated value = Eval("STOD('20240131')");
  EXPECT_EQ(value.text, "{2024-01-31}");
  EXPECT_EQ(value.type, VarDataType::kDateTime);
  EXPECT_EQ(Error<EConvertError>("STOD('20240230')"), "Invalid argument to date encode");
  EXPECT_EQ(Error<EConvertError>("STOD('00000101')"), "Invalid argument to date encode");
  EXPECT_EQ(Error<EConvertError>("STOD('2024AB01')"), "'AB' is not a valid integer value");
  EXPECT_EQ(Error<Exception>("STOD('2024010')"),
            "Operand of string type YYYYMMDD expected. Function \"STOD\", expression "
            "STOD('2024010')");
  EXPECT_EQ(Error<Exception>("STOD(20240101)"),
            "Operand of string type expected. Function \"STOD\", expression STOD(20240101)");
}

TEST_F(DateFunctionsTest, LocaleTextsBothWays) {
  ExpectTexts({{"DATETOSTR({2024-01-31})", "2024/01/31"},
               {"DATETIMETOSTR({2024-01-31})", "2024/01/31"},
               {"DATETIMETOSTR(STRTODATETIME('2024/01/31 10:20:30'))", "2024/01/31 10:20:30"},
               {"TIMETOSTR(STRTOTIME('10:20'))", "10:20:00"}},
              VarDataType::kString);
  ExpectTexts({{"STRTODATE('2024/01/31')", "{2024-01-31}"},
               {"STRTODATETIME('2024/01/31 10:20:30')", "{2024-01-31,10:20:30:000}"},
               {"STRTOTIME('10:20')", "{1899-12-30,10:20:00:000}"}},
              VarDataType::kDateTime);
  EXPECT_EQ(Error<EConvertError>("STRTODATE('x')"), "'x' is not a valid date");
  EXPECT_EQ(Error<EConvertError>("STRTOTIME('x')"), "'x' is not a valid time");
  EXPECT_EQ(Error<EConvertError>("STRTODATETIME('x')"), "'x' is not a valid date and time");
}

TEST_F(DateFunctionsTest, ClockFunctions) {
  SetNowFunction([] { return EncodeDate(2024, 5, 6) + EncodeTime(7, 8, 9, 10); });
  ExpectTexts({{"NOW()", "{2024-05-06,07:08:09:010}"},
               {"DATE()", "{2024-05-06,00:00:00:000}"},
               {"TIME()", "{1899-12-30,07:08:09:010}"}},
              VarDataType::kDateTime);
}

TEST_F(DateFunctionsTest, TypeErrors) {
  const std::pair<const char*, const char*> cases[] = {
      {"YEAR('x')", "Operand of date/time type expected. Function \"YEAR\", expression YEAR('x')"},
      {"SDAY(1)", "Operand of date/time type expected. Function \"SDAY\", expression SDAY(1)"},
      {"DATETOSTR(TRUE)",
       "Operand of date/time type expected. Function \"DATETOSTR\", expression DATETOSTR(TRUE)"},
      {"STRTODATE(1)",
       "Operand of string type expected. Function \"STRTODATE\", expression STRTODATE(1)"},
      {"DTOS(NEXT(A))", "Operand type unknown. Function \"DTOS\", expression DTOS(NEXT(A))"},
  };
  auto table = MakeTable("T", {{"N", ftInteger}}, {{"1"}});
  Run({table.get()});
  for (const auto& [expression, message] : cases) {
    EXPECT_EQ(Error<Exception>(expression), message);
  }
}

TEST_F(DateFunctionsTest, DateFieldsAreDateValues) {
  auto table = MakeTable("T", {{"DAY", ftDate}}, {});
  table->Append();
  table->Field(0).SetAsDateTime(EncodeDate(2024, 2, 29));
  table->Post();
  Run({table.get()});
  EXPECT_EQ(Text("A:DAY+1"), "{2024-03-01,00:00:00:000}");
  EXPECT_EQ(Text("DTOS(A:DAY)"), "20240229");
}

class DataSetFunctionsTest : public EvalTest {
 protected:
  void SetUp() override {
    products_ = MakeTable("PRODUCTS", {{"NAME", ftString, 10}}, {{"Tea"}, {"Rice"}});
    empty_ = MakeTable("EMPTY", {{"NAME", ftString, 10}}, {});
    Run({products_.get(), empty_.get()});
  }
  std::unique_ptr<TMemoryTable> products_;
  std::unique_ptr<TMemoryTable> empty_;
};

TEST_F(DataSetFunctionsTest, EofAndNextOnAliases) {
  EXPECT_EQ(Text("EOF(B)"), "True");
  EXPECT_EQ(Text("BOF(B)"), "True");
  EXPECT_EQ(Text("EOF(A)"), "False");
  EXPECT_FALSE(Eval("NEXT(A)").has_value);
  EXPECT_EQ(Text("EOF(products)"), "False");
  EXPECT_EQ(Text("TRIM(A:NAME)"), "Rice");
  Eval("NEXT(A)");
  EXPECT_EQ(Text("EOF(A)"), "True");
  EXPECT_EQ(Text("TRIM(A:NAME)"), "Rice");
  Eval("FIRST(A)");
  EXPECT_EQ(Text("TRIM(A:NAME)"), "Tea");
  EXPECT_EQ(Text("BOF(A)"), "True");
  Eval("LAST(A)");
  EXPECT_EQ(Text("TRIM(A:NAME)"), "Rice");
  Eval("PRIOR(A)");
  EXPECT_EQ(Text("TRIM(A:NAME)"), "Tea");
}

TEST_F(DataSetFunctionsTest, AliasErrors) {
  EXPECT_EQ(Error<EIllegalFunctionUse>("NEXT(Z)"),
            "Illegal function use: NEXT(Z) - dataset alias not found: Z");
  EXPECT_EQ(Error<EIllegalFunctionUse>("EOF(NOSUCH)"),
            "Illegal function use: EOF(NOSUCH) - dataset alias not found: NOSUCH");
  EXPECT_EQ(Error<EIllegalFunctionUse>("BOF('A')"),
            "Illegal function use: BOF('A') - dataset identifier expected as a first argument "
            "of function \"BOF\"");
  EXPECT_EQ(Error<EIllegalFunctionUse>("LAST(A:NAME)"),
            "Illegal function use: LAST(A:NAME) - dataset identifier expected as argument of "
            "function \"LAST\"");
}

TEST_F(DataSetFunctionsTest, FieldAtEndOfDataIsFalseAsCondition) {
  EXPECT_EQ(Text("IF(B:NAME)"), "False");
}

}  // namespace
}  // namespace vorn::testing
