#include <gtest/gtest.h>

#include <memory>

#include "data/memory_table.h"
#include "engine/conscom/exceptions.h"
#include "engine/qertf/qertf.h"
#include "engine/test_dir.h"
#include "platform/system/stream.h"
#include "platform/text/format_settings.h"

namespace vorn::testing {
namespace {

// Whole templates with expression tags, rendered over one price record.
class ExpressionTemplatesTest : public ::testing::Test {
 protected:
  static constexpr const char* kHead = "{\\rtf1\\ansi ";

  void SetUp() override {
    saved_settings_ = DefaultFormatSettings();
    SetDefaultFormatSettings(FormatSettings::CLocale());
    products_.SetName("Products");
    products_.AddFieldDef({"NAME", ftString, 20, false});
    products_.AddFieldDef({"PRICE", ftFloat, 0, false});
    products_.AddFieldDef({"QTY", ftInteger, 0, false});
    products_.CreateDataSet();
    products_.Append();
    products_.FieldByName("NAME").SetAsString("  Green tea ");
    products_.FieldByName("PRICE").SetAsFloat(12.5);
    products_.FieldByName("QTY").SetAsString("3");
    products_.Post();
    products_.First();
    report_.SetLang(1028);
  }
  void TearDown() override { SetDefaultFormatSettings(saved_settings_); }

  // The document body produced for `body`, without the head and the closing brace.
  std::string Render(const std::string& body) {
    report_.SetInFile(dir_.Write("t.rtf", kHead + body + "}"));
    TMemoryStream out;
    report_.ExecuteToStream({&products_}, out);
    const std::string& bytes = out.Bytes();
    const size_t head = std::string(kHead).size();
    return bytes.size() > head ? bytes.substr(head, bytes.size() - head - 1) : bytes;
  }

  std::string RenderError(const std::string& body) {
    try {
      Render(body);
    } catch (const std::exception& error) {
      EXPECT_FALSE(report_.Succeeded());
      EXPECT_EQ(report_.ErrorMessage(), error.what());
      return error.what();
    }
    return "no error";
  }

  TQeRTF report_;
  TMemoryTable products_;
  TestDir dir_;

 private:
  FormatSettings saved_settings_;
};

TEST_F(ExpressionTemplatesTest, ExpressionTagsWriteTheirValues) {
  EXPECT_EQ(Render("\\\\A:PRICE*A:QTY\\\\"), "\\lang1028 37.5");
  EXPECT_EQ(Render("\\\\TRIM(A:NAME)\\\\"), "\\lang1028 Green tea");
  EXPECT_EQ(Render("\\\\STR(A:PRICE,8,2)\\\\"), "\\lang1028    12.50");
  EXPECT_EQ(Render("\\\\IIF(A:QTY>2,'many','few')\\\\"), "\\lang1028 many");
}

TEST_F(ExpressionTemplatesTest, VariablesSetInOneTagAreReadInTheNext) {
  EXPECT_EQ(Render("\\\\VAR(TOTAL)\\\\\\\\SET(TOTAL,A:PRICE*2)\\\\=\\\\TOTAL+1\\\\"),
            "=\\lang1028 26");
}

TEST_F(ExpressionTemplatesTest, SumRunsOverAScanAndStartsAfreshWithTheNextRun) {
  for (const char* price : {"20", "30"}) {
    products_.Append();
    products_.FieldByName("PRICE").SetAsString(price);
    products_.Post();
  }
  const std::string body =
      "\\\\SCAN(A)\\\\"
      "\\\\SUM(A:PRICE,TOTAL)\\\\"
      "\\\\SUM(A:PRICE,ALL,NORESET)\\\\"
      "\\\\TOTAL\\\\/\\\\ALL\\\\;"
      "\\\\ENDSCAN\\\\";
  const std::string first = Render(body);
  EXPECT_NE(first.find("12.5/\\lang1028 12.5;"), std::string::npos) << first;
  EXPECT_NE(first.find("62.5/\\lang1028 62.5;"), std::string::npos) << first;
  const std::string second = Render(body);
  EXPECT_NE(second.find("12.5/\\lang1028 75;"), std::string::npos) << second;
  EXPECT_NE(second.find("62.5/\\lang1028 125;"), std::string::npos) << second;
}

TEST_F(ExpressionTemplatesTest, EvaluationErrorsEndTheRun) {
  EXPECT_EQ(RenderError("\\\\A:NAME+1\\\\"),
            "Operator/operand type mismatch. Operation \"+\", expression A:NAME+1");
  EXPECT_EQ(RenderError("\\\\1/(A:QTY-3)\\\\"),
            "Division by zero. Operation \"/\", expression 1/(A:QTY-3)");
}

}  // namespace
}  // namespace vorn::testing
