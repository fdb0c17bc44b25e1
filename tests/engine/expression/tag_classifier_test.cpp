#include "engine/qebasereport/tag_classifier.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/expression_parser.h"
#include "engine/qertf/qertf.h"
#include "platform/text/format_settings.h"

namespace vorn {
namespace {

class TagClassifierTest : public ::testing::Test {
 protected:
  void SetUp() override { report_.Stream().Create(); }

  std::string FormatError(const std::string& text) {
    try {
      ParseFormatCall(report_, text);
    } catch (const EIllegalFunctionUse& e) {
      return e.what();
    }
    return "no error";
  }

  TQeRTF report_;
};

struct ClassifyCase {
  std::string text;
  int32_t kind;
  std::string result_text;
};

TEST_F(TagClassifierTest, KindsByKeywordAndFirstOperand) {
  const ClassifyCase cases[] = {
      {"SCAN(A)", kTagScan, "SCAN(A)"},
      {"scan(a, WHILE(X))", kTagScan, "scan(a, WHILE(X))"},
      {"SCAN()", kTagScan, "SCAN()"},
      {"SCAN(", okInvalid, "SCAN("},
      {"SCANENTRY", kTagScanEntry, "SCANENTRY"},
      {"ScanFooter", kTagScanFooter, "ScanFooter"},
      {"ENDSCANNING", kTagEndScan, "ENDSCANNING"},
      {"IF(A>1)", kTagIf, "IF(A>1)"},
      {"IF()", okFunction, "IF()"},
      {"endif", kTagEndIf, "endif"},
      {"ELSEWHERE", kTagElse, "ELSEWHERE"},
      {"Unit Price", okVariable, "Unit Price"},
      {"A:PROD_NAME", okField, "A:PROD_NAME"},
      {"A.PROD_NAME", okField, "A:PROD_NAME"},
      {"A:(2)", okField, "A:(2)"},
      {"'text'", okString, "'text'"},
      {"12.5", okNumber, "12.5"},
      {"TRUE", okBoolean, "TRUE"},
      {"{2024-01-31}", okDate, "{2024-01-31}"},
      {"TRIM(A)", okFunction, "TRIM(A)"},
      {"TRIM(A)+1", okExpression, "TRIM(A)+1"},
      {"-A", okExpression, "-A"},
      {"TRUEX", okExpression, "TRUEX"},
      {"", okInvalid, ""},
      {"=A", okInvalid, "=A"},
      {"FNUM(A:PRICE,2)", okField, "A:PRICE"},
      {"FFIX(A+B,1)", okExpression, "A+B"},
      {"FBOOL( X )", okVariable, "X"},
      {"FEXP(*A)", okInvalid, "*A"},
  };
  for (const ClassifyCase& c : cases) {
    SCOPED_TRACE(c.text);
    const TagClass tag = ClassifyTag(report_, c.text);
    EXPECT_EQ(tag.Kind, c.kind);
    EXPECT_EQ(tag.Text, c.result_text);
  }
}

TEST_F(TagClassifierTest, DotStaysDotWithoutTheOption) {
  report_.SetOptions({eoGraphicsBinary});
  const TagClass tag = ClassifyTag(report_, "A.PROD_NAME");
  EXPECT_EQ(tag.Kind, okFieldDot);
  EXPECT_EQ(tag.Text, "A.PROD_NAME");
}

TEST_F(TagClassifierTest, FormatDescriptors) {
  struct DescriptorCase {
    std::string text;
    std::string inner;
    FormatDescriptor format;
  };
  const DescriptorCase cases[] = {
      {"A", "A", {0, 18, 2}},
      {"NOFORMAT(A)", "NOFORMAT(A)", {0, 18, 2}},
      {"FOO(A)", "FOO(A)", {0, 18, 2}},
      {"FFIX()", "FFIX()", {0, 18, 2}},
      {"FFIX(A)x", "FFIX(A)x", {0, 18, 2}},
      {"ffix(x,2)", "x", {kFormatFfix, 18, 2}},
      {"FFIX(x,5:1)", "x", {kFormatFfix, 5, 1}},
      {"FFIX(x,0:3)", "x", {kFormatFfix, 18, 3}},
      {"FEXP(x, 4)", "x", {kFormatFexp, 18, 4}},
      {"FNUMR(F(a,b),0)", "F(a,b)", {kFormatFnumr, 18, 0}},
      {"FNUM(x)", "x", {kFormatFnum, 18, 2}},
      {"FIMG(P)", "P", {kFormatFimg, 0, 2}},
      {"FIMG(P,3)", "P", {kFormatFimg, 3, 2}},
      {"FIMG(P,4:3)", "P", {kFormatFimg, 4, 2}},
      {"FIMG(P,0:3)", "P", {kFormatFimg, 3, 2}},
      {"FLNK(A:URL)", "A:URL", {kFormatFlnk, 18, 2}},
      {"FRTF(A,B)", "", {}},  // refused, see the error test
  };
  for (const DescriptorCase& c : cases) {
    if (c.inner.empty()) continue;
    SCOPED_TRACE(c.text);
    const FormatCall call = ParseFormatCall(report_, c.text);
    EXPECT_EQ(call.Text, c.inner);
    EXPECT_EQ(call.Format.FormatId, c.format.FormatId);
    EXPECT_EQ(call.Format.Precision, c.format.Precision);
    EXPECT_EQ(call.Format.Digits, c.format.Digits);
  }
}

TEST_F(TagClassifierTest, CurrencyWithoutDigitsTakesTheLocaleDecimals) {
  const FormatSettings saved = DefaultFormatSettings();
  FormatSettings settings = saved;
  settings.currency_decimals = 0;
  SetDefaultFormatSettings(settings);
  const FormatCall plain = ParseFormatCall(report_, "FCUR(x)");
  const FormatCall given = ParseFormatCall(report_, "FCUR(x,3)");
  SetDefaultFormatSettings(saved);
  EXPECT_EQ(plain.Format.Digits, 0);
  EXPECT_EQ(given.Format.Digits, 3);
}

TEST_F(TagClassifierTest, DateFormatTextGoesToThePool) {
  const int32_t before = report_.Stream().Pool().Count();
  const TagClass tag = ClassifyTag(report_, "FDTM(A:SOLD,'yyyy-mm-dd')");
  EXPECT_EQ(tag.Kind, okField);
  EXPECT_EQ(tag.Text, "A:SOLD");
  EXPECT_EQ(tag.Format.FormatId, kFormatFdtm);
  EXPECT_EQ(tag.Format.Precision, before);
  EXPECT_EQ(report_.Stream().Pool().Get(tag.Format.Precision), "'yyyy-mm-dd'");

  // The expression ends at the last comma, so a quoted format cannot hold one.
  const FormatCall comma = ParseFormatCall(report_, "FDTM(A,'d,m')");
  EXPECT_EQ(comma.Text, "A,'d");
  EXPECT_EQ(report_.Stream().Pool().Get(comma.Format.Precision), "'d,m'");
}

TEST_F(TagClassifierTest, FormatCallErrors) {
  const std::pair<std::string, std::string> cases[] = {
      {"FFIX(x,2a)", "Illegal use of format function FFIX(x,2a) - cannot understand argument 2a"},
      {"FFIX(x,:2)", "Illegal use of format function FFIX(x,:2) - cannot understand argument :2"},
      {"FFIX(x,2:)", "Illegal use of format function FFIX(x,2:) - cannot understand argument 2:"},
      {"FFIX(x,1:2:3)",
       "Illegal use of format function FFIX(x,1:2:3) - cannot understand argument 1:2:3"},
      {"FFIX(x,)", "Illegal use of format function FFIX(x,) - cannot understand argument "},
      {"FFIX(x,99999999999)",
       "Illegal use of format function FFIX(x,99999999999) - cannot understand argument "
       "99999999999"},
      {"FIMG(x,-1)", "Illegal use of format function FIMG(x,-1) - cannot understand argument -1"},
      {"FFIX(x,2,3)",
       "Illegal format function use: FFIX(x,2,3) - number of arguments is more than maximum "
       "allowed"},
      {"FRTF(A,B)",
       "Illegal format function use: FRTF(A,B) - number of arguments is more than maximum "
       "allowed"},
      {"FDTM(A)",
       "Illegal format function use: FDTM(A) - number of arguments is less than minimum "
       "required"},
      {"FFIX(  )",
       "Illegal format function use: FFIX(  ) - number of arguments is less than minimum "
       "required"},
      {"FFIX(A))", "Brackets balance violation in format function FFIX(A))"},
      {"FFIX((A)", "Brackets balance violation in format function FFIX((A)"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(FormatError(text), message);
  }
}

TEST(FieldReferenceTest, SplitsAliasAndField) {
  const FieldReference colon = SplitFieldReference(okField, "clientdataset1:Prod_Name");
  EXPECT_EQ(colon.Alias, "CLIENTDATASET1");
  EXPECT_EQ(colon.Field, "Prod_Name");
  const FieldReference letter = SplitFieldReference(okField, "b:(3)");
  EXPECT_EQ(letter.Alias, "b");
  EXPECT_EQ(letter.Field, "(3)");
  const FieldReference dot = SplitFieldReference(okFieldDot, "ab.x:y");
  EXPECT_EQ(dot.Alias, "AB");
  EXPECT_EQ(dot.Field, "x:y");
}

}  // namespace
}  // namespace vorn
