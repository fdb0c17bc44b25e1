#include "app/record_text.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "platform/exception.h"

namespace vorn {

namespace {
constexpr const char* kRecordCharset = "CP950";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the well-formed UTF-8 sequence at `text[pos]`, or nullopt.
std::optional<size_t> Utf8SequenceLength(std::string_view text, size_t pos) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byte(pos);
  if (lead < 0x80) return 1;
  size_t length = 0;
  uint32_t min = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, min = 0x10000;
  } else {
    return std::nullopt;
  }
  if (pos + length > text.size()) return std::nullopt;
  uint32_t code = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return std::nullopt;
    code = (code << 6) | (byte(pos + i) & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
  return length;
}

uint32_t CodePointAt(std::string_view text, size_t pos, size_t length) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  if (length == 1) return byte(pos);
  uint32_t code = byte(pos) & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) code = (code << 6) | (byte(pos + i) & 0x3F);
  return code;
}

bool IsValidUtf8(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    const std::optional<size_t> length = Utf8SequenceLength(text, pos);
    if (!length) return false;
    pos += *length;
  }
  return true;
}

void CheckUtf8(std::string_view text, std::string_view field_label) {
  for (size_t pos = 0; pos < text.size();) {
    const std::optional<size_t> length = Utf8SequenceLength(text, pos);
    if (!length) {
      char byte[8];
      std::snprintf(byte, sizeof byte, "0x%02X", static_cast<uint8_t>(text[pos]));
      throw Exception("Text is not valid UTF-8 (byte " + std::string(byte) + " at offset " +
                      std::to_string(pos) + ") for field '" + std::string(field_label) + "'");
    }
    pos += *length;
  }
}

// An iconv conversion descriptor, closed on every path.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw Exception(std::string("Code page conversion is not available: ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts as far as it can; returns the offset of the first byte it could not convert,
  // or nullopt when all of `in` was converted.
  std::optional<size_t> Convert(std::string_view in, std::string& out) {
    char* in_ptr = const_cast<char*>(in.data());
    size_t in_left = in.size();
    char buffer[256];
    while (in_left > 0) {
      char* out_ptr = buffer;
      size_t out_left = sizeof buffer;
      const size_t rc = iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left);
      out.append(buffer, static_cast<size_t>(out_ptr - buffer));
      if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
        return static_cast<size_t>(in_ptr - in.data());
      }
    }
    return std::nullopt;
  }

 private:
  iconv_t cd_;
};
}  // namespace

std::string RecordBytesFromUtf8(std::string_view utf8, std::string_view field_label) {
  CheckUtf8(utf8, field_label);
  std::string out;
  out.reserve(utf8.size());
  Converter converter(kRecordCharset, "UTF-8");
  const std::optional<size_t> failed = converter.Convert(utf8, out);
  if (failed) {
    const size_t length = Utf8SequenceLength(utf8, *failed).value_or(1);
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", CodePointAt(utf8, *failed, length));
    throw Exception("Character not in code page 950 for field '" + std::string(field_label) +
                    "': " + std::string(utf8.substr(*failed, length)) + " (" + code + ")");
  }
  return out;
}

std::string Utf8FromRecordBytes(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  Converter converter("UTF-8", kRecordCharset);
  while (!bytes.empty()) {
    const std::optional<size_t> failed = converter.Convert(bytes, out);
    if (!failed) break;
    // A byte that starts no character shows as the replacement and decoding goes on.
    out.append(kReplacement);
    bytes.remove_prefix(*failed + 1);
  }
  return out;
}

std::string MessageForDisplay(std::string_view message) {
  if (IsValidUtf8(message)) return std::string(message);
  return Utf8FromRecordBytes(message);
}

}  // namespace vorn
