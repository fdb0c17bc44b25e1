#include "platform/text/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/system/exception.h"

namespace vorn {
namespace {

struct CharsetRow {
  int charset;
  int code_page;
};

constexpr CharsetRow kCharsets[] = {
    {0, 1252},   {1, 1252},   {128, 932},  {129, 949},  {134, 936},  {136, 950}, {161, 1253},
    {162, 1254}, {177, 1255}, {178, 1256}, {186, 1257}, {204, 1251}, {222, 874}, {238, 1250},
};

std::string CodePageName(CodePage code_page) {
  return "code page " + std::to_string(code_page.Number());
}

class Converter {
 public:
  Converter(const std::string& to, const std::string& from, CodePage code_page)
      : handle_(iconv_open(to.c_str(), from.c_str())) {
    if (handle_ == reinterpret_cast<iconv_t>(-1)) {
      throw Exception("Code page is not supported: " + std::to_string(code_page.Number()));
    }
  }
  ~Converter() { iconv_close(handle_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts all of `input`; on failure returns the offset of the first byte that did not convert,
  // with `out` holding what came before it.
  std::size_t Convert(std::string_view input, std::string& out) {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(input.data());
    std::size_t in_left = input.size();
    char buffer[4096];
    while (in_left > 0) {
      char* to = buffer;
      std::size_t to_left = sizeof buffer;
      const std::size_t result = iconv(handle_, &in, &in_left, &to, &to_left);
      out.append(buffer, to - buffer);
      if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
        return static_cast<std::size_t>(in - input.data());
      }
    }
    char* to = buffer;
    std::size_t to_left = sizeof buffer;
    iconv(handle_, nullptr, nullptr, &to, &to_left);
    out.append(buffer, to - buffer);
    return std::string_view::npos;
  }

 private:
  iconv_t handle_;
};

// Opening a conversion costs more than converting a product's name, and a batch converts every
// field of every row: each thread keeps the conversions it opened.
Converter& CachedConverter(const std::string& to, const std::string& from, CodePage code_page) {
  thread_local std::map<std::pair<std::string, std::string>, std::unique_ptr<Converter>> cache;
  std::unique_ptr<Converter>& slot = cache[{to, from}];
  if (!slot) slot = std::make_unique<Converter>(to, from, code_page);
  return *slot;
}

}  // namespace

std::size_t DecodeUtf8At(std::string_view text, std::size_t at, char32_t& code_point) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  char32_t min = 0;
  if (lead < 0x80) {
    code_point = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code_point = lead & 0x1F, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code_point = lead & 0x0F, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code_point = lead & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - at < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    code_point = (code_point << 6) | (byte(at + i) & 0x3F);
  }
  if (code_point < min || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) {
    return 0;
  }
  return length;
}

namespace {

int UpperHexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// U+007F is held by every code page; it takes the form only so that no bare 0x7F enters.
std::size_t FormWeight(char32_t code_point) { return code_point == 0x7F ? 1 : 2; }

std::string ConversionPrefix(CodePage code_page, std::string_view what) {
  return "Cannot convert " + std::string(what) + " to " + CodePageName(code_page) + ": ";
}

}  // namespace

std::size_t FirstInvalidUtf8(std::string_view text) {
  char32_t code_point = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = DecodeUtf8At(text, at, code_point);
    if (length == 0) return at;
    at += length;
  }
  return std::string_view::npos;
}

CodePage CodePage::FromCharset(int charset) {
  for (const CharsetRow& row : kCharsets) {
    if (row.charset == charset) return CodePage(row.code_page);
  }
  return CodePage(1252);
}

std::string CodePage::IconvName() const { return "CP" + std::to_string(number_); }

bool IsLeadByte(unsigned char byte, CodePage code_page) {
  switch (code_page.Number()) {
    case 932:
      return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950:
      return byte >= 0x81 && byte <= 0xFE;
    default:
      return false;
  }
}

char32_t UnicodeFormAt(std::string_view text, std::size_t at) {
  if (at >= text.size() || text[at] != kUnicodeMark || text.size() - at < kUnicodeFormSize) {
    return 0;
  }
  char32_t code_point = 0;
  for (std::size_t i = 1; i < kUnicodeFormSize; ++i) {
    const int digit = UpperHexValue(text[at + i]);
    if (digit < 0) return 0;
    code_point = code_point * 16 + static_cast<char32_t>(digit);
  }
  if (code_point < 0x7F || code_point > 0x10FFFF ||
      (code_point >= 0xD800 && code_point <= 0xDFFF)) {
    return 0;
  }
  return code_point;
}

void AppendUnicodeForm(std::string& out, char32_t code_point) {
  char form[kUnicodeFormSize + 1];
  std::snprintf(form, sizeof form, "%c%06X", kUnicodeMark, static_cast<unsigned>(code_point));
  out.append(form, kUnicodeFormSize);
}

