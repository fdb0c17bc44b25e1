#include <gtest/gtest.h>

#include <string>

#include "data/csv_loader.h"
#include "data/memory_table.h"

namespace vorn {
namespace {

constexpr int kRows = 1'000'000;

// A card's eight fields a million times over; kept fast rather than timed.
TEST(LargeTableTest, MillionCardRowsLoadAndScan) {
  std::string text =
      "PROD_ID:string(20),PROD_BARCODE:string(20),PROD_NAME:string(50),PROD_SNAME:string(20),"
      "UNITNAME:string(10),SALE_PRICE:integer,PSALE_PRICE:integer,VIP_PRICE:integer\n";
  text.reserve(size_t{kRows} * 80);
  for (int i = 0; i < kRows; ++i) {
    const std::string n = std::to_string(i);
    text += "P" + n + ",471" + n + ",\"Green tea, " + n + " ml\",Tea,btl," + n + ",100," +
            std::to_string(i % 97) + "\n";
  }
  const auto table = LoadCsvText(text);
  ASSERT_EQ(table->RecordCount(), kRows);

  int64_t sum = 0;
  size_t name_bytes = 0;
  int rows = 0;
  TField& name = table->Fields(2);
  TField& price = table->Fields(5);
  for (table->First(); !table->Eof(); table->Next()) {
    sum += price.AsInteger();
    name_bytes += name.AsString().size();
    ++rows;
  }
  EXPECT_EQ(rows, kRows);
  EXPECT_EQ(sum, int64_t{kRows} * (kRows - 1) / 2);
  EXPECT_GT(name_bytes, size_t{kRows} * 14);
  table->Last();
  EXPECT_EQ(table->Fields(0).AsString(), "P999999");
  EXPECT_EQ(table->Fields(2).AsString(), "Green tea, 999999 ml");
}

}  // namespace
}  // namespace vorn
