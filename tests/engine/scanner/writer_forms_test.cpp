#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/memory_table.h"
#include "engine/conscom/exceptions.h"
#include "engine/qertf/qertf.h"
#include "engine/scanner/scanner_fixture.h"
#include "engine/test_dir.h"
#include "platform/system/stream.h"

namespace vorn::testing {
namespace {

using Strings = std::vector<std::string>;

// A whole run over `rtf` with the report's charset 1: the output, or the error message.
std::string Fill(const std::string& rtf) {
  TestDir dir;
  TQeRTF report;
  report.SetInFile(dir.Write("template.rtf", rtf));
  TMemoryStream out;
  try {
    report.ExecuteToStream({}, out);
  } catch (const Exception& e) {
    return std::string("error: ") + e.what();
  }
  return out.Bytes();
}

struct WriterForm {
  const char* name;
  std::string rtf;
  std::string filled;  // empty: the template itself
};

class WriterFormTest : public ::testing::TestWithParam<WriterForm> {};

// Forms that word processors write and that a run without tags must give back as the
// document has them, the header tables in their output form apart.
TEST_P(WriterFormTest, DocumentWithoutTagsKeepsItsText) {
  const WriterForm& form = GetParam();
  EXPECT_EQ(Fill(form.rtf), form.filled.empty() ? form.rtf : form.filled);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Forms, WriterFormTest,
    ::testing::Values(
        WriterForm{"InformationGroupAfterAnOpenWord", R"({\rtf1\ansi{\info{\title T}}x\par})",
                   R"({\rtf1\ansi x\par})"},
        WriterForm{"InformationGroupAfterADelimitedWord", R"({\rtf1\ansi {\info{\title T}}x})",
                   R"({\rtf1\ansi x})"},
        WriterForm{"InformationGroupAfterAnEscapedBackslash",
                   R"({\rtf1 a\\par{\info{\title T}}x})", R"({\rtf1 a\\parx})"},
        WriterForm{"LineBreakSymbolsBeforeControlWords", "{\\rtf1\\ansi a\\\n\\b b\\\n\\b0 c}",
                   ""},
        WriterForm{"LineBreakSymbolAfterCarriageReturn", "{\\rtf1 a\\\r\n\\\\b\\\r\n\\'5cc}", ""},
        WriterForm{"FontsWithoutBraces",
                   R"({\rtf1{\fonttbl\f0\fnil\fcharset0 LucidaGrande;\f1\fswiss Helvetica;}\f0 \'a9})",
                   R"({\rtf1{\fonttbl{\f0\fnil\fcharset1 LucidaGrande;}{\f1\fswiss Helvetica;}}\f0 \'a9})"},
        WriterForm{"FontTablesOfAUnicodeGroup",
                   R"({\rtf1{\upr{\fonttbl{\f0\fcharset0 A;}}{\*\ud{\fonttbl{\f0\fcharset0 A;}{\f1 B;}}}}x})",
                   R"({\rtf1{\upr{\fonttbl{\f0\fcharset1 A;}}{\*\ud{\fonttbl{\f0\fcharset0 A;}{\f1 B;}}}}x})"},
        WriterForm{"ListTablesStayWhereTheyStand",
                   R"({\rtf1{\fonttbl{\f0 A;}}{\*\listtable{\list\listid1}}{\*\listoverridetable{\listoverride\listid1\ls1}}\ls1 x})",
                   ""},
        // Google Docs indents its lists; LibreOffice shows those blanks in the first line, so
        // they stay where they stand. Line breaks alone between the lists go.
        WriterForm{"TextBetweenListsStays",
                   "{\\rtf1{\\*\\listtable\r\n  {\\list\\listid1}\r\n  {\\list\\listid2}\r\n}"
                   "{\\*\\listoverridetable\r\n{\\listoverride\\listid1\\ls1} }\\ls1 x}",
                   "{\\rtf1{\\*\\listtable\n  {\\list\\listid1}\n  {\\list\\listid2}}"
                   "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1} }\\ls1 x}"},
        WriterForm{"TwoColourTables",
                   R"({\rtf1{\colortbl;\red255\green0\blue0;}{\colortbl;\red0\green0\blue255;}\cf1 x})",
                   ""},
        // Its text is font names to readers and its paragraph marks are breaks: every reader
        // reads it as before when it stays in the table.
        WriterForm{"FontTableClosedAfterBodyWords",
                   R"({\rtf1{\fonttbl{\f0\fnil V;} \pard\f0 words \par \f1\par } {\f1 V;}})",
                   R"({\rtf1{\fonttbl{\f0\fnil V;}\pard\f0 words \par \f1\par } {\f1 V;}})"},
        WriterForm{"UnclosedFontTable", R"({\rtf1{\fonttbl{\f0 Arial;}\pard Body\par})",
                   "error: Can't read font table from input file"},
        WriterForm{"UnclosedColourTable", R"({\rtf1{\colortbl;\red1\green2\blue3;\pard Body\par})",
                   "error: Can't read color table from input file"},
        WriterForm{"UnclosedStyleSheetEndsBeforeTheBody",
                   R"({\rtf1{\stylesheet{\s0 Normal;} Body {\b bold}\par})",
                   R"({\rtf1{\stylesheet{\s0 Normal;}} Body {\b bold}\par})"},
        WriterForm{"CutInformationGroupEndsBeforeTheBody", R"({\rtf1{\info{\title T} Body\par)",
                   R"({\rtf1  Body\par)"},
        WriterForm{"ShiftJisTrailBytesEscaped",
                   R"({\rtf1\ansi\ansicpg932{\fonttbl{\f0\fcharset128 M;}}\f0 \'95\'5c\'8e\'a6 \'83\'5c\'83\'74\par})",
                   R"({\rtf1\ansi\ansicpg932{\fonttbl{\f0\fcharset1 M;}}\f0 \'95\'5c\'8e\'a6 \'83\'5c\'83\'74\par})"},
        WriterForm{"ShiftJisTrailBytesRaw", "{\\rtf1\\ansi\\ansicpg932 \x95\\\x8e\xa6 \x83\\\x83t\\par}",
                   ""},
        WriterForm{"Big5TrailBytesInABig5Font",
                   R"({\rtf1\ansi{\fonttbl{\f0\fcharset0 A;}{\f1\fcharset136 M;}}\f1 \'a5\'5c\'af\'e0{\f0 \'5c\'5c}\'b3\'5c\\\par})",
                   R"({\rtf1\ansi{\fonttbl{\f0\fcharset1 A;}{\f1\fcharset1 M;}}\f1 \'a5\'5c\'af\'e0{\f0 \'5c\'5c}\'b3\'5c\\\par})"}),
    [](const ::testing::TestParamInfo<WriterForm>& info) { return info.param.name; });
// clang-format on

// A Unicode reader takes a \upr group's twin font table instead of the first, so the fonts a
// merged fragment brings must reach it too, or its text is read in another code page.
TEST(WriterFormMergeTest, FragmentFontsReachTheTwinFontTable) {
  TestDir dir;
  TMemoryTable data;
  data.SetName("A");
  data.AddFieldDef({"FRAG", ftMemo, 0, false});
  data.CreateDataSet();
  data.Append();
  data.FieldByName("FRAG").SetAsString(
      R"({\rtf1\ansi\ansicpg1251{\fonttbl{\f0\froman\fcharset204 Times New Roman CYR;}}\f0 \'cf\'f0\'e8})");
  data.Post();
  data.First();
  const std::string head =
      R"({\rtf1\mac{\upr{\fonttbl{\f4\fnil Times;}}{\*\ud{\fonttbl{\f4\fnil Times;}}}})";
  TQeRTF report;
  report.SetInFile(dir.Write("template.rtf", head + R"(\pard \\FRTF(A:FRAG)\\\par})"));
  TMemoryStream out;
  report.ExecuteToStream({&data}, out);
  const std::string& doc = out.Bytes();
  const size_t twin = doc.find(
      R"({\*\ud{\fonttbl{\f4\fnil Times;}{\f5\froman\fcharset204 Times New Roman CYR;}}})");
  EXPECT_NE(twin, std::string::npos) << doc;
  EXPECT_NE(doc.find(R"(\f5 \'cf\'f0\'e8)"), std::string::npos) << doc;
  // Without a fragment the twin is the document's own, byte for byte.
  TQeRTF plain;
  plain.SetInFile(dir.Write("plain.rtf", head + "x}"));
  TMemoryStream plain_out;
  plain.ExecuteToStream({}, plain_out);
  EXPECT_NE(plain_out.Bytes().find(R"({\*\ud{\fonttbl{\f4\fnil Times;}}})"), std::string::npos);
}

class WriterFormScanTest : public ScannerTest {};

// A lead byte takes its trail with it; a backslash after a whole character is RTF again, and
// in a single-byte font it always is.
TEST_F(WriterFormScanTest, DoubleByteCharactersNeverOpenCloseOrSplitATag) {
  const std::string big5 = R"({\rtf1\ansicpg950 )";
  EXPECT_EQ(Tags(big5 + R"(\'a5\'5c\\A\\\'b3\'5c})"), (Strings{"A"}));
  EXPECT_EQ(Tags(big5 + R"(\\UPPER("\'a5\'5c")\\})"), (Strings{R"(UPPER("\'a5\'5c"))"}));
  EXPECT_EQ(Tags(big5 + R"(\\B\'a5\'5c\'a5\\C\'a5\'5c\\})"),
            (Strings{R"(B\'a5\'5c\'a5\\C\'a5\'5c)"}));
  EXPECT_EQ(Tags(big5 + "\\\\D\xa5\\E\\\\}"), (Strings{"D\xa5\\E"}));
  // A raw backslash before a brace or a backslash stays RTF, as any reader takes it.
  EXPECT_EQ(Tags(big5 + "\xa5\\\\G\\\\ \xa5\\}x\\\\H\\\\}"), (Strings{"G", "H"}));
  EXPECT_EQ(Tags(R"({\rtf1\ansicpg1252 \'a5\'5cF\'5c})"), (Strings{"F"}));
  EXPECT_EQ(Tags(R"({\rtf1\ansicpg950{\fonttbl{\f0\fcharset0 A;}}\f0 \'a5\'5cG\'5c})"),
            (Strings{"G"}));
}

// Raw data is passed over by its count wherever it stands, so a tag written in it is not one.
TEST_F(WriterFormScanTest, BinaryDataInTheBodyHoldsNoTags) {
  EXPECT_EQ(Tags(R"({\rtf1 \bin7 \\A\\ x \\B\\})"), (Strings{"B"}));
  EXPECT_EQ(Tags(R"({\rtf1 \\C \bin3 \\ \\D\\})"), (Strings{"D"}));
  // The data goes as a group does, so its braces are not counted in a scan's balance.
  Trace(R"({\rtf1 a\bin2 }}b})");
  EXPECT_EQ(Rendered(), R"({\rtf1 a<group>\bin2 }}b})");
}

// "\" with a line break after it is a paragraph mark: it ends a tag candidate and ends the
// paragraph a command stands alone in.
TEST_F(WriterFormScanTest, LineBreakSymbolIsAParagraphMark) {
  EXPECT_EQ(Tags("{\\rtf1 \\\\A\\\n B\\\\ C\\\\}"), (Strings{" C"}));
  EXPECT_EQ(Trace("{\\rtf1 a\\\n\\\\CMD\\\\\\\nb}"), "{\\rtf1 a\\\n<cmd:CMD|>b}");
  EXPECT_EQ(Tags("{\\rtf1 \\\\\"x\\\n\\rquote y\"\\\\}"), (Strings{"\"x\\\n\\rquote y\""}));
}

}  // namespace
}  // namespace vorn::testing
