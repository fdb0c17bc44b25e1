#include "engine/qebasereport/function_calls.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/expression_parser.h"
#include "engine/qebasereport/function_table.h"
#include "engine/qebasereport/tag_classifier.h"
#include "engine/qefunc/user_functions.h"
#include "engine/qertf/qertf.h"

namespace vorn {
namespace {

// The compile pass standing at template position 7.
struct FixedCursor : TemplateCursor {
  int32_t TemplatePos() const override { return 7; }
};

class FunctionCallsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    report_.Stream().Create();
    report_.SetTemplateCursor(&cursor_);
  }

  std::vector<std::string> Split(const std::string& text, bool* balanced = nullptr) {
    SplitArgumentsResult result = SplitArguments(report_, text);
    if (balanced != nullptr) *balanced = result.Balanced;
    return result.Args;
  }

  template <typename E = EIllegalFunctionUse, typename F>
  std::string ErrorOf(F&& action) {
    try {
      action();
    } catch (const E& e) {
      return e.what();
    }
    return "no error";
  }

  std::string ParseError(const std::string& text) {
    return ErrorOf([&] { ParseFunctionCall(report_, text); });
  }

  // Compiles a tag the way the template compiler does: a call tag as it stands, an
  // expression tag through its call form.
  bool CompileTag(const std::string& decoded, const ExpressionUse& use = {}) {
    const TagClass tag = ClassifyTag(report_, decoded);
    const std::string call =
        tag.Kind == okExpression ? ConvertExpression(report_, tag.Text, true) : tag.Text;
    return CompileExpressionTag(report_, call, tag.Text, "{\\b}", tag.Format, use);
  }

  std::string CompileError(const std::string& decoded) {
    return ErrorOf([&] { CompileTag(decoded); });
  }

  // The records written, one line each, read back with the stream's readers.
  std::vector<std::string> Records() {
    std::vector<std::string> lines;
    CompiledStream& s = report_.Stream();
    s.Rewind();
    while (s.Position() < s.Size()) {
      const int32_t kind = s.ReadHeader();
      std::string line = "@" + std::to_string(s.TemplatePos) + " ";
      if (kind == rkExprStart) {
        const TQeExprHead head = s.ReadExprStart();
        line += "start " + head.Row.Text + " id " + std::to_string(head.Row.Index) + " fmt " +
                std::to_string(head.Row.FormatId) + "/" + std::to_string(head.Row.Precision) + "/" +
                std::to_string(head.Row.Digits) + " [" + head.Row.FormatText + "]" +
                (head.OutputResult ? " out" : "") + (head.StoreCondition ? " cond" : "") +
                " block " + std::to_string(head.BlockId) +
                (head.Row.IsOperand || head.Row.NotFound || !head.Row.Resolved ? " BAD" : "");
      } else if (kind == rkCall) {
        const TQeCall call = s.ReadCall();
        line += "call " + std::to_string(call.FunctionId) + " " + std::to_string(call.ArgCount);
      } else if (kind == rkExprEnd) {
        s.ReadTrailer();
        line += "end";
      } else if (IsOperandKind(kind)) {
        const TQeRowContent row = s.ReadOperand();
        line += "op " + std::to_string(kind) + " " + (row.Alias.empty() ? "" : row.Alias + "|") +
                row.Text;
        if (row.Index != -1 || !row.NotFound || row.Resolved || !row.IsOperand ||
            row.FormatId != 0 || row.Precision != 18 || row.Digits != 2) {
          line += " BAD";
        }
      } else {
        s.Skip();
        line += "kind " + std::to_string(kind);
      }
      lines.push_back(line);
    }
    return lines;
  }

  FixedCursor cursor_;
  TQeRTF report_;
};

