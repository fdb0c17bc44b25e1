#include <gtest/gtest.h>

#include <memory>

#include "data/memory_table.h"
#include "engine/qertf/qertf.h"
#include "engine/test_dir.h"
#include "platform/system/stream.h"
#include "platform/text/format_settings.h"

namespace vorn {
namespace {

// Renders a template body between a fixed RTF head and "}" over one product record.
class DocumentsTest : public ::testing::Test {
 protected:
  static constexpr const char* kHead = "{\\rtf1\\ansi ";

  void SetUp() override {
    saved_settings_ = DefaultFormatSettings();
    SetDefaultFormatSettings(FormatSettings::CLocale());
    products_ = std::make_unique<TMemoryTable>();
    products_->SetName("Products");
    products_->AddFieldDef({"PROD_ID", ftString, 20, true});
    products_->AddFieldDef({"NAME", ftString, 50, false});
    products_->AddFieldDef({"PRICE", ftFloat, 0, false});
    products_->AddFieldDef({"QTY", ftInteger, 0, false});
    products_->AddFieldDef({"FRESH", ftBoolean, 0, false});
    products_->AddFieldDef({"SOLD", ftDateTime, 0, false});
    products_->AddFieldDef({"NOTE", ftString, 50, false});
    products_->CreateDataSet();
    products_->Append();
    products_->FieldByName("PROD_ID").SetAsString("1001");
    products_->FieldByName("NAME").SetAsString("Green tea");
    products_->FieldByName("PRICE").SetAsFloat(1234.5);
    products_->FieldByName("QTY").SetAsString("0");
    products_->FieldByName("FRESH").SetAsBoolean(true);
    products_->FieldByName("SOLD").SetAsString("2004-03-05 10:00:00");
    products_->FieldByName("NOTE").SetAsString("a{b}c\\d   ");
    products_->Post();
    products_->First();
    empty_ = std::make_unique<TMemoryTable>();
    empty_->SetName("Empty");
    empty_->AddFieldDef({"NAME", ftString, 10, false});
    empty_->CreateDataSet();
    empty_->First();
  }
  void TearDown() override { SetDefaultFormatSettings(saved_settings_); }

  // The document body produced for `body`, without the head and the closing brace.
  std::string Render(const std::string& body) {
    const std::string path = dir_.Write("t.rtf", kHead + body + "}");
    report_.SetInFile(path);
    TMemoryStream out;
    report_.ExecuteToStream({products_.get(), empty_.get()}, out);
    const std::string& bytes = out.Bytes();
    EXPECT_EQ(bytes.substr(0, std::string(kHead).size()), kHead);
    return bytes.substr(std::string(kHead).size(), bytes.size() - std::string(kHead).size() - 1);
  }
  std::string RenderError(const std::string& body) {
    try {
      Render(body);
    } catch (const Exception& e) {
      EXPECT_FALSE(report_.Succeeded());
      return e.what();
    }
    return "";
  }

