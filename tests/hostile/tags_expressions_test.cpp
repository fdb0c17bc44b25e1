#include <chrono>
#include <string>
#include <vector>

#include "data/memory_field.h"
#include "data/memory_table.h"
#include "hostile/hostile_fixture.h"

namespace vorn::testing {
namespace {

using namespace std::string_literals;

std::string Repeat(const std::string& part, size_t count) {
  std::string out;
  out.reserve(part.size() * count);
  for (size_t i = 0; i < count; ++i) out += part;
  return out;
}

// A table of one string field NAME holding `values`, one row each.
std::unique_ptr<TMemoryTable> Names(const std::vector<std::string>& values) {
  auto table = std::make_unique<TMemoryTable>(950);
  table->AddFieldDef({"NAME", ftString, 200, false});
  table->CreateDataSet();
  for (const std::string& value : values) {
    table->Append();
    table->Field(0).SetAsString(value);
    table->Post();
  }
  return table;
}

using TagsTest = HostileTest;

TEST_F(TagsTest, OverlongAndUnclosedTagsAreCopiedAsText) {
  // Past the tag length limit a candidate is no tag: its text stays in the document.
  const std::string long_tag = "\\\\A:" + Repeat("N", 10000) + "\\\\";
  EXPECT_NE(RunOutput(Doc(long_tag)).find(Repeat("N", 10000)), std::string::npos);
  const std::string unclosed = RunOutput("{\\rtf1 x \\\\A:ID and no end}");
  EXPECT_NE(unclosed.find("A:ID and no end"), std::string::npos);
  const std::string name_of_a_mebibyte = RunOutput(Doc("\\\\A:" + Repeat("X", 1 << 20) + "\\\\"));
  EXPECT_GT(name_of_a_mebibyte.size(), size_t{1} << 20);
}

TEST_F(TagsTest, DelimiterFormsAndSplitTagsGiveTheSameValue) {
  for (const char* tag :
       {"\\\\A:ID\\\\", "\\'5cA:ID\\'5C", "\\\\A:{\\b I}D\\\\", "\\\\A:\r\nID\\\\"}) {
    EXPECT_NE(RunOutput(Doc(tag)).find("\\lang1028 1"), std::string::npos) << tag;
  }
}

TEST_F(TagsTest, ReservedWordsAndCutDoubleByteNamesEndCleanly) {
  for (const char* tag :
       {"\\\\A:IF\\\\", "\\\\IF\\\\", "\\\\SCAN\\\\", "\\\\TRUE\\\\", "\\\\ENDSCAN\\\\",
        "\\\\A:\xA4\\\\", "\\\\\xA4\\\\", "\\\\A:NAME\xA4\\\\ x \\\\", "\\\\\"\xA4\\\\\"\\\\"}) {
    Run(Doc(tag));
  }
}

TEST_F(TagsTest, ExpressionsNestedThousandsDeepAreRefused) {
  // As deep as a tag of at most 10000 characters can hold.
  const std::string deep = Repeat("(", 4900) + "1" + Repeat(")", 4900);
  // Grouping brackets cost no call level: the value comes out.
  EXPECT_NE(RunOutput(Doc("\\\\" + deep + "+1\\\\")).find("\\lang1028 2"), std::string::npos);
  const std::string calls = Repeat("UPPER(", 1400) + "\"a\"" + Repeat(")", 1400);
  EXPECT_NE(RunError(Doc("\\\\" + calls + "\\\\")).find("nested too deeply"), std::string::npos);
  // Unclosed brackets of the same depth end just as cleanly.
  Run(Doc("\\\\" + Repeat("(", 9000) + "\\\\"));
  Run(Doc("\\\\" + Repeat("-", 9000) + "1\\\\"));
  Run(Doc("\\\\" + Repeat("!", 9000) + "TRUE\\\\"));
}

TEST_F(TagsTest, NumbersAtTheEdgesGiveAValueOrAnError) {
  for (const char* expression :
       {"1e309", "-1e309", "-0", "0/0", "1/0", "-1/0", "0%0", "-9223372036854775808/-1",
        "9223372036854775807+1", "INTPOWER(2,100000)", "POWER(10,400)", "ROUND(1e300,-400)",
        "ROUND(1,2147483647)", "INT(1e300)", "FRAC(-1e-320)", "STR(1e308,2147483647,1000)",
        "A:PRICE*1e308", "VAL(\"1e99999\")"}) {
    const RunOutcome outcome = Run(Doc(std::string("\\\\") + expression + "\\\\"));
    if (outcome.succeeded) {
      EXPECT_LT(outcome.output.size(), size_t{4096}) << expression;
    }
  }
}

TEST_F(TagsTest, FormatArgumentsOutOfRangeAreErrorsOrClamped) {
  for (const std::string& tag : std::vector<std::string>{
           "\\\\FNUM(A:PRICE,-1)\\\\", "\\\\FNUM(A:PRICE,2147483648)\\\\",
           "\\\\FNUM(A:PRICE,99999999999999999999)\\\\", "\\\\FNUM(A:PRICE,1000)\\\\",
           "\\\\FNUM(A:PRICE,1000:1000)\\\\", "\\\\FEXP(A:PRICE,:)\\\\", "\\\\FCUR(A:PRICE,x)\\\\",
           "\\\\FDTM(A:DAY,\"%n%s%x\")\\\\", "\\\\FORMATFLOAT(\"%n%s\",A:PRICE)\\\\",
           "\\\\FORMATFLOAT(\"" + Repeat("0", 5000) + "\",1)\\\\",
           "\\\\FDTM(A:DAY,\"" + Repeat("yyyy", 2000) + "\")\\\\",
           "\\\\COPY(SHOP,-5,2147483647)\\\\", "\\\\SUBSTR(A:NAME,2147483647,2147483647)\\\\",
           "\\\\MID(A:NAME,-2147483648,1)\\\\", "\\\\DATETOSTR(1e300)\\\\",
           "\\\\STRTODATE(\"9999/99/99\")\\\\"}) {
    const RunOutcome outcome = Run(Doc(tag));
    // A printf conversion never reaches the output: its text stays as written or is refused.
    EXPECT_EQ(outcome.output.find("(null)"), std::string::npos) << tag;
    if (outcome.succeeded) {
      EXPECT_LT(outcome.output.size(), size_t{64} << 10) << tag;
    }
  }
}

TEST_F(TagsTest, DataTextCannotInjectRtf) {
  auto table = Names({"{\\par}\\b x}", "\\'41\\u65?", "{"});
  const std::string out =
      RunOutput(Doc("\\\\SCAN(A)\\\\[\\\\A:NAME\\\\]\\\\ENDSCAN\\\\"), {table.get()});
  EXPECT_NE(out.find("\\{\\\\par\\}\\\\b x\\}"), std::string::npos) << out;
  EXPECT_NE(out.find("\\\\'41\\\\u65?"), std::string::npos) << out;
  EXPECT_EQ(out.find("{\\par}"), std::string::npos) << out;
}

TEST_F(TagsTest, UnbalancedFragmentsInDataLeaveTheDocumentBalanced) {
  auto table =
      Names({"{\\rtf1 {\\b open", "{\\rtf1 a}}}}}b", "}}}}", "{\\rtf1 {\\pict\\bin99 }}}"});
  const std::string out =
      RunOutput(Doc("\\\\SCAN(A)\\\\<\\\\FRTF(A:NAME)\\\\>\\\\ENDSCAN\\\\ END"), {table.get()});
  EXPECT_TRUE(fuzz::RtfBalanced(out)) << out;
  EXPECT_NE(out.find(" END\\par}"), std::string::npos) << out;
}

using BlocksTest = HostileTest;

TEST_F(BlocksTest, ScansNestedAHundredDeepEndCleanly) {
  EXPECT_TRUE(
      Run(Doc(Repeat("\\\\SCAN(B)\\\\", 100) + "\\\\B:CODE\\\\" + Repeat("\\\\ENDSCAN\\\\", 100)))
          .succeeded);
  // A hundred true conditions let their one letter through, and nothing of the tags.
  const std::string ifs =
      RunOutput(Doc(Repeat("\\\\IF(TRUE)\\\\", 100) + "<x>" + Repeat("\\\\ENDIF\\\\", 100)));
  EXPECT_NE(ifs.find("<x>"), std::string::npos) << ifs;
  EXPECT_EQ(ifs.find("IF"), std::string::npos) << ifs;
  EXPECT_TRUE(Run(Doc(Repeat("\\\\SCAN(A)\\\\\\\\IF(A:OK)\\\\", 50) + "x" +
                      Repeat("\\\\ENDIF\\\\\\\\ENDSCAN\\\\", 50)))
                  .succeeded);
  // Unclosed and stray block commands are nesting errors.
  EXPECT_EQ(RunError(Doc(Repeat("\\\\SCAN(A)\\\\", 100))),
            "Nesting error - endscan expected, but end of document found");
  EXPECT_NE(RunError(Doc(Repeat("\\\\ENDSCAN\\\\", 3))), "");
}

// A scan enters its block once even at the end of its dataset unless it says noeof.
TEST_F(BlocksTest, ScanOverAnEmptyTable) {
  auto empty = Names({});
  EXPECT_NE(RunOutput(Doc("<\\\\SCAN(A)\\\\row\\\\A:NAME\\\\\\\\ENDSCAN\\\\>"), {empty.get()})
                .find("<row"),
            std::string::npos);
  EXPECT_NE(RunOutput(Doc("<\\\\SCAN(A),noeof\\\\row\\\\ENDSCAN\\\\>"), {empty.get()}).find("<>"),
            std::string::npos);
}

TEST_F(BlocksTest, ScanOverAMillionRowsIsLinear) {
  TMemoryTable table(950);
  table.AddFieldDef({"N", ftInteger, 0, false});
  table.CreateDataSet();
  constexpr int kRows = 1000000;
  for (int i = 0; i < kRows; ++i) {
    table.Append();
    table.Field(0).SetAsInteger(i % 10);
    table.Post();
  }
  hang_limit_ = std::chrono::seconds(20);
  const std::string out = RunOutput(Doc("\\\\SCAN(A)\\\\\\\\A:N\\\\\\\\ENDSCAN\\\\"), {&table});
  EXPECT_GT(out.size(), size_t{kRows});
}

}  // namespace
}  // namespace vorn::testing
