#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorn {

// A Windows ANSI code page, the encoding of every text the engine handles.
class CodePage {
 public:
  constexpr explicit CodePage(int number = 1252) : number_(number) {}

  // 136 gives 950; 0 and 1 give 1252; the other Windows charsets their code page
  // (128 932, 129 949, 134 936, 161 1253, 162 1254, 177 1255, 178 1256, 186 1257,
  // 204 1251, 222 874, 238 1250); any other charset 1252.
  static CodePage FromCharset(int charset);

  constexpr int Number() const { return number_; }
  // 932, 936, 949 and 950 write some characters as a lead byte and a trail byte.
  constexpr bool IsDoubleByte() const {
    return number_ == 932 || number_ == 936 || number_ == 949 || number_ == 950;
  }
  // The name iconv knows it by: "CP950".
  std::string IconvName() const;

  friend constexpr bool operator==(CodePage a, CodePage b) { return a.number_ == b.number_; }

 private:
  int number_;
};

// Whether the byte opens a two-byte character in that code page.
bool IsLeadByte(unsigned char byte, CodePage code_page);

// A character the code page cannot hold travels inside code-page text as its Unicode form: the byte
// 0x7F and the code point in six upper-case hex digits ("\x7F" "01F600"). Text from outside never
// holds a bare 0x7F (U+007F itself takes the form too), no trail byte of a double-byte character is
// 0x7F, and the form is ASCII, so trimming, case changes, joins and byte-wise comparison keep it
// whole and in code point order.
inline constexpr char kUnicodeMark = '\x7F';
inline constexpr std::size_t kUnicodeFormSize = 7;

// The code point of the Unicode form starting at text[at], or 0 when none starts there.
char32_t UnicodeFormAt(std::string_view text, std::size_t at);
// Appends the Unicode form of `code_point`.
void AppendUnicodeForm(std::string& out, char32_t code_point);
// `code_point` as code-page text: its bytes when the code page holds it, else its form.
std::string CodePageCharacter(char32_t code_point, CodePage code_page);

// The bytes of the character at text[at]: a Unicode form, a double-byte pair or one byte.
std::size_t CharacterLength(std::string_view text, std::size_t at, CodePage code_page);

// The size of code-page text as a field counts it: its bytes, a character the code page cannot hold
// counting two, as a double-byte character does. For the limit of an edit box.
std::size_t CountedSize(std::string_view text);

// The longest start of `text` whose CountedSize is at most `max_bytes` and that does not end inside
// a character.
std::string_view CutToBytes(std::string_view text, std::size_t max_bytes, CodePage code_page);

// UTF-8 into the code page; a character the code page cannot hold becomes its Unicode form.
// Throws vorn::Exception naming `what` for invalid UTF-8; nothing is replaced.
std::string FromUtf8(std::string_view text, CodePage code_page, std::string_view what);

// The length of the well-formed UTF-8 sequence at text[at] and its code point; 0 when the bytes
// there are none (overlong forms, surrogates and values past U+10FFFF included).
std::size_t DecodeUtf8At(std::string_view text, std::size_t at, char32_t& code_point);

// The offset of the first byte of `text` that is not well-formed UTF-8, npos when all are.
std::size_t FirstInvalidUtf8(std::string_view text);

// Code page bytes into UTF-8, appended to `out`, Unicode forms not looked at: for files in the
// code page. Returns npos, or the offset of the first byte that is no character of the code page,
// with `out` holding the text before it.
std::size_t ConvertToUtf8(std::string_view bytes, CodePage code_page, std::string& out);

// Code-page text, Unicode forms included, into UTF-8. Throws vorn::Exception for bytes that are no
// character of the code page.
std::string ToUtf8(std::string_view bytes, CodePage code_page);

// The UTF-8 bytes of `code_point`, appended to `out`.
void AppendUtf8Character(std::string& out, char32_t code_point);

}  // namespace vorn
