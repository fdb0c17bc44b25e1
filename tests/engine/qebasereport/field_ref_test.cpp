#include <gtest/gtest.h>

#include "engine/fake_dataset.h"
#include "engine/qebasereport/base_report.h"

namespace vorn {
namespace {

TEST(FieldRefTest, PositionsNamesAndMisses) {
  testing::FakeDataSet products("P", {"PROD_ID", "Prod_Name", "(1)", "PRICE"}, {});
  struct Case {
    const char* part;
    int expected;
  } cases[] = {
      {"(0)", 0},   {"(3)", 3},       {"(4)", -1},  // past the last field
      {"(1)", 1},   {"prod_name", 1}, {"PROD_NAME", 1}, {"(01)", 1},
      {"( 1)", -1}, {"(-1)", -1},     {"()", -1},       {"(99999999999999999999)", -1},
      {"", -1},     {"PRICE ", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolveFieldRef(products, c.part), c.expected) << c.part;
  }
}

TEST(FieldRefTest, NamesCompareOnlyAsciiLettersWithoutCase) {
  testing::FakeDataSet data("D", {"\xC3\xA9T\xC3\xA9"}, {});
  EXPECT_EQ(ResolveFieldRef(data, "\xC3\xA9t\xC3\xA9"), 0);
  EXPECT_EQ(ResolveFieldRef(data, "\xC3\x89T\xC3\x89"), -1);
}

}  // namespace
}  // namespace vorn
