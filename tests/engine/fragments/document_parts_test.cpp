#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/qertf/qertf.h"
#include "platform/system/stream.h"

namespace vorn::testing {
namespace {

using Strings = std::vector<std::string>;

// Parts of a document that readers show and that a merged fragment must keep.
class DocumentPartsTest : public ::testing::Test {
 protected:
  DocumentPartsTest() {
    report_.LangText = "1028";
    report_.SetOutput(&out_);
    report_.HeaderTables.Fonts = {"{\\f0 Times;}"};
    report_.HeaderTables.Lists = {"{\\list\\listtemplateid1{\\listlevel\\f0 x;}\\listid77}"};
    report_.HeaderTables.ListOverrides = {"{\\listoverride\\listid77\\listoverridecount0\\ls1}"};
  }
  std::string Merge(std::string_view fragment) {
    const size_t before = out_.Bytes().size();
    report_.MergeRtfText(fragment);
    return out_.Bytes().substr(before);
  }

  TQeRTF report_;
  TMemoryStream out_;
};

TEST_F(DocumentPartsTest, ListsJoinTheReportsListTablesRenumbered) {
  const std::string body = Merge(
      "{\\rtf1{\\fonttbl{\\f0 Times;}{\\f1 Symbol;}}"
      "{\\*\\listtable{\\list\\listtemplateid5{\\listlevel\\f1 b;}\\listid77}"
      "{\\list\\listtemplateid6{\\listlevel\\f0 n;}\\listid9}}"
      "{\\*\\listoverridetable{\\listoverride\\listid77\\listoverridecount0\\ls1}"
      "{\\listoverride\\listid9\\listoverridecount0\\ls2}}"
      "\\pard\\ls2\\ilvl0 one\\par\\pard\\ls1 two\\par\\pard\\ls7 three\\par}");
  EXPECT_EQ(report_.HeaderTables.Lists,
            (Strings{"{\\list\\listtemplateid1{\\listlevel\\f0 x;}\\listid77}",
                     "{\\list\\listtemplateid5{\\listlevel\\f1 b;}\\listid78}",
                     "{\\list\\listtemplateid6{\\listlevel\\f0 n;}\\listid9}"}));
  EXPECT_EQ(report_.HeaderTables.ListOverrides,
            (Strings{"{\\listoverride\\listid77\\listoverridecount0\\ls1}",
                     "{\\listoverride\\listid78\\listoverridecount0\\ls2}",
                     "{\\listoverride\\listid9\\listoverridecount0\\ls3}"}));
  // An override the fragment does not define makes no list of the report's.
  EXPECT_EQ(body, "{\\pard\\ls3\\ilvl0 one\\par\\pard\\ls2 two\\par\\pard three\r\r\r\r}");
}

TEST_F(DocumentPartsTest, NestedTablesFootnotesAndFramesStay) {
  EXPECT_EQ(Merge("{\\rtf1 a\\cell{\\*\\nesttableprops\\trowd\\cellx9\\nestrow}b\\par}"),
            "{a\\cell{\\*\\nesttableprops\\trowd\\cellx9\\nestrow}b\r\r\r\r}");
  EXPECT_EQ(Merge("{\\rtf1 a{\\*\\footnote\\chftn note}\\par}"),
            "{a{\\*\\footnote\\chftn note}\r\r\r\r}");
  // The frame keeps its paragraph mark, so the report's text after it is not drawn into it;
  // the paragraph before it, unknown here, is ended.
  EXPECT_EQ(Merge("{\\rtf1{\\pard\\pvpg\\posx20\\absw400 framed\\par}}"),
            "{{\\pard\\par \\pvpg\\posx20\\absw400 framed\\par}}");
  EXPECT_EQ(Merge("{\\rtf1{\\pard\\pvpg\\absw400 a\\par}\\pard b\\par}"),
            "{{\\pard\\pvpg\\absw400 a\\par}\\pard b\r\r\r\r}");
}

// A frame is a paragraph of its own. The report's text before the tag shared the frame's
// paragraph and was drawn in the frame, away from its line.
TEST_F(DocumentPartsTest, AFrameAtTheStartEndsTheReportsParagraphFirst) {
  const std::string framed = "{\\rtf1{\\pard \\pvpg\\phpg\\posx2160\\absw4320 Urbem\\par}}";
  out_.Write("\\pard Before ");
  EXPECT_EQ(Merge(framed), "{{\\pard \\par \\pvpg\\phpg\\posx2160\\absw4320 Urbem\\par}}");
  out_.Write(" after\\par\\pard ");
  EXPECT_EQ(Merge(framed), "{{\\pard \\pvpg\\phpg\\posx2160\\absw4320 Urbem\\par}}");
}

// A writer that closes its font table only after body words leaves their paragraph marks in
// it; readers act on the marks where the table stands and take its text for font names.
TEST_F(DocumentPartsTest, ParagraphMarksOfAFontTableClosedLateStayInTheText) {
  EXPECT_EQ(Merge("{\\rtf1{\\fonttbl{\\f0 V;} \\pard\\f0 words \\par \\f1\\par } {\\f1 V;}}"),
            "{\\par\\par  {V;}}");
}

// A font that names no character set reads in its document's code page; in the report's
// document it must name the fragment's.
TEST_F(DocumentPartsTest, FontsTakeTheFragmentsCodePageWithThem) {
  Merge(
      "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0 MS Mincho;}{\\f1\\fcharset1 Gothic;}"
      "{\\f2\\fcharset0 Arial;}}\\f0 \\'82\\'a0}");
  EXPECT_EQ(report_.HeaderTables.Fonts,
            (Strings{"{\\f0 Times;}", "{\\f1\\fcharset128 MS Mincho;}",
                     "{\\f2\\fcharset128 Gothic;}", "{\\f3\\fcharset0 Arial;}"}));
  Merge("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Verdana;}}\\f0 x}");
  EXPECT_EQ(report_.HeaderTables.Fonts.back(), "{\\f4 Verdana;}");
}

// Where the text names no font, readers take the default font in the document's code page
// whatever character set the font names; a copy of it in that code page carries this over.
TEST_F(DocumentPartsTest, DefaultFontTextKeepsTheFragmentsCodePage) {
  const std::string body = Merge(
      "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times;}}"
      "\\plain \\'82\\'a0{\\f0 x}}");
  EXPECT_EQ(report_.HeaderTables.Fonts,
            (Strings{"{\\f0 Times;}", "{\\f1\\froman\\fcharset0 Times;}",
                     "{\\f2\\froman\\fcharset128 Times;}"}));
  EXPECT_EQ(body, "{\\f2 \\plain \\f2 \\'82\\'a0{\\f1 x}}");
}

// A table needs a paragraph of its own; one the report has just begun, with nothing in it
// since its header tables or its last paragraph mark, is that already.
TEST_F(DocumentPartsTest, TableStartsAnEmptyReportParagraphWithoutAMark) {
  out_.Write(std::string("{\\rtf1{\\fonttbl{\\f0 Times;}}"));
  report_.OutTabs.push_back({0, out_.Position(), rkFontTable, ""});
  out_.Write(std::string("\\pard\\plain "));
  const std::string row = "\\trowd\\cellx99 a\\cell\\row";
  EXPECT_EQ(Merge("{\\rtf1 " + row + "}"), "{" + row + "}");
  out_.Write(std::string("Text"));
  EXPECT_EQ(Merge("{\\rtf1 " + row + "}"), "{\\par " + row + "}");
  out_.Write(std::string("Text\\par\\pard "));
  EXPECT_EQ(Merge("{\\rtf1 " + row + "}"), "{" + row + "}");
}

}  // namespace
}  // namespace vorn::testing
