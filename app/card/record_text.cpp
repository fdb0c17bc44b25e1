#include "app/card/record_text.h"

#include <cstdint>

#include "platform/system/exception.h"
#include "platform/text/code_page.h"

namespace vorn {

namespace {
constexpr CodePage kRecordPage(kRecordCodePage);
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the well-formed UTF-8 sequence at `text[pos]`, or 0.
size_t Utf8SequenceLength(std::string_view text, size_t pos) {
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
    return 0;
  }
  if (pos + length > text.size()) return 0;
  uint32_t code = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(pos + i) & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool IsValidUtf8(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    const size_t length = Utf8SequenceLength(text, pos);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

// Decodes character by character, so one bad byte costs one replacement only.
std::string DecodeLeniently(std::string_view bytes) {
  std::string out;
  for (size_t pos = 0; pos < bytes.size();) {
    const size_t length = CharacterLength(bytes, pos, kRecordPage);
    try {
      out += ToUtf8(bytes.substr(pos, length), kRecordPage);
      pos += length;
    } catch (const Exception&) {
      out += kReplacement;
      ++pos;
    }
  }
  return out;
}
}  // namespace

std::string RecordBytesFromUtf8(std::string_view utf8, std::string_view field_label) {
  return FromUtf8(utf8, kRecordPage, "field '" + std::string(field_label) + "'");
}

std::string Utf8FromRecordBytes(std::string_view bytes) {
  try {
    return ToUtf8(bytes, kRecordPage);
  } catch (const Exception&) {
    return DecodeLeniently(bytes);
  }
}

std::string MessageForDisplay(std::string_view message) {
  if (IsValidUtf8(message)) return std::string(message);
  return Utf8FromRecordBytes(message);
}

}  // namespace vorn
