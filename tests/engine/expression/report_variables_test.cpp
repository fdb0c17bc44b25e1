#include "engine/qebasereport/report_variables.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/conscom/exceptions.h"
#include "engine/qertf/qertf.h"
#include "platform/text/date_format.h"
#include "platform/text/date_time.h"
#include "platform/text/format_settings.h"

namespace vorn {
namespace {

// Settings with "," as the decimal separator and a day-first short date.
FormatSettings CommaLocale() {
  FormatSettings s = FormatSettings::CLocale();
  s.decimal_separator = ',';
  s.thousand_separator = '.';
  s.date_separator = '.';
  s.short_date_format = "dd/mm/yyyy";
  s.long_time_format = "hh:nn:ss";
  return s;
}

class ReportVariablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = DefaultFormatSettings();
    SetDefaultFormatSettings(FormatSettings::CLocale());
  }
  void TearDown() override { SetDefaultFormatSettings(saved_); }

  TQeReportVariable Standalone() {
    TQeReportVariable v(&report_);
    v.SetStandalone(true);
    return v;
  }

  template <typename E, typename F>
  std::string ErrorOf(F&& action) {
    try {
      action();
    } catch (const E& e) {
      return e.what();
    }
    return "no error";
  }

  TQeRTF report_;
  FormatSettings saved_;
};

TEST_F(ReportVariablesTest, FindVariableMatchesNamesIgnoringCase) {
  TQeVarList& list = report_.VarList();
  list.Add("=5");
  list.Add("NoValue");
  list.Add("Total=5");
  list.Add("A=1");
  list.Add("a=2");
  list.Add(" B=3");
  EXPECT_EQ(report_.FindVariable("TOTAL"), 3);
  EXPECT_EQ(report_.FindVariable("A"), 4);
  EXPECT_EQ(report_.FindVariable("a"), 4);
  EXPECT_EQ(report_.FindVariable(""), 0);
  EXPECT_EQ(report_.FindVariable("NoValue"), 0);
  EXPECT_EQ(report_.FindVariable("B"), 0);
  EXPECT_EQ(report_.FindVariable(" B"), 6);
  EXPECT_EQ(report_.VariableText(1), "");
  EXPECT_EQ(report_.VariableText(2), "");
  EXPECT_EQ(report_.VariableText(3), "5");
  EXPECT_EQ(report_.VariableType(3), VarDataType::kNone);
}

TEST_F(ReportVariablesTest, ReferenceWritesRenameTheLineAndSetItsType) {
  report_.VarList().Add("Total=5");
  TQeReportVariable& total = report_.GetVariable("TOTAL");
  total.SetAsInteger(6);
  EXPECT_EQ(report_.VarList().Strings(0), "TOTAL=6");
  EXPECT_EQ(report_.VariableType(1), VarDataType::kNumber);
  EXPECT_EQ(total.AsInteger(), 6);
  total.SetDataType(VarDataType::kString);
  EXPECT_EQ(report_.VarList().Strings(0), "TOTAL=6");
  EXPECT_EQ(report_.VariableType(1), VarDataType::kString);
}

TEST_F(ReportVariablesTest, MissingReferenceFailsOnFirstUse) {
  TQeReportVariable& missing = report_.GetVariable("NOPE");
  EXPECT_EQ(ErrorOf<EIOError>([&] { missing.AsString(); }),
            "Get variable: report variable not found: NOPE");
  EXPECT_EQ(ErrorOf<EIOError>([&] { missing.DataType(); }),
            "Get variable: report variable not found: NOPE");
  EXPECT_EQ(ErrorOf<EIOError>([&] { missing.SetAsFloat(1); }),
            "Set variable: report variable not found: NOPE");
  EXPECT_EQ(ErrorOf<EIOError>([&] { missing.SetDataType(VarDataType::kString); }),
            "Set variable: report variable not found: NOPE");
}

