#include "engine/qertfstream/keyword_table.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace vorn {
namespace {

TEST(KeywordTableTest, RowsAreInByteOrderWithOnlyTheTwoKnownRepeats) {
  ASSERT_EQ(KeywordTable.size(), 331u);
  std::vector<std::string> repeats;
  for (size_t i = 1; i < KeywordTable.size(); ++i) {
    EXPECT_LE(KeywordTable[i - 1].Keyword, KeywordTable[i].Keyword) << "row " << i;
    if (KeywordTable[i - 1].Keyword == KeywordTable[i].Keyword) {
      repeats.emplace_back(KeywordTable[i].Keyword);
    }
  }
  EXPECT_EQ(repeats, (std::vector<std::string>{"\\charscalex", "\\ulth"}));
}

TEST(KeywordTableTest, KindsHoldTheirGroupSizes) {
  std::map<KeywordKind, int> counts;
  for (const KeywordRow& row : KeywordTable) ++counts[row.Kind];
  EXPECT_EQ(counts[KeywordKind::kDocument], 27);
  EXPECT_EQ(counts[KeywordKind::kCopied], 216);
  EXPECT_EQ(counts[KeywordKind::kReference], 20);
  EXPECT_EQ(counts[KeywordKind::kSpecial], 2);
  EXPECT_EQ(counts[KeywordKind::kDefaultFont], 1);
  EXPECT_EQ(counts[KeywordKind::kSkipped], 5);
  EXPECT_EQ(counts[KeywordKind::kPicture], 4);
  EXPECT_EQ(counts[KeywordKind::kHeaderTable], 3);
  EXPECT_EQ(counts[KeywordKind::kTableRow], 53);
}

TEST(KeywordTableTest, LooksUpWordsWithTheirIndex) {
  struct Case {
    const char* word;
    KeywordKind kind;
    KeywordIndex index;
  };
  const Case cases[] = {
      {"\\adjustright", KeywordKind::kCopied, KeywordIndex::kNone},  // first row
      {"\\wpeqn", KeywordKind::kCopied, KeywordIndex::kNone},        // last row
      {"\\f", KeywordKind::kReference, KeywordIndex::kFont},
      {"\\cb", KeywordKind::kReference, KeywordIndex::kBackColor},
      {"\\ulc", KeywordKind::kReference, KeywordIndex::kColor},
      {"\\ds", KeywordKind::kReference, KeywordIndex::kSectionStyle},
      {"\\clcfpat", KeywordKind::kReference, KeywordIndex::kCellColor},
      {"\\pnf", KeywordKind::kReference, KeywordIndex::kNumberingFont},
      {"\\bin", KeywordKind::kSpecial, KeywordIndex::kBin},
      {"\\par", KeywordKind::kSpecial, KeywordIndex::kPar},
      {"\\deff", KeywordKind::kDefaultFont, KeywordIndex::kDefaultFont},
      {"\\stylesheet", KeywordKind::kHeaderTable, KeywordIndex::kStyleSheet},
      {"\\shppict", KeywordKind::kPicture, KeywordIndex::kNone},
      {"\\trrh", KeywordKind::kTableRow, KeywordIndex::kNone},
  };
  for (const Case& c : cases) {
    const KeywordRow* row = FindKeyword(c.word);
    ASSERT_NE(row, nullptr) << c.word;
    EXPECT_EQ(row->Keyword, c.word);
    EXPECT_EQ(row->Kind, c.kind) << c.word;
    EXPECT_EQ(row->Index, c.index) << c.word;
  }
  for (const KeywordRow& row : KeywordTable)
    EXPECT_EQ(FindKeyword(row.Keyword)->Keyword, row.Keyword);
  EXPECT_EQ(FindKeyword("\\fo"), nullptr);
  EXPECT_EQ(FindKeyword("\\F"), nullptr);
  EXPECT_EQ(FindKeyword("f"), nullptr);
}

TEST(KeywordTableTest, SupplementaryWordsNeverShadowTheTable) {
  EXPECT_EQ(FindKeyword("\\sectd"), nullptr);
  EXPECT_EQ(ClassifyKeyword("\\sectd")->Kind, KeywordKind::kDocument);
  EXPECT_EQ(ClassifyKeyword("\\af")->Index, KeywordIndex::kFont);
  EXPECT_EQ(ClassifyKeyword("\\headerl")->Kind, KeywordKind::kSkipped);
  EXPECT_EQ(ClassifyKeyword("\\par"), FindKeyword("\\par"));
  EXPECT_EQ(ClassifyKeyword("\\loch"), nullptr);
}

}  // namespace
}  // namespace vorn
