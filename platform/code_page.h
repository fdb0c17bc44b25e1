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

// The longest start of `text` of at most `max_bytes` bytes that does not end inside a
// two-byte character.
std::string_view CutToBytes(std::string_view text, std::size_t max_bytes, CodePage code_page);

// UTF-8 into the code page. Throws vorn::Exception naming `what` for invalid UTF-8 and
// for a character the code page cannot hold (as U+XXXX and the character itself); nothing
// is replaced.
std::string FromUtf8(std::string_view text, CodePage code_page, std::string_view what);

// The offset of the first byte of `text` that is not well-formed UTF-8, npos when all are.
std::size_t FirstInvalidUtf8(std::string_view text);

// Code page bytes into UTF-8, appended to `out`. Returns npos, or the offset of the first byte
// that is no character of the code page, with `out` holding the text before it.
std::size_t ConvertToUtf8(std::string_view bytes, CodePage code_page, std::string& out);

// Code page bytes into UTF-8. Throws vorn::Exception for bytes that are no character of the
// code page.
std::string ToUtf8(std::string_view bytes, CodePage code_page);

}  // namespace vorn