TEST_F(ReportVariablesTest, AddVariablesRefusesDuplicates) {
  report_.AddTextVariable(" Name ", "x=y");
  report_.AddNumberVariable("Price", 1.5L);
  report_.AddNumberVariable("Big", 1e20L);
  EXPECT_EQ(report_.VarList().Strings(0), "Name=x=y");
  EXPECT_EQ(report_.VariableText(1), "x=y");
  EXPECT_EQ(report_.VariableType(1), VarDataType::kString);
  EXPECT_EQ(report_.VarList().Strings(1), "Price=1.5");
  EXPECT_EQ(report_.VariableType(2), VarDataType::kNumber);
  EXPECT_EQ(report_.VariableText(3), "1E20");
  EXPECT_EQ(ErrorOf<EIOError>([&] { report_.AddTextVariable("PRICE", "1"); }),
            "Can't add report variable PRICE - variable already exists");
  EXPECT_EQ(report_.VarList().Count(), 3);
}

TEST_F(ReportVariablesTest, NumbersInACommaLocale) {
  SetDefaultFormatSettings(CommaLocale());
  report_.AddNumberVariable("P", 1.5L);
  // Stored with "." whatever the locale, shown with ",".
  EXPECT_EQ(report_.VariableText(1), "1.5");
  TQeReportVariable& p = report_.GetVariable("P");
  EXPECT_EQ(p.AsString(), "1,5");
  EXPECT_DOUBLE_EQ(static_cast<double>(p.AsFloat()), 1.5);
  p.SetAsFloat(-2.25L);
  EXPECT_EQ(report_.VariableText(1), "-2.25");

  TQeReportVariable v = Standalone();
  EXPECT_DOUBLE_EQ(static_cast<double>(v.AsFloat()), 0.0);  // empty reads as 0
  v.SetText("2.5", VarDataType::kNumber);
  EXPECT_EQ(ErrorOf<EConvertError>([&] { v.AsInteger(); }), "'2.5' is not a valid integer value");
  v.SetText("abc", VarDataType::kNumber);
  EXPECT_EQ(ErrorOf<EConvertError>([&] { v.AsFloat(); }),
            "'abc' is not a valid floating point value");
  // A string that happens to hold a point keeps it.
  v.SetAsString("1.5");
  EXPECT_EQ(v.AsString(), "1.5");
}

TEST_F(ReportVariablesTest, BooleansFollowTheReportTexts) {
  report_.SetTrueValue("Ja");
  report_.SetFalseValue("Nein");
  TQeReportVariable v = Standalone();
  for (const std::string text : {"true", "TRUE", "Ja"}) {
    v.SetAsString(text);
    EXPECT_TRUE(v.AsBoolean()) << text;
  }
  for (const std::string text : {"1", "yes", "ja", "False"}) {
    v.SetAsString(text);
    EXPECT_FALSE(v.AsBoolean()) << text;
  }
  v.SetAsBoolean(false);
  EXPECT_EQ(v.Text(), "Nein");
  EXPECT_EQ(v.DataType(), VarDataType::kBoolean);

  report_.SetTrueValue("X");
  report_.SetFalseValue("X");
  v.SetAsBoolean(true);
  EXPECT_EQ(v.Text(), "True");
  v.SetAsBoolean(false);
  EXPECT_EQ(v.Text(), "False");
  EXPECT_FALSE(v.AsBoolean());

  TQeReportVariable loose;  // no report: the fixed words
  loose.SetAsBoolean(true);
  EXPECT_EQ(loose.Text(), "True");
}

