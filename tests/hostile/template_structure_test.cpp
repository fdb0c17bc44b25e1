#include <pthread.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "hostile/hostile_fixture.h"

namespace vorn::testing {
namespace {

using namespace std::string_literals;

// What the run gives: the tag after the damage filled with the first card's ID, copied as
// written (inside a group passed over whole), or neither; or the error.
enum class Tag { kFilled, kCopied, kGone };

struct StructureCase {
  const char* name;
  std::string tmpl;
  Tag tag = Tag::kFilled;
  const char* error = nullptr;
};

class TemplateStructureTest : public HostileTest,
                              public ::testing::WithParamInterface<StructureCase> {};

std::string Repeat(const std::string& part, size_t count) {
  std::string out;
  out.reserve(part.size() * count);
  for (size_t i = 0; i < count; ++i) out += part;
  return out;
}

// Broken RTF around a tag: each run ends in time with a clean error or a document, and
// the tag after the damage is filled, or copied when a group swallowed it, never half of each.
TEST_P(TemplateStructureTest, EndsCleanly) {
  const StructureCase& c = GetParam();
  const RunOutcome outcome = Run(c.tmpl);
  if (c.error != nullptr) {
    EXPECT_EQ(outcome.message, c.error);
    return;
  }
  ASSERT_TRUE(outcome.succeeded) << outcome.message;
  const bool filled = outcome.output.find("\\lang1028 1") != std::string::npos;
  const bool copied = outcome.output.find("\\\\A:ID\\\\") != std::string::npos;
  EXPECT_EQ(filled, c.tag == Tag::kFilled);
  EXPECT_EQ(copied, c.tag == Tag::kCopied);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TemplateStructureTest,
    ::testing::Values(
        StructureCase{"BinPastTheEnd", Doc("{\\pict\\bin999999 }} \\\\A:ID\\\\"), Tag::kCopied},
        StructureCase{"BinNegative", Doc("{\\pict\\bin-5 }} \\\\A:ID\\\\")},
        StructureCase{"BinWithoutNumber", Doc("{\\pict\\bin }} \\\\A:ID\\\\")},
        StructureCase{"BinHuge", Doc("{\\pict\\bin99999999999 }} \\\\A:ID\\\\"), Tag::kCopied},
        StructureCase{"BinTwentyDigits", Doc("{\\pict\\bin99999999999999999999 }} \\\\A:ID\\\\"),
                      Tag::kCopied},
        StructureCase{"BinZero", Doc("{\\pict\\bin0 } \\\\A:ID\\\\")},
        StructureCase{"BinAtTheEnd", "{\\rtf1 \\\\A:ID\\\\ {\\pict\\bin"},
        StructureCase{"BinPayloadHoldsBraces", Doc("{\\pict\\bin6 }}\\{\\\\} \\\\A:ID\\\\")},
        StructureCase{"ExtraClosingBrace", Doc("} \\\\A:ID\\\\ }")},
        StructureCase{"MissingFinalBrace", "{\\rtf1\\ansi \\\\A:ID\\\\ \\par"},
        StructureCase{"OpeningBraceOnly", "{\\rtf1{", Tag::kGone},
        StructureCase{"DeepGroups", "{\\rtf1 " + Repeat("{", 100000) + "\\\\A:ID\\\\"},
        StructureCase{"DeepGroupsClosed",
                      "{\\rtf1 " + Repeat("{", 100000) + "\\\\A:ID\\\\" + Repeat("}", 100001)},
        StructureCase{"DeepPictureGroups", "{\\rtf1 {\\pict" + Repeat("{", 100000), Tag::kGone},
        StructureCase{"TruncatedHex", "{\\rtf1 \\\\A:ID\\\\ \\'4"},
        StructureCase{"HexAtTheEnd", "{\\rtf1 \\\\A:ID\\\\ \\'"},
        StructureCase{"NonHexEscape", Doc("\\'zz \\\\A:ID\\\\")},
        StructureCase{"LongControlWord", Doc("\\" + Repeat("a", 40) + " \\\\A:ID\\\\")},
        StructureCase{"TwentyDigitParameter", Doc("\\fs99999999999999999999 \\\\A:ID\\\\")},
        StructureCase{"NulBytes", Doc("a\0b \\\\A:ID\\\\ \0"s)},
        StructureCase{"NulInFontName", "{\\rtf1{\\fonttbl{\\f0 Ar\0ial;}}\\\\A:ID\\\\}"s},
        StructureCase{"PictNeverCloses", Doc("{\\pict\\wmetafile8 0102 \\\\A:ID\\\\"),
                      Tag::kCopied},
        StructureCase{"FieldNeverCloses", Doc("{\\field{\\*\\fldinst HYPERLINK \\\\A:ID\\\\"),
                      Tag::kCopied},
        StructureCase{"ObjectNeverCloses", "{\\rtf1 {\\object \\\\A:ID\\\\", Tag::kCopied},
        StructureCase{
            "ManyColours",
            "{\\rtf1{\\colortbl;" + Repeat("\\red1\\green2\\blue3;", 100000) + "}\\\\A:ID\\\\}"},
        StructureCase{"OddFontNumbers",
                      "{\\rtf1{\\fonttbl{\\f-1\\fcharset0 A;}{\\f2147483648\\fcharset0 "
                      "B;}{\\f0\\fcharset0 C;}{\\f0\\fcharset0 C;}}\\\\A:ID\\\\}"},
        StructureCase{"FontWithoutCharsetDigits",
                      "{\\rtf1{\\fonttbl{\\f0\\fcharset A;}}\\\\A:ID\\\\}", Tag::kGone,
                      "Can't read font table from input file"},
        StructureCase{"UnicodeExtremes",
                      Doc("\\u-32768? \\u65535? \\u1114112? \\u55296? \\\\A:ID\\\\")},
        StructureCase{"LineBreakInControlWord", Doc("\\pa\r\nr \\\\A:\r\nID\\\\")},
        StructureCase{"HighByteAfterBackslash", Doc("\\\xff \\\\A:ID\\\\")},
        StructureCase{"FontTableNeverCloses", "{\\rtf1{\\fonttbl{\\f0 Arial;}", Tag::kGone,
                      "Can't read font table from input file"},
        StructureCase{"ColourTableNeverCloses", "{\\rtf1{\\colortbl;\\red1", Tag::kGone,
                      "Can't read color table from input file"},
        // Binary data inside a header table would move the table's end: refused.
        StructureCase{"BinInColourTable",
                      "{\\rtf1{\\colortbl;{\\pict\\bin2 }}}\\red1;}\\\\A:ID\\\\}", Tag::kGone,
                      "Can't read color table from input file"},
        StructureCase{"BinInFontTable", "{\\rtf1{\\fonttbl{\\f0{\\pict\\bin1 }} A;}}\\\\A:ID\\\\}",
                      Tag::kGone, "Can't read font table from input file"},
        StructureCase{"StyleSheetNeverCloses", "{\\rtf1{\\stylesheet{\\s0 Normal;", Tag::kGone},
        StructureCase{"InfoNeverCloses", "{\\rtf1{\\info{\\title x", Tag::kGone},
        StructureCase{"EmptyTemplate", "", Tag::kGone, "Template is not RTF file."},
        StructureCase{"OnlyTheHeader", "{\\rtf1}", Tag::kGone},
        StructureCase{"UpperCaseHeader", "{\\RTF1}", Tag::kGone, "Template is not RTF file."}),
    [](const auto& info) { return std::string(info.param.name); });

using TemplateSizeTest = HostileTest;

// A template past what a run can hold is refused by its size, before anything is read.
TEST_F(TemplateSizeTest, TwoGibibyteTemplateIsRefusedBeforeReading) {
  const std::string path = dir_.Write("huge.rtf", "{\\rtf1 ");
  ASSERT_EQ(::truncate(path.c_str(), int64_t{2} << 30), 0);
  TQeRTF report;
  report.SetInFile(path);
  TMemoryStream out;
  EXPECT_THROW(report.ExecuteToStream({}, out), EIOError);
  EXPECT_EQ(report.ErrorMessage(), "Can't read report template from file: " + path);
}

// Runs `work` on a thread with a stack of `bytes`, as "ulimit -s" would give the program.
void OnSmallStack(size_t bytes, std::function<void()> work) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, bytes);
  pthread_t thread;
  auto body = [](void* arg) -> void* {
    (*static_cast<std::function<void()>*>(arg))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, body, &work), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

// Deep nesting is walked without recursion per level: a 1 MiB stack is enough.
TEST_F(TemplateSizeTest, DeepNestingRunsOnASmallStack) {
  const std::string groups =
      dir_.Write("groups.rtf", "{\\rtf1 " + Repeat("{", 100000) + "x" + Repeat("}", 100001));
  const std::string brackets = dir_.Write(
      "brackets.rtf", "{\\rtf1 \\\\" + Repeat("(", 4900) + "1" + Repeat(")", 4900) + "\\\\}");
  const std::string fragment = dir_.Write("fragment.rtf", "{\\rtf1 \\\\FRTF(SHOP)\\\\}");
  bool done = false;
  OnSmallStack(size_t{1} << 20, [&] {
    for (const std::string& path : {groups, brackets, fragment}) {
      TQeRTF report;
      report.AddTextVariable("SHOP", "{\\rtf1 " + Repeat("{\\b ", 50000) + "deep");
      report.SetInFile(path);
      TMemoryStream out;
      try {
        report.ExecuteToStream({}, out);
        EXPECT_TRUE(fuzz::RtfBalanced(out.Bytes())) << path;
      } catch (const Exception& e) {
        EXPECT_FALSE(std::string(e.what()).empty());
      }
    }
    done = true;
  });
  EXPECT_TRUE(done);
}

}  // namespace
}  // namespace vorn::testing