TEST_F(FunctionCallsTest, SplitArgumentsHonoursQuotesAndBrackets) {
  bool balanced = false;
  EXPECT_EQ(Split("", &balanced), std::vector<std::string>{});
  EXPECT_TRUE(balanced);
  EXPECT_EQ(Split("  "), std::vector<std::string>{});
  EXPECT_EQ(Split("A,B"), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(Split("1,,2"), (std::vector<std::string>{"1", "", "2"}));
  EXPECT_EQ(Split(" A , B"), (std::vector<std::string>{" A ", " B"}));
  EXPECT_EQ(Split("'a,b'"), std::vector<std::string>{"'a,b'"});
  EXPECT_EQ(Split("')'"), std::vector<std::string>{"')'"});
  EXPECT_EQ(Split("\x93,(\x93,\x94"), std::vector<std::string>{"\x93,(\x93,\x94"});
  EXPECT_EQ(Split("F(1,2),G(3)"), (std::vector<std::string>{"F(1,2)", "G(3)"}));
  EXPECT_EQ(Split("A),B", &balanced), std::vector<std::string>{"A"});
  EXPECT_FALSE(balanced);
  EXPECT_EQ(Split("F(A,B", &balanced), std::vector<std::string>{"F(A,B,"});
  EXPECT_FALSE(balanced);
}

TEST_F(FunctionCallsTest, ParseFunctionCallFindsIdAndArguments) {
  const std::optional<FunctionCall> trim = ParseFunctionCall(report_, "trim(A)");
  ASSERT_TRUE(trim);
  EXPECT_EQ(trim->Id, kFnTrim);
  EXPECT_EQ(trim->Args, std::vector<std::string>{"A"});

  const std::optional<FunctionCall> group = ParseFunctionCall(report_, "(A+1)");
  ASSERT_TRUE(group);
  EXPECT_EQ(group->Id, kFnGroup);
  EXPECT_EQ(group->Args, std::vector<std::string>{"A+1"});

  EXPECT_EQ(ParseFunctionCall(report_, "NOW()")->Args.size(), 0u);
  EXPECT_EQ(ParseFunctionCall(report_, "MID(A,,2)")->Args.size(), 3u);
  EXPECT_EQ(ParseFunctionCall(report_, "VAR(" + std::string(9999, ',') + ")")->Args.size(), 10000u);
  EXPECT_FALSE(ParseFunctionCall(report_, "FOO(1)"));
  EXPECT_FALSE(ParseFunctionCall(report_, "TRIM"));
  EXPECT_FALSE(ParseFunctionCall(report_, "TRIM(A"));
  EXPECT_FALSE(ParseFunctionCall(report_, ""));
}

TEST_F(FunctionCallsTest, ParseFunctionCallChecksCountsAndBrackets) {
  EXPECT_EQ(ParseError("NOW(1)"),
            "Illegal function use: NOW(1) - number of arguments is more than maximum allowed");
  EXPECT_EQ(ParseError("SUBSTR(A)"),
            "Illegal function use: SUBSTR(A) - number of arguments is less than minimum required");
  EXPECT_EQ(ParseError("IIF(A,B)"),
            "Illegal function use: IIF(A,B) - number of arguments is less than minimum required");
  EXPECT_EQ(ParseError("VAR(" + std::string(10000, ',') + ")"),
            "Illegal function use: VAR(" + std::string(10000, ',') +
                ") - number of arguments is more than maximum allowed");
  EXPECT_EQ(ParseError("TRIM(A))"), "Brackets balance violation in function TRIM(A))");
  EXPECT_EQ(ParseError("()"),
            "Illegal function use: () - number of arguments is less than minimum required");
}

TEST_F(FunctionCallsTest, ExpressionTagCompilesInReversePolishOrder) {
  ASSERT_TRUE(CompileTag("A+B*2", {true, false, 3}));
  EXPECT_EQ(Records(), (std::vector<std::string>{
                           "@7 start A+B*2 id -16 fmt 0/18/2 [{\\b}] out block 3",
                           "@7 op 2 2",
                           "@7 op 0 B",
                           "@7 call -13 2",
                           "@7 op 0 A",
                           "@7 call -16 2",
                           "@7 end",
                       }));
}

TEST_F(FunctionCallsTest, CallTagWritesEachOperandKind) {
  ASSERT_TRUE(CompileTag("IIF(ab:qty,'x,y',MID(B.Price,{2024-01-31},-1.5))", {false, true, 0}));
  EXPECT_EQ(Records(), (std::vector<std::string>{
                           "@7 start IIF(ab:qty,'x,y',MID(B.Price,{2024-01-31},-1.5)) id -62 "
                           "fmt 0/18/2 [{\\b}] cond block 0",
                           "@7 op -2 AB|qty",
                           "@7 op 3 x,y",
                           "@7 op -2 B|Price",
                           "@7 op 5 {2024-01-31}",
                           "@7 op 2 -1.5",
                           "@7 call -26 3",
                           "@7 call -62 3",
                           "@7 end",
                       }));
}

TEST_F(FunctionCallsTest, FieldWithDotStaysDotWithoutTheOption) {
  report_.SetOptions({});
  ASSERT_TRUE(CompileTag("TRIM(ab.qty)"));
  EXPECT_EQ(Records()[1], "@7 op -1 AB|qty");
}

TEST_F(FunctionCallsTest, GroupingAndNestedExpressionArguments) {
  // A bracketed text is a call of the nameless grouping function where a call is expected.
  ASSERT_TRUE(CompileExpressionTag(report_, "(A)", "(A)", "", {}));
  EXPECT_EQ(Records(), (std::vector<std::string>{
                           "@7 start (A) id -22 fmt 0/18/2 [] out block 0",
                           "@7 op 0 A",
                           "@7 call -22 1",
                           "@7 end",
                       }));
  report_.Stream().Create();
  ASSERT_TRUE(CompileTag("UPPER(A+1)"));
  EXPECT_EQ(Records()[1], "@7 op 2 1");
  EXPECT_EQ(Records()[3], "@7 call -16 2");
  report_.Stream().Create();
  ASSERT_TRUE(CompileTag("UPPER(true)"));
  EXPECT_EQ(Records()[1], "@7 op 4 TRUE");
}

TEST_F(FunctionCallsTest, FormattedTagKeepsItsDescriptorInTheHead) {
  ASSERT_TRUE(CompileTag("FFIX(A*2,5:1)"));
  EXPECT_EQ(Records()[0], "@7 start A*2 id -13 fmt 2/5/1 [{\\b}] out block 0");
}

TEST_F(FunctionCallsTest, UnknownTopFunctionIsAMissedTag) {
  EXPECT_FALSE(CompileTag("FOO(1)"));
  EXPECT_EQ(report_.Stream().Size(), 0);
  EXPECT_EQ(CompileError("FOO(1)+1"), "Function not found: FOO(1)");
}

TEST_F(FunctionCallsTest, ArgumentErrors) {
  const std::pair<std::string, std::string> cases[] = {
      {"MID(A,,2)", "Cannot use empty string as argument for another expression"},
      {"TRIM(ENDIF)", "Cannot use ENDIF as argument for another expression"},
      {"TRIM(ELSEX)", "Cannot use ELSEX as argument for another expression"},
      {"TRIM(*A)", "Cannot use *A as argument for another expression"},
      {"TRIM(FNUM(A,2))",
       "Illegal function use: expression A has format function FNUM, which is not allowed "
       "within another expression"},
      {"TRIM(FOO(1))", "Function not found: FOO(1)"},
      {"TRIM(SUBSTR(A))",
       "Illegal function use: SUBSTR(A) - number of arguments is less than minimum required"},
      {"TRIM(A+)", "Unexpected end of expression: A+"},
      {"TRIM((A))", "Operation or function name missed in expression: (A), operand: A"},
      {"FNUM(SUM(A:QTY,TOTAL),2)",
       "Format function FNUM doesn't conform to it's expression: SUM(A:QTY,TOTAL)"},
  };
  for (const auto& [tag, message] : cases) {
    SCOPED_TRACE(tag);
    report_.Stream().Create();
    EXPECT_EQ(CompileError(tag), message);
  }
}

TEST_F(FunctionCallsTest, DeeplyNestedCallsAreRefused) {
  std::string tag = "A";
  for (int i = 0; i < 300; ++i) tag = "TRIM(" + tag + ")";
  const std::string message = CompileError(tag);
  EXPECT_EQ(message.rfind("Expression is nested too deeply: TRIM(", 0), 0u) << message;
}

TEST_F(FunctionCallsTest, UserFunctionsReplaceBuiltins) {
  TQeUDFList list;
  TQeUDF& trim = list.Functions().Add();
  trim.SetName("Trim");
  trim.SetArgMaxCount(2);
  TQeUDF& add = list.Functions().Add();
  add.SetName("SYS_ADD");
  add.SetArgMaxCount(2);
  TQeUDF& picture = list.Functions().Add();
  picture.SetName("PIC");
  picture.SetResultType(udfrTPicture);
  TQeUDF& action = list.Functions().Add();
  action.SetName("ACT");
  action.SetResultType(udfrNil);
  report_.SetUDFList(&list);

  EXPECT_EQ(LookupFunction(report_, " trim "), 0);
  EXPECT_EQ(LookupFunction(report_, "upper"), kFnUpper);
  EXPECT_EQ(GetArgMaxCount(report_, 0), 2);
  EXPECT_EQ(FunctionName(report_, 1), "SYS_ADD");
  EXPECT_EQ(GetResultType(report_, 9), udfrNil);
  EXPECT_EQ(GetArgMinCount(report_, 9), 0);

  ASSERT_TRUE(CompileTag("TRIM(A,B)+1"));
  EXPECT_EQ(Records(), (std::vector<std::string>{
                           "@7 start TRIM(A,B)+1 id 1 fmt 0/18/2 [{\\b}] out block 0",
                           "@7 op 2 1",
                           "@7 op 0 A",
                           "@7 op 0 B",
                           "@7 call 0 2",
                           "@7 call 1 2",
                           "@7 end",
                       }));
  report_.Stream().Create();
  EXPECT_TRUE(CompileTag("FIMG(PIC(),3)"));
  EXPECT_EQ(CompileError("FNUM(ACT(),2)"),
            "Format function FNUM doesn't conform to it's expression: ACT()");
  EXPECT_EQ(CompileError("FIMG(ACT())"),
            "Format function FIMG doesn't conform to it's expression: ACT()");
  report_.SetUDFList(nullptr);
  EXPECT_EQ(LookupFunction(report_, "TRIM"), kFnTrim);
}

TEST_F(FunctionCallsTest, ArbitraryTagTextsCompileToWholeExpressionsOrFailWithAMessage) {
  // Tag texts are untrusted: whatever they hold, compiling gives one whole expression (a head,
  // its records, an end), no records for a text that is no expression, or an engine error with
  // a message, and the same outcome every time.
  static constexpr std::string_view kAlphabet = "AB1.:,()'\"!+-*/%<>=&|{}-_ \x93\x94TRIMFX";
  std::mt19937 random(12345);
  const auto outcome = [this](const std::string& text) {
    report_.Stream().Create();
    try {
      if (!CompileTag(text)) {
        EXPECT_TRUE(Records().empty()) << text;
        return std::vector<std::string>{"no expression"};
      }
    } catch (const Exception& e) {
      return std::vector<std::string>{std::string("error: ") + e.what()};
    }
    return Records();
  };
  int compiled = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const size_t length = random() % 24;
    for (size_t i = 0; i < length; ++i) text += kAlphabet[random() % kAlphabet.size()];
    const std::vector<std::string> first = outcome(text);
    ASSERT_FALSE(first.empty()) << text;
    if (first.front().starts_with("error: ")) {
      EXPECT_GT(first.front().size(), 7u) << text;
    } else if (first.front() != "no expression") {
      ++compiled;
      EXPECT_NE(first.front().find(" start "), std::string::npos) << text;
      EXPECT_NE(first.back().find(" end"), std::string::npos) << text;
      for (const std::string& record : first)
        EXPECT_EQ(record.find(" BAD"), std::string::npos) << text;
    }
    EXPECT_EQ(outcome(text), first) << text;
  }
  // The alphabet makes valid calls too, or the test would only see errors.
  EXPECT_GT(compiled, 10);
}