TEST_F(ReportVariablesTest, DatesAndDateTimes) {
  const TDateTime day = EncodeDate(2024, 1, 31);
  const TDateTime moment = ComposeDateTime(day, EncodeTime(10, 20, 30, 45));
  EXPECT_EQ(DateToText(day), "{2024-01-31}");
  EXPECT_EQ(DateTimeToText(moment), "{2024-01-31,10:20:30:045}");
  EXPECT_EQ(DateToText(EncodeDate(5, 3, 4)), "{0005-03-04}");

  EXPECT_DOUBLE_EQ(TextToDate("{2024-01-31,10:20:30:000}"), day);
  EXPECT_DOUBLE_EQ(TextToDateTime("{2024-01-31}"), day);
  EXPECT_DOUBLE_EQ(TextToDateTime("{2024-01-31,10:20:30:045}"), moment);
  // Only a whole 25-character text carries a time.
  EXPECT_DOUBLE_EQ(TextToDateTime("{2024-01-31,10:20:30}"), day);
  EXPECT_EQ(ErrorOf<Exception>([] { TextToDate("2024-01-31"); }),
            "2024-01-31 is not a valid date value");
  EXPECT_EQ(ErrorOf<Exception>([] { TextToDateTime("{2024-1-3}"); }),
            "{2024-1-3} is not a valid datetime value");
  EXPECT_EQ(ErrorOf<EConvertError>([] { TextToDate("{2024-02-30}"); }),
            "Invalid argument to date encode");
  EXPECT_EQ(ErrorOf<EConvertError>([] { TextToDate("{20x4-02-03}"); }),
            "'20x4' is not a valid integer value");

  SetDefaultFormatSettings(CommaLocale());
  TQeReportVariable v = Standalone();
  v.SetAsDate(day);
  EXPECT_EQ(v.Text(), "{2024-01-31}");
  EXPECT_EQ(v.DataType(), VarDataType::kDateTime);
  EXPECT_EQ(v.AsString(), "31.01.2024");
  v.SetAsDateTime(moment);
  EXPECT_EQ(v.AsString(), DateTimeToStr(moment));
  EXPECT_EQ(v.AsString(), "31.01.2024 10:20:30");
  EXPECT_DOUBLE_EQ(v.AsDate(), day);
  // A string that looks like a date is not shown as one.
  v.SetAsString("{2024-01-31}");
  EXPECT_EQ(v.AsString(), "{2024-01-31}");
}

TEST_F(ReportVariablesTest, SwitchingModeEmptiesTheValue) {
  TQeReportVariable v = Standalone();
  v.SetName("N");
  v.SetAsString("x");
  v.SetStandalone(true);
  EXPECT_EQ(v.Text(), "x");
  v.SetStandalone(false);
  v.SetStandalone(true);
  EXPECT_EQ(v.Text(), "");
  EXPECT_EQ(v.DataType(), VarDataType::kNone);
  EXPECT_EQ(v.Name(), "N");
}

TEST_F(ReportVariablesTest, VarDataTypesBytes) {
  TQeVarList& list = report_.VarList();
  list.Add("A=1", VarDataType::kString);
  list.Add("B=2");
  list.Add("C={2024-01-31}", VarDataType::kDateTime);
  const std::string expected(
      "\x03\0\0\0"
      "\0\0\0\0"
      "\xFF\xFF\xFF\xFF"
      "\x03\0\0\0",
      16);
  EXPECT_EQ(list.VarDataTypes(), expected);

  TQeVarList empty;
  EXPECT_EQ(empty.VarDataTypes(), std::string(4, '\0'));

  TQeVarList copy;
  copy.Add("A=1");
  copy.Add("B=2");
  copy.Add("C=3");
  copy.SetVarDataTypes(
      std::string("\x03\0\0\0"
                  "\x01\0\0\0"
                  "\x02\0\0\0"
                  "\x07\0\0\0",
                  16));
  EXPECT_EQ(copy.DataType(0), VarDataType::kNumber);
  EXPECT_EQ(copy.DataType(1), VarDataType::kBoolean);
  EXPECT_EQ(copy.DataType(2), VarDataType::kNone);

  EXPECT_EQ(ErrorOf<Exception>([&] {
              copy.SetVarDataTypes(
                  std::string("\x04\0\0\0"
                              "\0\0\0\0"
                              "\0\0\0\0"
                              "\0\0\0\0"
                              "\0\0\0\0",
                              20));
            }),
            "List index out of bounds (3)");
  EXPECT_EQ(ErrorOf<Exception>([&] { copy.SetVarDataTypes(std::string("\x02\0\0\0\0\0", 6)); }),
            "Stream read error");
  // A failed read changes nothing.
  EXPECT_EQ(copy.DataType(0), VarDataType::kNumber);
}

TEST_F(ReportVariablesTest, AssignCopiesTypesIntoOwnObjects) {
  TQeVarList source;
  source.Add("A=1", VarDataType::kNumber);
  source.Add("B=2");
  report_.SetVarList(source);
  source.SetDataType(0, VarDataType::kString);
  EXPECT_EQ(report_.VariableType(1), VarDataType::kNumber);
  EXPECT_EQ(report_.VarList().Objects(1), nullptr);
  report_.VarList().Delete(0);
  EXPECT_EQ(report_.VarList().Strings(0), "B=2");
  EXPECT_EQ(ErrorOf<Exception>([&] { report_.VariableText(2); }), "List index out of bounds (1)");
}

}  // namespace
}  // namespace vorn
