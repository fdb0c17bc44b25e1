#include "engine/qefunc/user_functions.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/report_variables.h"
#include "engine/qertf/qertf.h"

namespace vorn {
namespace {

std::string NameError(TQeUDF& udf, const std::string& name) {
  try {
    udf.SetName(name);
  } catch (const EIllegalFunctionUse& e) {
    return e.what();
  }
  return "no error";
}

TEST(UserFunctionsTest, NamingRules) {
  TQeUDFList list;
  TQeUDF& first = list.Functions().Add();
  TQeUDF& second = list.Functions().Add();
  EXPECT_EQ(NameError(first, "2X"), "Illegal function name 2X");
  EXPECT_EQ(NameError(first, "A-B"), "Illegal function name A-B");
  EXPECT_EQ(NameError(first, "\xC4\xE3"), "Illegal function name \xC4\xE3");
  EXPECT_EQ(first.Name(), "");
  EXPECT_EQ(NameError(first, " _x2 "), "no error");
  EXPECT_EQ(first.Name(), "_x2");
  EXPECT_EQ(NameError(second, "_X2"), "User defined function with name _X2 already exists");
  // The item itself counts: a change of case alone is refused.
  EXPECT_EQ(NameError(first, "_X2"), "User defined function with name _X2 already exists");
  EXPECT_EQ(NameError(first, "_x2"), "no error");
  EXPECT_EQ(NameError(second, "Price2"), "no error");
  EXPECT_EQ(list.IndexOf(" price2 "), 1);
  EXPECT_EQ(list.IndexOf("PRICE"), -1);
  EXPECT_EQ(second.Index(), 1);
  EXPECT_EQ(second.DisplayName(), "Price2");
  EXPECT_EQ(list.Functions().Add().DisplayName(), "TQeUDF");
}

TEST(UserFunctionsTest, ArgumentCountsKeepTheirOrder) {
  TQeUDFList list;
  TQeUDF& udf = list.Functions().Add();
  EXPECT_EQ(udf.ArgMinCount(), 0);
  EXPECT_EQ(udf.ArgMaxCount(), 0);
  EXPECT_EQ(udf.ResultType(), udfrTQeReportVariable);
  udf.SetArgMinCount(3);
  EXPECT_EQ(udf.ArgMaxCount(), 3);
  udf.SetArgMaxCount(1);
  EXPECT_EQ(udf.ArgMinCount(), 1);
  EXPECT_EQ(udf.ArgMaxCount(), 1);
  udf.SetArgMaxCount(2);
  udf.SetArgMinCount(5);
  EXPECT_EQ(udf.ArgMinCount(), 5);
  EXPECT_EQ(udf.ArgMaxCount(), 5);
}

TEST(UserFunctionsTest, AssignCopiesItemsAndHandlers) {
  TQeUDFCollection source;
  TQeUDF& udf = source.Add();
  udf.SetName("F");
  udf.SetArgMaxCount(4);
  udf.SetResultType(udfrTMemoryStream);
  int calls = 0;
  udf.OnCalculate = [&](TQeBaseReport&, const TQeUDFArgs& args, int32_t count,
                        TQeUDFObject result) {
    ++calls;
    EXPECT_EQ(count, static_cast<int32_t>(args.size()));
    std::get<TQeReportVariable*>(result)->SetAsString("done");
  };

  TQeUDFList list;
  list.Functions().Add().SetName("OLD");
  list.SetFunctions(source);
  ASSERT_EQ(list.Functions().Count(), 1);
  const TQeUDF& copy = list.Functions().Items(0);
  EXPECT_EQ(copy.Name(), "F");
  EXPECT_EQ(copy.ArgMaxCount(), 4);
  EXPECT_EQ(copy.ResultType(), udfrTMemoryStream);
  EXPECT_EQ(copy.Collection(), &list.Functions());
  EXPECT_EQ(list.Functions().Owner(), &list);

  TQeRTF report;
  TQeReportVariable result(&report);
  result.SetStandalone(true);
  copy.OnCalculate(report, {}, 0, &result);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(result.Text(), "done");
  EXPECT_THROW(list.Functions().Items(1), Exception);
}

TEST(UserFunctionsTest, DestroyedListIsForgotten) {
  TQeRTF report;
  {
    TQeUDFList list;
    report.SetUDFList(&list);
    EXPECT_EQ(report.UDFList(), &list);
  }
  EXPECT_EQ(report.UDFList(), nullptr);
}

}  // namespace
}  // namespace vorn