void AppendUtf8Character(std::string& out, char32_t code_point) {
  if (code_point < 0x80) {
    out.push_back(static_cast<char>(code_point));
    return;
  }
  const int length = code_point < 0x800 ? 2 : code_point < 0x10000 ? 3 : 4;
  static constexpr unsigned char kLeads[] = {0, 0, 0xC0, 0xE0, 0xF0};
  char bytes[4];
  for (int i = length - 1; i > 0; --i) {
    bytes[i] = static_cast<char>(0x80 | (code_point & 0x3F));
    code_point >>= 6;
  }
  bytes[0] = static_cast<char>(kLeads[length] | code_point);
  out.append(bytes, static_cast<std::size_t>(length));
}

std::string CodePageCharacter(char32_t code_point, CodePage code_page) {
  std::string utf8;
  AppendUtf8Character(utf8, code_point);
  return FromUtf8(utf8, code_page, "a character");
}

std::size_t CharacterLength(std::string_view text, std::size_t at, CodePage code_page) {
  if (text[at] == kUnicodeMark && UnicodeFormAt(text, at) != 0) return kUnicodeFormSize;
  const bool pair = IsLeadByte(static_cast<unsigned char>(text[at]), code_page) &&
                    at + 1 < text.size() && UnicodeFormAt(text, at + 1) == 0;
  return pair ? 2 : 1;
}

std::size_t CountedSize(std::string_view text) {
  std::size_t size = text.size();
  for (std::size_t at = text.find(kUnicodeMark); at != std::string_view::npos;
       at = text.find(kUnicodeMark, at + 1)) {
    if (const char32_t code_point = UnicodeFormAt(text, at)) {
      size -= kUnicodeFormSize - FormWeight(code_point);
    }
  }
  return size;
}

std::string_view CutToBytes(std::string_view text, std::size_t max_bytes, CodePage code_page) {
  // A form is longer than it counts, so text that fits in bytes fits counted too.
  if (text.size() <= max_bytes) return text;
  const bool forms = text.find(kUnicodeMark) != std::string_view::npos;
  if (!forms && !code_page.IsDoubleByte()) return text.substr(0, max_bytes);
  std::size_t at = 0;
  std::size_t counted = 0;
  while (at < text.size()) {
    const std::size_t length = CharacterLength(text, at, code_page);
    const std::size_t weight =
        length == kUnicodeFormSize ? FormWeight(UnicodeFormAt(text, at)) : length;
    if (counted + weight > max_bytes) break;
    counted += weight;
    at += length;
  }
  return text.substr(0, at);
}

std::string FromUtf8(std::string_view text, CodePage code_page, std::string_view what) {
  // The Windows ANSI code pages hold ASCII as ASCII: most data cells need no converter.
  const int n = code_page.Number();
  const bool ansi =
      n == 874 || n == 932 || n == 936 || n == 949 || n == 950 || (n >= 1250 && n <= 1258);
  if (ansi && std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) < static_cast<unsigned char>(kUnicodeMark);
      })) {
    return std::string(text);
  }
  const std::size_t invalid = FirstInvalidUtf8(text);
  if (invalid != std::string_view::npos) {
    throw Exception(ConversionPrefix(code_page, what) + "invalid UTF-8 at byte " +
                    std::to_string(invalid + 1));
  }
  Converter& converter = CachedConverter(code_page.IconvName(), "UTF-8", code_page);
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    // 0x7F never reaches the converter: it would be taken for the start of a form.
    const std::size_t mark = std::min(text.find(kUnicodeMark, at), text.size());
    const std::size_t failed = converter.Convert(text.substr(at, mark - at), out);
    if (failed == std::string_view::npos && mark == text.size()) break;
    const std::size_t from = failed == std::string_view::npos ? mark : at + failed;
    char32_t code_point = 0;
    const std::size_t length = DecodeUtf8At(text, from, code_point);
    AppendUnicodeForm(out, code_point);
    at = from + length;
  }
  return out;
}

std::size_t ConvertToUtf8(std::string_view bytes, CodePage code_page, std::string& out) {
  return CachedConverter("UTF-8", code_page.IconvName(), code_page).Convert(bytes, out);
}

std::string ToUtf8(std::string_view bytes, CodePage code_page) {
  std::string out;
  for (std::size_t at = 0; at <= bytes.size();) {
    std::size_t form = bytes.find(kUnicodeMark, at);
    while (form != std::string_view::npos && UnicodeFormAt(bytes, form) == 0) {
      form = bytes.find(kUnicodeMark, form + 1);
    }
    const std::size_t end = std::min(form, bytes.size());
    const std::size_t failed = ConvertToUtf8(bytes.substr(at, end - at), code_page, out);
    if (failed != std::string_view::npos) {
      char byte[8];
      std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(bytes[at + failed]));
      throw Exception("Cannot convert text in " + CodePageName(code_page) +
                      " to UTF-8: no character at byte " + std::to_string(at + failed + 1) + ", " +
                      byte);
    }
    if (end == bytes.size()) break;
    AppendUtf8Character(out, UnicodeFormAt(bytes, end));
    at = end + kUnicodeFormSize;
  }
  return out;
}

}  // namespace vorn
