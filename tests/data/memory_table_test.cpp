#include "data/memory_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/system/exception.h"

namespace vorn {
namespace {

// The product record: storage swaps the first two prices relative to the field list.
void DefineProductTable(TMemoryTable& table) {
  table.AddFieldDef({"PROD_ID", ftString, 20, false});
  table.AddFieldDef({"PROD_BARCODE", ftString, 20, false});
  table.AddFieldDef({"PROD_NAME", ftString, 50, false});
  table.AddFieldDef({"PROD_SNAME", ftString, 20, false});
  table.AddFieldDef({"UNITNAME", ftString, 10, false});
  table.AddFieldDef({"SALE_PRICE", ftInteger, 0, false});
  table.AddFieldDef({"PSALE_PRICE", ftInteger, 0, false});
  table.AddFieldDef({"VIP_PRICE", ftInteger, 0, false});
  table.AddIndexDef({"Idx_Index", "PROD_ID", 0});
  table.SetFieldList({{"PROD_ID", "ID", true},
                      {"PROD_BARCODE", "", false},
                      {"PROD_NAME", "", false},
                      {"PROD_SNAME", "", false},
                      {"UNITNAME", "", false},
                      {"PSALE_PRICE", "Store price", false},
                      {"SALE_PRICE", "Retail price", false},
                      {"VIP_PRICE", "", false}});
  table.CreateDataSet();
}

class MemoryTableTest : public ::testing::Test {
 protected:
  // A table of one integer field "N" holding `values`, cursor on the last appended.
  void FillNumbers(const std::vector<int>& values) {
    table_.AddFieldDef({"N", ftInteger, 0, false});
    table_.CreateDataSet();
    for (int value : values) {
      table_.Append();
      table_.Field(0).SetAsInteger(value);
      table_.Post();
    }
  }

  std::string Walk() {
    std::string seen;
    for (table_.First(); !table_.Eof(); table_.Next()) seen += table_.Fields(0).AsString() + ",";
    return seen;
  }

  template <typename Action>
  std::string ErrorOf(Action action) {
    try {
      action();
    } catch (const Exception& error) {
      return error.what();
    }
    return "(no error)";
  }

