#include "data/text_decoding.h"

#include <algorithm>
#include <cstdio>

#include "platform/system/exception.h"
#include "platform/text/code_page.h"

namespace vorn {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

std::string LineOf(std::string_view bytes, size_t at) {
  return std::to_string(1 + std::count(bytes.begin(), bytes.begin() + at, '\n'));
}

void AppendUtf8(std::string& out, char32_t code_point) {
  if (code_point < 0x80) {
    out.push_back(static_cast<char>(code_point));
  } else if (code_point < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code_point >> 6)));
    out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else if (code_point < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code_point >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code_point >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  }
}

// `bytes` without their mark; offsets in messages count from the file's first byte.
std::string FromUtf16(std::string_view bytes, bool big_endian, std::string_view source_name) {
  const auto unit = [&](size_t at) -> char32_t {
    const auto b0 = static_cast<unsigned char>(bytes[at]);
    const auto b1 = static_cast<unsigned char>(bytes[at + 1]);
    return big_endian ? (b0 << 8 | b1) : (b1 << 8 | b0);
  };
  const auto fail = [&](size_t at) {
    return Exception(std::string(source_name) + ": invalid UTF-16 at byte " +
                     std::to_string(at + 1 + kUtf16LeMark.size()));
  };
  if (bytes.size() % 2 != 0) throw fail(bytes.size() - 1);
  std::string out;
  out.reserve(bytes.size());
  for (size_t at = 0; at < bytes.size(); at += 2) {
    char32_t code_point = unit(at);
    if (code_point >= 0xDC00 && code_point <= 0xDFFF) throw fail(at);
    if (code_point >= 0xD800 && code_point <= 0xDBFF) {
      if (at + 4 > bytes.size()) throw fail(at);
      const char32_t low = unit(at + 2);
      if (low < 0xDC00 || low > 0xDFFF) throw fail(at);
      code_point = 0x10000 + ((code_point - 0xD800) << 10) + (low - 0xDC00);
      at += 2;
    }
    AppendUtf8(out, code_point);
  }
  return out;
}

std::string FromLegacy(std::string_view bytes, int code_page, std::string_view source_name) {
  std::string out;
  const size_t failed = ConvertToUtf8(bytes, CodePage(code_page), out);
  if (failed == std::string_view::npos) return out;
  throw Exception(std::string(source_name) + ": no text in code page " + std::to_string(code_page) +
                  " on line " + LineOf(bytes, failed) + " (byte " + std::to_string(failed + 1) +
                  ")");
}

}  // namespace

std::string DecodeDataText(std::string_view bytes, const TDataEncoding& encoding,
                           std::string_view source_name) {
  if (bytes.starts_with(kUtf8Mark))
    bytes.remove_prefix(kUtf8Mark.size());
  else if (encoding.kind != TDataEncoding::Kind::kAsIs && bytes.starts_with(kUtf16LeMark))
    return FromUtf16(bytes.substr(2), false, source_name);
  else if (encoding.kind != TDataEncoding::Kind::kAsIs && bytes.starts_with(kUtf16BeMark))
    return FromUtf16(bytes.substr(2), true, source_name);
  else if (encoding.kind == TDataEncoding::Kind::kLegacy)
    return FromLegacy(bytes, encoding.code_page, source_name);

  if (encoding.kind == TDataEncoding::Kind::kAsIs) return std::string(bytes);
  const size_t invalid = FirstInvalidUtf8(bytes);
  if (invalid == std::string_view::npos) return std::string(bytes);
  if (encoding.code_page != 0) return FromLegacy(bytes, encoding.code_page, source_name);
  throw Exception(std::string(source_name) + ": invalid UTF-8 on line " + LineOf(bytes, invalid) +
                  " (byte " + std::to_string(invalid + 1) +
                  "); name the file's encoding or save it as UTF-8");
}

TDataEncoding DataEncodingByName(std::string_view name) {
  std::string lower;
  for (char c : name) lower.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c));
  std::erase(lower, '-');
  std::erase(lower, '_');
  if (lower == "utf8" || lower == "utf16" || lower == "unicode") {
    return {TDataEncoding::Kind::kUnicode, 0};
  }
  struct Alias {
    std::string_view name;
    int code_page;
  };
  static constexpr Alias kAliases[] = {
      {"big5", 950},  {"shiftjis", 932}, {"sjis", 932},      {"gbk", 936},          {"gb2312", 936},
      {"euckr", 949}, {"latin1", 1252},  {"iso88591", 1252}, {"windows1252", 1252},
  };
  for (const Alias& alias : kAliases) {
    if (lower == alias.name) return {TDataEncoding::Kind::kLegacy, alias.code_page};
  }
  std::string_view digits = lower;
  if (digits.starts_with("windows"))
    digits.remove_prefix(7);
  else if (digits.starts_with("cp"))
    digits.remove_prefix(2);
  int code_page = 0;
  const bool numeric =
      !digits.empty() && digits.size() <= 5 &&
      std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (numeric) code_page = std::stoi(std::string(digits));
  static constexpr int kKnown[] = {874,  932,  936,  949,  950,  1250, 1251,
                                   1252, 1253, 1254, 1255, 1256, 1257, 1258};
  if (std::find(std::begin(kKnown), std::end(kKnown), code_page) == std::end(kKnown)) {
    throw Exception("Unknown encoding: " + std::string(name));
  }
  return {TDataEncoding::Kind::kLegacy, code_page};
}

}  // namespace vorn