  testing::TestDir dir_;
  TQeRTF report_;
  std::unique_ptr<TMemoryTable> products_;
  std::unique_ptr<TMemoryTable> empty_;
  FormatSettings saved_settings_;
};

TEST_F(DocumentsTest, FieldTagsWriteTheirValueInTheLanguageFrame) {
  report_.SetLang(1028);
  EXPECT_EQ(Render("x\\\\A:NAME\\\\y"), "x\\lang1028 Green teay");
  EXPECT_EQ(Render("\\\\products:prod_id\\\\"), "\\lang1028 1001");
  EXPECT_EQ(Render("\\\\A:(1)\\\\"), "\\lang1028 Green tea");
  // eoDotAsColon is on by default.
  EXPECT_EQ(Render("\\\\A.NAME\\\\"), "\\lang1028 Green tea");
}

TEST_F(DocumentsTest, ValuesAreEscapedForRtf) {
  // Trailing blanks of a field are dropped; braces and backslashes cannot break out.
  EXPECT_EQ(Render("\\\\A:NOTE\\\\"), "\\lang0 a\\{b\\}c\\\\d");
}

TEST_F(DocumentsTest, DoubleByteCharactersKeepTheirTrailByteEscaped) {
  // Big5 "\xB3\x5C" has a backslash as its second byte; written as the control symbol "\\"
  // the character would fall apart in a word processor.
  products_->Edit();
  products_->FieldByName("NAME").SetAsString("\xB3\x5C\xA5\x7B\xA7\x41-\\");
  products_->Post();
  report_.SetCharset(136);
  EXPECT_EQ(Render("\\\\A:NAME\\\\"), "\\lang0 \\'B3\\'5C\\'A5\\'7B\\'A7\\'41-\\\\");
  // A single-byte code page keeps the plain rules.
  report_.SetCharset(0);
  EXPECT_EQ(Render("\\\\A:NAME\\\\"), "\\lang0 \\'B3\\\\\\'A5\\{\\'A7A-\\\\");
}

TEST_F(DocumentsTest, FormattingInsideATagFollowsTheValue) {
  EXPECT_EQ(Render("\\\\A:{\\b NAME}\\\\."), "\\lang0 Green tea{\\b }.");
}

TEST_F(DocumentsTest, MissedTagsStayAsWrittenOrLeaveOnlyTheirFormatting) {
  EXPECT_EQ(Render("[\\\\A:NOPE\\\\]"), "[\\\\A:NOPE\\\\]");
  EXPECT_EQ(Render("[\\\\Z:NAME\\\\]"), "[\\\\Z:NAME\\\\]");
  EXPECT_EQ(Render("[\\\\UNKNOWN_VAR\\\\]"), "[\\\\UNKNOWN_VAR\\\\]");
  EXPECT_EQ(Render("[\\\\NOSUCHFUNC(1)\\\\]"), "[\\\\NOSUCHFUNC(1)\\\\]");
  report_.SetOptions({eoClearMissedFields});
  EXPECT_EQ(Render("[\\\\A:{\\i NOPE}\\\\]"), "[{\\i }]");
  EXPECT_EQ(Render("[\\\\UNKNOWN_VAR\\\\]"), "[]");
  EXPECT_EQ(Render("[\\\\NOSUCHFUNC(1)\\\\]"), "[]");
}

TEST_F(DocumentsTest, AFieldOfADatasetAtItsEndWritesABlank) {
  EXPECT_EQ(Render("[\\\\B:{\\b NAME}\\\\]"), "[ {\\b }]");
}

TEST_F(DocumentsTest, VariablesAndLiterals) {
  report_.AddTextVariable("TITLE", "Price list");
  report_.AddNumberVariable("RATE", 1.5L);
  EXPECT_EQ(Render("\\\\title\\\\|\\\\RATE\\\\"), "\\lang0 Price list|\\lang0 1.5");
  EXPECT_EQ(Render("\\\\\"quoted\\\\text\"\\\\"), "\\lang0 quoted\\\\text");
  EXPECT_EQ(Render("\\\\1.50\\\\"), "\\lang0 1.5");
  // TRUE goes through the boolean format: TrueValue.
  report_.SetTrueValue("Yes");
  EXPECT_EQ(Render("\\\\TRUE\\\\"), "\\lang0 Yes");
  EXPECT_EQ(Render("\\\\\\{2004-03-05\\}\\\\"), "\\lang0 2004/03/05");
}

TEST_F(DocumentsTest, NumericFormats) {
  struct Case {
    const char* tag;
    const char* expected;
  } cases[] = {
      {"FFIX(A:PRICE,2)", "1234.50"},     {"FFIX(3.14159,2)", "3.14"},
      {"FFIX(3.14159,5:1)", "3.1"},       {"FNUM(A:PRICE,2)", "1,234.50"},
      {"FNUMR(2500,2)", "2,500="},        {"FFIXR(0.5,2)", "0-50"},
      {"FFIXR(A:PRICE,2)", "1234-50"},    {"FFIXR(1234,0)", "1234="},
      {"FCUR(A:PRICE)", "$1,234.50"},     {"FEXP(A:PRICE,2)", "1.23450000000000000E+03"},
      {"FEXP(A:PRICE,4:2)", "1.235E+03"}, {"FNUM(A:QTY,2)", "0.00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Render(std::string("\\\\") + c.tag + "\\\\"), std::string("\\lang0 ") + c.expected)
        << c.tag;
  }
  report_.SetOptions({eoNumericFormatClearZero});
  EXPECT_EQ(Render("\\\\FNUM(A:QTY,2)\\\\"), "\\lang0 ");
}

TEST_F(DocumentsTest, NumericFormatsFollowTheRegionalSettings) {
  FormatSettings comma = FormatSettings::CLocale();
  comma.decimal_separator = ',';
  comma.thousand_separator = '.';
  SetDefaultFormatSettings(comma);
  EXPECT_EQ(Render("\\\\FNUM(A:PRICE,2)\\\\"), "\\lang0 1.234,50");
  EXPECT_EQ(Render("\\\\FFIXR(A:PRICE,2)\\\\"), "\\lang0 1234-50");
}

TEST_F(DocumentsTest, BooleanDateAndLinkFormats) {
  EXPECT_EQ(Render("\\\\A:FRESH\\\\"), "\\lang0 True");
  EXPECT_EQ(Render("\\\\FBOOL(\"true\")\\\\"), "\\lang0 True");
  EXPECT_EQ(Render("\\\\FBOOL(\"no\")\\\\"), "\\lang0 False");
  // A date-time field without a format loses its time part.
  EXPECT_EQ(Render("\\\\A:SOLD\\\\"), "\\lang0 2004-03-05");
  EXPECT_EQ(Render("\\\\FDTM(A:SOLD,\"dd.mm.yyyy hh:nn\")\\\\"), "\\lang0 05.03.2004 10:00");
  report_.AddTextVariable("DAYFORMAT", "d mmm, yyyy");
  EXPECT_EQ(Render("\\\\FDTM(A:SOLD,DAYFORMAT)\\\\"), "\\lang0 5 Mar, 2004");
  EXPECT_EQ(Render("\\\\FLNK(\"page|Go\")\\\\"),
            "{\\field{\\*\\fldinst {\\lang0 HYPERLINK \"page\" }}{\\fldrslt \\lang0 Go}}");
  EXPECT_EQ(Render("\\\\FLNK(\"http://x/\\{a\\}\")\\\\"),
            "{\\field{\\*\\fldinst {\\lang0 HYPERLINK \"http://x/\\{a\\}\" }}"
            "{\\fldrslt \\lang0 http://x/\\{a\\}}}");
  EXPECT_EQ(Render("\\\\FLNK(\"|shown\")\\\\"),
            "{\\field{\\*\\fldinst {\\lang0 HYPERLINK \"\" }}{\\fldrslt \\lang0 }}");
}

TEST_F(DocumentsTest, FormatCallErrorsAreReportedWithTheTag) {
  EXPECT_EQ(RenderError("\\\\FFIX(A:PRICE,2a)\\\\"),
            "Illegal use of format function FFIX(A:PRICE,2a) - cannot understand argument 2a");
  EXPECT_EQ(RenderError("\\\\FFIX(A:PRICE,2,3)\\\\"),
            "Illegal format function use: FFIX(A:PRICE,2,3) - number of arguments is more than "
            "maximum allowed");
}

TEST_F(DocumentsTest, TagsThatAreNoTagsAreCopied) {
  // A lone backslash, and a tag cut by a paragraph mark.
  EXPECT_EQ(Render("a \\\\ b"), "a \\\\ b");
  EXPECT_EQ(Render("\\\\A:NAME\\par \\\\A:NAME\\\\"), "\\\\A:NAME\\par \\lang0 Green tea");
}

TEST_F(DocumentsTest, AFailedRunLeavesNoOutputFile) {
  report_.SetOutFile(dir_.Write("out.doc", "old"));
  report_.SetInFile(dir_.Write("bad.rtf", std::string(kHead) + "\\\\FFIX(1,x)\\\\}"));
  EXPECT_THROW(report_.Execute({products_.get()}), EIllegalFunctionUse);
  EXPECT_FALSE(testing::ReadFileBytes(dir_.File("out.doc")).size() > 0);
  for (const std::string& name : dir_.Entries()) EXPECT_EQ(name.find(".tmp"), std::string::npos);
}

}  // namespace
}  // namespace vorn
