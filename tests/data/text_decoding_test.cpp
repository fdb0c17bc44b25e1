#include "data/text_decoding.h"

#include <gtest/gtest.h>

#include <string>

#include "data/csv_loader.h"
#include "platform/system/exception.h"

namespace vorn {
namespace {

using Kind = TDataEncoding::Kind;

std::string Decode(std::string_view bytes, TDataEncoding encoding) {
  try {
    return DecodeDataText(bytes, encoding, "p.csv");
  } catch (const Exception& error) {
    return std::string("error: ") + error.what();
  }
}

// Files as spreadsheets and editors save them; 茶 is E8 8C B6 in UTF-8, AF F9 in Big5,
// 92 83 in Shift-JIS; é is E9 in code page 1252.
TEST(TextDecodingTest, FilesBecomeUtf8WhateverTheirEncoding) {
  const TDataEncoding unicode{Kind::kUnicode, 0};
  const TDataEncoding clerk{Kind::kUnicode, 950};
  const TDataEncoding sjis{Kind::kLegacy, 932};
  const struct {
    std::string bytes;
    TDataEncoding encoding;
    std::string expected;
  } cases[] = {
      {"a,\xE8\x8C\xB6\n", unicode, "a,\xE8\x8C\xB6\n"},
      {"\xEF\xBB\xBF"
       "a,\xE8\x8C\xB6\n",
       unicode, "a,\xE8\x8C\xB6\n"},
      {std::string("\xFF\xFE"
                   "a\0,\0\x36\x83\n\0",
                   10),
       unicode, "a,\xE8\x8C\xB6\n"},
      {std::string("\xFE\xFF\0a\0,\x83\x36\0\n", 10), unicode, "a,\xE8\x8C\xB6\n"},
      {std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), unicode, "\xF0\x9F\x98\x80"},
      {"a,\xAF\xF9\n", clerk, "a,\xE8\x8C\xB6\n"},
      {"a,\xE8\x8C\xB6\n", clerk, "a,\xE8\x8C\xB6\n"},  // valid UTF-8 is never read as Big5
      {"a,\x92\x83\n", sjis, "a,\xE8\x8C\xB6\n"},
      {"\xEF\xBB\xBF\xE8\x8C\xB6", sjis, "\xE8\x8C\xB6"},  // a mark outranks the named page
      {"caf\xE9", DataEncodingByName("latin1"), "caf\xC3\xA9"},
      {"a\nb,\xAF\n", unicode,
       "error: p.csv: invalid UTF-8 on line 2 (byte 5); name the file's encoding or save it as "
       "UTF-8"},
      {"a\n\n\xFF\xFF", clerk, "error: p.csv: no text in code page 950 on line 3 (byte 4)"},
      {std::string("\xFF\xFE\x00\xDC", 4), unicode, "error: p.csv: invalid UTF-16 at byte 3"},
      {std::string("\xFF\xFE\x61", 3), unicode, "error: p.csv: invalid UTF-16 at byte 3"},
      {"a,\xAF\xF9", TDataEncoding{}, "a,\xAF\xF9"},
  };
  for (const auto& c : cases) EXPECT_EQ(Decode(c.bytes, c.encoding), c.expected) << c.bytes;
}

TEST(TextDecodingTest, EncodingNames) {
  EXPECT_EQ(DataEncodingByName("CP950").code_page, 950);
  EXPECT_EQ(DataEncodingByName("Big5").code_page, 950);
  EXPECT_EQ(DataEncodingByName("Shift_JIS").code_page, 932);
  EXPECT_EQ(DataEncodingByName("windows-1251").code_page, 1251);
  EXPECT_EQ(DataEncodingByName("utf-8").kind, Kind::kUnicode);
  EXPECT_THROW(DataEncodingByName("cp99999"), Exception);
  EXPECT_THROW(DataEncodingByName("ebcdic"), Exception);
}

TEST(TextDecodingTest, SeparatorIsTakenFromTheHeaderLine) {
  const struct {
    std::string text;
    std::string rows;
  } cases[] = {
      {"A,B\n1,2\n", "1|2;"},
      {"\n\nA;B\n1;2,5\n", "1|2,5;"},
      {"A\tB\n1\t2;3\n", "1|2;3;"},
      {"\"A;x\",B\n1,2\n", "1|2;"},  // a separator inside quotes does not count
      {"A\n1\n", "1;"},
  };
  for (const auto& c : cases) {
    TCsvOptions options;
    options.separator = 0;
    const auto table = LoadCsvText(c.text, options);
    std::string rows;
    for (table->First(); !table->Eof(); table->Next()) {
      for (int i = 0; i < table->FieldCount(); ++i) {
        rows += (i > 0 ? "|" : "") + table->Fields(i).AsString();
      }
      rows += ";";
    }
    EXPECT_EQ(rows, c.rows) << c.text;
  }
}

}  // namespace
}  // namespace vorn
