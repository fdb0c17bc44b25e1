#include <string>

#include "hostile/hostile_fixture.h"

namespace vorn::testing {
namespace {

using FragmentEscapesTest = HostileTest;

// Escapes and raw data in a fragment's header tables, merged at every place of the fragment
// target's template: each run succeeds or fails cleanly, and a success is balanced.
TEST_F(FragmentEscapesTest, TableEscapesAtEveryPlaceKeepTheInvariants) {
  const std::string fragments[] = {
      "{\\rtf1{\\stylesheet{\\s2 A\\\x05{\\b x};}}\\s2 y\\par}",
      "{\\rtf1{\\stylesheet{\\s2 A\\\r{\\b x};}{\\s3 B\\\n\\};}}\\s2 y\\s3 z}",
      "{\\rtf1{\\stylesheet{\\s2 A\\\\\r{\\b x};}{\\s3 \\'7d\\{;}}\\s2 y\\s3 z}",
      "{\\rtf1{\\stylesheet{\\s2\\bin2 }{ S;}{\\s3 T;}}\\s2 a\\s3 b}",
      "{\\rtf1{\\fonttbl{\\f1 B\\\n{\\*\\falt C};}\\f2 D\\\r{\\*\\falt E};}\\f1 y\\f2 z}",
      "{\\rtf1{\\fonttbl{\\f1\\bin1 }C;}{\\f2 D\\};}}{\\colortbl;\\red1{\\}\\green2;}\\f2\\cf1 y}",
      "{\\rtf1 a\\bin3 }{\\ b{\\*\\x\\bin1 }}c}",
  };
  for (const std::string& fragment : fragments) {
    for (char place = 0; place < 8; ++place) {
      EXPECT_EQ(fuzz::CheckFragment(place + fragment), "") << int(place) << ": " << fragment;
    }
  }
}

// The template's own style sheet passes through every merge: a backslash before a line break
// in one of its styles stood before a brace once the break was stripped.
TEST_F(FragmentEscapesTest, TemplateStyleWithABackslashBeforeALineBreakStaysWhole) {
  const std::string out = RunOutput(
      "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}{\\stylesheet{\\s1 A\\\n{\\b x};}"
      "{\\s2 B\\\t\\};}}\n\\pard \\\\FRTF(A:FRAG)\\\\\\par}");
  EXPECT_NE(out.find("{\\stylesheet{\\s1 A{\\b x};}{\\s2 B\\};}}"), std::string::npos) << out;
}

}  // namespace
}  // namespace vorn::testing
