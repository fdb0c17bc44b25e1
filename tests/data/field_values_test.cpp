#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/field_text.h"
#include "data/memory_table.h"
#include "platform/system/exception.h"
#include "platform/text/date_time.h"

namespace vorn {
namespace {

// One field of the given type in a table held in insert state, so values can be set and read.
class FieldValuesTest : public ::testing::Test {
 protected:
  TMemoryField& FieldOf(TFieldType type, int size = 0, int code_page = 0) {
    table_ = std::make_unique<TMemoryTable>(code_page);
    table_->AddFieldDef({"F", type, size, false});
    table_->SetFieldList({{"F", "Label", false}});
    table_->CreateDataSet();
    table_->Append();
    return table_->Field(0);
  }

  std::string AssignError(TFieldType type, std::string_view text) {
    try {
      FieldOf(type, 10).SetAsString(text);
    } catch (const Exception& error) {
      return error.what();
    }
    return "(no error)";
  }

  std::unique_ptr<TMemoryTable> table_;
};

TEST_F(FieldValuesTest, TextAssignmentByType) {
  struct Case {
    TFieldType type;
    std::string text;
    std::string as_string;
  };
  const std::vector<Case> cases = {
      {ftString, "abc", "abc"},
      {ftString, "0123456789AB", "0123456789"},  // cut to the size of 10
      {ftInteger, "-2147483648", "-2147483648"},
      {ftInteger, " +42 ", "42"},
      {ftSmallint, "-32768", "-32768"},
      {ftWord, "65535", "65535"},
      {ftLargeint, "9223372036854775807", "9223372036854775807"},
      {ftFloat, "1.5", "1.5"},
      {ftFloat, "1e20", "1E20"},
      {ftFloat, "-0.000012", "-1.2E-5"},
      {ftCurrency, "12.34", "12.34"},
      {ftBCD, "0.1", "0.1"},
      {ftBoolean, "yes", "True"},
      {ftBoolean, "0", "False"},
      {ftBoolean, "F", "False"},
      {ftDate, "2024-02-29", "2024-02-29"},
      {ftTime, "13:05:09", "13:05:09"},
      {ftTime, "13:05", "13:05:00"},
      {ftDateTime, "1899-12-29 06:00:00", "1899-12-29 06:00:00"},
      {ftDateTime, "2001-02-03T04:05:06.789", "2001-02-03 04:05:06"},
      {ftDateTime, "2001-02-03", "2001-02-03"},
      {ftMemo, "line\r\nline", "line\r\nline"},
      {ftBlob, std::string("\0\xff{", 3), std::string("\0\xff{", 3)},
  };
  for (const Case& c : cases) {
    TMemoryField& field = FieldOf(c.type, 10);
    field.SetAsString(c.text);
    EXPECT_EQ(field.AsString(), c.as_string) << c.text;
  }
}

TEST_F(FieldValuesTest, RejectedTextNamesValueAndLabel) {
  struct Case {
    TFieldType type;
    const char* text;
    const char* message;
  };
  const std::vector<Case> cases = {
      {ftInteger, "12a", "'12a' is not a valid integer value for field 'Label'"},
      {ftInteger, "2147483648", "'2147483648' is not a valid integer value for field 'Label'"},
      {ftInteger, " ", "' ' is not a valid integer value for field 'Label'"},
      {ftLargeint, "9223372036854775808",
       "'9223372036854775808' is not a valid integer value for field 'Label'"},
      {ftSmallint, "40000",
       "40000 is not a valid value for field 'Label'. The allowed range is -32768 to 32767"},
      {ftWord, "-1", "-1 is not a valid value for field 'Label'. The allowed range is 0 to 65535"},
      {ftFloat, "1,5", "'1,5' is not a valid floating point value for field 'Label'"},
      {ftFloat, "inf", "'inf' is not a valid floating point value for field 'Label'"},
      {ftCurrency, "1e999", "'1e999' is not a valid floating point value for field 'Label'"},
      {ftBoolean, "maybe", "'maybe' is not a valid boolean value for field 'Label'"},
      {ftDate, "2023-02-29", "'2023-02-29' is not a valid date for field 'Label'"},
      {ftDate, "2023-1-2", "'2023-1-2' is not a valid date for field 'Label'"},
      {ftTime, "24:00:00", "'24:00:00' is not a valid time for field 'Label'"},
      {ftDateTime, "2023-01-02 10:00:00x",
       "'2023-01-02 10:00:00x' is not a valid date and time for field 'Label'"},
  };
  for (const Case& c : cases) EXPECT_EQ(AssignError(c.type, c.text), c.message);
}

TEST_F(FieldValuesTest, EmptyTextClearsEveryType) {
  for (TFieldType type : {ftString, ftInteger, ftFloat, ftBoolean, ftDateTime, ftBlob}) {
    TMemoryField& field = FieldOf(type, 10);
    field.SetAsInteger(1);
    ASSERT_FALSE(field.IsNull());
    field.SetAsString("");
    EXPECT_TRUE(field.IsNull()) << type;
    EXPECT_EQ(field.AsString(), "");
    EXPECT_EQ(field.AsInteger(), 0);
    EXPECT_EQ(field.AsFloat(), 0);
    EXPECT_FALSE(field.AsBoolean());
    EXPECT_EQ(field.AsDateTime(), 0);
  }
}

TEST_F(FieldValuesTest, StringCutKeepsDoubleByteCharactersWhole) {
  // "\xA4\xA4" and "\xA4\xE5" are Big5 characters; a cut at 3 bytes would split the second.
  const std::string text = "\xA4\xA4\xA4\xE5";
  TMemoryField& big5 = FieldOf(ftString, 3, 950);
  big5.SetAsString(text);
  EXPECT_EQ(big5.AsString(), "\xA4\xA4");
  TMemoryField& single = FieldOf(ftString, 3, 0);
  single.SetAsString(text);
  EXPECT_EQ(single.AsString(), "\xA4\xA4\xA4");
  // A trail byte in the ASCII range still pairs with its lead byte.
  EXPECT_EQ(CutLength("a\xA5\x40z", 2, 950), 1u);
  EXPECT_EQ(CutLength("a\xA5\x40z", 3, 950), 3u);
  // A lead byte with nothing after it counts as one byte.
  EXPECT_EQ(CutLength("ab\xA4", 3, 950), 3u);
}

TEST_F(FieldValuesTest, TypedSettersConvert) {
  TMemoryField& text = FieldOf(ftString, 20);
  text.SetAsFloat(2.5);
  EXPECT_EQ(text.AsString(), "2.5");
  EXPECT_EQ(text.AsFloat(), 2.5);
  text.SetAsDateTime(EncodeDate(2020, 1, 2) + EncodeTime(3, 4, 5, 0));
  EXPECT_EQ(text.AsString(), "2020-01-02 03:04:05");
  EXPECT_EQ(text.AsDateTime(), EncodeDate(2020, 1, 2) + EncodeTime(3, 4, 5, 0));

  TMemoryField& integer = FieldOf(ftInteger);
  integer.SetAsFloat(2.5);
  EXPECT_EQ(integer.AsInteger(), 3);
  EXPECT_THROW(integer.SetAsLargeInt(int64_t{1} << 40), Exception);

  TMemoryField& date = FieldOf(ftDate);
  date.SetAsDateTime(EncodeDate(2020, 1, 2) + 0.75);
  EXPECT_EQ(date.AsDateTime(), EncodeDate(2020, 1, 2));

  TMemoryField& boolean = FieldOf(ftBoolean);
  boolean.SetAsInteger(5);
  EXPECT_TRUE(boolean.AsBoolean());
  EXPECT_EQ(boolean.AsString(), "True");

  TMemoryField& large = FieldOf(ftLargeint);
  large.SetAsLargeInt(int64_t{1} << 40);
  EXPECT_EQ(large.AsLargeInt(), int64_t{1} << 40);
  // Reading it as 32 bits would give a different number.
  EXPECT_THROW(large.AsInteger(), Exception);
}

TEST_F(FieldValuesTest, ReadingTextAsNumberFailsClearly) {
  TMemoryField& text = FieldOf(ftString, 10);
  text.SetAsString("abc");
  try {
    (void)text.AsInteger();
    FAIL();
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "'abc' is not a valid integer value");
  }
  EXPECT_THROW((void)text.AsFloat(), EConvertError);
  EXPECT_THROW((void)text.AsDateTime(), EConvertError);
  EXPECT_FALSE(text.AsBoolean());
}

TEST(FieldValueClassTest, ByType) {
  EXPECT_EQ(FieldValueClass(ftFixedChar), TQeValueClass::kString);
  EXPECT_EQ(FieldValueClass(ftAutoInc), TQeValueClass::kNumber);
  EXPECT_EQ(FieldValueClass(ftLargeint), TQeValueClass::kNumber);
  EXPECT_EQ(FieldValueClass(ftBoolean), TQeValueClass::kBoolean);
  EXPECT_EQ(FieldValueClass(ftTime), TQeValueClass::kDateTime);
  EXPECT_EQ(FieldValueClass(ftBCD), TQeValueClass::kNone);
  EXPECT_EQ(FieldValueClass(ftBlob), TQeValueClass::kNone);
}

TEST(FindFieldTest, FoldsOnlyAsciiLetters) {
  TMemoryTable table;
  table.AddFieldDef({"Price", ftInteger, 0, false});
  table.AddFieldDef({"\xE4x", ftInteger, 0, false});
  table.CreateDataSet();
  EXPECT_EQ(table.FindField("PRICE"), &table.Fields(0));
  EXPECT_EQ(table.FindField("\xE4X"), &table.Fields(1));
  EXPECT_EQ(table.FindField("\xC4X"), nullptr);  // not folded as Latin-1
  EXPECT_EQ(table.FindField("Pric"), nullptr);
}

}  // namespace
}  // namespace vorn
