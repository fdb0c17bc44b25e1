#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/qertf/qertf.h"
#include "engine/scanner/scanner_fixture.h"
#include "platform/system/stream.h"

namespace vorn::testing {
namespace {

// Documents a word processor wrote (tables, a picture with its metafile twin, a hyperlink
// field, fonts, colours, Chinese text) and that hold no tags run through a whole report, so
// the output shows what scanning and assembly alone do. The expected files hold
// the template with its header tables in the output form: fonts in the report's charset,
// entries unseparated, no information group.
class RealDocumentTest : public ::testing::TestWithParam<const char*> {};

TEST_P(RealDocumentTest, RunReproducesTheDocumentWithTablesInOutputForm) {
  const std::string name = GetParam();
  TQeRTF rtf;
  rtf.SetInFile(std::string(VORN_TEST_DATA_DIR) + "/rtf/" + name + ".rtf");
  rtf.SetCharset(136);
  rtf.SetLang(1028);
  TMemoryStream out;
  rtf.ExecuteToStream({}, out);
  EXPECT_TRUE(rtf.Succeeded()) << rtf.ErrorMessage();
  EXPECT_EQ(out.Bytes(), ReadDataFile("rtf/" + name + ".expected.rtf"));
  EXPECT_EQ(out.Bytes().find("{\\info"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Documents, RealDocumentTest, ::testing::Values("picture", "price_table"));

class RealDocumentTagsTest : public ScannerTest {};

TEST_F(RealDocumentTagsTest, TagsAreFoundWhereTheAuthorWroteThem) {
  EXPECT_EQ(Tags(ReadDataFile("rtf/tags.rtf")),
            (std::vector<std::string>{"PROD}{\\loch\\b\\loch\n_NA}{\\loch\nME", "IF(A:PRICE > 5)",
                                      "UPPER(\\u8220\\'93a\\\\b\\u8221\\'94)", "UPPER(\"x\\\\y\")",
                                      "ENDIF", "A:VIP_PRICE"}));
  EXPECT_EQ(Tags(ReadDataFile("rtf/table.rtf")),
            (std::vector<std::string>{"PROD_NAME", "A:PROD_ID", "A:PROD_NAME"}));
  EXPECT_TRUE(Tags(ReadDataFile("rtf/picture.rtf")).empty());
}

TEST_F(RealDocumentTagsTest, TableRowsAreMarked) {
  Trace(ReadDataFile("rtf/table.rtf"));
  const std::vector<int32_t> kinds = Kinds();
  EXPECT_EQ(std::count(kinds.begin(), kinds.end(), rkRowStart), 2);
  EXPECT_EQ(std::count(kinds.begin(), kinds.end(), rkRowEnd), 2);
}

}  // namespace
}  // namespace vorn::testing
