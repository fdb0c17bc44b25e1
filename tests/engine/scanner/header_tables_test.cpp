#include "engine/qebasereport/header_tables.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/conscom/exceptions.h"
#include "engine/qertf/qertf.h"
#include "engine/scanner/scanner_fixture.h"
#include "platform/system/stream.h"

namespace vorn::testing {
namespace {

using Strings = std::vector<std::string>;

struct ColorCase {
  const char* name;
  std::string table;  // between "\colortbl" and the closing brace
  Strings colors;
};

class ColorTableTest : public ::testing::TestWithParam<ColorCase> {};

TEST_P(ColorTableTest, EntriesBecomeTheColorList) {
  TQeHeaderTables tables;
  tables.SetColorsFromTable(GetParam().table);
  EXPECT_EQ(tables.Colors, GetParam().colors);
  EXPECT_TRUE(tables.ColorTableSeen);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColorTableTest,
    ::testing::Values(
        ColorCase{"LeadingAutoEntry",
                  R"(;\red255\green0\blue0;\red0\green0\blue255;)",
                  {";", R"(\red255\green0\blue0;)", R"(\red0\green0\blue255;)"}},
        ColorCase{"WithoutAutoEntryFirstColorIsZero",
                  R"(\red255\green0\blue0;)",
                  {R"(\red255\green0\blue0;)"}},
        // A blank after the keyword hid the auto entry and shifted every colour number.
        ColorCase{
            "AutoEntryAfterBlank", "\n ;\\red1\\green2\\blue3;", {";", R"(\red1\green2\blue3;)"}},
        ColorCase{"MissingGreenIsZeroAndTakesNothingFromNext",
                  R"(;\red10\blue30;\red1\green2\blue3;)",
                  {";", R"(\red10\green0\blue30;)", R"(\red1\green2\blue3;)"}},
        ColorCase{"MissingBlueIsZero",
                  R"(\red10\green20;\red1\green2\blue3;)",
                  {R"(\red10\green20\blue0;)", R"(\red1\green2\blue3;)"}},
        ColorCase{"MissingRedStillCounts",
                  R"(\green5\blue6;\red1\green2\blue3;)",
                  {R"(\red0\green5\blue6;)", R"(\red1\green2\blue3;)"}},
        ColorCase{"EmptyEntryInTheMiddleKeepsNumbers",
                  R"(;\red1\green1\blue1;;\red2\green2\blue2;)",
                  {";", R"(\red1\green1\blue1;)", ";", R"(\red2\green2\blue2;)"}},
        ColorCase{
            "OrderOfPartsInsideAnEntry", R"(\blue3\red1\green2;)", {R"(\red1\green2\blue3;)"}},
        ColorCase{"ValuesAboveAByteAreClamped",
                  R"(\red99999999999\green256\blue-4;)",
                  {R"(\red255\green255\blue0;)"}},
        ColorCase{
            "LastEntryWithoutSemicolon", R"(;\red7\green8\blue9)", {";", R"(\red7\green8\blue9;)"}},
        ColorCase{"EmptyTable", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HeaderTablesTest, AddColorAddsAutoEntryToAnEmptyList) {
  TQeHeaderTables tables;
  EXPECT_EQ(tables.AddColor(R"(\red1\green2\blue3;)"), 1);
  EXPECT_EQ(tables.AddColor(R"(\red1\green2\blue3;)"), 1);
  EXPECT_EQ(tables.AddColor(R"(\red4\green5\blue6;)"), 2);
  EXPECT_EQ(tables.Colors, (Strings{";", R"(\red1\green2\blue3;)", R"(\red4\green5\blue6;)"}));
  // A template's colours without the auto entry get none.
  TQeHeaderTables from_template;
  from_template.SetColorsFromTable(R"(\red0\green0\blue0;)");
  EXPECT_EQ(from_template.AddColor(R"(\red0\green0\blue0;)"), 0);
  EXPECT_EQ(from_template.AddColor(R"(\red9\green9\blue9;)"), 1);
}

TEST(HeaderTablesTest, WritesEachTableItsInsertionEntryNames) {
  TQeHeaderTables tables;
  tables.Fonts = {"{\\f0 A;}", "{\\f1 B;}"};
  tables.Styles = {"{\\s0 N;}"};
  tables.Info = {"{\\title T}"};
  const auto written = [&](int32_t type) {
    TMemoryStream out;
    tables.WriteTable(type, out);
    return out.Bytes();
  };
  EXPECT_EQ(written(rkFontTable), "{\\fonttbl{\\f0 A;}{\\f1 B;}}");
  tables.AddColor("\\red1\\green2\\blue3;");
  // Without a template colour table the colours follow the font table.
  EXPECT_EQ(written(rkFontTable),
            "{\\fonttbl{\\f0 A;}{\\f1 B;}}{\\colortbl;\\red1\\green2\\blue3;}");
  tables.ColorTableSeen = true;
  EXPECT_EQ(written(rkFontTable), "{\\fonttbl{\\f0 A;}{\\f1 B;}}");
  EXPECT_EQ(written(rkColorTable), "{\\colortbl;\\red1\\green2\\blue3;}");
  EXPECT_EQ(written(rkStyleSheet), "{\\stylesheet{\\s0 N;}}");
  EXPECT_EQ(written(rkInfo), "");
  EXPECT_EQ(written(0), "");
}

class HeaderReadingTest : public ScannerTest {
 protected:
  Strings FontsOf(const std::string& table, uint8_t charset = 136) {
    report.SetCharset(charset);
    Trace("{\\rtf1" + table + " x}");
    return report.HeaderTables.Fonts;
  }
  template <typename E>
  std::string ScanError(const std::string& rtf) {
    try {
      Trace(rtf);
    } catch (const E& e) {
      return e.what();
    }
    return "no error";
  }
};

TEST_F(HeaderReadingTest, FontCharsetBecomesTheReportsCharset) {
  EXPECT_EQ(FontsOf(R"({\fonttbl{\f0\froman\fcharset0 Times;}{\f1\fnil Plain;})"
                    R"({\f2\fcharset2{\*\falt X} Sym;}})"),
            (Strings{R"({\f0\froman\fcharset136 Times;})", R"({\f1\fnil Plain;})",
                     R"({\f2\fcharset136{\*\falt X} Sym;})"}));
  EXPECT_EQ(FontsOf(R"({\fonttbl{\f0\fcharset136 T;}})", 1), (Strings{R"({\f0\fcharset1 T;})"}));
}

TEST_F(HeaderReadingTest, FontWithoutBracesIsKeptInBraces) {
  EXPECT_EQ(FontsOf(R"({\fonttbl\f9\fcharset0 Loose;{\f0 A;}})"),
            (Strings{R"({\f9\fcharset136 Loose;})", R"({\f0 A;})"}));
}

TEST_F(HeaderReadingTest, CarriageReturnsLeaveFontEntriesLineFeedsStay) {
  EXPECT_EQ(FontsOf("{\\fonttbl{\\f0\r\n\\fcharset0\r Arial;}}"),
            (Strings{"{\\f0\n\\fcharset136 Arial;}"}));
}

TEST_F(HeaderReadingTest, BrokenTablesFailWithTheirMessages) {
  EXPECT_EQ(ScanError<EBadRtfFormat>(R"({\rtf1{\fonttbl{\f0\fcharset Arial;}}})"),
            "Can't read font table from input file");
  EXPECT_EQ(ScanError<EBadRtfFormat>(R"({\rtf1{\fonttbl{\f0\fcharset0 Arial;})"),
            "Can't read font table from input file");
  EXPECT_EQ(ScanError<EBadRtfFormat>(R"({\rtf1{\colortbl;\red0\green0\blue0;)"),
            "Can't read color table from input file");
}

TEST_F(HeaderReadingTest, UnfinishedStyleSheetKeepsItsWholeEntries) {
  Trace(R"({\rtf1{\stylesheet{\s0 A;}{\s1{\*\k x} B;}{\s2 cut)");
  EXPECT_EQ(report.HeaderTables.Styles, (Strings{R"({\s0 A;})", R"({\s1{\*\k x} B;})"}));
}

// Raw data may hold braces: it is passed over by its count, and a style holding some is left
// out, so the table ends where RTF ends it and the next entries stay.
TEST_F(HeaderReadingTest, RawDataInTheStyleSheetIsPassedOverByItsCount) {
  const auto styles_of = [this](const std::string& sheet) {
    report.HeaderTables.Styles.clear();
    Trace("{\\rtf1" + sheet);
    return report.HeaderTables.Styles;
  };
  EXPECT_EQ(styles_of("{\\stylesheet\\bin4}\\}}{\\s1 B;}} x}"), (Strings{R"({\s1 B;})"}));
  EXPECT_EQ(styles_of("{\\stylesheet{\\s0 A;}{\\s1\\bin3 }{{ B;}{\\s2 C;}} x}"),
            (Strings{R"({\s0 A;})", R"({\s2 C;})"}));
  // A count past the end stops at the end: the sheet is then unfinished, as a cut one is.
  EXPECT_EQ(styles_of("{\\stylesheet{\\s0 A;}\\bin999 }}"), (Strings{R"({\s0 A;})"}));
}

// A whole run: tables come back in the output form, the information group does not.
TEST(HeaderTablesRunTest, RunWritesTablesBackWithoutInformationGroup) {
  const std::string path = ::testing::TempDir() + "header_tables_run.rtf";
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    const std::string rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}\r\n{\\f1\\fcharset134 SimSun;}}\r\n"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
        "{\\stylesheet{\\s0 Normal;}\n{\\s1 Heading;}}{\\info{\\title T}{\\author A}}\r\n"
        "\\pard\\cf1 Red text\\par}";
    std::fwrite(rtf.data(), 1, rtf.size(), f);
    std::fclose(f);
  }
  TQeRTF rtf;
  rtf.SetInFile(path);
  rtf.SetCharset(136);
  TMemoryStream out;
  rtf.ExecuteToStream({}, out);
  EXPECT_TRUE(rtf.Succeeded());
  EXPECT_EQ(
      out.Bytes(),
      "{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil\\fcharset136 Arial;}{\\f1\\fcharset136 SimSun;}}\r\n"
      "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
      "{\\stylesheet{\\s0 Normal;}{\\s1 Heading;}}\r\n"
      "\\pard\\cf1 Red text\\par}");
  std::remove(path.c_str());
}

}  // namespace
}  // namespace vorn::testing
