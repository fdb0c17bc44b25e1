#include <string>
#include <vector>

#include "engine/blocks/blocks_fixture.h"
#include "engine/qebasereport/compiled_stream.h"

namespace vorn::testing {
namespace {

class ScanCommandsTest : public BlocksTest {
 protected:
  std::unique_ptr<FakeDataSet> products_ = Products();
  std::vector<TDataSet*> datasets_ = {products_.get()};
};

struct Misplaced {
  std::string body;
  std::string message;
};

TEST_F(ScanCommandsTest, MisplacedScanCommandsFailWithTheirMessages) {
  const std::vector<Misplaced> cases = {
      {Tag("SCAN(A)x"), "Illegal using of \"scan\" keyword: SCAN(A)x"},
      {Tag("SCAN(Z)") + Tag("ENDSCAN"), "Scan Alias not found: Z"},
      {Tag("SCAN(NOSUCH)") + Tag("ENDSCAN"), "Scan Alias not found: NOSUCH"},
      {Tag("SCAN(A),while(1=1),while(2=2)"),
       "More than one \"while\" function is not allowed in command SCAN(A),while(1=1),while(2=2)"},
      {Tag("SCAN(),page"),
       "Either \"scan\" with DataSet or \"while\" function must be present in command SCAN(),page"},
      {Tag("SCANENTRY"), "Error: Scanentry must be after scan: SCANENTRY"},
      {Tag("SCAN(A)") + Tag("SCANENTRY") + Tag("SCANENTRY"),
       "Error: Scanentry already exists for scan block: SCANENTRY"},
      {Tag("SCAN(A)") + Tag("SCANFOOTER") + Tag("SCANENTRY"),
       "Error: Scanentry not allowed after scanfooter: SCANENTRY"},
      {Tag("SCAN(A)") + Tag("IF(1=1)") + Tag("SCANENTRY"),
       "Error: Scanentry is not expected: SCANENTRY"},
      {Tag("SCANFOOTER"), "Error: Scanfooter must be after Scan: SCANFOOTER"},
      {Tag("SCAN(A)") + Tag("SCANFOOTER") + Tag("SCANFOOTER"),
       "Error: Scanfooter already exists for scan block: SCANFOOTER"},
      {Tag("IF(1=1)") + Tag("SCANFOOTER"), "Error: Scanfooter is not expected: SCANFOOTER"},
      {Tag("ENDSCAN"), "Error: Endscan must be after scan: ENDSCAN"},
      {Tag("SCAN(A)") + Tag("IF(1=1)") + Tag("ENDSCAN"), "Error: Endscan is not expected: ENDSCAN"},
      {Tag("SCAN(A)") + " and no endscan",
       "Nesting error - endscan expected, but end of document found"},
      {Tag("SCAN(A),A:NAME") + Tag("ENDSCAN"),
       "Cannot process expression A:NAME in scan command SCAN(A),A:NAME"},
      {Tag("SCAN(A),1+2") + Tag("ENDSCAN"),
       "Cannot process expression 1+2 in scan command SCAN(A),1+2"},
      {Tag("SCAN(A)") + Tag("ENDSCAN,FNUM(TRIM(A:NAME))"),
       "Format function FNUM(TRIM(A:NAME)) not allowed in scan command ENDSCAN,FNUM(TRIM(A:NAME))"},
  };
  for (const Misplaced& c : cases) {
    EXPECT_EQ(CompileError<EIllegalScanUse>(c.body, datasets_), c.message) << c.body;
  }
}

TEST_F(ScanCommandsTest, FunctionItemsAreCheckedLikeTheirFunctions) {
  report_.AddNumberVariable("T", 0);
  const std::vector<Misplaced> cases = {
      {Tag("SCAN(A),NOSUCH(1)"), "Function not found: NOSUCH(1)"},
      {Tag("SCAN(A),VAR(X,1)"),
       "Illegal function use: 1 - report variable expected as argument in expression VAR(X,1)"},
      {Tag("SCAN(A),VAR(FNUM(X))"),
       "Illegal function use: FNUM(X) - format function not allowed in scan command in expression "
       "VAR(FNUM(X))"},
      {Tag("SCAN(A),SUM('1',T)"),
       "Illegal function use: '1' - datafield, variable or UDF expected as first argument in "
       "expression SUM('1',T)"},
      {Tag("SCAN(A)") + Tag("SCANENTRY,CTN(A:NAME,A:NAME)"),
       "Illegal function use: A:NAME - report variable expected as second argument in expression "
       "CTN(A:NAME,A:NAME)"},
      {Tag("SCAN(A)") + Tag("ENDSCAN,CTS(A:NAME,T,KEEP)"),
       "Illegal function use: KEEP - symbol \")\" or keyword \"NORESET\" expected as third "
       "argument in expression CTS(A:NAME,T,KEEP)"},
  };
  for (const Misplaced& c : cases) {
    EXPECT_EQ(CompileError<EIllegalFunctionUse>(c.body, datasets_), c.message) << c.body;
  }
}

TEST_F(ScanCommandsTest, KeywordsAndOptionsIgnoreCase) {
  EXPECT_EQ(Render(Tag("scan(a), Page ,NOEOF") + Tag("A:NAME") + Tag("EndScan"), datasets_),
            "Tea\\page Coffee\\page Milk");
  // Prefix tests, as for every command keyword.
  EXPECT_EQ(Render(Tag("SCAN(Products)") + Tag("A:NAME") + "," + Tag("ENDSCANNING"), datasets_),
            "Tea,Coffee,Milk,");
}

// The record kinds of the compiled stream, read while the run holds it; an expression counts as its
// head.
std::vector<int32_t> RecordKinds(const CompiledStream& compiled) {
  CompiledStream stream = compiled;
  stream.Rewind();
  std::vector<int32_t> kinds;
  bool in_expression = false;
  while (true) {
    const int32_t kind = stream.ReadHeader();
    if (!in_expression) kinds.push_back(kind);
    if (kind == rkStreamEnd) return kinds;
    if (kind == rkExprStart) in_expression = true;
    if (kind == rkExprEnd) in_expression = false;
    stream.Skip();
  }
}

TEST_F(ScanCommandsTest, WhileConditionIsCompiledBeforeTheScanAndAtEveryBodyEnd) {
  std::vector<int32_t> kinds;
  report_.OnScanBefore = [&](TQeScanInfo& info) { kinds = RecordKinds(info.Owner->Stream()); };
  report_.AddNumberVariable("N", 0);
  EXPECT_EQ(
      Render(Tag("SCAN(A),while(N<2),SET(N,N+1)") + "x" + Tag("SCANFOOTER") + "f" + Tag("ENDSCAN"),
             datasets_),
      "xxf");
  const std::vector<int32_t> expected = {rkStreamStart,
                                         rkText,
                                         rkExprStart /* while */,
                                         rkScanWhile,
                                         rkExprStart /* SET */,
                                         rkText,
                                         rkScanBodyEnd,
                                         rkExprStart /* while */,
                                         rkScanFooter,
                                         rkText,
                                         rkEndScan,
                                         rkText,
                                         rkStreamEnd};
  EXPECT_EQ(kinds, expected);
}

TEST_F(ScanCommandsTest, TooManyBlocksFailInsteadOfOverflowingTheirIds) {
  std::string body;
  for (int n = 0; n <= TQeScans::kMaxBlocks; ++n) body += Tag("IF(1)") + Tag("ENDIF");
  EXPECT_EQ(CompileError<EIllegalIFUse>(body), "Too many blocks in template: IF(1)");
}

}  // namespace
}  // namespace vorn::testing