TEST(FunctionTableTest, RowsAndFormats) {
  TQeRTF report;
  for (int k = 1; k <= kBaseFunctionCount; ++k) {
    EXPECT_EQ(kBaseFunctions[static_cast<size_t>(k - 1)].Id, -k);
  }
  EXPECT_EQ(FunctionName(report, kFnGroup), "");
  EXPECT_EQ(FunctionName(report, kFnIif), "IIF");
  EXPECT_EQ(FunctionName(report, -63), "");
  EXPECT_EQ(GetArgMaxCount(report, kFnVar), 10000);
  EXPECT_EQ(GetResultType(report, kFnSet), udfrNil);
  EXPECT_EQ(GetResultType(report, -100), udfrNil);
  EXPECT_FALSE(LookupFunction(report, "SYS_FOO"));
  EXPECT_EQ(LookupFunction(report, ""), kFnGroup);

  struct Conformity {
    int32_t function;
    int32_t format;
    bool conforms;
  };
  const Conformity cases[] = {
      {kFnSum, kNoFormat, true},    {kFnSum, kFormatFnum, false},   {kFnTrim, kFormatFnum, true},
      {kFnTrim, kFormatFimg, true}, {kFnNext, kFormatFbool, false}, {kFnIif, kFormatFrtf, true},
      {-100, kFormatFlnk, false},   {kFnTrim, 12, false},
  };
  for (const Conformity& c : cases) {
    SCOPED_TRACE(std::to_string(c.function) + " " + std::to_string(c.format));
    EXPECT_EQ(FormatConforms(report, c.function, {c.format, 18, 2}), c.conforms);
  }
}

}  // namespace
}  // namespace vorn
