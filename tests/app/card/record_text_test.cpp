#include "app/card/record_text.h"

#include <gtest/gtest.h>

#include "platform/system/exception.h"

namespace vorn {
namespace {

std::string ConversionError(std::string_view utf8) {
  try {
    RecordBytesFromUtf8(utf8, "單位");
  } catch (const Exception& e) {
    return e.what();
  }
  return "no error";
}

TEST(RecordTextTest, TextRoundTripsThroughTheRecordCodePage) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"AB-12 ", "AB-12 "},
      {"門市價", "\xAA\xF9\xA5\xAB\xBB\xF9"},
      {"會員價€", "\xB7\x7C\xAD\xFB\xBB\xF9\xA3\xE1"},
      // Characters Big5 lacks used to be refused; they are kept in their Unicode form.
      {"盒é",
       "\xB2\xB0\x7F"
       "0000E9"},
      {"😀",
       "\x7F"
       "01F600"},
  };
  for (const auto& [utf8, bytes] : cases) {
    EXPECT_EQ(RecordBytesFromUtf8(utf8, "x"), bytes);
    EXPECT_EQ(Utf8FromRecordBytes(bytes), utf8);
  }
}

TEST(RecordTextTest, TextThatCannotBeStoredNamesTheFieldAndTheCharacter) {
  const std::pair<std::string, std::string> cases[] = {
      {"ab\xff", "Cannot convert field '單位' to code page 950: invalid UTF-8 at byte 3"},
      {"\xe9\x96", "Cannot convert field '單位' to code page 950: invalid UTF-8 at byte 1"},
      // An overlong form of "/" and an encoded surrogate are no UTF-8 either.
      {"\xc0\xaf", "Cannot convert field '單位' to code page 950: invalid UTF-8 at byte 1"},
      {"\xed\xa0\x80", "Cannot convert field '單位' to code page 950: invalid UTF-8 at byte 1"},
  };
  for (const auto& [utf8, message] : cases) EXPECT_EQ(ConversionError(utf8), message);
}

TEST(RecordTextTest, UndecodableBytesShowAsReplacementCharacters) {
  // A lead byte cut off at the end, one followed by no trail byte, and a byte that
  // starts no character: decoding goes on after each.
  EXPECT_EQ(Utf8FromRecordBytes("\xAA\xF9\xA5"), "門\xEF\xBF\xBD");
  EXPECT_EQ(Utf8FromRecordBytes("\xA4 x"), "\xEF\xBF\xBD x");
  EXPECT_EQ(Utf8FromRecordBytes("a\xFFz"), "a\xEF\xBF\xBDz");
}

TEST(RecordTextTest, MessagesAreShownInUtf8WhateverTheyCarry) {
  EXPECT_EQ(MessageForDisplay("Field '\xB0\xD3\xAB\x7E\xBD\x73\xB8\xB9' must have a value"),
            "Field '商品編號' must have a value");
  EXPECT_EQ(MessageForDisplay("Can't read file /home/使用者/B5.rtf"),
            "Can't read file /home/使用者/B5.rtf");
}

}  // namespace
}  // namespace vorn
