#pragma once

#include <string>
#include <string_view>

namespace vorn {

// The code page of the record's texts and of the report it fills (charset 136).
inline constexpr int kRecordCodePage = 950;

// Text typed by the operator or given on the command line (UTF-8) as record bytes; a character the
// record's code page cannot hold travels in its Unicode form (code_page.h). Throws vorn::Exception
// naming `field_label` (UTF-8) when the text is not UTF-8; nothing is replaced silently.
std::string RecordBytesFromUtf8(std::string_view utf8, std::string_view field_label);

// Record bytes decoded for display; bytes that do not decode show as U+FFFD.
std::string Utf8FromRecordBytes(std::string_view bytes);

// An error message for the operator in UTF-8. Messages of the record table carry record
// bytes, those of file names carry UTF-8 paths; a message that is valid UTF-8 is kept.
std::string MessageForDisplay(std::string_view message);

}  // namespace vorn
