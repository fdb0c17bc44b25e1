#include "platform/text/ansi_case.h"

#include <iconv.h>

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vorn {
namespace {

struct CaseTables {
  std::array<unsigned char, 256> upper;
  std::array<unsigned char, 256> lower;
};

// Case partners of the scripts the Windows single-byte code pages carry: Latin-1, Latin
// Extended-A, Greek and Cyrillic. The dotted and dotless i of Turkish keep their case.
char32_t UpperOf(char32_t c) {
  if (c == 0x130 || c == 0x131) return c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c & ~char32_t{1};
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : c - 1;
  if (c == 0x192) return 0x191;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c == 0x491) return 0x490;
  return c;
}

char32_t LowerOf(char32_t c) {
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  if (c == 0x178) return 0xFF;
  if (c == 0x130 || c == 0x131) return c;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
  if (c == 0x191) return 0x192;
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 0x25;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 0x3F;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c == 0x490) return 0x491;
  return c;
}

class ByteCodec {
 public:
  explicit ByteCodec(CodePage code_page)
      : decode_(iconv_open("UTF-32LE", code_page.IconvName().c_str())),
        encode_(iconv_open(code_page.IconvName().c_str(), "UTF-32LE")) {}
  ~ByteCodec() {
    if (Usable(decode_)) iconv_close(decode_);
    if (Usable(encode_)) iconv_close(encode_);
  }
  ByteCodec(const ByteCodec&) = delete;
  ByteCodec& operator=(const ByteCodec&) = delete;

  bool Usable() const { return Usable(decode_) && Usable(encode_); }

  std::optional<char32_t> Decode(unsigned char byte) {
    char in_byte = static_cast<char>(byte);
    unsigned char out[8];
    if (!Run(decode_, &in_byte, 1, reinterpret_cast<char*>(out), sizeof out, 4)) {
      return std::nullopt;
    }
    return static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
  }

  // The byte that encodes the character, when one byte does.
  std::optional<unsigned char> Encode(char32_t c) {
    char in[4];
    for (int i = 0; i < 4; ++i) in[i] = static_cast<char>((c >> (8 * i)) & 0xFF);
    char out[8];
    if (!Run(encode_, in, sizeof in, out, sizeof out, 1)) return std::nullopt;
    return static_cast<unsigned char>(out[0]);
  }

 private:
  static bool Usable(iconv_t handle) { return handle != reinterpret_cast<iconv_t>(-1); }

  static bool Run(iconv_t handle, char* in, std::size_t in_size, char* out, std::size_t out_size,
                  std::size_t expected) {
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
    std::size_t in_left = in_size, out_left = out_size;
    char* to = out;
    if (iconv(handle, &in, &in_left, &to, &out_left) == static_cast<std::size_t>(-1)) return false;
    return in_left == 0 && out_size - out_left == expected;
  }

  iconv_t decode_;
  iconv_t encode_;
};

CaseTables BuildTables(CodePage code_page) {
  CaseTables tables;
  for (int b = 0; b < 256; ++b) {
    tables.upper[b] = static_cast<unsigned char>(b >= 'a' && b <= 'z' ? b - 32 : b);
    tables.lower[b] = static_cast<unsigned char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
  }
  if (code_page.IsDoubleByte()) return tables;
  ByteCodec codec(code_page);
  if (!codec.Usable()) return tables;
  for (int b = 0x80; b < 256; ++b) {
    const std::optional<char32_t> c = codec.Decode(static_cast<unsigned char>(b));
    if (!c) continue;
    const std::optional<unsigned char> upper = codec.Encode(UpperOf(*c));
    const std::optional<unsigned char> lower = codec.Encode(LowerOf(*c));
    if (upper) tables.upper[b] = *upper;
    if (lower) tables.lower[b] = *lower;
  }
  return tables;
}

// The tables are built once per code page; the engine runs on one thread.
const CaseTables& TablesFor(CodePage code_page) {
  static std::map<int, CaseTables> cache;
  auto found = cache.find(code_page.Number());
  if (found == cache.end()) {
    found = cache.emplace(code_page.Number(), BuildTables(code_page)).first;
  }
  return found->second;
}

// A character the code page lacks changes case by its code point; its partner may be one the code
// page holds, and then it is written as that.
void AppendMappedForm(std::string& out, char32_t code_point, CodePage code_page,
                      char32_t (*map)(char32_t)) {
  const char32_t mapped = map(code_point);
  if (mapped == code_point) {
    AppendUnicodeForm(out, code_point);
  } else {
    out += CodePageCharacter(mapped, code_page);
  }
}

std::string MapCase(std::string_view text, CodePage code_page,
                    const std::array<unsigned char, 256>& table, char32_t (*map)(char32_t)) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = CharacterLength(text, i, code_page);
    if (length == kUnicodeFormSize) {
      AppendMappedForm(out, UnicodeFormAt(text, i), code_page, map);
    } else if (length == 2) {
      out.append(text.substr(i, 2));  // a trail byte may look like a letter; it is not one
    } else {
      out.push_back(static_cast<char>(table[static_cast<unsigned char>(text[i])]));
    }
    i += length;
  }
  return out;
}

}  // namespace

std::string AnsiUpperCase(std::string_view text, CodePage code_page) {
  return MapCase(text, code_page, TablesFor(code_page).upper, UpperOf);
}

std::string AnsiLowerCase(std::string_view text, CodePage code_page) {
  return MapCase(text, code_page, TablesFor(code_page).lower, LowerOf);
}

}  // namespace vorn