  TMemoryTable table_;
};

TEST_F(MemoryTableTest, EmptyTableIsAtBothEnds) {
  FillNumbers({});
  EXPECT_TRUE(table_.Bof());
  EXPECT_TRUE(table_.Eof());
  table_.First();
  EXPECT_TRUE(table_.Bof() && table_.Eof());
  table_.Next();
  table_.Prior();
  table_.Last();
  EXPECT_TRUE(table_.Bof() && table_.Eof());
  EXPECT_EQ(table_.RecNo(), 0);
  EXPECT_EQ(table_.Bookmark(), "");
  EXPECT_TRUE(table_.Fields(0).IsNull());
  EXPECT_EQ(table_.Fields(0).AsString(), "");
}

TEST_F(MemoryTableTest, OneRecordCursor) {
  FillNumbers({7});
  table_.First();
  EXPECT_TRUE(table_.Bof());
  EXPECT_FALSE(table_.Eof());
  table_.Next();
  EXPECT_FALSE(table_.Bof());
  EXPECT_TRUE(table_.Eof());
  EXPECT_EQ(table_.Fields(0).AsInteger(), 7);  // stays on the last record
  table_.Prior();
  EXPECT_TRUE(table_.Bof());
  EXPECT_FALSE(table_.Eof());
  table_.Last();
  EXPECT_TRUE(table_.Eof());
  EXPECT_FALSE(table_.Bof());
}

TEST_F(MemoryTableTest, NextPastTheEndStaysOnLast) {
  FillNumbers({1, 2, 3});
  EXPECT_EQ(Walk(), "1,2,3,");
  table_.Next();
  EXPECT_TRUE(table_.Eof());
  EXPECT_EQ(table_.RecNo(), 3);
  EXPECT_EQ(table_.Fields(0).AsInteger(), 3);
}

TEST_F(MemoryTableTest, BackwardsFromLast) {
  FillNumbers({1, 2, 3});
  std::string seen;
  for (table_.Last(); !table_.Bof(); table_.Prior()) seen += table_.Fields(0).AsString();
  EXPECT_EQ(seen, "321");
  EXPECT_EQ(table_.RecNo(), 1);
}

TEST_F(MemoryTableTest, BookmarksSurviveInsertAndDelete) {
  FillNumbers({1, 2, 3});
  table_.First();
  table_.Next();
  const std::string second = table_.Bookmark();
  table_.Last();
  const std::string third = table_.Bookmark();
  table_.First();
  table_.Insert();  // before the first record
  table_.Field(0).SetAsInteger(0);
  table_.Post();
  EXPECT_EQ(table_.RecNo(), 1);
  table_.SetBookmark(second);
  EXPECT_EQ(table_.Fields(0).AsInteger(), 2);
  EXPECT_FALSE(table_.Bof() || table_.Eof());
  table_.Delete();
  EXPECT_EQ(table_.Fields(0).AsInteger(), 3);  // the following record becomes current
  EXPECT_EQ(ErrorOf([&] { table_.SetBookmark(second); }), "Bookmark not found: " + second);
  table_.SetBookmark(third);
  EXPECT_EQ(table_.RecNo(), 3);
  EXPECT_EQ(Walk(), "0,1,3,");
}

TEST_F(MemoryTableTest, UnknownBookmarksFail) {
  FillNumbers({1});
  for (const std::string bookmark : {"", "1", "-0", "0x0", "99999999999999999999", " 0"}) {
    EXPECT_EQ(ErrorOf([&] { table_.SetBookmark(bookmark); }), "Bookmark not found: " + bookmark);
  }
}

TEST_F(MemoryTableTest, DeleteDownToEmpty) {
  FillNumbers({1, 2});
  table_.Last();
  table_.Delete();
  EXPECT_EQ(table_.Fields(0).AsInteger(), 1);
  table_.Delete();
  EXPECT_EQ(table_.RecordCount(), 0);
  EXPECT_TRUE(table_.Bof() && table_.Eof());
  EXPECT_EQ(ErrorOf([&] { table_.Delete(); }),
            "Cannot perform this operation on an empty dataset: ");
}

TEST_F(MemoryTableTest, CancelDropsInsertAndEdit) {
  FillNumbers({1, 2});
  table_.First();
  table_.Insert();
  table_.Field(0).SetAsInteger(9);
  table_.Cancel();
  EXPECT_EQ(table_.RecordCount(), 2);
  EXPECT_EQ(table_.Fields(0).AsInteger(), 1);
  table_.Edit();
  table_.Field(0).SetAsInteger(5);
  EXPECT_EQ(table_.Fields(0).AsInteger(), 5);  // the edit buffer is what fields read
  table_.Cancel();
  EXPECT_EQ(Walk(), "1,2,");
}

TEST_F(MemoryTableTest, MovingPostsAModifiedRecordAndDropsAnUntouchedOne) {
  FillNumbers({1});
  table_.Append();
  table_.First();  // nothing assigned: the new record is dropped
  EXPECT_EQ(table_.RecordCount(), 1);
  table_.Edit();
  table_.Field(0).SetAsInteger(4);
  table_.Append();
  table_.Field(0).SetAsInteger(8);
  table_.First();
  EXPECT_EQ(Walk(), "4,8,");
}

TEST_F(MemoryTableTest, WritingInBrowseStateFails) {
  FillNumbers({1});
  EXPECT_EQ(ErrorOf([&] { table_.Field(0).SetAsString("2"); }),
            "Dataset not in edit or insert mode: ");
  EXPECT_EQ(ErrorOf([&] { table_.Post(); }), "Dataset not in edit or insert mode: ");
}

TEST_F(MemoryTableTest, ClosedTableRefusesCursorMoves) {
  table_.SetName("T");
  EXPECT_EQ(ErrorOf([&] { table_.First(); }),
            "Cannot perform this operation on a closed dataset: T");
}

TEST_F(MemoryTableTest, EditedStringsDoNotCorruptNeighbours) {
  table_.AddFieldDef({"S", ftMemo, 0, false});
  table_.CreateDataSet();
  for (const char* text : {"aaaa", "bbbb", "cccc"}) {
    table_.Append();
    table_.Field(0).SetAsString(text);
    table_.Post();
  }
  table_.First();
  table_.Next();
  for (const char* text : {"x", "a much longer value than before", ""}) {
    table_.Edit();
    table_.Field(0).SetAsString(text);
    table_.Post();
    EXPECT_EQ(table_.Fields(0).AsString(), text);
  }
  EXPECT_EQ(Walk(), "aaaa,,cccc,");
}

TEST_F(MemoryTableTest, HeapCompactionKeepsEveryValue) {
  table_.AddFieldDef({"S", ftMemo, 0, false});
  table_.CreateDataSet();
  for (const char* text : {"first", "second", "third"}) {
    table_.Append();
    table_.Field(0).SetAsString(text);
    table_.Post();
  }
  table_.First();
  table_.Next();
  // Each longer value leaves the old one behind, until the heap is rewritten.
  for (int i = 1; i <= 40; ++i) {
    table_.Edit();
    table_.Field(0).SetAsString(std::string(size_t(i) * 20000, static_cast<char>('a' + i % 26)));
    table_.Post();
  }
  const std::string big = table_.Fields(0).AsString();
  EXPECT_EQ(big, std::string(800000, 'a' + 40 % 26));
  table_.Delete();  // the big value is now dead too
  table_.Append();
  table_.Field(0).SetAsString("fourth");
  table_.Post();
  EXPECT_EQ(Walk(), "first,third,fourth,");
}

TEST_F(MemoryTableTest, AutoIncrementNumbersNewRecords) {
  table_.AddFieldDef({"ID", ftAutoInc, 0, false});
  table_.AddFieldDef({"S", ftString, 5, false});
  table_.CreateDataSet();
  for (int i = 0; i < 3; ++i) {
    table_.Append();
    table_.Field(1).SetAsString("x");
    if (i == 1) table_.Field(0).SetAsInteger(10);
    table_.Post();
  }
  EXPECT_EQ(Walk(), "1,10,11,");
}

TEST(ProductTableTest, FieldListOrderDiffersFromStorage) {
  TMemoryTable table;
  DefineProductTable(table);
  table.Edit();  // on the empty table this starts an insert
  EXPECT_EQ(table.State(), TDataSetState::dsInsert);
  const std::vector<std::string> args = {"1", "2", "3", "4", "5", "6", "7", "8"};
  for (int i = 0; i < table.FieldCount(); ++i) table.Fields(i).SetAsString(args[i]);
  table.Post();
  EXPECT_EQ(table.RecordCount(), 1);
  EXPECT_EQ(table.Fields(5).FieldName(), "PSALE_PRICE");
  EXPECT_EQ(table.FieldByName("psale_price").AsInteger(), 6);
  EXPECT_EQ(table.FieldByName("SALE_PRICE").AsInteger(), 7);
  EXPECT_EQ(table.Fields(6).DisplayLabel(), "Retail price");
  EXPECT_EQ(table.Fields(1).DisplayLabel(), "PROD_BARCODE");
  EXPECT_EQ(table.Fields(2).Size(), 50);
}

TEST(ProductTableTest, PostWithoutRequiredFieldNamesItsLabel) {
  TMemoryTable table;
  DefineProductTable(table);
  table.Edit();
  table.Fields(0).SetAsString("");  // an empty text is no value
  table.Fields(2).SetAsString("Tea");
  try {
    table.Post();
    FAIL() << "Post succeeded";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "Field 'ID' must have a value");
  }
  EXPECT_EQ(table.State(), TDataSetState::dsInsert);  // the record keeps its values
  EXPECT_EQ(table.Fields(2).AsString(), "Tea");
}

TEST(ProductTableTest, BadDefinitionsFail) {
  struct Case {
    std::vector<TFieldDef> defs;
    std::vector<TFieldListEntry> list;
    std::vector<TIndexDef> indexes;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{}, {}, {}, "No field definitions for dataset: "},
      {{{"A", ftString, 0, false}}, {}, {}, "Invalid field size for field: A"},
      {{{"A", ftUnknown, 0, false}}, {}, {}, "Unsupported field type for field: A"},
      {{{"A", ftInteger, 0, false}, {"a", ftInteger, 0, false}}, {}, {}, "Duplicate field name: a"},
      {{{"A", ftInteger, 0, false}}, {{"B", "", false}}, {}, "Field not found: B"},
      {{{"A", ftInteger, 0, false}}, {}, {{"I", "A;Z", 0}}, "Index field not found: Z"},
  };
  for (const Case& c : cases) {
    TMemoryTable table;
    for (const TFieldDef& def : c.defs) table.AddFieldDef(def);
    for (const TIndexDef& index : c.indexes) table.AddIndexDef(index);
    table.SetFieldList(c.list);
    try {
      table.CreateDataSet();
      ADD_FAILURE() << "no error for " << c.message;
    } catch (const Exception& error) {
      EXPECT_EQ(error.what(), c.message);
    }
  }
}

}  // namespace
}  // namespace vorn
