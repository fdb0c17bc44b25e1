#include <gtest/gtest.h>

#include "engine/conscom/exceptions.h"
#include "platform/system/stream.h"
#include "tests/engine/eval/eval_fixture.h"

namespace vorn::testing {
namespace {

// GenerateExpression as the output pass calls it: the stream stands before the head.
class OutputReport : public EvalReport {
 public:
  using TQeRTF::GenerateExpression;
};

class ExpressionOutputTest : public ::testing::Test {
 protected:
  ExpressionOutputTest() : saved_(DefaultFormatSettings()) {
    SetDefaultFormatSettings(FormatSettings::CLocale());
    report_.SetLang(1028);
    report_.LangText = "1028";
  }
  ~ExpressionOutputTest() override { SetDefaultFormatSettings(saved_); }

  // Compiles `call_text` with `use`, then generates it inside a run; returns the bytes.
  std::string Generate(std::string_view call_text, ExpressionUse use = {}) {
    std::string written;
    report_.InRun = [&] {
      for (int i = 0; i < blocks_; ++i) report_.Scans()->Push();
      report_.Stream().Create();
      ASSERT_TRUE(CompileExpressionTag(report_, call_text, call_text, "{\\b}", {}, use));
      report_.Stream().Rewind();
      TMemoryStream output;
      report_.SetOutput(&output);
      ASSERT_EQ(report_.Stream().ReadHeader(), rkExprStart);
      report_.GenerateExpression();
      written = output.Bytes();
      report_.SetOutput(nullptr);
      block_after_ = report_.Scans()->CurrentBlock;
    };
    TMemoryStream document;
    report_.ExecuteToStream({}, document);
    return written;
  }

  OutputReport report_;
  TQeUDFList list_;
  int blocks_ = 0;  // blocks opened before the expression
  int16_t block_after_ = -1;

 private:
  FormatSettings saved_;
};

TEST_F(ExpressionOutputTest, ValueGoesThroughTheValueFrame) {
  EXPECT_EQ(Generate("MID('abc',2)"), "\\lang1028 bc{\\b}");
}

TEST_F(ExpressionOutputTest, NoResultWritesOnlyTheFormatting) {
  report_.AddNumberVariable("X", 1);
  EXPECT_EQ(Generate("SET(X,5)"), "{\\b}");
  EXPECT_EQ(report_.VariableText(report_.FindVariable("X")), "5");
}

TEST_F(ExpressionOutputTest, MemoryStreamBytesGoInUnchanged) {
  TQeUDF& rtf = list_.Functions().Add();
  rtf.SetName("RTF");
  rtf.SetResultType(udfrTMemoryStream);
  rtf.OnCalculate = [](TQeBaseReport&, const TQeUDFArgs&, int32_t, TQeUDFObject result) {
    std::get<TMemoryStream*>(result)->Write(std::string_view("{\\i x}\\par "));
  };
  report_.SetUDFList(&list_);
  EXPECT_EQ(Generate("RTF()"), "{\\i x}\\par {\\b}");
}

TEST_F(ExpressionOutputTest, StoredConditionAndCurrentBlock) {
  report_.CurrentCondition = false;
  blocks_ = 3;
  EXPECT_EQ(Generate("IF(2>1)", {false, true, 3}), "");
  EXPECT_TRUE(report_.CurrentCondition);
  EXPECT_EQ(block_after_, 3);
  Generate("IF(1)", {false, true, 0});
  EXPECT_FALSE(report_.CurrentCondition);
}

}  // namespace
}  // namespace vorn::testing
