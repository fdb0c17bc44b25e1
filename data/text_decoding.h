#pragma once

#include <string>
#include <string_view>

namespace vorn {

// How the bytes of a data file become UTF-8 text.
struct TDataEncoding {
  enum class Kind {
    kAsIs,     // the bytes are taken as they are (a UTF-8 byte order mark is still skipped)
    kUnicode,  // UTF-8 with or without a byte order mark, or UTF-16 with one; else `code_page`
    kLegacy,   // a byte order mark decides; without one the file is in `code_page`
  };
  Kind kind = Kind::kAsIs;
  // The Windows code page of a file that is not Unicode; 0 with kUnicode makes such a file
  // an error.
  int code_page = 0;
};

// The text of a data file in UTF-8 without a byte order mark. Throws vorn::Exception
// starting with `source_name` for bytes that are no text in the encoding, naming the line and
// the byte.
std::string DecodeDataText(std::string_view bytes, const TDataEncoding& encoding,
                           std::string_view source_name);

// The encoding a user names on a command line: "utf-8", "utf8", "cp950", "big5", "cp932",
// "shift_jis", "cp1252", "latin1", ... (any case). Throws vorn::Exception for a name it does
// not know.
TDataEncoding DataEncodingByName(std::string_view name);

}  // namespace vorn
