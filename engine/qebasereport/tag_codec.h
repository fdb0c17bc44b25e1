#pragma once

#include <string>
#include <string_view>

namespace vorn {

// A tag's raw RTF split into what the expression language reads and the formatting
// that stood inside the tag.
struct TagTextParts {
  std::string text;         // plain text: blanks only inside quotes and square brackets
  std::string format_text;  // control words and braces, to be written after the value
};

// Splits the raw RTF between a tag's delimiters into its plain text and FormatText.
TagTextParts ExtractTagText(std::string_view raw);

// True when ExtractTagText(raw) would give a non-empty plain text; stops at the first
// byte that proves it, so it is cheap on long stretches of visible text.
bool HasPlainText(std::string_view raw);

// How the characters of a value from 128 up reach the document.
enum class RtfCharacters {
  kCodePage,  // as the code page's bytes; only characters it lacks as RTF Unicode
  kUnicode,   // all as RTF Unicode, for fonts that keep character sets of their own
};

// A plain value (bytes in the report's code page) as RTF text: control bytes become their words,
// "\", "{" and "}" are escaped, bytes from 128 up become "\'XX". With a double-byte `code_page`
// (950 and its kin) the second byte of a character is always written as an escape: a Big5 trail
// byte "\\" or "{" written as a control symbol would split the character for RTF readers. A
// character the code page lacks (its Unicode form, see platform/code_page.h) is written "\uN?" in a
// group with "\uc1", past U+FFFF as a surrogate pair.
std::string EncodeRtfText(std::string_view value, int code_page = 0,
                          RtfCharacters characters = RtfCharacters::kCodePage);
// EncodeRtfText appended to `out`.
void AppendRtfText(std::string& out, std::string_view value, int code_page = 0,
                   RtfCharacters characters = RtfCharacters::kCodePage);

// The frame every text value is written in: "\lang" + lang_text + " " + the encoded
// value + format_text.
std::string RtfValueFrame(std::string_view lang_text, std::string_view value,
                          std::string_view format_text, int code_page = 0);
// RtfValueFrame appended to `out`.
void AppendRtfValueFrame(std::string& out, std::string_view lang_text, std::string_view value,
                         std::string_view format_text, int code_page = 0,
                         RtfCharacters characters = RtfCharacters::kCodePage);

}  // namespace vorn
